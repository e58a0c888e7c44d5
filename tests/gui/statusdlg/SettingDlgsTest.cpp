// The mode setting and voltage bias dialogs: values read at start, every value
// sent at OK, the energy-saver list and the administrator rule.
#include <windows.h>
#include <commctrl.h>

#include <atomic>

#include "statusdlg/ResourceText.h"
#include "statusdlg/SettingDlgs.h"
#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/DialogTest.h"

namespace {

// Sets the "Intl" profile values for one test and restores them after it.
class CIntlSettings {
 public:
  CIntlSettings(const char* country, const char* measure) {
    Save("iCountry", m_country);
    Save("iMeasure", m_measure);
    WriteProfileStringA("Intl", "iCountry", country);
    WriteProfileStringA("Intl", "iMeasure", measure);
  }
  ~CIntlSettings() {
    WriteProfileStringA("Intl", "iCountry", m_country.empty() ? nullptr : m_country.c_str());
    WriteProfileStringA("Intl", "iMeasure", m_measure.empty() ? nullptr : m_measure.c_str());
  }

 private:
  static void Save(const char* key, std::string& value) {
    char buffer[32] = "";
    GetProfileStringA("Intl", key, "", buffer, sizeof buffer);
    value = buffer;
  }
  std::string m_country, m_measure;
};

struct SettingsState {
  bool autoContinueChecked = false, autoContinueEnabled = false;
  bool autoReplaceChecked = false, autoReplaceEnabled = false;
  std::wstring entries;
  LPARAM selected = 0;
  std::wstring texts;
  int density = 99, densityMin = 99, densityMax = 99;
};

SettingsState ReadState(HWND dialog) {
  SettingsState state;
  state.autoContinueChecked = ItemChecked(dialog, IDC_AUTO_CONTINUE);
  state.autoContinueEnabled = ItemEnabled(dialog, IDC_AUTO_CONTINUE);
  state.autoReplaceChecked = ItemChecked(dialog, IDC_AUTO_REPLACE);
  state.autoReplaceEnabled = ItemEnabled(dialog, IDC_AUTO_REPLACE);
  state.entries = ComboEntries(dialog, IDC_SAVER_LIST);
  state.selected = ComboSelectionData(dialog, IDC_SAVER_LIST);
  state.texts = ItemTextW(dialog, IDC_AUTO_CONTINUE) + L"|" + ItemTextW(dialog, IDC_AUTO_REPLACE) + L"|" +
                ItemTextW(dialog, IDC_SAVER_GROUP) + L"|" + ItemTextW(dialog, IDOK) + L"|" +
                ItemTextW(dialog, IDCANCEL);
  HWND slider = GetDlgItem(dialog, IDC_DUPLEX_SLIDER);
  if (slider) {
    state.density = static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0));
    state.densityMin = static_cast<int>(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
    state.densityMax = static_cast<int>(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
  }
  return state;
}

const wchar_t kFiveEntries[] = L"Desl.|5 minutos|15 minutos|30 minutos|60 minutos";
const wchar_t kFourEntries[] = L"5 minutos|15 minutos|30 minutos|60 minutos";

class SettingDlgsTest : public DialogTest {
 protected:
  template <typename Call>
  int Show(Call call, const std::function<void(HWND)>& drive) {
    const std::string caption = Caption(IDS_MODE_TITLE);
    return WithDriver(call, [&] {
      HWND dialog = WaitForDialog(caption.c_str());
      if (dialog) drive(dialog);
      CloseIfOpen(caption.c_str());
    });
  }
  int ShowModeSetting(const std::function<void(HWND)>& drive) {
    static const LOGFONTA kTemplateFont = {};
    auto show = Beldra().Proc<ModeSettingDialogDoModalFn>("ModeSettingDialogDoModal");
    return Show([&] { return show(0, &kTemplateFont); }, drive);
  }
  int ShowVoltageBias(int density, const std::function<void(HWND)>& drive) {
    auto show = Beldra().Proc<VoltageBiasDialogDoModalFn>("VoltageBiasDialogDoModal");
    return Show([&] { return show(density); }, drive);
  }
};

TEST_F(SettingDlgsTest, ModeSettingShowsTheHostValuesAndSendsEveryValueAtOk) {
  printer.autoContinue = 1;
  printer.autoReplace = 0;
  printer.energySaver = 15;
  SettingsState state;
  const int result = ShowModeSetting([&](HWND dialog) {
    state = ReadState(dialog);
    SaveScreenshot(dialog, "mode_setting");
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(state.autoContinueChecked);
  EXPECT_FALSE(state.autoReplaceChecked);
  EXPECT_TRUE(state.autoContinueEnabled);  // Wine's token holds the Administrators group
  EXPECT_TRUE(state.autoReplaceEnabled);
  EXPECT_EQ(15, state.selected);
  EXPECT_EQ(L"Continuação &automática|&Substituição automática de toner|&Economia de energia|&OK|&Cancelar",
            state.texts);
  EXPECT_EQ(
      "SDM_GETAUTOREPLACE -> 0\n"
      "SDM_GETAUTOCONTINUE -> 1\n"
      "SDM_GETENERGYSAVER -> 15\n"
      "SDM_SETAUTOCONTINUE 1\n"
      "SDM_SETAUTOREPLACE 0\n"
      "SDM_SETENERGYSAVER 15\n",
      Log());
}

TEST_F(SettingDlgsTest, ModeSettingSendsTheUsersChoices) {
  printer.autoContinue = 0;
  printer.autoReplace = 1;
  printer.energySaver = 60;
  LPARAM chosen = 0;
  ShowModeSetting([&](HWND dialog) {
    ClickCheck(dialog, IDC_AUTO_CONTINUE, true);
    ClickCheck(dialog, IDC_AUTO_REPLACE, false);
    SendDlgItemMessageA(dialog, IDC_SAVER_LIST, CB_SETCURSEL, 1, 0);
    chosen = SendDlgItemMessageA(dialog, IDC_SAVER_LIST, CB_GETITEMDATA, 1, 0);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(1, printer.autoContinue);
  EXPECT_EQ(0, printer.autoReplace);
  EXPECT_NE(60, chosen);
  EXPECT_EQ(chosen, printer.energySaver);
}

TEST_F(SettingDlgsTest, CancelSendsNothing) {
  const int result = ShowModeSetting([&](HWND dialog) { PressButton(dialog, IDCANCEL); });
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(std::string::npos, Log().find("SDM_SET")) << Log();
}

TEST_F(SettingDlgsTest, MetricSystemOutsideCountryTwoHasNoOffEntryAndOkSendsMinusOne) {
  CIntlSettings intl("55", "0");
  printer.energySaver = 0;  // matches no entry
  SettingsState state;
  ShowModeSetting([&](HWND dialog) {
    state = ReadState(dialog);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(kFourEntries, state.entries);
  EXPECT_EQ(-1, state.selected);
  EXPECT_EQ("SDM_SETENERGYSAVER -1\n", Log().substr(Log().rfind("SDM_SETENERGYSAVER")));
}

TEST_F(SettingDlgsTest, ImperialSystemOffersOff) {
  CIntlSettings intl("55", "1");
  printer.energySaver = 0;
  SettingsState state;
  ShowModeSetting([&](HWND dialog) {
    state = ReadState(dialog);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(kFiveEntries, state.entries);
  EXPECT_EQ(0, state.selected);
  EXPECT_EQ("SDM_SETENERGYSAVER 0\n", Log().substr(Log().rfind("SDM_SETENERGYSAVER")));
}

TEST_F(SettingDlgsTest, CountryTwoOffersOffEvenWhenMetric) {
  CIntlSettings intl("2", "0");
  SettingsState state;
  ShowModeSetting([&](HWND dialog) {
    state = ReadState(dialog);
    PressButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(kFiveEntries, state.entries);
}

TEST_F(SettingDlgsTest, VoltageBiasTakesTheHostsDensityAndTheReplacementFlagDisablesAutoReplace) {
  printer.duplexDensity = -2;
  printer.replaceFlag = 1;
  printer.autoReplace = 1;
  printer.autoContinue = 0;
  printer.energySaver = 5;
  SettingsState state;
  const int result = ShowVoltageBias(3, [&](HWND dialog) {
    state = ReadState(dialog);
    SaveScreenshot(dialog, "voltage_bias");
    SendDlgItemMessageA(dialog, IDC_DUPLEX_SLIDER, TBM_SETPOS, TRUE, 4);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(-2, state.density);
  EXPECT_EQ(-5, state.densityMin);
  EXPECT_EQ(5, state.densityMax);
  EXPECT_FALSE(state.autoReplaceEnabled);
  EXPECT_TRUE(state.autoReplaceChecked);
  EXPECT_TRUE(state.autoContinueEnabled);
  EXPECT_EQ(
      "SDM_GETDUPLEXDENSITY -> -2\n"
      "SDM_GETAUTOREPLACE -> 1\n"
      "SDM_GETREPLACEFLAG -> 1\n"
      "SDM_GETAUTOCONTINUE -> 0\n"
      "SDM_GETENERGYSAVER -> 5\n"
      "SDM_SETDUPLEXDENSITY 4\n"
      "SDM_SETAUTOCONTINUE 0\n"
      "SDM_SETAUTOREPLACE 1\n"
      "SDM_SETENERGYSAVER 5\n",
      Log());
}

// A host that returns from the questions without writing an answer: the
// density shown is the caller's, and OK sends back only that and what the
// user set, so the printer keeps every setting nobody gave.
TEST_F(SettingDlgsTest, HostThatNeverAnswersChangesOnlyWhatTheUserSets) {
  CIntlSettings intl("55", "1");  // five energy-saver entries, "Desl." first
  printer.answers = false;
  SettingsState bias;
  ShowVoltageBias(3, [&](HWND dialog) {
    bias = ReadState(dialog);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(3, bias.density);
  EXPECT_FALSE(bias.autoContinueChecked);
  EXPECT_FALSE(bias.autoReplaceChecked);
  EXPECT_EQ(-1, bias.selected);
  EXPECT_EQ(
      "SDM_GETDUPLEXDENSITY (no answer)\n"
      "SDM_GETAUTOREPLACE (no answer)\n"
      "SDM_GETREPLACEFLAG (no answer)\n"
      "SDM_GETAUTOCONTINUE (no answer)\n"
      "SDM_GETENERGYSAVER (no answer)\n"
      "SDM_SETDUPLEXDENSITY 3\n",
      Log());

  printer.log.clear();
  ShowModeSetting([&](HWND dialog) {
    ClickCheck(dialog, IDC_AUTO_CONTINUE, true);
    SendDlgItemMessageA(dialog, IDC_SAVER_LIST, CB_SETCURSEL, 1, 0);
    PressButton(dialog, IDOK);
  });
  EXPECT_EQ(
      "SDM_GETAUTOREPLACE (no answer)\n"
      "SDM_GETAUTOCONTINUE (no answer)\n"
      "SDM_GETENERGYSAVER (no answer)\n"
      "SDM_SETAUTOCONTINUE 1\n"
      "SDM_SETENERGYSAVER 5\n",
      Log());
}

TEST_F(SettingDlgsTest, OpenSettingDialogIsBroughtForwardByTheOtherEntryPoint) {
  auto bias = Beldra().Proc<VoltageBiasDialogDoModalFn>("VoltageBiasDialogDoModal");
  int second = -7;
  bool stillOpen = false;
  ShowModeSetting([&](HWND dialog) {
    second = bias(0);
    stillOpen = IsWindowVisible(dialog) != FALSE;
    PressButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(0, second);
  EXPECT_TRUE(stillOpen);
}

bool NotAdministrator() { return false; }

TEST_F(SettingDlgsTest, WithoutAdministratorRightsBothCheckBoxesAreDisabledAndReportedUnchanged) {
  printer.autoContinue = 1;
  printer.autoReplace = 1;
  printer.replaceFlag = 0;
  SettingsState mode, bias;
  Show([&] { return CModeSettingDlg(&NotAdministrator).DoModal(); },
       [&](HWND dialog) {
         mode = ReadState(dialog);
         PressButton(dialog, IDOK);
       });
  Show([&] { return CVoltageBiasDlg(&NotAdministrator).DoModal(); },
       [&](HWND dialog) {
         bias = ReadState(dialog);
         PressButton(dialog, IDOK);
       });
  EXPECT_FALSE(mode.autoContinueEnabled);
  EXPECT_FALSE(mode.autoReplaceEnabled);
  EXPECT_FALSE(bias.autoContinueEnabled);
  EXPECT_FALSE(bias.autoReplaceEnabled);
  EXPECT_NE(std::string::npos, Log().find("SDM_SETAUTOCONTINUE 1\nSDM_SETAUTOREPLACE 1\n")) << Log();
}

}  // namespace

namespace {

TEST_F(SettingDlgsTest, WithoutAnOwnerNothingIsSentAndTheGivenDensityIsShown) {
  // A thread without windows has no active window: the dialog has no owner.
  int density = 99;
  bool autoContinue = true;
  INT_PTR result = 0;
  std::atomic<bool> done(false);
  vq::test::CTestThread lonely([&] {
    CVoltageBiasDlg dialog;
    dialog.m_duplexDensity = 3;
    result = WithDriver([&] { return dialog.DoModal(); },
                        [&] {
                          // A modal dialog is shown once its message queue is
                          // idle; under Wine polling it by title from here
                          // keeps that queue of a second GUI thread busy.
                          Sleep(1500);
                          HWND shown = WaitForDialog(LoadResString(IDS_MODE_TITLE));
                          if (!shown) {
                            CloseIfOpen(LoadResString(IDS_MODE_TITLE));
                            return;
                          }
                          density = static_cast<int>(SendDlgItemMessageA(shown, IDC_DUPLEX_SLIDER, TBM_GETPOS, 0, 0));
                          autoContinue = ItemChecked(shown, IDC_AUTO_CONTINUE);
                          PressButton(shown, IDOK);
                        });
    done = true;
  });
  // The new dialog takes the activation from the host, whose thread must
  // answer the messages that come with that.
  while (!done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  lonely.Wait();
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(3, density);
  EXPECT_FALSE(autoContinue);
  EXPECT_EQ("", Log());
}

}  // namespace
