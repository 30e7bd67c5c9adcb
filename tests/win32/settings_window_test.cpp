// The Settings window in-process with the real main window: its controls and
// their filling, the option buttons, the keys, dropped files, and OK in its
// order with every message and early stop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/platform.h"
#include "settings/program_rules_panel_win32.h"
#include "settings/settings_window.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

const wchar_t* Wide(const Text& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }

Event Click(int id) { return MakeEvent(EventKind::Control, id, ControlClick, SettingsWindow); }
Event Command(int id) { return MakeEvent(EventKind::Command, id, 0, SettingsWindow); }

HWND Window() { return EntryWindowHandle(SettingsWindow); }
HWND Control(int id) { return EntryControl(SettingsWindow, id); }

int Selected(int id) { return static_cast<int>(SendMessageW(Control(id), CB_GETCURSEL, 0, 0)); }
void Select(int id, int index) {
  SendMessageW(Control(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
// The hotkey field: n for the function key Fn alone, 0 for none, -1 for
// anything else; and Fn (0: none) put into it.
int FieldKey() {
  const LRESULT value = SendMessageW(Control(kSetHotkey), HKM_GETHOTKEY, 0, 0);
  if (value == 0) return 0;
  const int key = LOBYTE(LOWORD(value));
  return HIBYTE(LOWORD(value)) == 0 && key >= VK_F1 && key <= VK_F24 ? key - VK_F1 + 1 : -1;
}
void SetFieldKey(int n) {
  SendMessageW(Control(kSetHotkey), HKM_SETHOTKEY, n == 0 ? 0 : MAKEWORD(VK_F1 + n - 1, 0), 0);
}
bool IsChecked(int id) { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Type(int id, const Text& text) { SetWindowTextW(Control(id), Wide(text)); }
Text Read(int id) { return WindowTextOf(Control(id)); }
bool Focused(int id) {
  HWND focus = GetFocus();
  return focus && (focus == Control(id) || IsChild(Control(id), focus));
}

// True when the key Fn is free for a new global hotkey.
bool FunctionKeyFree(int n) {
  if (!RegisterHotKey(nullptr, 0x5EED, 0, static_cast<UINT>(VK_F1 + n - 1))) return false;
  UnregisterHotKey(nullptr, 0x5EED);
  return true;
}

Text LanguageItemText(int index, int* image = nullptr) {
  wchar_t buffer[64] = {};
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | CBEIF_IMAGE;
  item.iItem = index;
  item.pszText = buffer;
  item.cchTextMax = 64;
  SendMessageW(Control(kSetLanguage), CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  if (image) *image = item.iImage;
  return reinterpret_cast<const char16_t*>(buffer);
}

Text MenuText(HMENU menu, UINT command) {
  wchar_t buffer[128] = {};
  GetMenuStringW(menu, command, buffer, 128, MF_BYCOMMAND);
  return reinterpret_cast<const char16_t*>(buffer);
}

Text ColumnText(int column) {
  wchar_t buffer[128] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = buffer;
  col.cchTextMax = 128;
  ListView_GetColumn(App().list, column, &col);
  return reinterpret_cast<const char16_t*>(buffer);
}

RECT RectIn(HWND parent, HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A DROPFILES block with the given paths, as Explorer hands it over.
HGLOBAL MakeDropFiles(const std::vector<Text>& paths) {
  size_t units = 1;
  for (const Text& p : paths) units += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(header + 1);
  for (const Text& p : paths) {
    memcpy(out, p.c_str(), p.size() * sizeof(wchar_t));
    out += p.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// What Explorer's data object offers for the drop: CF_HDROP, or only text.
class FakeDataObject final : public IDataObject {
 public:
  FakeDataObject(std::vector<Text> paths, bool files) : paths_(std::move(paths)), files_(files) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *object = static_cast<IDataObject*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = MakeDropFiles(paths_);
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    return files_ && format && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL)
               ? S_OK
               : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  std::vector<Text> paths_;
  bool files_;
};

constexpr char kGerman[] =
    "\xEF\xBB\xBF[Version check]\r\nProgram version = 1.11\r\n"
    "[General]\r\nOK = \"&OK\"\r\nCancel = \"&Abbrechen\"\r\nQuit = \"Beenden\"\r\n"
    "[WinMain]\r\nMenu = \"Men\xC3\xBC \xC3\xB6" "ffnen\"\r\nNew = \"Neu\"\r\nEdit = \"Bearbeiten\"\r\n"
    "Delete = \"L\xC3\xB6schen\"\r\nCharmap = \"Windows-Zeichentabelle\"\r\n"
    "Characters = \"Zeichen\"\r\nUnicode = \"Unicode\"\r\nTrigger = \"K\xC3\xBCrzel\"\r\n"
    "Comment = \"Kommentar\"\r\nErrRegister = \"Hotkey nicht verf\xC3\xBCgbar: \"\r\nOnTop = \"Immer im Vordergrund\"\r\nBtnInsert = \"Einf\xC3\xBCgen\"\r\n"
    "StatusInfo = \" Mit [Umschalt] den Code einf\xC3\xBCgen.\"\r\n"
    "[MenuSysTray]\r\nShow = \"Anzeigen\"\r\nHide = \"Ausblenden\"\r\n"
    "[MenuMain]\r\nAbout = \"\xC3\x9C" "ber ...\"\r\nUpdate = \"Nach Update suchen\"\r\nHelp = \"Hilfe\"\r\n"
    "Settings = \"Einstellungen\"\r\nGoto = \"Zur Zeichendatei\"\r\n";

class SettingsWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // No OleInitialize here: the Command field's drop target starts OLE
    // itself, as the program starts it at its first use.
    EnsureMainWindow();
  }

  void SetUp() override {
    ASSERT_NE(App().main_window, nullptr);
    ResetMainWindow();
    AppState& app = App();
    saved_settings_ = app.settings;
    saved_folder_ = app.program_folder;
    saved_settings_path_ = app.settings_path;
    saved_help_ = app.help_path;
    std::filesystem::create_directories(folder_ / "lang");
    app.program_folder = folder_.Of() + u"\\";
    ASSERT_TRUE(WriteWholeFile(app.program_folder + u"lang\\Deutsch.lng", kGerman));
    path_ = folder_.Of("Glyphwell.ini");
    app.settings_path = path_;
    app.help_path = app.program_folder + u"doc\\Glyphwell_en.htm";

    Settings settings;
    settings.LanguageList = {u"Deutsch", u"English", u"Fran\u00E7ais", u"Klingon"};
    settings.Language = u"English";
    settings.Hotkey = 0;  // no global hotkey of the test process unless a test asks
    app.settings = settings;
    ASSERT_TRUE(SaveSettings(path_, app.settings));
    SetMessageBoxHook([this](const Text& text, unsigned flags) {
      boxes_.push_back({text, flags});
      open_at_box_.push_back(Window() != nullptr);
      return IDOK;
    });
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    SetFileWriteHook(nullptr);
    CloseEntryWindow(SettingsWindow);
    AppState& app = App();
    UnregisterHotKey(app.main_window, 1);
    for (UINT id : held_) UnregisterHotKey(nullptr, id);
    SetFileAttributesW(Wide(path_), FILE_ATTRIBUTE_NORMAL);
    app.language = LanguageTable();
    LoadBuiltInTable(app.language);
    app.settings = saved_settings_;
    RelabelMainWindow();
    app.program_folder = saved_folder_;
    app.settings_path = saved_settings_path_;
    app.help_path = saved_help_;
    ResetMainWindow();
  }

  void Open() {
    Dispatch(MakeEvent(EventKind::Command, 16));  // Settings in the main menu
    ASSERT_NE(Window(), nullptr);
  }

  void OpenActive() {
    Open();
    ASSERT_TRUE(PumpUntil([] { return GetActiveWindow() == Window(); }));
  }

  std::string FileBytes() { return testing_support::FileBytes(path_); }

  // The settings file as it must be for the record in memory.
  void ExpectFileHoldsSettings() { EXPECT_EQ(FileBytes(), SerializeSettings(App().settings)); }

  // Holds Fn for another "program" (this thread, another id).
  void HoldFunctionKey(int n) {
    const UINT id = 0x4000 + static_cast<UINT>(n);
    ASSERT_TRUE(RegisterHotKey(nullptr, static_cast<int>(id), 0, static_cast<UINT>(VK_F1 + n - 1)));
    held_.push_back(id);
  }

  TempFolder folder_{"gw-settings-"};
  Text path_;
  std::vector<std::pair<Text, unsigned>> boxes_;
  std::vector<bool> open_at_box_;
  std::vector<UINT> held_;
  Settings saved_settings_;
  Text saved_folder_, saved_settings_path_, saved_help_;
};

// --- Opening ------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, WindowControlsAndTheirContent) {
  App().settings.Language = u"english";  // found whatever its letter case
  App().settings.Beep = false;
  App().settings.HTML = true;
  App().settings.ConfirmEnd = true;
  App().settings.CustomCaption = u"Map";
  App().settings.CustomCommand = u"map.exe";
  SetStatusText(u"something");
  Open();
  HWND window = Window();
  EXPECT_EQ(StatusText(), u"");
  EXPECT_EQ(WindowTextOf(window), u"Settings");
  EXPECT_FALSE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), App().main_window);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, ScaleX(685));
  EXPECT_EQ(client.bottom, ScaleY(385));
  RECT outer{}, main{};
  GetWindowRect(window, &outer);
  GetWindowRect(App().main_window, &main);
  EXPECT_EQ(outer.left,
            std::max(0L, main.left + ((main.right - main.left) - (outer.right - outer.left)) / 2));

  struct Expected {
    int id;
    const wchar_t* cls;
    const char16_t* text;  // nullptr: not compared
    int x, y, w;
    bool tab_stop;  // of the option buttons, only the checked one is a tab stop
  } expected[] = {
      {kSetLanguageLabel, L"Static", u"&Language:", 20, 13, 60, false},
      {kSetLanguage, L"ComboBoxEx32", nullptr, 138, 10, 110, true},
      {kSetHotkeyLabel, L"Static", u"Hot&key:", 20, 53, 100, false},
      {kSetHotkey, L"msctls_hotkey32", nullptr, 138, 50, 110, true},
      {kSetHotkeyWin, L"Button", u"&Windows key", 138, 75, 190, true},
      {kSetStandard, L"Button", u"Windows &standard", 20, 120, 130, true},
      {kSetCustom, L"Button", u"Ca&ption:", 20, 145, 100, false},
      {kSetCaptionLabel, L"Static", u"Caption", 140, 145, 180, false},
      {kSetCaption, L"Edit", u"Map", 140, 145, 180, true},
      {kSetCommandLabel, L"Static", u"Co&mmand:", 36, 170, 90, false},
      {kSetCommand, L"Edit", u"map.exe", 140, 170, 180, true},
      {kSetCharMapGroup, L"Button", u"Link to the following cha&racter map", 10, 95, 320, false},
      {kSetBeep, L"Button", u"&Beep if trigger does not exist", 20, 225, 300, true},
      {kSetHtml, L"Button", u"Insert code in &HTML format", 20, 250, 300, true},
      {kSetCheckUpdate, L"Button", u"Check for &update on program startup", 20, 275, 300, true},
      {kSetConfirmEnd, L"Button", u"Con&firm program termination", 20, 300, 300, true},
      {kSetRules, L"SysListView32", nullptr, 355, 30, 310, true},
      {kSetProgramLabel, L"Static", u"Pro&gram:", 355, 160, 100, false},
      {kSetProgram, L"Edit", u"", 460, 158, 205, true},
      {kSetMethodLabel, L"Static", u"&Insert by:", 355, 186, 100, false},
      {kSetMethod, L"ComboBox", nullptr, 460, 183, 205, true},
      {kSetPassHotkey, L"Button", u"Lea&ve the hotkey to this program", 355, 211, 310, true},
      {kSetAddRule, L"Button", u"&Add", 355, 238, 100, true},
      {kSetChangeRule, L"Button", u"Cha&nge", 460, 238, 100, true},
      {kSetRemoveRule, L"Button", u"R&emove", 565, 238, 100, true},
      {kSetAddInFront, L"Button", u"A&dd the program in front", 355, 268, 310, true},
      {kSetUnreadable, L"Static", u"", 355, 298, 310, false},
      {kSetRulesGroup, L"Button", u"Rules per program", 345, 10, 330, false},
      {kSetOk, L"Button", u"&OK", 20, 345, 80, true},
      {kSetCancel, L"Button", u"&Cancel", 230, 345, 100, true},
  };
  HWND previous = nullptr;
  for (const Expected& e : expected) {
    HWND control = Control(e.id);
    ASSERT_NE(control, nullptr) << e.id;
    wchar_t cls[64] = {};
    GetClassNameW(control, cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, e.cls), 0) << e.id;
    if (e.text) EXPECT_EQ(WindowTextOf(control), e.text) << e.id;
    const RECT r = RectIn(window, control);
    EXPECT_EQ(r.left, ScaleX(e.x)) << e.id;
    EXPECT_EQ(r.top, ScaleY(e.y)) << e.id;
    EXPECT_EQ(r.right - r.left, ScaleX(e.w)) << e.id;
    EXPECT_EQ((GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP) != 0, e.tab_stop) << e.id;
    // Creation order is the window's child order.
    EXPECT_EQ(GetWindow(control, GW_HWNDPREV), previous) << e.id;
    previous = control;
  }
  // Default button, option group, edit fields with a border; the Caption
  // field's label is not shown.
  EXPECT_FALSE(IsWindowVisible(Control(kSetCaptionLabel)));
  EXPECT_EQ(GetWindowLongPtrW(Control(kSetOk), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongPtrW(Control(kSetStandard), GWL_STYLE) & BS_TYPEMASK, BS_AUTORADIOBUTTON);
  EXPECT_TRUE(GetWindowLongPtrW(Control(kSetStandard), GWL_STYLE) & WS_GROUP);
  EXPECT_FALSE(GetWindowLongPtrW(Control(kSetCustom), GWL_STYLE) & WS_GROUP);
  for (int id : {kSetCaption, kSetCommand}) {
    EXPECT_TRUE(GetWindowLongPtrW(Control(id), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(GetWindowLongPtrW(Control(id), GWL_STYLE) & ES_AUTOHSCROLL);
  }
  // Tab: the checked option, then (the fields being disabled) the check boxes.
  EXPECT_EQ(GetNextDlgTabItem(window, Control(kSetHotkeyWin), FALSE), Control(kSetStandard));
  EXPECT_EQ(GetNextDlgTabItem(window, Control(kSetStandard), FALSE), Control(kSetBeep));

  // The languages with their flags; the setting's entry selected.
  ASSERT_EQ(SendMessageW(Control(kSetLanguage), CB_GETCOUNT, 0, 0), 4);
  int images[4] = {};
  EXPECT_EQ(LanguageItemText(0, &images[0]), u"Deutsch");
  EXPECT_EQ(LanguageItemText(1, &images[1]), u"English");
  EXPECT_EQ(LanguageItemText(2, &images[2]), u"Fran\u00E7ais");
  EXPECT_EQ(LanguageItemText(3, &images[3]), u"Klingon");
  EXPECT_EQ(images[0], FlagImageIndex(u"Deutsch"));
  EXPECT_EQ(images[1], FlagImageIndex(u"English"));
  EXPECT_EQ(images[2], FlagImageIndex(u"Fran\u00E7ais"));
  EXPECT_GE(images[0], 0);
  EXPECT_NE(images[0], images[1]);
  EXPECT_NE(images[1], images[2]);
  EXPECT_EQ(FlagImageIndex(u"Klingon"), -1);
  EXPECT_EQ(FlagImageIndex(u"deutsch"), -1);  // the exact name only
  EXPECT_EQ(ImageList_GetImageCount(FlagImageList()), 3);
  EXPECT_EQ(reinterpret_cast<HIMAGELIST>(
                SendMessageW(Control(kSetLanguage), CBEM_GETIMAGELIST, 0, 0)),
            FlagImageList());
  EXPECT_EQ(Selected(kSetLanguage), 1);

  // The hotkey field: none (the settings hold 0), without the Windows key.
  EXPECT_EQ(SendMessageW(Control(kSetHotkey), HKM_GETHOTKEY, 0, 0), 0);
  EXPECT_FALSE(IsChecked(kSetHotkeyWin));

  // Standard map: option 18 checked, both fields disabled; the check boxes.
  EXPECT_TRUE(IsChecked(kSetStandard));
  EXPECT_FALSE(IsChecked(kSetCustom));
  EXPECT_FALSE(IsWindowEnabled(Control(kSetCaption)));
  EXPECT_FALSE(IsWindowEnabled(Control(kSetCommand)));
  EXPECT_FALSE(IsChecked(kSetBeep));
  EXPECT_TRUE(IsChecked(kSetHtml));
  EXPECT_FALSE(IsChecked(kSetCheckUpdate));
  EXPECT_TRUE(IsChecked(kSetConfirmEnd));

  EXPECT_TRUE(Focused(kSetLanguage));
  EXPECT_NE(CommandFieldDropTarget(), nullptr);

  // Settings again while the window is open: no second window.
  Dispatch(MakeEvent(EventKind::Command, 16));
  EXPECT_EQ(Window(), window);
}

TEST_F(SettingsWindowTest, HotkeyEntryAndLanguageWithoutEntry) {
  struct Case {
    int hotkey;
    int entry;
  } cases[] = {{10, 10}, {2, 2}, {11, 11}, {0, 0}, {1, 1}, {12, 12}, {24, 24}, {25, 0}, {-3, 0}};
  for (const Case& c : cases) {
    App().settings.Hotkey = static_cast<std::int8_t>(c.hotkey);
    App().settings.Language = u"Vulcan";
    Open();
    EXPECT_EQ(FieldKey(), c.entry) << c.hotkey;
    EXPECT_EQ(Selected(kSetLanguage), -1);
    CloseEntryWindow(SettingsWindow);
  }
  // Without a selection, Down picks the first language and Up nothing.
  Open();
  ASSERT_TRUE(Focused(kSetLanguage));
  Dispatch(Command(8));
  EXPECT_EQ(Selected(kSetLanguage), -1);
  Dispatch(Command(9));
  EXPECT_EQ(Selected(kSetLanguage), 0);
  CloseEntryWindow(SettingsWindow);

  // Custom map: option 19 checked, both fields enabled.
  App().settings.Option = CharMapOption::Custom;
  Open();
  EXPECT_TRUE(IsChecked(kSetCustom));
  EXPECT_FALSE(IsChecked(kSetStandard));
  EXPECT_TRUE(IsWindowEnabled(Control(kSetCaption)));
  EXPECT_TRUE(IsWindowEnabled(Control(kSetCommand)));
}

// Refuses the creation of secondary windows while installed.
LRESULT CALLBACK RefuseSecondaryWindows(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lp);
    const LPCWSTR cls = create->lpcs->lpszClass;
    if (!IS_INTRESOURCE(cls) && lstrcmpiW(cls, L"GlyphwellEntryWindow") == 0) return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(SettingsWindowTest, WindowThatCannotBeMadeIsReported) {
  HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseSecondaryWindows, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Dispatch(MakeEvent(EventKind::Command, 16));
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(Window(), nullptr);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, u"Error:\nCan't open \u201CSettings\u201D window.");
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  // The next try opens it.
  Open();
}

// --- Closing without applying ---------------------------------------------------------------

TEST_F(SettingsWindowTest, OkWithoutChangeAndCancelWriteNothingAndACloseRequestCancels) {
  int writes = 0;
  SetFileWriteHook([&writes](const Text&, std::string_view) {
    ++writes;
    return -1LL;
  });
  App().last_focused_control = kCtlMenu;
  Open();
  SendMessageW(EntryControl(SettingsWindow, kSetBeep), BM_SETCHECK,
               App().settings.Beep ? BST_UNCHECKED : BST_CHECKED, 0);
  Dispatch(MakeEvent(EventKind::Close, 0, 0, SettingsWindow));  // Alt+F4: Cancel
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(writes, 0);
  Open();
  Dispatch(Click(kSetOk));
  EXPECT_EQ(Window(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(GetFocus(), MainControl(kCtlMenu));
  EXPECT_EQ(writes, 0);

  // Cancel (button, Alt+C command) leaves everything as it was.
  const Settings before = App().settings;
  for (const Event& cancel : {Click(kSetCancel), Command(11)}) {
    Open();
    SetWindowTextW(Control(kSetCaption), L"edited");
    SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_UNCHECKED, 0);
    SetFieldKey(5);
    Select(kSetLanguage, 0);
    Dispatch(cancel);
    EXPECT_EQ(Window(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(App().main_window));
  }
  EXPECT_EQ(writes, 0);
  EXPECT_EQ(App().settings.CustomCaption, before.CustomCaption);
  EXPECT_EQ(App().settings.Beep, before.Beep);
  EXPECT_EQ(App().settings.Hotkey, before.Hotkey);
  EXPECT_EQ(App().settings.Language, before.Language);
  EXPECT_TRUE(boxes_.empty());
}

// --- The character map --------------------------------------------------------------------

TEST_F(SettingsWindowTest, CustomMapNeedsCaptionAndCommandAndStopsFirst) {
  Open();
  SendMessageW(Control(kSetCustom), BM_CLICK, 0, 0);
  Drain();
  EXPECT_TRUE(IsWindowEnabled(Control(kSetCaption)));
  EXPECT_TRUE(IsWindowEnabled(Control(kSetCommand)));
  // A language, a hotkey and an option are chosen too: none of them is applied.
  Select(kSetLanguage, 0);
  SetFieldKey(4);
  SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_UNCHECKED, 0);
  const std::string before = FileBytes();
  for (const auto& [caption, command] :
       {std::pair<Text, Text>{u"Map", u"   "}, {u"", u"map.exe"}, {u" ", u" "}}) {
    Type(kSetCaption, caption);
    Type(kSetCommand, command);
    SetFocus(Control(kSetOk));
    Dispatch(Click(kSetOk));
    ASSERT_FALSE(boxes_.empty());
    EXPECT_EQ(boxes_.back().first, u"The fields \u201CCaption\u201D and \u201CCommand\u201D must not be empty.");
    EXPECT_EQ(boxes_.back().second, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_NE(Window(), nullptr);
    EXPECT_TRUE(Focused(kSetCaption));
  }
  EXPECT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(App().settings.Option, CharMapOption::Standard);
  EXPECT_EQ(App().settings.CustomCaption, u"");
  EXPECT_EQ(App().settings.Language, u"English");
  EXPECT_EQ(LookupText(App().language, u"WinMain", u"OnTop"), u"&Stay on top");
  EXPECT_EQ(App().settings.Hotkey, 0);
  EXPECT_TRUE(App().settings.Beep);
  EXPECT_EQ(WindowTextOf(MainControl(kCtlCharMapLink)), u"Windows Character Map");
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(SettingsWindowTest, CustomMapSetsTheLinkAndItsTooltipAndWrites) {
  Open();
  SendMessageW(Control(kSetCustom), BM_CLICK, 0, 0);
  Drain();
  Type(kSetCaption, u"  Character Map Plus  ");
  Type(kSetCommand, u" C:\\Tools\\map.exe /x ");
  Dispatch(Click(kSetOk));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Window(), nullptr);
  const Settings& s = App().settings;
  EXPECT_EQ(s.Option, CharMapOption::Custom);
  EXPECT_EQ(s.CustomCaption, u"Character Map Plus");
  EXPECT_EQ(s.CustomCommand, u"C:\\Tools\\map.exe /x");
  HWND link = MainControl(kCtlCharMapLink);
  EXPECT_EQ(WindowTextOf(link), u"Character Map Plus");
  EXPECT_EQ(MainControlTooltip(kCtlCharMapLink), u"C:\\Tools\\map.exe /x");
  RECT r = RectIn(App().main_window, link);
  EXPECT_EQ(r.right, ScaleX(520));
  EXPECT_LE(r.right - r.left, ScaleX(200));
  ExpectFileHoldsSettings();
  EXPECT_NE(FileBytes().find("Option = Custom\r\nCustomCaption = Character Map Plus\r\n"),
            std::string::npos);

  // Only the command changes: the tooltip follows, the file is written.
  Open();
  EXPECT_TRUE(IsChecked(kSetCustom));
  Type(kSetCommand, u"other.exe");
  Dispatch(Command(12));  // Alt+O
  EXPECT_EQ(MainControlTooltip(kCtlCharMapLink), u"other.exe");
  EXPECT_EQ(App().settings.CustomCommand, u"other.exe");
  ExpectFileHoldsSettings();

  // A long caption: the link is cut at 200 units, its right edge stays.
  Open();
  Type(kSetCaption, Text(80, u'W'));
  Dispatch(Click(kSetOk));
  r = RectIn(App().main_window, link);
  EXPECT_EQ(r.right, ScaleX(520));
  EXPECT_EQ(r.right - r.left, ScaleX(200));
}

TEST_F(SettingsWindowTest, StandardMapKeepsTheEditedCaption) {
  AppState& app = App();
  app.settings.Option = CharMapOption::Custom;
  app.settings.CustomCaption = u"Old";
  app.settings.CustomCommand = u"old.exe";
  SetCharMapLinkText(u"Old");
  SetCharMapLinkTooltip(u"old.exe");
  Open();
  Type(kSetCaption, u"New caption");
  SendMessageW(Control(kSetStandard), BM_CLICK, 0, 0);
  Drain();
  EXPECT_FALSE(IsWindowEnabled(Control(kSetCaption)));
  EXPECT_FALSE(IsWindowEnabled(Control(kSetCommand)));
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.Option, CharMapOption::Standard);
  EXPECT_EQ(app.settings.CustomCaption, u"New caption");
  EXPECT_EQ(app.settings.CustomCommand, u"old.exe");
  EXPECT_EQ(WindowTextOf(MainControl(kCtlCharMapLink)), u"Windows Character Map");
  EXPECT_EQ(MainControlTooltip(kCtlCharMapLink), u"");
  ExpectFileHoldsSettings();

  // With the standard map, an edited caption alone is still stored.
  Open();
  Type(kSetCommand, u"   ");  // disabled, but read all the same
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.CustomCommand, u"");
  EXPECT_TRUE(boxes_.empty());
  ExpectFileHoldsSettings();
}

// --- Language ---------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, GermanRelabelsTheMainWindowAndFormsTheHelpPath) {
  AppState& app = App();
  Open();
  Select(kSetLanguage, 0);
  Dispatch(Click(kSetOk));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(app.settings.Language, u"Deutsch");
  EXPECT_EQ(app.help_path, app.program_folder + u"doc\\Glyphwell_de.htm");
  EXPECT_EQ(ColumnText(0), u"K\u00FCrzel");
  EXPECT_EQ(ColumnText(1), u"Zeichen");
  EXPECT_EQ(ColumnText(3), u"Kommentar");
  EXPECT_EQ(WindowTextOf(MainControl(kCtlOnTop)), u"Immer im Vordergrund");
  EXPECT_EQ(WindowTextOf(MainControl(kCtlInsert)), u"Einf\u00FCgen");
  EXPECT_EQ(WindowTextOf(MainControl(kCtlCharMapLink)), u"Windows-Zeichentabelle");
  EXPECT_EQ(MainControlTooltip(kCtlMenu), u"Men\u00FC \u00F6ffnen");
  EXPECT_EQ(MainControlTooltip(kCtlNew), u"Neu");
  EXPECT_EQ(MainControlTooltip(kCtlEdit), u"Bearbeiten");
  EXPECT_EQ(MainControlTooltip(kCtlDelete), u"L\u00F6schen");
  EXPECT_EQ(StatusText(), u" Mit [Umschalt] den Code einf\u00FCgen.");
  EXPECT_EQ(MenuText(MainMenuHandle(), 16), u"Einstellungen");
  EXPECT_EQ(MenuText(MainMenuHandle(), 15), u"Hilfe\tF1");
  EXPECT_EQ(MenuText(MainMenuHandle(), 19), u"Ausblenden\tEsc");
  EXPECT_EQ(MenuText(MainMenuHandle(), 20), u"Beenden");
  EXPECT_EQ(MenuText(TrayMenuHandle(), 18), u"Anzeigen");
  EXPECT_EQ(MenuText(TrayMenuHandle(), 20), u"Beenden");
  ExpectFileHoldsSettings();
  EXPECT_NE(FileBytes().find("\r\nLanguage = Deutsch\r\n"), std::string::npos);

  // The window now opens with the German title and the current language.
  Open();
  EXPECT_EQ(WindowTextOf(Window()), u"Einstellungen");
  EXPECT_EQ(WindowTextOf(Control(kSetCancel)), u"&Abbrechen");
  EXPECT_EQ(Selected(kSetLanguage), 0);
}

TEST_F(SettingsWindowTest, MissingLanguageFileWarnsAndTheRestIsApplied) {
  AppState& app = App();
  Open();
  Select(kSetLanguage, 3);  // Klingon: listed, but no file
  SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_UNCHECKED, 0);
  Dispatch(Click(kSetOk));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first,
            u"Can't open language file '" + app.program_folder + u"lang\\Klingon.lng'.");
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_TRUE(open_at_box_[0]);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(app.settings.Language, u"English");
  EXPECT_EQ(LookupText(app.language, u"WinMain", u"OnTop"), u"&Stay on top");
  EXPECT_EQ(app.help_path, app.program_folder + u"doc\\Glyphwell_en.htm");
  EXPECT_FALSE(app.settings.Beep);
  ExpectFileHoldsSettings();

  // No selection (a Language without an entry): the step is skipped quietly.
  app.settings.Language = u"Vulcan";
  Open();
  ASSERT_EQ(Selected(kSetLanguage), -1);
  Dispatch(Click(kSetOk));
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(app.settings.Language, u"Vulcan");
}

// --- Hotkey -------------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, HotkeyIsRegisteredReleasedAndWritten) {
  AppState& app = App();
  if (!FunctionKeyFree(9) || !FunctionKeyFree(7)) GTEST_SKIP() << "F9 or F7 is taken on this desktop";
  Open();
  SetFieldKey(9);  // F9
  Dispatch(Click(kSetOk));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(app.settings.Hotkey, 9);
  EXPECT_FALSE(FunctionKeyFree(9));
  EXPECT_EQ(app.tray_tip, u"Glyphwell (F9)");
  EXPECT_NE(FileBytes().find("\r\nHotkey = F9\r\n"), std::string::npos);

  // F7 in its place: F9 is released.
  Open();
  SetFieldKey(7);
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.Hotkey, 7);
  EXPECT_TRUE(FunctionKeyFree(9));
  EXPECT_FALSE(FunctionKeyFree(7));

  // None releases it and stores "Ø".
  Open();
  SetFieldKey(0);
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.Hotkey, 0);
  EXPECT_TRUE(FunctionKeyFree(7));
  EXPECT_EQ(app.tray_tip, u"Glyphwell");
  EXPECT_NE(FileBytes().find("\r\nHotkey = \xC3\x98\r\n"), std::string::npos);
  ExpectFileHoldsSettings();

  // A number that names no key (F25 from a hand-edited file) shows none, and
  // OK stores "no hotkey".
  app.settings.Hotkey = 25;
  Open();
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.Hotkey, 0);
  ExpectFileHoldsSettings();

  // Any key with modifiers, the Windows key from its box.
  Open();
  SendMessageW(Control(kSetHotkey), HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
  SendMessageW(Control(kSetHotkeyWin), BM_SETCHECK, BST_CHECKED, 0);
  Dispatch(Click(kSetOk));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(app.settings.Hotkey, 0);
  EXPECT_EQ(app.settings.HotkeyCombination,
            (KeyCombination{kHotkeyCtrl | kHotkeyAlt | kHotkeyWin, 'K'}));
  EXPECT_EQ(app.tray_tip, u"Glyphwell (Ctrl+Alt+Win+K)");
  EXPECT_FALSE(RegisterHotKey(nullptr, 0x5EED, MOD_CONTROL | MOD_ALT | MOD_WIN, 'K'));
  EXPECT_NE(FileBytes().find("\r\nHotkey = Ctrl+Alt+Win+K\r\n"), std::string::npos);
  // Opened again, the window shows it.
  Open();
  EXPECT_EQ(SendMessageW(Control(kSetHotkey), HKM_GETHOTKEY, 0, 0),
            MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
  EXPECT_TRUE(IsChecked(kSetHotkeyWin));
  // A letter alone is refused: the window stays open, nothing changes.
  SendMessageW(Control(kSetHotkey), HKM_SETHOTKEY, MAKEWORD('K', 0), 0);
  SendMessageW(Control(kSetHotkeyWin), BM_SETCHECK, BST_UNCHECKED, 0);
  Dispatch(Click(kSetOk));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, Tr(u"WinSettings", u"ErrHotkey"));
  EXPECT_NE(Window(), nullptr);
  EXPECT_TRUE(Focused(kSetHotkey));
  EXPECT_EQ(app.settings.HotkeyCombination.key, 'K');
  // None releases it.
  SetFieldKey(0);
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.HotkeyCombination.key, 0);
  EXPECT_TRUE(RegisterHotKey(nullptr, 0x5EED, MOD_CONTROL | MOD_ALT | MOD_WIN, 'K'));
  UnregisterHotKey(nullptr, 0x5EED);
}

TEST_F(SettingsWindowTest, FailedHotkeyStopsAfterTheLanguageAndKeepsTheOldOne) {
  AppState& app = App();
  if (!FunctionKeyFree(9) || !FunctionKeyFree(8)) GTEST_SKIP() << "F9 or F8 is taken on this desktop";
  ASSERT_TRUE(RegisterHotKey(app.main_window, 1, 0, VK_F9));
  app.settings.Hotkey = 9;
  ASSERT_TRUE(SaveSettings(path_, app.settings));
  const std::string before = FileBytes();
  HoldFunctionKey(8);  // another program holds F8

  Open();
  SendMessageW(Control(kSetCustom), BM_CLICK, 0, 0);
  Drain();
  Type(kSetCaption, u"Map");
  Type(kSetCommand, u"map.exe");
  Select(kSetLanguage, 0);
  SetFieldKey(8);  // F8
  SendMessageW(Control(kSetHtml), BM_SETCHECK, BST_CHECKED, 0);
  Dispatch(Click(kSetOk));
  ASSERT_EQ(boxes_.size(), 1u);
  // The message is in the language loaded just before.
  EXPECT_EQ(boxes_[0].first, u"Hotkey nicht verf\u00FCgbar: F8");
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONWARNING));
  // Still open, nothing written, the old number kept and registered again.
  EXPECT_NE(Window(), nullptr);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(app.settings.Hotkey, 9);
  EXPECT_FALSE(FunctionKeyFree(9));
  // What came before the hotkey stays applied, what comes after does not.
  EXPECT_EQ(app.settings.Option, CharMapOption::Custom);
  EXPECT_EQ(WindowTextOf(MainControl(kCtlCharMapLink)), u"Map");
  EXPECT_EQ(app.settings.Language, u"Deutsch");
  EXPECT_EQ(app.help_path, app.program_folder + u"doc\\Glyphwell_de.htm");
  EXPECT_FALSE(app.settings.HTML);

  // Another try with a free key applies the rest and writes it all.
  SetFieldKey(9);
  Dispatch(Click(kSetOk));
  EXPECT_EQ(Window(), nullptr);
  EXPECT_EQ(app.settings.Hotkey, 9);
  EXPECT_TRUE(app.settings.HTML);
  ExpectFileHoldsSettings();
}

// --- Writing ------------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, ReadOnlyFileReportsAfterClosingAndKeepsTheValues) {
  ASSERT_TRUE(SetFileAttributesW(Wide(path_), FILE_ATTRIBUTE_READONLY));
  const std::string before = FileBytes();
  Open();
  SendMessageW(Control(kSetCheckUpdate), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(Control(kSetConfirmEnd), BM_SETCHECK, BST_CHECKED, 0);
  Dispatch(Click(kSetOk));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, u"Can't write file:\n" + path_);
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_FALSE(open_at_box_[0]);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_TRUE(App().settings.CheckUpdate);
  EXPECT_TRUE(App().settings.ConfirmEnd);
  EXPECT_EQ(FileBytes(), before);
}

// --- Keys ---------------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, UpAndDownMoveInTheListsAndBetweenTheOptions) {
  OpenActive();
  ASSERT_TRUE(Focused(kSetLanguage));
  PostKey(GetFocus(), VK_UP);
  Drain();
  EXPECT_EQ(Selected(kSetLanguage), 0);
  PostKey(GetFocus(), VK_UP);  // the first entry stays
  Drain();
  EXPECT_EQ(Selected(kSetLanguage), 0);
  for (int i = 0; i < 5; ++i) PostKey(GetFocus(), VK_DOWN);
  Drain();
  EXPECT_EQ(Selected(kSetLanguage), 3);  // the last one stays

  // Between the option buttons, with the fields following.
  SetFocus(Control(kSetStandard));
  PostKey(Control(kSetStandard), VK_DOWN);
  Drain();
  EXPECT_TRUE(Focused(kSetCustom));
  EXPECT_TRUE(IsChecked(kSetCustom));
  EXPECT_FALSE(IsChecked(kSetStandard));
  EXPECT_TRUE(IsWindowEnabled(Control(kSetCaption)));
  PostKey(Control(kSetCustom), VK_DOWN);  // below the last option: nothing
  Drain();
  EXPECT_TRUE(Focused(kSetCustom));
  PostKey(Control(kSetCustom), VK_UP);
  Drain();
  EXPECT_TRUE(Focused(kSetStandard));
  EXPECT_TRUE(IsChecked(kSetStandard));
  EXPECT_FALSE(IsChecked(kSetCustom));
  EXPECT_FALSE(IsWindowEnabled(Control(kSetCommand)));

  // In the edit fields and the check boxes the arrows do nothing.
  SendMessageW(Control(kSetCustom), BM_CLICK, 0, 0);
  Drain();
  Type(kSetCaption, u"abc");
  SetFocus(Control(kSetCaption));
  PostKey(Control(kSetCaption), VK_UP);
  SetFocus(Control(kSetBeep));
  PostKey(Control(kSetBeep), VK_DOWN);
  Drain();
  EXPECT_TRUE(IsChecked(kSetCustom));
  EXPECT_TRUE(IsChecked(kSetBeep));
  EXPECT_TRUE(Focused(kSetBeep));
  EXPECT_EQ(Selected(kSetLanguage), 3);
}

TEST_F(SettingsWindowTest, ReturnOnCancelCancelsElsewhereItIsOk) {
  OpenActive();
  SendMessageW(Control(kSetHtml), BM_SETCHECK, BST_CHECKED, 0);
  SetFocus(Control(kSetCancel));
  PostKey(Control(kSetCancel), VK_RETURN);
  Drain();
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(App().settings.HTML);

  OpenActive();
  SendMessageW(Control(kSetHtml), BM_SETCHECK, BST_CHECKED, 0);
  SetFocus(Control(kSetCaption));
  // The field's text is selected when it gets the focus.
  ASSERT_TRUE(PumpUntil([] {
    DWORD start = 1, end = 0;
    SendMessageW(Control(kSetCaption), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return start == 0 && end == static_cast<DWORD>(GetWindowTextLengthW(Control(kSetCaption)));
  }));
  PostKey(Control(kSetCaption), VK_RETURN);
  Drain();
  EXPECT_EQ(Window(), nullptr);
  EXPECT_TRUE(App().settings.HTML);
  ExpectFileHoldsSettings();
}

TEST_F(SettingsWindowTest, AltMnemonicsOfOkAndCancel) {
  OpenActive();
  SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_UNCHECKED, 0);
  SendAltKey('C');
  ASSERT_TRUE(PumpUntil([] { return Window() == nullptr; }));
  EXPECT_TRUE(App().settings.Beep);

  OpenActive();
  SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_UNCHECKED, 0);
  SendAltKey('O');
  ASSERT_TRUE(PumpUntil([] { return Window() == nullptr; }));
  EXPECT_FALSE(App().settings.Beep);

  // The same letter for both: only OK has it.
  App().language.sections[u"GENERAL"][u"CANCEL"] = u"&Off";
  OpenActive();
  SendMessageW(Control(kSetBeep), BM_SETCHECK, BST_CHECKED, 0);
  SendAltKey('O');
  ASSERT_TRUE(PumpUntil([] { return Window() == nullptr; }));
  EXPECT_TRUE(App().settings.Beep);
}

// --- Dropped files ------------------------------------------------------------------------------

TEST_F(SettingsWindowTest, DroppedFilesFillTheCommandFieldWithTheFirstPath) {
  AppState& app = App();
  app.settings.Option = CharMapOption::Custom;
  OpenActive();
  Type(kSetCommand, u"old text");
  SetFocus(Control(kSetBeep));
  IDropTarget* target = CommandFieldDropTarget();
  ASSERT_NE(target, nullptr);

  // Something other than files is refused.
  FakeDataObject text({}, false);
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragEnter(&text, 0, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  target->DragLeave();

  const Text first = app.program_folder + u"tools\\map.exe";
  FakeDataObject files({first, u"C:\\second.exe"}, true);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  EXPECT_EQ(target->DragEnter(&files, 0, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = DROPEFFECT_MOVE | DROPEFFECT_COPY;
  EXPECT_EQ(target->DragOver(0, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(target->Drop(&files, 0, POINTL{}, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  Drain();
  EXPECT_EQ(Read(kSetCommand), first);
  EXPECT_TRUE(Focused(kSetCommand));

  // With Shift held: relative to the program folder.
  HeldKey shift(VK_SHIFT);
  ASSERT_TRUE(PumpUntil([] { return KeyIsDown(VK_SHIFT); }));
  HGLOBAL drop = MakeDropFiles({first});
  DropFilesOnCommandField(static_cast<HDROP>(GlobalLock(drop)));
  GlobalUnlock(drop);
  GlobalFree(drop);
  shift.Release();
  Drain();
  EXPECT_EQ(Read(kSetCommand), u"tools\\map.exe");

  // The dropped path is stored like a typed one.
  Type(kSetCaption, u"Map");
  Dispatch(Click(kSetOk));
  EXPECT_EQ(app.settings.CustomCommand, u"tools\\map.exe");
  EXPECT_EQ(CommandFieldDropTarget(), nullptr);  // revoked with the window
}

// --- Rules per program ----------------------------------------------------------------

TEST_F(SettingsWindowTest, RulesAreListedAddedChangedRemovedWithTheKeyboardAndWrittenOnOk) {
  App().settings.Programs.rules = {{u"devenv.exe", InsertMethod::Type, true},
                                   {u"WindowsTerminal.exe", InsertMethod::Paste, false}};
  App().settings.Programs.unreadable = {u"odd.exe = Sideways"};
  Open();
  HWND list = Control(kSetRules);
  EXPECT_EQ(ListView_GetItemCount(list), 2);
  EXPECT_EQ(Read(kSetProgram), u"devenv.exe");
  EXPECT_TRUE(IsChecked(kSetPassHotkey));
  EXPECT_NE(Read(kSetUnreadable).find(u"1 line(s)"), Text::npos)
      << TextToUtf8(Read(kSetUnreadable));

  // Down in the list shows the next rule in the fields.
  SetFocus(list);
  Dispatch(Command(9));
  Drain();
  EXPECT_EQ(Read(kSetProgram), u"WindowsTerminal.exe");
  EXPECT_EQ(Selected(kSetMethod), 1);

  // Change: the chosen rule gets the fields; Add with a name that has a rule
  // replaces it; Add with a new name adds one; Enter on Remove removes.
  Select(kSetMethod, 2);
  Dispatch(Click(kSetChangeRule));
  Type(kSetProgram, u"C:\\Tools\\NOTEPAD.exe");
  Select(kSetMethod, 1);
  SendMessageW(Control(kSetPassHotkey), BM_SETCHECK, BST_CHECKED, 0);
  Dispatch(Click(kSetAddRule));
  EXPECT_EQ(ListView_GetItemCount(list), 3);
  Type(kSetProgram, u"DevEnv.exe");
  Select(kSetMethod, 0);
  SendMessageW(Control(kSetPassHotkey), BM_SETCHECK, BST_UNCHECKED, 0);
  Dispatch(Click(kSetAddRule));
  EXPECT_EQ(ListView_GetItemCount(list), 3);
  ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
  SetFocus(Control(kSetRemoveRule));
  Dispatch(Command(10));
  EXPECT_NE(Window(), nullptr);  // Enter pressed Remove, not OK
  EXPECT_EQ(ListView_GetItemCount(list), 2);

  // An empty name is refused with a message.
  Type(kSetProgram, u"  ");
  Dispatch(Click(kSetAddRule));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, Tr(u"WinSettings", u"ErrProgram"));

  Dispatch(Click(kSetOk));
  EXPECT_EQ(Window(), nullptr);
  const std::vector<ProgramRule> expected = {{u"DevEnv.exe", InsertMethod::Type, false},
                                             {u"WindowsTerminal.exe", InsertMethod::Code, false}};
  EXPECT_EQ(App().settings.Programs.rules, expected);
  EXPECT_EQ(App().settings.Programs.unreadable, std::vector<Text>{u"odd.exe = Sideways"});
  ExpectFileHoldsSettings();
}

}  // namespace
}  // namespace gw
