// The built BELDRA02.dll as a host sees it: exports, strings, printer
// pictures and dialog templates.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string.h>

#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "statusdlg/resource.h"
#include "tests/gui/statusdlg/TestLibrary.h"
#include "tools/statushost/PictureNames.h"

namespace {

HMODULE Library() { return Beldra().Get(); }

TEST(BeldraLibraryTest, ExportsTheSevenEntryPointsByNameAndOrdinal) {
  ASSERT_TRUE(Library());
  const char* names[] = {"ModeSettingDialogDoModal", "TonerLevelDialogDoModal", "TonerReplaceDialogDoModal",
                         "VoltageBiasDialogDoModal", "DllCanUnloadNow",         "DllGetClassObject",
                         "DllRegisterServer"};
  for (int ordinal = 1; ordinal <= 7; ++ordinal) {
    FARPROC byName = GetProcAddress(Library(), names[ordinal - 1]);
    EXPECT_TRUE(byName) << names[ordinal - 1];
    EXPECT_EQ(byName, GetProcAddress(Library(), MAKEINTRESOURCEA(ordinal))) << names[ordinal - 1];
  }
}

TEST(BeldraLibraryTest, OffersNoComClasses) {
  typedef HRESULT(WINAPI * NoArguments)();
  typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
  auto canUnload = Beldra().Proc<NoArguments>("DllCanUnloadNow");
  auto registerServer = Beldra().Proc<NoArguments>("DllRegisterServer");
  auto getClassObject = Beldra().Proc<GetClassObject>("DllGetClassObject");
  EXPECT_EQ(S_OK, canUnload());
  EXPECT_EQ(S_OK, registerServer());
  void* object = &object;
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IUnknown, IID_IClassFactory, &object));
  EXPECT_EQ(nullptr, object);
}

TEST(BeldraLibraryTest, StringTableHoldsTheExactTexts) {
  const struct {
    UINT id;
    const wchar_t* text;
  } strings[] = {
      {1, L"&OK"},
      {2, L"&Cancelar"},
      {100, L"Falha na inicialização do Windows Sockets."},
      {200, L"Status dos suprimentos"},
      {300, L"Configuração de modo"},
      {301, L"Densidade Duplex"},
      {302, L"Continuação &automática"},
      {303, L"&Economia de energia"},
      {304, L"Desl."},
      {305, L"5 minutos"},
      {306, L"15 minutos"},
      {307, L"30 minutos"},
      {308, L"60 minutos"},
      {309, L"&Substituição automática de toner"},
      {400, L"Substituir toner"},
      {401, L"Cor"},
      {402, L"Capacidade"},
      {403, L"CIANO"},
      {404, L"MAGENTA"},
      {405, L"AMARELO"},
      {406, L"PRETO"},
      {408, L"Somente alterar capacidade"},
      {500, L"Substituindo toner"},
      {501, L"Por favor aguarde..."},
      {502, L"Favor abrir a porta e substituir cartucho de toner."},
      {503, L"Desconhecido"},
      {504, L"Padrão"},
      {505, L"Alto"},
      {506, L"Cartucho de toner não legítimo"},
  };
  for (const auto& entry : strings) {
    wchar_t text[512] = L"";
    LoadStringW(Library(), entry.id, text, 512);
    EXPECT_STREQ(entry.text, text) << entry.id;
  }
  wchar_t address[512] = L"";
  LoadStringW(Library(), IDS_ORDER_ADDRESS, address, 512);
  EXPECT_EQ(0, wcsncmp(address, L"http://", 7)) << address;
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::set<std::string>*>(names)->insert(name);
  return TRUE;
}

TEST(BeldraLibraryTest, CarriesTheFiftyFourPrinterPicturesByName) {
  std::set<std::string> names;
  EnumResourceNamesA(Library(), MAKEINTRESOURCEA(2) /* RT_BITMAP */, &CollectName, reinterpret_cast<LONG_PTR>(&names));
  EXPECT_EQ(std::set<std::string>(std::begin(kPictureNames), std::end(kPictureNames)), names);

  for (const char* name : kPictureNames) {
    HRSRC resource = FindResourceA(Library(), name, MAKEINTRESOURCEA(2));
    ASSERT_TRUE(resource) << name;
    EXPECT_EQ(41066u, SizeofResource(Library(), resource)) << name;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Library(), resource)));
    ASSERT_TRUE(header) << name;
    EXPECT_EQ(40u, header->biSize) << name;
    EXPECT_EQ(200, header->biWidth) << name;
    EXPECT_EQ(200, header->biHeight) << name;
    EXPECT_EQ(1, header->biPlanes) << name;
    EXPECT_EQ(8, header->biBitCount) << name;
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression) << name;
    EXPECT_TRUE(header->biClrUsed == 0 || header->biClrUsed == 256) << name;

    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(Library(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_TRUE(bitmap) << name;
    DIBSECTION section = {};
    GetObjectA(bitmap, sizeof section, &section);
    EXPECT_EQ(200, section.dsBm.bmWidth) << name;
    EXPECT_EQ(8, section.dsBm.bmBitsPixel) << name;
    DeleteObject(bitmap);
  }
}

// One control of a template: its id, class, style, and its rectangle in
// dialog units.
struct ControlLayout {
  int id;
  const char* windowClass;
  LONG style;
  int x, y, cx, cy;
};

// The part of a control's style that says what kind of control it is, by
// class: compared exactly, so that a group box does not pass for a check box
// and a left-aligned text that is expected (style 0) is checked too. Bits of
// the expected style outside it (WS_GROUP, ES_READONLY) must be set.
LONG KindMask(const char* windowClass) {
  const struct {
    const char* windowClass;
    LONG mask;
  } masks[] = {
      {"Button", BS_TYPEMASK},
      {"Static", SS_TYPEMASK},
      {"ComboBox", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE | CBS_SORT},
      {"Edit", ES_CENTER | ES_RIGHT | ES_MULTILINE | ES_PASSWORD | ES_READONLY | ES_NUMBER},
      {"msctls_progress32", PBS_SMOOTH | PBS_VERTICAL},
      {"msctls_updown32", 0xFF},  // UDS_WRAP .. UDS_NOTHOUSANDS: arrow keys, no buddy
      {"msctls_trackbar32", TBS_AUTOTICKS | TBS_VERT | TBS_TOP | TBS_BOTH | TBS_NOTICKS},
  };
  for (const auto& entry : masks)
    if (_stricmp(entry.windowClass, windowClass) == 0) return entry.mask;
  ADD_FAILURE() << "no kind mask for " << windowClass;
  return 0;
}

// What makes a window a dialog of one kind or another.
const LONG kDialogKind = WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                         WS_MAXIMIZEBOX | WS_VISIBLE | DS_MODALFRAME;

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void CheckTemplate(int templateId, LONG dialogStyle, int cx, int cy, std::initializer_list<ControlLayout> controls) {
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&classes);
  HWND dialog = CreateDialogParamA(Library(), MAKEINTRESOURCEA(templateId), nullptr, &NoHandling, 0);
  ASSERT_TRUE(dialog) << templateId;
  const LONG style = static_cast<LONG>(GetWindowLongPtrA(dialog, GWL_STYLE));
  EXPECT_EQ(dialogStyle, style & kDialogKind) << templateId;
  RECT size = {0, 0, cx, cy}, client;
  MapDialogRect(dialog, &size);
  GetClientRect(dialog, &client);
  EXPECT_EQ(size.right, client.right) << templateId;
  EXPECT_EQ(size.bottom, client.bottom) << templateId;
  for (const ControlLayout& layout : controls) {
    HWND control = GetDlgItem(dialog, layout.id);
    ASSERT_TRUE(control) << templateId << "/" << layout.id;
    char windowClass[64];
    GetClassNameA(control, windowClass, sizeof windowClass);
    EXPECT_STRCASEEQ(layout.windowClass, windowClass) << templateId << "/" << layout.id;
    const LONG kind = KindMask(layout.windowClass);
    const LONG actual = static_cast<LONG>(GetWindowLongPtrA(control, GWL_STYLE));
    EXPECT_EQ(layout.style & kind, actual & kind) << templateId << "/" << layout.id;
    EXPECT_EQ(layout.style & ~kind, actual & layout.style & ~kind) << templateId << "/" << layout.id;
    // Each of x, y, width and height is converted on its own, as the dialog
    // manager does.
    RECT expected = {layout.x, layout.y, layout.cx, layout.cy}, rect;
    MapDialogRect(dialog, &expected);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(expected.left, rect.left) << templateId << "/" << layout.id;
    EXPECT_EQ(expected.top, rect.top) << templateId << "/" << layout.id;
    // A closed drop-down list is shorter than its template, and Wine's
    // up-down control takes its own width; the rest keep their size.
    if (strcmp(layout.windowClass, "msctls_updown32") != 0) {
      EXPECT_EQ(expected.right, rect.right - rect.left) << templateId << "/" << layout.id;
    }
    if (strcmp(layout.windowClass, "ComboBox") != 0) {
      EXPECT_EQ(expected.bottom, rect.bottom - rect.top) << templateId << "/" << layout.id;
    }
  }
  DestroyWindow(dialog);
}

const LONG kModal = DS_MODALFRAME | WS_POPUP | WS_CAPTION;
// Progress bars and edits turn the template's WS_BORDER into an edge of
// their extended style, so only their own style bits are checked.
const LONG kBar = PBS_SMOOTH;

TEST(BeldraLibraryTest, SuppliesStatusTemplate) {
  CheckTemplate(IDD_SUPPLIES_STATUS, kModal | WS_SYSMENU | WS_MINIMIZEBOX, 260, 262,
                {{IDC_BLACK_CAPTION, "Static", 0, 7, 4, 120, 8},
                 {IDC_BLACK_BAR, "msctls_progress32", kBar, 65, 14, 125, 15},
                 {IDC_CYAN_BAR, "msctls_progress32", kBar, 65, 44, 125, 15},
                 {IDC_MAGENTA_BAR, "msctls_progress32", kBar, 65, 74, 125, 15},
                 {IDC_YELLOW_BAR, "msctls_progress32", kBar, 65, 104, 125, 15},
                 {IDC_DRUM_BAR, "msctls_progress32", kBar, 65, 134, 125, 15},
                 {IDC_BLACK_EMPTY, "Static", SS_RIGHT, 7, 17, 55, 8},
                 {IDC_DRUM_END, "Static", SS_RIGHT, 7, 137, 55, 8},
                 {IDC_BLACK_FULL, "Static", 0, 195, 17, 58, 8},
                 {IDC_DRUM_NEW, "Static", 0, 195, 137, 58, 8},
                 {IDC_BLACK_CAPACITY_LABEL, "Static", SS_RIGHT, 137, 4, 46, 8},
                 {IDC_DRUM_CAPACITY_LABEL, "Static", SS_RIGHT, 137, 124, 46, 8},
                 {IDC_BLACK_CAPACITY, "Static", 0, 185, 4, 68, 8},
                 {IDC_CYAN_CAPACITY, "Static", 0, 185, 34, 68, 8},
                 {IDC_MAGENTA_CAPACITY, "Static", 0, 185, 64, 68, 8},
                 {IDC_YELLOW_CAPACITY, "Static", 0, 185, 94, 68, 8},
                 {IDC_LIFE_NOTE, "Static", 0, 43, 155, 210, 18},
                 {IDC_NOTIFY_LABEL, "Static", 0, 43, 178, 128, 8},
                 {IDC_THRESHOLD, "Edit", ES_READONLY | ES_RIGHT, 173, 176, 30, 14},
                 {IDC_THRESHOLD_SPIN, "msctls_updown32", UDS_ARROWKEYS, 203, 176, 9, 14},
                 {IDC_PERCENT, "Static", 0, 215, 179, 10, 8},
                 {IDC_ORDER, "Button", 0, 41, 203, 175, 20},
                 {IDOK, "Button", BS_DEFPUSHBUTTON, 41, 233, 175, 20}});
}

TEST(BeldraLibraryTest, TonerReplaceAndWaitTemplates) {
  CheckTemplate(IDD_TONER_REPLACE, kModal | WS_SYSMENU, 180, 180,
                {{IDC_CAPACITY_ONLY, "Button", BS_AUTOCHECKBOX, 25, 17, 124, 11},
                 {IDC_COLOUR_GROUP, "Button", BS_GROUPBOX, 24, 33, 132, 41},
                 {IDC_COLOUR_LIST, "ComboBox", CBS_DROPDOWNLIST, 51, 48, 76, 101},
                 {IDC_CAPACITY_GROUP, "Button", BS_GROUPBOX, 27, 79, 126, 50},
                 {IDC_CAPACITY_1500, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 41, 93, 107, 10},
                 {IDC_CAPACITY_4500, "Button", BS_AUTORADIOBUTTON, 41, 109, 107, 10},
                 {IDOK, "Button", BS_DEFPUSHBUTTON, 30, 140, 50, 14},
                 {IDCANCEL, "Button", 0, 101, 140, 50, 14}});
  CheckTemplate(IDD_REPLACE_WAIT, kModal | WS_VISIBLE, 186, 90,
                {{IDC_WAIT_TEXT, "Static", SS_CENTER, 7, 30, 170, 30}});
}

TEST(BeldraLibraryTest, ModeSettingAndVoltageBiasTemplates) {
  CheckTemplate(IDD_MODE_SETTING, kModal | WS_SYSMENU, 249, 183,
                {{IDC_JOB_GROUP, "Button", BS_GROUPBOX, 8, 8, 233, 32},
                 {IDC_AUTO_CONTINUE, "Button", BS_AUTOCHECKBOX, 47, 18, 183, 21},
                 {IDC_TONER_GROUP, "Button", BS_GROUPBOX, 8, 44, 233, 66},
                 {IDC_AUTO_REPLACE, "Button", BS_AUTOCHECKBOX, 47, 54, 183, 21},
                 {IDC_RESTART_NOTE, "Static", 0, 57, 78, 173, 22},
                 {IDC_SAVER_GROUP, "Button", BS_GROUPBOX, 8, 114, 233, 40},
                 {IDC_SAVER_LIST, "ComboBox", CBS_DROPDOWNLIST, 45, 131, 84, 82},
                 {IDOK, "Button", BS_DEFPUSHBUTTON, 131, 161, 50, 14},
                 {IDCANCEL, "Button", 0, 191, 161, 50, 14}});
  CheckTemplate(IDD_VOLTAGE_BIAS, kModal | WS_SYSMENU, 325, 182,
                {{IDC_DUPLEX_GROUP, "Button", BS_GROUPBOX, 7, 18, 179, 58},
                 {IDC_DUPLEX_MIN, "Static", 0, 23, 35, 10, 17},
                 {IDC_DUPLEX_MAX, "Static", 0, 157, 33, 10, 14},
                 {IDC_DUPLEX_SLIDER, "msctls_trackbar32", TBS_AUTOTICKS | TBS_TOP, 17, 43, 152, 17},
                 {IDC_AUTO_CONTINUE, "Button", BS_AUTOCHECKBOX, 14, 93, 149, 21},
                 {IDC_AUTO_REPLACE, "Button", BS_AUTOCHECKBOX, 14, 127, 172, 21},
                 {IDC_SAVER_GROUP, "Button", BS_GROUPBOX, 200, 18, 104, 118},
                 {IDC_SAVER_LIST, "ComboBox", CBS_DROPDOWNLIST, 209, 44, 84, 82},
                 {IDOK, "Button", BS_DEFPUSHBUTTON, 195, 160, 50, 14},
                 {IDCANCEL, "Button", 0, 266, 160, 50, 14}});
}

}  // namespace
