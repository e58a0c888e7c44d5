// The single-instance rule of the entry points: a top-level window with the
// dialog's caption, of any class, makes the call return 0 without a dialog.
#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/DialogTest.h"

namespace {

// A plain top-level window of another class that only carries a title.
class CTitledWindow {
 public:
  explicit CTitledWindow(const std::string& title)
      : m_hWnd(CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 10, 10, 200,
                               80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {}
  ~CTitledWindow() { DestroyWindow(m_hWnd); }
  CTitledWindow(const CTitledWindow&) = delete;
  CTitledWindow& operator=(const CTitledWindow&) = delete;
  HWND Handle() const { return m_hWnd; }

 private:
  HWND m_hWnd;
};

using SingleInstanceTest = DialogTest;

// Calls an entry point on this thread; any dialog it shows is cancelled by a
// watchdog and counted.
template <typename Call>
int CallAndCountDialogs(const std::string& caption, Call call, int& dialogsShown) {
  dialogsShown = 0;
  return WithDriver(call, [&] {
    if (WaitForDialog(caption.c_str(), 1500)) {
      ++dialogsShown;
      CloseIfOpen(caption.c_str());
    }
  });
}

TEST_F(SingleInstanceTest, AnyWindowWithTheCaptionMakesEveryEntryPointReturnZero) {
  const HMODULE library = Beldra().Get();
  int shown = 0;
  {
    CTitledWindow other(Caption(IDS_REPLACE_TITLE));
    ASSERT_TRUE(other.Handle());
    host.Activate();
    auto replace = Beldra().Proc<TonerReplaceDialogDoModalFn>("TonerReplaceDialogDoModal");
    EXPECT_EQ(0, CallAndCountDialogs(Caption(IDS_REPLACE_TITLE), [&] { return replace(host.Handle()); }, shown));
    EXPECT_EQ(0, shown);
  }
  {
    CTitledWindow other(LibraryString(library, IDS_SUPPLIES_TITLE));
    host.Activate();
    auto level = Beldra().Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
    SuppliesStatusRecord record = SuppliesStatusRecord();
    record.notifyThreshold = 30;
    EXPECT_EQ(0, CallAndCountDialogs(Caption(IDS_SUPPLIES_TITLE), [&] { return level(&record, nullptr); }, shown));
    EXPECT_EQ(0, shown);
  }
  {
    CTitledWindow other(LibraryString(library, IDS_MODE_TITLE));
    host.Activate();
    auto mode = Beldra().Proc<ModeSettingDialogDoModalFn>("ModeSettingDialogDoModal");
    auto bias = Beldra().Proc<VoltageBiasDialogDoModalFn>("VoltageBiasDialogDoModal");
    EXPECT_EQ(0, CallAndCountDialogs(Caption(IDS_MODE_TITLE), [&] { return mode(0, nullptr); }, shown));
    EXPECT_EQ(0, shown);
    EXPECT_EQ(0, CallAndCountDialogs(Caption(IDS_MODE_TITLE), [&] { return bias(1); }, shown));
    EXPECT_EQ(0, shown);
  }
  EXPECT_EQ("", Log());
}

TEST_F(SingleInstanceTest, SecondSuppliesCallWhileOpenReturnsZeroAndLeavesTheDialogOpen) {
  auto level = Beldra().Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
  SuppliesStatusRecord record = SuppliesStatusRecord();
  record.notifyThreshold = 12;
  const std::string caption = Caption(IDS_SUPPLIES_TITLE);
  int second = -1;
  bool stillOpen = false;
  const int first = WithDriver([&] { return level(&record, nullptr); },
                               [&] {
                                 HWND dialog = WaitForDialog(caption.c_str());
                                 if (!dialog) return;
                                 SuppliesStatusRecord other = record;
                                 other.notifyThreshold = 40;
                                 second = level(&other, nullptr);
                                 stillOpen = IsWindowVisible(dialog) != FALSE;
                                 PressButton(dialog, IDOK);
                               });
  EXPECT_EQ(0, second);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(12, first);
}

}  // namespace
