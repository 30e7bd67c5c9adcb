#include "settings/program_rules_panel_win32.h"

#include <commctrl.h>

#include <iterator>

#include "base/message_box.h"
#include "base/placeholders.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "table/entry_windows_win32.h"
#include "table/entry_input.h"

namespace gw {

namespace {

constexpr int kWin = SettingsWindow;
constexpr int kX = kRulesPanelLeft + 10;
constexpr int kW = kRulesPanelWidth - 20;
constexpr int kLabelW = 100;  // the labels "Program:" and "Insert by:" in every language

ProgramRules g_rules;

constexpr const char16_t* kMethodKeys[] = {u"MethodType", u"MethodPaste", u"MethodCode"};
constexpr InsertMethod kMethods[] = {InsertMethod::Type, InsertMethod::Paste, InsertMethod::Code};

HWND Control(int id) { return EntryControl(kWin, id); }

HWND Make(HWND window, const wchar_t* cls, DWORD style, const Text& caption, int id, int x, int y,
          int w, int h, DWORD ex_style = 0) {
  HWND control = CreateWindowExW(ex_style, cls, W(caption),
                                 WS_CHILD | WS_VISIBLE | style, ScaleX(x), ScaleY(y), ScaleX(w),
                                 ScaleY(h), window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 App().instance, nullptr);
  if (control)
    if (HFONT font = MessageFontHandle())
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

Text Caption(const char16_t* key) { return Tr(u"WinSettings", key); }

int MethodIndex(InsertMethod method) {
  for (int i = 0; i < static_cast<int>(std::size(kMethods)); ++i)
    if (kMethods[i] == method) return i;
  return 0;
}

int SelectedRule() {
  HWND list = Control(kSetRules);
  return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

void SelectRule(int index) {
  HWND list = Control(kSetRules);
  if (!list || index < 0) return;
  ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, index, FALSE);
}

void FillList(int select) {
  HWND list = Control(kSetRules);
  if (!list) return;
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < g_rules.rules.size(); ++i) {
    const ProgramRule& rule = g_rules.rules[i];
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(W(rule.program));
    const int at = ListView_InsertItem(list, &item);
    const Text method = Caption(kMethodKeys[MethodIndex(rule.method)]);
    ListView_SetItemText(list, at, 1, const_cast<wchar_t*>(W(method)));
    const Text passed = rule.pass_hotkey ? Caption(u"HotkeyPassed") : Text();
    ListView_SetItemText(list, at, 2, const_cast<wchar_t*>(W(passed)));
  }
  SelectRule(select);
}

void ShowRuleInFields(int index) {
  if (index < 0 || index >= static_cast<int>(g_rules.rules.size())) return;
  const ProgramRule& rule = g_rules.rules[static_cast<size_t>(index)];
  SetWindowTextW(Control(kSetProgram), W(rule.program));
  SendMessageW(Control(kSetMethod), CB_SETCURSEL, static_cast<WPARAM>(MethodIndex(rule.method)), 0);
  SendMessageW(Control(kSetPassHotkey), BM_SETCHECK, rule.pass_hotkey ? BST_CHECKED : BST_UNCHECKED,
               0);
}

// The rule the fields describe; false (with a message) when the name is empty.
bool RuleOfFields(ProgramRule& rule) {
  rule.program = TrimSpaces(WindowTextOf(Control(kSetProgram)));
  if (rule.program.empty() || ProgramFileName(rule.program).empty()) {
    ShowMessage(Caption(u"ErrProgram"), MB_ICONWARNING);
    if (HWND field = Control(kSetProgram)) SetFocus(field);
    return false;
  }
  const int method = static_cast<int>(SendMessageW(Control(kSetMethod), CB_GETCURSEL, 0, 0));
  rule.method = kMethods[method >= 0 && method < 3 ? method : 0];
  rule.pass_hotkey = SendMessageW(Control(kSetPassHotkey), BM_GETCHECK, 0, 0) == BST_CHECKED;
  return true;
}

int IndexOf(TextView program) {
  for (size_t i = 0; i < g_rules.rules.size(); ++i)
    if (SameProgram(g_rules.rules[i].program, program)) return static_cast<int>(i);
  return -1;
}

// Add: a program that has a rule already gets the new one in its place.
void AddRule() {
  ProgramRule rule;
  if (!RuleOfFields(rule)) return;
  int at = IndexOf(rule.program);
  if (at >= 0) {
    g_rules.rules[static_cast<size_t>(at)] = rule;
  } else {
    g_rules.rules.push_back(rule);
    at = static_cast<int>(g_rules.rules.size()) - 1;
  }
  FillList(at);
}

void ChangeRule() {
  const int selected = SelectedRule();
  if (selected < 0) return AddRule();
  ProgramRule rule;
  if (!RuleOfFields(rule)) return;
  // Another rule for the same program gives way to the changed one.
  const int other = IndexOf(rule.program);
  g_rules.rules[static_cast<size_t>(selected)] = rule;
  int select = selected;
  if (other >= 0 && other != selected) {
    g_rules.rules.erase(g_rules.rules.begin() + other);
    if (other < selected) --select;
  }
  FillList(select);
}

void RemoveRule() {
  const int selected = SelectedRule();
  if (selected < 0) return;
  g_rules.rules.erase(g_rules.rules.begin() + selected);
  const int count = static_cast<int>(g_rules.rules.size());
  FillList(selected < count ? selected : count - 1);
  if (count == 0) SetWindowTextW(Control(kSetProgram), L"");
}

// The program that was in front before Glyphwell came up: selected when it
// has a rule, else added as typed (Typing, hotkey kept), to be changed from there.
void AddProgramInFront() {
  const Text program(ProgramFileName(ProgramOfPreviousWindow()));
  if (program.empty()) {
    ShowMessage(Caption(u"ErrNoProgramInFront"), MB_ICONWARNING);
    return;
  }
  const int at = IndexOf(program);
  if (at >= 0) {
    FillList(at);
    ShowRuleInFields(at);
    return;
  }
  SetWindowTextW(Control(kSetProgram), W(program));
  SendMessageW(Control(kSetMethod), CB_SETCURSEL, 0, 0);
  SendMessageW(Control(kSetPassHotkey), BM_SETCHECK, BST_UNCHECKED, 0);
  AddRule();
}

bool HasFocus(int id) {
  HWND control = Control(id);
  HWND focus = GetFocus();
  return control && focus && (focus == control || IsChild(control, focus));
}

}  // namespace

void CreateProgramRulesPanel(HWND window, const ProgramRules& rules) {
  g_rules = rules;
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND list = Make(window, WC_LISTVIEWW,
                   WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                       LVS_NOSORTHEADER,
                   Text(), kSetRules, kX, 30, kW, 120, WS_EX_CLIENTEDGE);
  if (list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const struct {
      const char16_t* key;
      int width;
    } columns[] = {{u"ColumnProgram", 130}, {u"ColumnMethod", 100}, {u"ColumnHotkey", 76}};
    for (int i = 0; i < 3; ++i) {
      const Text caption = Caption(columns[i].key);
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = ScaleX(columns[i].width);
      column.pszText = const_cast<wchar_t*>(W(caption));
      ListView_InsertColumn(list, i, &column);
    }
  }
  Make(window, L"STATIC", WS_GROUP, Caption(u"Program"), kSetProgramLabel, kX, 160,
       kLabelW, 20);
  Make(window, L"EDIT", WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL | WS_BORDER, Text(), kSetProgram,
       kX + kLabelW + 5, 158, kW - kLabelW - 5, 21);
  Make(window, L"STATIC", WS_GROUP, Caption(u"Method"), kSetMethodLabel, kX, 186,
       kLabelW, 20);
  if (HWND box = Make(window, WC_COMBOBOXW, WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST,
                      Text(), kSetMethod, kX + kLabelW + 5, 183, kW - kLabelW - 5, 100)) {
    for (const char16_t* key : kMethodKeys)
      SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(Caption(key))));
    SendMessageW(box, CB_SETCURSEL, 0, 0);
  }
  Make(window, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, Caption(u"PassHotkey"),
       kSetPassHotkey, kX, 211, kW, 20);
  const int button_w = (kW - 10) / 3;
  Make(window, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, Caption(u"AddRule"), kSetAddRule,
       kX, 238, button_w, 25);
  Make(window, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, Caption(u"ChangeRule"),
       kSetChangeRule, kX + button_w + 5, 238, button_w, 25);
  Make(window, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, Caption(u"RemoveRule"),
       kSetRemoveRule, kX + 2 * (button_w + 5), 238, button_w, 25);
  Make(window, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, Caption(u"AddInFront"),
       kSetAddInFront, kX, 268, kW, 25);
  const Text unreadable =
      rules.unreadable.empty()
          ? Text()
          : FillPlaceholders(Caption(u"InfoUnreadable"), NumberText(static_cast<long long>(rules.unreadable.size())));
  Make(window, L"STATIC", SS_NOPREFIX | WS_GROUP, unreadable, kSetUnreadable, kX, 298, kW, 34);
  Make(window, L"BUTTON", WS_GROUP | BS_GROUPBOX, Caption(u"Programs"), kSetRulesGroup,
       kRulesPanelLeft, 10, kRulesPanelWidth, 325);
  FillList(g_rules.rules.empty() ? -1 : 0);
  ShowRuleInFields(0);
}

const ProgramRules& EditedProgramRules() { return g_rules; }

bool StepProgramRulesPanel(int delta) {
  if (HasFocus(kSetMethod)) {
    HWND box = Control(kSetMethod);
    const int next = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0)) + delta;
    if (next >= 0 && next < static_cast<int>(std::size(kMethods)))
      SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
    return true;
  }
  if (!HasFocus(kSetRules)) return false;
  const int count = static_cast<int>(g_rules.rules.size());
  const int selected = SelectedRule();
  const int next = selected < 0 ? 0 : selected + delta;
  if (next >= 0 && next < count) SelectRule(next);
  return true;
}

bool PressFocusedRulesButton() {
  for (int id : {kSetAddRule, kSetChangeRule, kSetRemoveRule, kSetAddInFront}) {
    if (!HasFocus(id)) continue;
    Event event;
    event.kind = EventKind::Control;
    event.window = kWin;
    event.object = id;
    event.type = ControlClick;
    return DispatchProgramRulesPanel(event);
  }
  return false;
}

bool DispatchProgramRulesPanel(const Event& event) {
  if (event.kind != EventKind::Control) return false;
  switch (event.object) {
    case kSetRules:
      if (event.type == ControlSelectionChanged) ShowRuleInFields(SelectedRule());
      return true;
    case kSetAddRule:
      if (event.type == ControlClick) AddRule();
      return true;
    case kSetChangeRule:
      if (event.type == ControlClick) ChangeRule();
      return true;
    case kSetRemoveRule:
      if (event.type == ControlClick) RemoveRule();
      return true;
    case kSetAddInFront:
      if (event.type == ControlClick) AddProgramInFront();
      return true;
    default:
      return false;
  }
}

}  // namespace gw
