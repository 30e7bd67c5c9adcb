// The Settings window: language, hotkey, the main window's character-map
// link and four options. Modal in effect (the main window is disabled while
// it is open); nothing is applied before OK. Its events reach the loop
// through TranslateWindowMessage like those of the entry editors; the loop's
// dispatch calls DispatchSettingsWindow.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/ole_win32.h"
#include "base/placeholders.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/hotkey_pass.h"
#include "mainwindow/hotkey_win32.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "settings/program_rules_panel_win32.h"
#include "settings/relative_path.h"
#include "settings/settings_window.h"
#include "table/entry_input.h"
#include "table/entry_windows_win32.h"

namespace gw {

namespace {

constexpr int kWin = SettingsWindow;

enum ControlKind {
  kLabel,
  kImageList,
  kHotkeyField,
  kRadioFirst,
  kRadio,
  kEdit,
  kHiddenLabel,
  kGroupBox,
  kCheckBox,
  kDefaultButton,
  kButton
};

struct ControlLayout {
  int id;
  ControlKind kind;
  const char16_t* section;  // caption; nullptr for lists and edit fields
  const char16_t* key;
  int x, y, w, h;
};

// In creation order, which is also the Tab order.
constexpr ControlLayout kControls[] = {
    {kSetLanguageLabel, kLabel, u"WinSettings", u"Language", 20, 13, 60, 20},
    {kSetLanguage, kImageList, nullptr, nullptr, 138, 10, 110, 25},
    {kSetHotkeyLabel, kLabel, u"WinSettings", u"Hotkey", 20, 53, 100, 20},
    {kSetHotkey, kHotkeyField, nullptr, nullptr, 138, 50, 110, 22},
    {kSetHotkeyWin, kCheckBox, u"WinSettings", u"HotkeyWin", 138, 75, 190, 18},
    {kSetStandard, kRadioFirst, u"WinSettings", u"Standard", 20, 120, 130, 20},
    {kSetCustom, kRadio, u"WinSettings", u"Caption", 20, 145, 100, 20},
    // The option button before it says "Caption:" for both; the field has a
    // label of its own, not shown, so that it is not read as "Hotkey:".
    {kSetCaptionLabel, kHiddenLabel, u"WinSettings", u"CaptionField", 140, 145, 180, 20},
    {kSetCaption, kEdit, nullptr, nullptr, 140, 145, 180, 20},
    {kSetCommandLabel, kLabel, u"WinSettings", u"Command", 36, 170, 90, 20},
    {kSetCommand, kEdit, nullptr, nullptr, 140, 170, 180, 20},
    {kSetCharMapGroup, kGroupBox, u"WinSettings", u"Charmap", 10, 95, 320, 110},
    {kSetBeep, kCheckBox, u"WinSettings", u"Beep", 20, 225, 300, 20},
    {kSetHtml, kCheckBox, u"WinSettings", u"HTML", 20, 250, 300, 20},
    {kSetCheckUpdate, kCheckBox, u"WinSettings", u"CheckUpdate", 20, 275, 300, 20},
    {kSetConfirmEnd, kCheckBox, u"WinSettings", u"ConfirmEnd", 20, 300, 300, 20},
    {kSetOk, kDefaultButton, u"General", u"OK", 20, 345, 80, 25},
    {kSetCancel, kButton, u"General", u"Cancel", 230, 345, 100, 25},
};

// The height of a drop-down box with its open list, in layout units: room
// for `entries` entries (at least one, at most twelve) below the box.
int DropDownHeight(int box_height, std::size_t entries) {
  const int shown = static_cast<int>(std::clamp<std::size_t>(entries, 1, 12));
  return box_height + 18 * shown + 6;
}

// --- The flag images --------------------------------------------------------------

struct Flag {
  const char16_t* language;
  int resource;
};
constexpr Flag kFlags[] = {
    {u"Français", IDR_PNG_FLAG_FR},
    {u"Deutsch", IDR_PNG_FLAG_DE},
    {u"English", IDR_PNG_FLAG_GB},
};

HIMAGELIST g_flags = nullptr;
int g_flag_index[std::size(kFlags)] = {-1, -1, -1};

// --- Dropped files ------------------------------------------------------------------

// The file that the last drop brought, until its event is taken.
struct DroppedFile {
  bool pending = false;
  Text path;
  bool shift = false;
};
DroppedFile g_dropped;

bool OfferedFiles(IDataObject* data) {
  if (!data) return false;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  return data->QueryGetData(&format) == S_OK;
}

// The Command field's drop target: files dropped from Explorer are copied
// (their path taken); anything else is refused.
class CommandDropTarget final : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *object = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    accept_ = OfferedFiles(data);
    return Answer(effect);
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    return Answer(effect);
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    accept_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    accept_ = false;
    if (!effect) return E_INVALIDARG;
    *effect = DROPEFFECT_NONE;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || data->GetData(&format, &medium) != S_OK) return S_OK;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
      if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        DropFilesOnCommandField(drop);
        GlobalUnlock(medium.hGlobal);
        *effect = DROPEFFECT_COPY;
      }
    }
    ReleaseStgMedium(&medium);
    return S_OK;
  }

 private:
  HRESULT Answer(DWORD* effect) const {
    if (!effect) return E_INVALIDARG;
    *effect = accept_ ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
  }

  LONG references_ = 1;
  bool accept_ = false;
};

CommandDropTarget* g_drop_target = nullptr;
HWND g_drop_field = nullptr;

// The drop target goes with the field: revoked before the field is destroyed.
LRESULT CALLBACK CommandFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                  DWORD_PTR) {
  if (msg == WM_DESTROY && hwnd == g_drop_field) {
    RevokeDragDrop(hwnd);
    if (g_drop_target) g_drop_target->Release();
    g_drop_target = nullptr;
    g_drop_field = nullptr;
    RemoveWindowSubclass(hwnd, CommandFieldProc, id);
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void AcceptDroppedFiles(HWND field) {
  if (!field) return;
  if (!EnsureOle()) return;  // RegisterDragDrop needs OLE
  auto* target = new CommandDropTarget;
  if (RegisterDragDrop(field, target) != S_OK) {
    target->Release();
    return;
  }
  g_drop_target = target;
  g_drop_field = field;
  SetWindowSubclass(field, CommandFieldProc, 1, 0);
}

// --- Building the window ------------------------------------------------------------

HWND Control(int id) { return EntryControl(kWin, id); }

bool Checked(int id) {
  HWND control = Control(id);
  return control && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(int id, bool on) {
  if (HWND control = Control(id))
    SendMessageW(control, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool HasFocus(int id) {
  HWND control = Control(id);
  HWND focus = GetFocus();
  return control && focus && (focus == control || IsChild(control, focus));
}

void EnableCustomFields(bool enable) {
  for (int id : {kSetCaption, kSetCommand})
    if (HWND field = Control(id)) EnableWindow(field, enable ? TRUE : FALSE);
}

Text FieldText(int id) {
  HWND field = Control(id);
  return field ? WindowTextOf(field) : Text();
}

void CreateControls(HWND window) {
  AppState& app = App();
  for (const ControlLayout& c : kControls) {
    // The rules per program come before OK and Cancel in the Tab order.
    if (c.id == kSetOk) CreateProgramRulesPanel(window, app.settings.Programs);
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    int height = c.h;
    switch (c.kind) {
      case kLabel:
        cls = L"STATIC";
        style |= WS_GROUP;  // its mnemonic gives the focus to the control after it
        break;
      case kImageList:
        cls = WC_COMBOBOXEXW;
        style |= WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST;
        height = DropDownHeight(c.h, app.settings.LanguageList.size());
        break;
      case kHotkeyField:
        cls = HOTKEY_CLASSW;
        style |= WS_TABSTOP | WS_GROUP | WS_BORDER;
        break;
      case kRadioFirst:
        style |= WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON;
        break;
      case kRadio:
        style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
        break;
      case kEdit:
        // Closes the option buttons' group; a client edge, so that the
        // field shows in high contrast too.
        cls = L"EDIT";
        style |= WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | ES_LEFT;
        break;
      case kHiddenLabel:
        cls = L"STATIC";
        style = WS_CHILD | SS_NOPREFIX;
        break;
      case kGroupBox:
        style |= WS_GROUP | BS_GROUPBOX;
        break;
      case kCheckBox:
        style |= WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX;
        break;
      case kDefaultButton:
        style |= WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON;
        break;
      case kButton:
        style |= WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
        break;
    }
    const Text caption = c.section ? Tr(c.section, c.key) : Text();
    HWND control = CreateWindowExW(
        c.kind == kEdit ? WS_EX_CLIENTEDGE : 0, cls, W(caption), style, ScaleX(c.x), ScaleY(c.y),
        ScaleX(c.w), ScaleY(height), window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
        app.instance, nullptr);
    if (!control) continue;
    if (c.kind == kEdit)
      NameFieldByLabel(control, GetDlgItem(window, c.id == kSetCaption ? kSetCaptionLabel
                                                                        : kSetCommandLabel));
    if (HFONT font = MessageFontHandle())
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
}

void FillLanguageList(const Settings& settings) {
  HWND box = Control(kSetLanguage);
  if (!box) return;
  if (HIMAGELIST images = FlagImageList())
    SendMessageW(box, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
  int selected = -1;
  for (size_t i = 0; i < settings.LanguageList.size(); ++i) {
    const Text& name = settings.LanguageList[i];
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT;
    item.iItem = static_cast<INT_PTR>(i);
    item.pszText = const_cast<wchar_t*>(W(name));
    const int image = FlagImageIndex(name);
    if (image >= 0) {
      item.mask |= CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
      item.iImage = image;
      item.iSelectedImage = image;
    }
    SendMessageW(box, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (selected < 0 && UpperText(name) == UpperText(settings.Language))
      selected = static_cast<int>(i);
  }
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// The hotkey field shows "none" in the program's language while it holds no
// key (the field's own word would be the system's) and no modifier is held.
LRESULT CALLBACK HotkeyFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                 DWORD_PTR) {
  if (msg == WM_PAINT && SendMessageW(hwnd, HKM_GETHOTKEY, 0, 0) == 0 &&
      !(GetFocus() == hwnd && ((GetKeyState(VK_CONTROL) | GetKeyState(VK_MENU) |
                                GetKeyState(VK_SHIFT)) & 0x8000))) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(IsWindowEnabled(hwnd) ? COLOR_WINDOW : COLOR_BTNFACE));
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const Text none = Tr(u"WinSettings", u"HotkeyNone");
    RECT text = client;
    text.left += 1;
    DrawTextW(dc, W(none), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
    return 0;
  }
  // Backspace or Del alone clears the field: no hotkey.
  if (msg == WM_KEYDOWN && (wp == VK_BACK || wp == VK_DELETE) &&
      !((GetKeyState(VK_CONTROL) | GetKeyState(VK_MENU) | GetKeyState(VK_SHIFT)) & 0x8000)) {
    SendMessageW(hwnd, HKM_SETHOTKEY, 0, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
  }
  if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP)
    InvalidateRect(hwnd, nullptr, TRUE);
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, HotkeyFieldProc, id);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// The hotkey field's modifier flags and the program's (RegisterHotKey's).
struct ModifierPair {
  BYTE field;
  std::uint8_t program;
};
constexpr ModifierPair kModifierPairs[] = {
    {HOTKEYF_CONTROL, kHotkeyCtrl}, {HOTKEYF_ALT, kHotkeyAlt}, {HOTKEYF_SHIFT, kHotkeyShift}};

void FillHotkeyField(const Settings& settings) {
  HWND field = Control(kSetHotkey);
  if (!field) return;
  SetWindowSubclass(field, HotkeyFieldProc, 1, 0);
  // A number that names no function key (from a hand-edited file) shows none.
  const KeyCombination hotkey = HotkeyOf(settings);
  BYTE flags = 0;
  for (const ModifierPair& pair : kModifierPairs)
    if (hotkey.modifiers & pair.program) flags |= pair.field;
  SendMessageW(field, HKM_SETHOTKEY, MAKEWORD(hotkey.key, flags), 0);
  SetChecked(kSetHotkeyWin, (hotkey.modifiers & kHotkeyWin) != 0);
}

// The combination the field and the Windows key box stand for; no key for none.
KeyCombination FieldHotkey() {
  HWND field = Control(kSetHotkey);
  const LRESULT value = field ? SendMessageW(field, HKM_GETHOTKEY, 0, 0) : 0;
  KeyCombination combination;
  combination.key = LOBYTE(LOWORD(value));
  if (combination.key == 0) return combination;
  const BYTE flags = HIBYTE(LOWORD(value));
  for (const ModifierPair& pair : kModifierPairs)
    if (flags & pair.field) combination.modifiers |= pair.program;
  if (Checked(kSetHotkeyWin)) combination.modifiers |= kHotkeyWin;
  return combination;
}

// The settings' hotkey fields for a combination: a function key alone is
// kept as its number, as the file always had it.
void StoreHotkey(Settings& settings, KeyCombination combination) {
  settings.HotkeyCombination = KeyCombination();
  if (combination.key == 0)
    settings.Hotkey = 0;
  else if (combination.modifiers == 0 && IsFunctionKey(combination.key))
    settings.Hotkey = static_cast<std::int8_t>(combination.key - kFirstFunctionKey + 1);
  else {
    settings.Hotkey = 0;
    settings.HotkeyCombination = combination;
  }
}

// The selected entry of a list, or -1.
int Selection(int id) {
  HWND box = Control(id);
  return box ? static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0)) : -1;
}

// The name of the language selected in the list; false when none is.
bool SelectedLanguage(Text& name) {
  HWND box = Control(kSetLanguage);
  const int index = Selection(kSetLanguage);
  if (!box || index < 0) return false;
  wchar_t buffer[MAX_PATH + 1] = {};
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT;
  item.iItem = index;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH;
  if (!SendMessageW(box, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return false;
  name = reinterpret_cast<const char16_t*>(item.pszText);
  return true;
}

// Moves the selection of a list by one entry; the ends keep it.
void StepList(int id, int delta) {
  HWND box = Control(id);
  if (!box) return;
  const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
  const int index = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
  const int next = index + delta;
  if (next < 0 || next >= count || (delta < 0 && index <= 0)) return;
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
}

// Checks option `to` in place of `from` with the keyboard.
void MoveOption(int from, int to) {
  SetChecked(from, false);
  SetChecked(to, true);
  if (HWND option = Control(to)) SetFocus(option);
  EnableCustomFields(to == kSetCustom);
}

void OnUp() {
  if (StepProgramRulesPanel(-1)) return;
  if (HasFocus(kSetLanguage))
    StepList(kSetLanguage, -1);
  else if (HasFocus(kSetCustom))
    MoveOption(kSetCustom, kSetStandard);
}

void OnDown() {
  if (StepProgramRulesPanel(1)) return;
  if (HasFocus(kSetLanguage))
    StepList(kSetLanguage, 1);
  else if (HasFocus(kSetStandard))
    MoveOption(kSetStandard, kSetCustom);
}

// OK: applies, and when a new language was loaded forms the help file path
// again from its help file name.
void OnOk() {
  AppState& app = App();
  const Text help = ApplySettings(app.settings_path, app.settings);
  if (!help.empty()) app.help_path = HelpFilePath(app.program_folder, help);
}

void OnFilesDropped() {
  if (!g_dropped.pending) return;
  DroppedFile dropped = std::move(g_dropped);
  g_dropped = DroppedFile();
  HWND field = Control(kSetCommand);
  if (!field) return;
  SetFocus(field);
  const Text text =
      dropped.shift ? MakeRelativePath(dropped.path, App().program_folder) : dropped.path;
  SetWindowTextW(field, W(text));
}

// Releases the hotkey that is registered now and registers the new one.
// After a failure the previous hotkey is registered again, so that the
// program is not left without one.
bool ChangeHotkey(const Settings& old_settings, const Settings& new_settings) {
  UnregisterProgramHotkey();
  if (ApplyHotkey(new_settings)) return true;
  const KeyCombination old_hotkey = HotkeyOf(old_settings);
  if (old_hotkey.key != 0 && !RegisterProgramHotkey(old_hotkey)) SetTrayTip(u"Glyphwell");
  return false;
}

}  // namespace

HIMAGELIST FlagImageList() {
  if (g_flags) return g_flags;
  const int width = ScaleX(16);
  const int height = ScaleY(16);
  g_flags = ImageList_Create(width, height, ILC_COLOR32, static_cast<int>(std::size(kFlags)), 0);
  if (!g_flags) return nullptr;
  for (size_t i = 0; i < std::size(kFlags); ++i) {
    PngImage image;
    if (!LoadPngResource(kFlags[i].resource, image)) continue;
    HBITMAP bitmap = CreateAlphaBitmap(image, width, height);
    if (!bitmap) continue;
    g_flag_index[i] = ImageList_Add(g_flags, bitmap, nullptr);
    DeleteObject(bitmap);
  }
  return g_flags;
}

int FlagImageIndex(const Text& language) {
  FlagImageList();
  for (size_t i = 0; i < std::size(kFlags); ++i)
    if (language == kFlags[i].language) return g_flag_index[i];
  return -1;
}

void OpenSettingsWindow() {
  AppState& app = App();
  for (int number = EditEntryWindow; number <= SettingsWindow; ++number)
    if (EntryWindowHandle(number)) return;

  // 1. 2. The status bar is cleared, the window made.
  SetStatusText(Text());
  const Text title = Tr(u"MenuMain", u"Settings");
  HWND window = CreateSecondaryFrame(kWin, title, kRulesPanelLeft + kRulesPanelWidth + 10, 385);
  if (!window) {
    ShowMessage(FillPlaceholders(Tr(u"General", u"ErrOpen"), title), MB_ICONERROR);
    return;
  }
  SetSecondaryWindow(kWin, window, nullptr);

  // 3. 4. The main window disabled; the controls made and filled.
  if (app.main_window) EnableWindow(app.main_window, FALSE);
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CreateControls(window);
  const Settings& settings = app.settings;
  FillLanguageList(settings);
  FillHotkeyField(settings);
  const bool custom = settings.Option == CharMapOption::Custom;
  SetChecked(custom ? kSetCustom : kSetStandard, true);
  SetWindowTextW(Control(kSetCaption), W(settings.CustomCaption));
  SetWindowTextW(Control(kSetCommand), W(settings.CustomCommand));
  EnableCustomFields(custom);
  SetChecked(kSetBeep, settings.Beep);
  SetChecked(kSetHtml, settings.HTML);
  SetChecked(kSetCheckUpdate, settings.CheckUpdate);
  SetChecked(kSetConfirmEnd, settings.ConfirmEnd);

  // 5. 6. Focus rectangles and mnemonics shown at once; the focus on the
  // language list.
  SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  if (HWND languages = Control(kSetLanguage)) SetFocus(languages);

  // 7. 8. Files dropped on the Command field; the shortcuts.
  AcceptDroppedFiles(Control(kSetCommand));
  SetSecondaryWindow(kWin, window, MakeEntryShortcuts(true));
}

void DropFilesOnCommandField(HDROP drop) {
  if (!drop || !EntryWindowHandle(kWin)) return;
  const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
  if (length == 0) return;
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  const UINT got = DragQueryFileW(drop, 0, buffer.data(), length + 1);
  g_dropped.path = Text(reinterpret_cast<const char16_t*>(buffer.data()), got);
  g_dropped.shift = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
  g_dropped.pending = true;
  Event event;
  event.kind = EventKind::Control;
  event.window = kWin;
  event.object = kSetCommand;
  event.type = ControlFilesDropped;
  PostEvent(event);
}

IDropTarget* CommandFieldDropTarget() { return g_drop_target; }

Text ApplySettings(const Text& settings_path, Settings& settings) {
  if (!EntryWindowHandle(kWin)) return Text();
  bool changed = false;

  // 1. Caption and command as typed, without surrounding spaces.
  const Text caption = TrimSpaces(FieldText(kSetCaption));
  const Text command = TrimSpaces(FieldText(kSetCommand));

  // 2. The character map. Edited caption and command are kept even while
  // the standard map is chosen.
  if (Checked(kSetStandard)) {
    if (settings.Option == CharMapOption::Custom) {
      settings.Option = CharMapOption::Standard;
      SetCharMapLinkText(Tr(u"WinMain", u"Charmap"));
      SetCharMapLinkTooltip(Text());
      changed = true;
    }
  } else if (Checked(kSetCustom)) {
    if (caption.empty() || command.empty()) {
      ShowMessage(Tr(u"WinSettings", u"ErrCustom"), MB_ICONERROR);
      if (HWND field = Control(kSetCaption)) SetFocus(field);
      return Text();
    }
    if (settings.Option == CharMapOption::Standard || caption != settings.CustomCaption ||
        command != settings.CustomCommand) {
      settings.Option = CharMapOption::Custom;
      SetCharMapLinkText(caption);
      SetCharMapLinkTooltip(command);
      changed = true;
    }
  }
  if (caption != settings.CustomCaption || command != settings.CustomCommand) {
    settings.CustomCaption = caption;
    settings.CustomCommand = command;
    changed = true;
  }

  // 3. The language; skipped while the list has no selection.
  Text help;
  Text language;
  if (SelectedLanguage(language) && language != settings.Language) {
    AppState& app = App();
    const LanguageLoadResult loaded =
        LoadLanguageFile(app.language, app.program_folder, language, false);
    if (loaded.status == LanguageLoadStatus::Loaded && !loaded.help_file.empty()) {
      settings.Language = language;
      RelabelMainWindow();
      changed = true;
      help = loaded.help_file;
    } else {
      ShowMessage(loaded.message, MB_ICONWARNING);
    }
  }

  // 4. The hotkey. When it cannot be registered the window stays open and
  // nothing is written; what was applied so far stays in memory.
  // A key the program does not take (a letter alone) is refused the same way.
  Settings chosen = settings;
  StoreHotkey(chosen, FieldHotkey());
  if (HotkeyOf(chosen) != HotkeyOf(settings) || HotkeyName(chosen) != HotkeyName(settings)) {
    const KeyCombination wanted = HotkeyOf(chosen);
    if (wanted.key != 0 && !IsAcceptableHotkey(wanted)) {
      ShowMessage(Tr(u"WinSettings", u"ErrHotkey"), MB_ICONWARNING);
      if (HWND field = Control(kSetHotkey)) SetFocus(field);
      return help;
    }
    TakeHotkeyBack();
    if (!ChangeHotkey(settings, chosen)) return help;
    settings.Hotkey = chosen.Hotkey;
    settings.HotkeyCombination = chosen.HotkeyCombination;
    changed = true;
  }

  // 5. 6. The four options.
  const auto take = [&changed](bool& value, bool now) {
    if (value == now) return;
    value = now;
    changed = true;
  };
  take(settings.Beep, Checked(kSetBeep));
  take(settings.HTML, Checked(kSetHtml));
  take(settings.CheckUpdate, Checked(kSetCheckUpdate));
  take(settings.ConfirmEnd, Checked(kSetConfirmEnd));
  if (EditedProgramRules() != settings.Programs) {
    settings.Programs = EditedProgramRules();
    changed = true;
  }

  // 7. 8. Closed, then written when something changed.
  CloseEntryWindow(kWin);
  FollowProgramsInFront();
  if (changed && !SaveSettings(settings_path, settings))
    ShowMessage(Tr(u"General", u"ErrWrite") + u"\n" + settings_path, MB_ICONERROR);
  return help;
}

void DispatchSettingsWindow(const Event& event) {
  if (!EntryWindowHandle(kWin)) {
    if (event.type == ControlFilesDropped) g_dropped = DroppedFile();
    return;
  }
  switch (event.kind) {
    case EventKind::Command:
      switch (event.object) {
        case 8:
          OnUp();
          break;
        case 9:
          OnDown();
          break;
        case 10:
          if (PressFocusedRulesButton()) break;
          if (HasFocus(kSetCancel))
            CloseEntryWindow(kWin);
          else
            OnOk();
          break;
        case 11:
          CloseEntryWindow(kWin);
          break;
        case 12:
          OnOk();
          break;
        default:
          break;
      }
      break;
    case EventKind::Control:
      if (DispatchProgramRulesPanel(event)) break;
      if (event.type == ControlFilesDropped) {
        if (event.object == kSetCommand) OnFilesDropped();
      } else if (event.type == FocusGained) {
        if (event.object == kSetCaption || event.object == kSetCommand)
          if (HWND field = Control(event.object)) SendMessageW(field, EM_SETSEL, 0, -1);
      } else if (event.type == ControlClick) {
        if (event.object == kSetStandard)
          EnableCustomFields(false);
        else if (event.object == kSetCustom)
          EnableCustomFields(true);
        else if (event.object == kSetOk)
          OnOk();
        else if (event.object == kSetCancel)
          CloseEntryWindow(kWin);
      }
      break;
    case EventKind::Close:  // Alt+F4 or the close command: Cancel
      CloseEntryWindow(kWin);
      break;
    default:
      break;
  }
}

}  // namespace gw
