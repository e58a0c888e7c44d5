// The toner replacement flow: the replacement dialog, the wait box and the
// exact messages the host receives, in order. The flow runs in this process
// with a 50 ms poll so that scripted status sequences finish quickly; one
// test runs the shipped library with its 3-second poll.
#include "statusdlg/ResourceText.h"
#include "statusdlg/TonerReplaceDlg.h"
#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/DialogTest.h"

namespace {

const UINT kTestPollMs = 50;

struct ReplaceDialogState {
  bool capacityOnlyEnabled = false;
  bool capacityOnlyChecked = true;
  bool radiosEnabled = false;
  bool checked4500 = false;
  bool checked1500 = true;
  std::wstring colours;
  LPARAM selectedColour = 0;
  std::wstring buttons;
};

ReplaceDialogState ReadState(HWND dialog) {
  ReplaceDialogState state;
  state.capacityOnlyEnabled = ItemEnabled(dialog, IDC_CAPACITY_ONLY);
  state.capacityOnlyChecked = ItemChecked(dialog, IDC_CAPACITY_ONLY);
  state.radiosEnabled = ItemEnabled(dialog, IDC_CAPACITY_1500) && ItemEnabled(dialog, IDC_CAPACITY_4500);
  state.checked4500 = ItemChecked(dialog, IDC_CAPACITY_4500);
  state.checked1500 = ItemChecked(dialog, IDC_CAPACITY_1500);
  state.colours = ComboEntries(dialog, IDC_COLOUR_LIST);
  state.selectedColour = ComboSelectionData(dialog, IDC_COLOUR_LIST);
  state.buttons = ItemTextW(dialog, IDOK) + L"|" + ItemTextW(dialog, IDCANCEL) + L"|" +
                  ItemTextW(dialog, IDC_COLOUR_GROUP) + L"|" + ItemTextW(dialog, IDC_CAPACITY_GROUP) + L"|" +
                  ItemTextW(dialog, IDC_CAPACITY_ONLY);
  return state;
}

class TonerReplaceTest : public DialogTest {
 protected:
  // Runs the flow in this process; drive handles the replacement dialog.
  void Run(const std::function<void(HWND)>& drive) {
    const std::string caption = LoadResString(IDS_REPLACE_TITLE);
    std::atomic<bool> done(false);
    WithDriver(
        [&] {
          RunTonerReplacement(host.Handle(), kTestPollMs);
          done = true;
          return 0;
        },
        [&] {
          HWND dialog = WaitForDialog(caption.c_str());
          if (dialog) drive(dialog);
          // The flow ends by itself; only a failed one is closed here.
          const DWORD start = GetTickCount();
          while (!done && GetTickCount() - start < 20000) Sleep(20);
          CloseIfOpen(caption.c_str());
          CloseIfOpen(LoadResString(IDS_WAIT_TITLE));
        });
  }
  static void Choose(HWND dialog, int colourIndex, int capacityId) {
    SendDlgItemMessageA(dialog, IDC_COLOUR_LIST, CB_SETCURSEL, colourIndex, 0);
    ClickCheck(dialog, IDC_CAPACITY_1500, capacityId == IDC_CAPACITY_1500);
    ClickCheck(dialog, IDC_CAPACITY_4500, capacityId == IDC_CAPACITY_4500);
  }
};

// The cartridge the simulated printer's carousel presents before `colour`.
int CartridgeBefore(int colour) { return colour == TONER_CYAN ? TONER_BLACK : colour - 1; }

// What the wait box asks while it follows the scripted replacement of the
// chosen cartridge: another cartridge presented, the chosen one presented,
// cover open, ready; then two more ticks to close.
std::string WaitBoxPolls(int colour) {
  const std::string c = std::to_string(colour);
  return "SDM_GETSTATUS -> 600500\nSDM_GETCURRENTTONER -> " + std::to_string(CartridgeBefore(colour)) +
         "\n"
         "SDM_GETSTATUS -> 600500\nSDM_GETCURRENTTONER -> " + c +
         "\n"
         "SDM_GETSTATUS -> 610300\nSDM_GETCURRENTTONER -> " + c +
         "\n"
         "SDM_GETSTATUS -> 600100\nSDM_GETCURRENTTONER -> " + c +
         "\n"
         "SDM_GETSTATUS -> 600100\n"
         "SDM_GETSTATUS -> 600100\n";
}

TEST_F(TonerReplaceTest, CapacityOnlyWithoutReplacementFlagReportsTheCapacityAtOnce) {
  printer.replaceFlag = 0;
  ReplaceDialogState start;
  bool radiosAfterTick = false;
  Run([&](HWND dialog) {
    start = ReadState(dialog);
    SaveScreenshot(dialog, "toner_replace");
    ClickCheck(dialog, IDC_CAPACITY_ONLY, true);
    radiosAfterTick = ItemEnabled(dialog, IDC_CAPACITY_1500);
    Choose(dialog, 2, IDC_CAPACITY_1500);
    PressButton(dialog, IDOK);
  });
  EXPECT_TRUE(start.capacityOnlyEnabled);
  EXPECT_FALSE(start.capacityOnlyChecked);
  EXPECT_FALSE(start.radiosEnabled);
  EXPECT_TRUE(start.checked4500);
  EXPECT_FALSE(start.checked1500);
  EXPECT_EQ(L"CIANO|MAGENTA|AMARELO|PRETO", start.colours);
  EXPECT_EQ(TONER_CYAN, start.selectedColour);
  EXPECT_EQ(L"&OK|&Cancelar|Cor|Capacidade|Somente alterar capacidade", start.buttons);
  EXPECT_TRUE(radiosAfterTick);
  EXPECT_EQ(
      "SDM_GETREPLACEFLAG -> 0\n"
      "SDM_GETREPLACEFLAG -> 0\n"
      "SDM_GETREPLACEFLAG -> 0\n"
      "SDM_SETTONERCAPACITY colour 3, capacity 1500\n",
      Log());
}

TEST_F(TonerReplaceTest, ReplacementWithoutFlagStartsWaitsAndReportsNoCapacity) {
  printer.replaceFlag = 0;
  Run([&](HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_COLOUR_LIST, CB_SETCURSEL, 1, 0);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(
      "SDM_GETREPLACEFLAG -> 0\n"
      "SDM_GETREPLACEFLAG -> 0\n"
      "SDM_STARTTONERREPLACE 2\n"
      "SDM_GETREPLACEFLAG -> 0\n" +
          WaitBoxPolls(TONER_MAGENTA),
      Log());
}

TEST_F(TonerReplaceTest, ReplacementFlagDisablesCapacityOnlyAndReportsCapacityAfterTheWait) {
  printer.replaceFlag = 1;
  ReplaceDialogState start;
  Run([&](HWND dialog) {
    start = ReadState(dialog);
    Choose(dialog, 3, IDC_CAPACITY_1500);
    PressButton(dialog, IDOK);
  });
  EXPECT_FALSE(start.capacityOnlyEnabled);
  EXPECT_TRUE(start.radiosEnabled);
  EXPECT_TRUE(start.checked4500);
  EXPECT_EQ(
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_STARTTONERREPLACE 4\n"
      "SDM_GETREPLACEFLAG -> 1\n" +
          WaitBoxPolls(TONER_BLACK) + "SDM_SETTONERCAPACITY colour 4, capacity 1500\n",
      Log());
}

TEST_F(TonerReplaceTest, WaitBoxGivesUpAfterSixCountedTicksAndTheCapacityStillFollows) {
  // Status 0 throughout; or the cartridge presented all along, but never the
  // chosen one: the door is not to be opened for it.
  struct Case {
    int32_t status;
    int otherCartridgePolls;
  } cases[] = {{0, 1}, {STATUS_CARTRIDGE_PRESENTED, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    printer.log.clear();
    printer.replaceFlag = 1;
    printer.replacementScript = {c.status};
    printer.otherCartridgePolls = c.otherCartridgePolls;
    Run([&](HWND dialog) { PressButton(dialog, IDOK); });
    std::string polls;
    for (int i = 0; i < 6; ++i)
      polls += "SDM_GETSTATUS -> " + std::to_string(c.status) + "\nSDM_GETCURRENTTONER -> " +
               (i < c.otherCartridgePolls ? "4" : "1") + "\n";
    EXPECT_EQ(
        "SDM_GETREPLACEFLAG -> 1\n"
        "SDM_GETREPLACEFLAG -> 1\n"
        "SDM_STARTTONERREPLACE 1\n"
        "SDM_GETREPLACEFLAG -> 1\n" +
            polls + "SDM_SETTONERCAPACITY colour 1, capacity 4500\n",
        Log());
  }
}

TEST_F(TonerReplaceTest, BusyTicksDoNotCountAndTheSixthCountedTickEndsEvenOnThePresentedCartridge) {
  printer.replaceFlag = 1;
  // Three busy ticks, four other ticks, then the cartridge: the sixth counted
  // tick is the one that sees 600500, and it still ends the box.
  printer.replacementScript = {200100, 600300, 610300, 1, 1, 1, 1, 1, 600500, 610300};
  Run([&](HWND dialog) { PressButton(dialog, IDOK); });
  int statusPolls = 0;
  for (const HostEvent& event : printer.log) statusPolls += event.message == SDM_GETSTATUS;
  EXPECT_EQ(9, statusPolls) << Log();
}

TEST_F(TonerReplaceTest, WaitBoxAsksForTheDoorWithTheColourAndEscapeGoesOn) {
  printer.replaceFlag = 1;
  printer.replacementScript = {600500, 600500, 610300};  // the cover stays open
  std::string caption;
  bool prompted = false;
  Run([&](HWND dialog) {
    SendDlgItemMessageA(dialog, IDC_COLOUR_LIST, CB_SETCURSEL, 2, 0);
    PressButton(dialog, IDOK);
    HWND wait = WaitForDialog(LoadResString(IDS_WAIT_TITLE));
    if (!wait) return;
    char text[128];
    GetWindowTextA(wait, text, sizeof text);
    caption = text;
    const std::string prompt = std::string("\n") + LoadResString(IDS_REPLACE_PROMPT) + "\nAMARELO\n";
    prompted = WaitForText(GetDlgItem(wait, IDC_WAIT_TEXT), prompt);
    SaveScreenshot(wait, "replace_wait");
    PostMessageA(wait, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(LoadResString(IDS_WAIT_TITLE), caption);
  EXPECT_TRUE(prompted);
  const std::string log = Log();
  const std::string last = "SDM_SETTONERCAPACITY colour 3, capacity 4500\n";
  ASSERT_GT(log.size(), last.size());
  EXPECT_EQ(last, log.substr(log.size() - last.size())) << log;
}

TEST_F(TonerReplaceTest, CancelSendsNothingAfterTheDialog) {
  printer.replaceFlag = 1;
  Run([&](HWND dialog) { PressButton(dialog, IDCANCEL); });
  EXPECT_EQ("SDM_GETREPLACEFLAG -> 1\n", Log());
}

TEST_F(TonerReplaceTest, ShippedLibraryPollsEveryThreeSeconds) {
  printer.replaceFlag = 1;
  auto replace = Beldra().Proc<TonerReplaceDialogDoModalFn>("TonerReplaceDialogDoModal");
  const std::string caption = Caption(IDS_REPLACE_TITLE);
  const DWORD start = GetTickCount();
  const int result = WithDriver([&] { return replace(host.Handle()); },
                                [&] {
                                  HWND dialog = WaitForDialog(caption.c_str());
                                  if (dialog) PressButton(dialog, IDOK);
                                  WaitUntilClosed(dialog);
                                  CloseIfOpen(caption.c_str());
                                });
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_EQ(1, result);
  EXPECT_EQ(
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_STARTTONERREPLACE 1\n"
      "SDM_GETREPLACEFLAG -> 1\n" +
          WaitBoxPolls(TONER_CYAN) + "SDM_SETTONERCAPACITY colour 1, capacity 4500\n",
      Log());
  // Six polls, the first one period after the box opened.
  EXPECT_GE(elapsed, 6 * 3000u - 300u);
  EXPECT_LT(elapsed, 6 * 3000u + 5000u);
}

}  // namespace
