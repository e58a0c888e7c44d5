// The supplies status dialog of the built library, driven through messages.
#include <windows.h>
#include <commctrl.h>

#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/DialogTest.h"

namespace {

const COLORREF kSilver = RGB(0xC0, 0xC0, 0xC0);
const COLORREF kTextColour = RGB(0, 130, 80);

class SuppliesStatusTest : public DialogTest {
 protected:
  SuppliesStatusTest() {
    record = SuppliesStatusRecord();
    record.blackLevel = 64;
    record.cyanLevel = 100;
    record.magentaLevel = LEVEL_NOT_GENUINE | 30;
    record.yellowLevel = 110;  // bit 7 clear, above the range
    record.drumLevel = 37;
    record.notifyThreshold = 20;
    record.blackCapacity = CAPACITY_HIGH;
    record.cyanCapacity = CAPACITY_STANDARD;
    record.magentaCapacity = 7;
    record.yellowCapacity = CAPACITY_STANDARD;
  }

  int Show(const std::function<void(HWND)>& drive, const LOGFONTA* font = nullptr) {
    static const LOGFONTA kTemplateFont = {};
    auto show = Beldra().Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
    const std::string caption = Caption(IDS_SUPPLIES_TITLE);
    return WithDriver([&] { return show(&record, font ? font : &kTemplateFont); },
                      [&] {
                        HWND dialog = WaitForDialog(caption.c_str());
                        if (dialog) drive(dialog);
                        CloseIfOpen(caption.c_str());
                      });
  }

  SuppliesStatusRecord record;
};

struct BarSample {
  int width = 0;
  int filled = 0;     // fill-colour pixels in a row above the text
  int empty = 0;      // empty-colour pixels in that row
  int textPixels = 0;
  bool allButtonFace = false;
};

BarSample SampleBar(HWND dialog, int id, COLORREF fill) {
  HWND bar = GetDlgItem(dialog, id);
  RECT client;
  GetClientRect(bar, &client);
  BarSample sample;
  sample.width = client.right;
  sample.filled = CountInRow(bar, 1, fill);
  sample.empty = CountInRow(bar, 1, kSilver);
  sample.textPixels = CountInClient(bar, kTextColour);
  sample.allButtonFace = CountInClient(bar, GetSysColor(COLOR_BTNFACE)) == client.right * client.bottom;
  return sample;
}

TEST_F(SuppliesStatusTest, BarsShowLevelsCapacitiesAndTheNonGenuineText) {
  BarSample black, cyan, magenta, yellow, drum;
  std::wstring capacities, threshold;
  const int result = Show([&](HWND dialog) {
    black = SampleBar(dialog, IDC_BLACK_BAR, RGB(0, 0, 0));
    cyan = SampleBar(dialog, IDC_CYAN_BAR, RGB(0, 0xFF, 0xFF));
    magenta = SampleBar(dialog, IDC_MAGENTA_BAR, RGB(0xFF, 0, 0xFF));
    yellow = SampleBar(dialog, IDC_YELLOW_BAR, RGB(0xFF, 0xFF, 0));
    drum = SampleBar(dialog, IDC_DRUM_BAR, RGB(0, 0xFF, 0));
    capacities = ItemTextW(dialog, IDC_BLACK_CAPACITY) + L"|" + ItemTextW(dialog, IDC_CYAN_CAPACITY) + L"|" +
                 ItemTextW(dialog, IDC_MAGENTA_CAPACITY) + L"|" + ItemTextW(dialog, IDC_YELLOW_CAPACITY);
    threshold = ItemTextW(dialog, IDC_THRESHOLD);
    SaveScreenshot(dialog, "supplies_status");
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(20, result);
  EXPECT_EQ(L"Alto|Padrão|Desconhecido|Padrão", capacities);
  EXPECT_EQ(L"20", threshold);

  // Black at 64%: the fill ends at the first strip edge past the level.
  ASSERT_GT(black.width, 100);
  EXPECT_NEAR(black.width * 64 / 100, black.filled, 2);
  EXPECT_EQ(black.width, black.filled + black.empty);
  EXPECT_GT(black.textPixels, 0);
  // Cyan at 100%: the whole width.
  EXPECT_EQ(cyan.width, cyan.filled);
  // Drum at 37%.
  EXPECT_NEAR(drum.width * 37 / 100, drum.filled, 2);
  EXPECT_EQ(drum.width, drum.filled + drum.empty);
  // Magenta is not genuine: no fill, no empty part, only the text.
  EXPECT_EQ(0, magenta.filled);
  EXPECT_EQ(0, magenta.empty);
  EXPECT_GT(magenta.textPixels, 0);
  // Yellow 110 is outside 0..100: button face, no text.
  EXPECT_TRUE(yellow.allButtonFace);
  EXPECT_EQ(0, yellow.textPixels);
}

TEST_F(SuppliesStatusTest, NonGenuineTextIsWiderThanAPercentage) {
  // The non-genuine bar carries string 506, far longer than "64%".
  BarSample black, magenta;
  Show([&](HWND dialog) {
    black = SampleBar(dialog, IDC_BLACK_BAR, RGB(0, 0, 0));
    magenta = SampleBar(dialog, IDC_MAGENTA_BAR, RGB(0xFF, 0, 0xFF));
    PressButton(dialog, IDOK);
  });
  EXPECT_GT(magenta.textPixels, 3 * black.textPixels);
}

TEST_F(SuppliesStatusTest, ArrowsClampTheThresholdAndTheCloseBoxReturnsIt) {
  record.notifyThreshold = 48;
  std::string afterUp;
  bool readOnly = false;
  const int result = Show([&](HWND dialog) {
    HWND spin = GetDlgItem(dialog, IDC_THRESHOLD_SPIN);
    for (int i = 0; i < 4; ++i) ClickArrow(spin, +1);
    afterUp = ItemText(dialog, IDC_THRESHOLD);
    readOnly = (GetWindowLongPtrA(GetDlgItem(dialog, IDC_THRESHOLD), GWL_STYLE) & ES_READONLY) != 0;
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_EQ("50", afterUp);
  EXPECT_TRUE(readOnly);
  EXPECT_EQ(50, result);
}

TEST_F(SuppliesStatusTest, DownArrowStopsAtZeroAndEscapeReturnsTheThreshold) {
  record.notifyThreshold = 1;
  std::string afterDown;
  const int result = Show([&](HWND dialog) {
    HWND spin = GetDlgItem(dialog, IDC_THRESHOLD_SPIN);
    for (int i = 0; i < 3; ++i) ClickArrow(spin, -1);
    afterDown = ItemText(dialog, IDC_THRESHOLD);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ("0", afterDown);
  EXPECT_EQ(0, result);
}

TEST_F(SuppliesStatusTest, ThresholdFromTheHostOutsideTheRangeIsShownThenClampedByTheFirstArrow) {
  record.notifyThreshold = 77;
  std::string shown, afterUp;
  Show([&](HWND dialog) {
    shown = ItemText(dialog, IDC_THRESHOLD);
    ClickArrow(GetDlgItem(dialog, IDC_THRESHOLD_SPIN), +1);
    afterUp = ItemText(dialog, IDC_THRESHOLD);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ("77", shown);
  EXPECT_EQ("50", afterUp);
}

// Moves the focus into the threshold edit and out again; returns the text of
// every warning box that appeared, closing each.
std::string LeaveThresholdEdit(HWND dialog) {
  PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_THRESHOLD)), TRUE);
  PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_ORDER)), TRUE);
  std::string texts;
  for (HWND box; (box = WaitForDialog("Supplies Status", texts.empty() ? 1500 : 500)) != nullptr;) {
    if (texts.empty()) SaveScreenshot(box, "threshold_warning");
    texts += ItemText(box, 0xFFFF) + ";";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntilClosed(box);
  }
  return texts;
}

TEST_F(SuppliesStatusTest, LeavingTheEditWarnsAboutAThresholdOutsideTheRangeAndKeepsIt) {
  record.notifyThreshold = 77;
  std::string warnings;
  const int result = Show([&](HWND dialog) {
    warnings = LeaveThresholdEdit(dialog);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(0u, warnings.find("Please enter the integer between 0 and 50;")) << warnings;
  EXPECT_EQ(77, result);
}

TEST_F(SuppliesStatusTest, LeavingTheEditWithAThresholdInRangeShowsNoWarning) {
  std::string warnings = "not run";
  Show([&](HWND dialog) {
    warnings = LeaveThresholdEdit(dialog);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ("", warnings);
}

LONG ControlFontHeight(HWND dialog, int id) {
  HFONT font = reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0));
  LOGFONTA description = {};
  GetObjectA(font, sizeof description, &description);
  return description.lfHeight;
}

TEST_F(SuppliesStatusTest, FontBlockIsSetOnEveryControlAndZerosKeepTheTemplateFont) {
  LOGFONTA font = {};
  font.lfHeight = -12;
  font.lfCharSet = DEFAULT_CHARSET;
  strcpy(font.lfFaceName, "Tahoma");
  LONG note = 0, button = 0, caption = 0;
  Show([&](HWND dialog) {
    note = ControlFontHeight(dialog, IDC_LIFE_NOTE);
    button = ControlFontHeight(dialog, IDOK);
    caption = ControlFontHeight(dialog, IDC_DRUM_CAPTION);
    SaveScreenshot(dialog, "supplies_status_host_font");
    PressButton(dialog, IDOK);
  }, &font);
  EXPECT_EQ(-12, note);
  EXPECT_EQ(-12, button);
  EXPECT_EQ(-12, caption);

  LONG templateNote = 0;
  Show([&](HWND dialog) {
    templateNote = ControlFontHeight(dialog, IDC_LIFE_NOTE);
    PressButton(dialog, IDOK);
  });
  EXPECT_NE(-12, templateNote);
  EXPECT_NE(0, templateNote);
}

}  // namespace
