// Every dialog gives back the GDI and USER objects it takes: shown and
// closed twenty times, none leaves the process holding more than before.
#include <string.h>

#include <functional>

#include "statusdlg/ResourceText.h"
#include "statusdlg/TonerReplaceDlg.h"
#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/DialogTest.h"
#include "tests/gui/statusdlg/GuiObjects.h"

namespace {

class GuiObjectLeakTest : public DialogTest {
 protected:
  GuiObjectLeakTest() {
    font.lfHeight = -11;  // a host's font block: every control gets a font of the dialog's own
    font.lfCharSet = DEFAULT_CHARSET;
    strcpy(font.lfFaceName, "Tahoma");
  }

  // Shows a dialog with `call` and closes it with `button` once it has painted.
  template <typename Call>
  void ShowAndClose(UINT captionId, int button, Call call) {
    const std::string caption = LoadResString(captionId);
    WithDriver(call, [&] {
      HWND dialog = WaitForDialog(caption.c_str());
      if (dialog) PressButton(dialog, button);
      if (!WaitUntilClosed(dialog)) CloseIfOpen(caption.c_str());
    });
  }

  // One round first (what stays loaded after it is not a leak), then twenty.
  void ExpectNoGrowth(const char* what, const std::function<void()>& round) {
    round();
    const GuiObjects before = CountGuiObjects();
    for (int i = 0; i < 20; ++i) round();
    const GuiObjects after = CountGuiObjects();
    EXPECT_LE(after.gdi, before.gdi) << what;
    EXPECT_LE(after.user, before.user) << what;
  }

  LOGFONTA font = {};
};

TEST_F(GuiObjectLeakTest, CounterSeesAFontAndAWindow) {
  const GuiObjects before = CountGuiObjects();
  HFONT created = CreateFontIndirectA(&font);
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  const GuiObjects during = CountGuiObjects();
  DestroyWindow(window);
  DeleteObject(created);
  EXPECT_GT(before.gdi, 0u);
  EXPECT_EQ(before.gdi + 1, during.gdi);
  EXPECT_GT(during.user, before.user);
}

TEST_F(GuiObjectLeakTest, NoDialogLeavesObjectsBehind) {
  SuppliesStatusRecord record = SuppliesStatusRecord();
  record.blackLevel = 64;
  record.cyanLevel = LEVEL_NOT_GENUINE;
  record.magentaLevel = 30;
  record.yellowLevel = 100;
  record.drumLevel = 37;
  auto supplies = Beldra().Proc<TonerLevelDialogDoModalFn>("TonerLevelDialogDoModal");
  ExpectNoGrowth("supplies status", [&] {
    ShowAndClose(IDS_SUPPLIES_TITLE, IDOK, [&] { return supplies(&record, &font); });
  });
  auto mode = Beldra().Proc<ModeSettingDialogDoModalFn>("ModeSettingDialogDoModal");
  ExpectNoGrowth("mode setting", [&] { ShowAndClose(IDS_MODE_TITLE, IDOK, [&] { return mode(0, &font); }); });
  auto bias = Beldra().Proc<VoltageBiasDialogDoModalFn>("VoltageBiasDialogDoModal");
  ExpectNoGrowth("voltage bias", [&] { ShowAndClose(IDS_MODE_TITLE, IDOK, [&] { return bias(1); }); });
  // The replacement with its wait box, polling every 50 ms.
  printer.replaceFlag = 1;
  ExpectNoGrowth("toner replacement", [&] {
    ShowAndClose(IDS_REPLACE_TITLE, IDOK, [&] {
      RunTonerReplacement(host.Handle(), 50);
      return 0;
    });
  });
}

}  // namespace
