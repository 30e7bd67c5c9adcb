// The names of characters in the main window: read from the program's
// resources when first needed (never at start-up), and shown as the tooltip
// of the selected row's Characters cell. The tooltip is one more tool of the
// main window's tooltip window; the list's mouse messages are relayed to it
// and move the tool onto the cell while the mouse is over that cell.
#include <windows.h>
#include <windowsx.h>
#include <commctrl.h>

#include <string_view>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/find_window.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"

namespace gw {

namespace {

constexpr UINT_PTR kToolId = 1;

WNDPROC g_list_procedure_before = nullptr;
bool g_tool_added = false;
RECT g_tool_rect{};
std::wstring g_tip_text;

TOOLINFOW ToolInfo(HWND list) {
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = list;
  info.uId = kToolId;
  return info;
}

// The tool covers the selected row's Characters cell while the mouse is in
// it, and nothing otherwise, so that the tooltip shows and goes with the
// mouse entering and leaving the cell.
void FollowMouse(HWND list, HWND tooltip, POINT at) {
  TOOLINFOW info = ToolInfo(list);
  RECT cell{};
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (row < 0 || !ListView_GetSubItemRect(list, row, 1, LVIR_BOUNDS, &cell) || !PtInRect(&cell, at))
    SetRectEmpty(&cell);
  if (EqualRect(&cell, &g_tool_rect)) return;
  g_tool_rect = cell;
  info.rect = cell;
  SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&info));
}

// The tooltip's text: the name of the first character of the selected row.
void AnswerTipText(HWND list, NMTTDISPINFOW& request) {
  const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  const std::string name =
      FirstCharacterName(ProgramCharacterNames(), App().table.ColumnText(row, TableColumn::Characters));
  g_tip_text.assign(name.begin(), name.end());
  request.lpszText = g_tip_text.data();
  request.szText[0] = L'\0';
  request.hinst = nullptr;
}

bool g_keyboard_input = false;

LRESULT CALLBACK CharacterTooltipFilter(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  HWND tooltip = MainTooltipWindow();
  if (msg == WM_KEYDOWN)
    g_keyboard_input = true;
  else if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN)
    g_keyboard_input = false;
  if (tooltip && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    if (msg == WM_MOUSEMOVE) FollowMouse(hwnd, tooltip, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    if (g_tool_added) {
      MSG relayed{hwnd, msg, wp, lp, 0, {}};
      SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
  } else if (msg == WM_NOTIFY && lp) {
    auto& header = *reinterpret_cast<NMHDR*>(lp);
    if (tooltip && header.hwndFrom == tooltip && header.idFrom == kToolId &&
        header.code == TTN_GETDISPINFOW) {
      AnswerTipText(hwnd, *reinterpret_cast<NMTTDISPINFOW*>(lp));
      return 0;
    }
  }
  return CallWindowProcW(g_list_procedure_before, hwnd, msg, wp, lp);
}

}  // namespace

bool ListInputWasKeyboard() { return g_keyboard_input; }

const CharacterNames& ProgramCharacterNames() {
  static CharacterNames names;
  static bool read = false;
  if (!read) {
    read = true;
    const void* data = nullptr;
    std::size_t size = 0;
    if (ResourceBytes(IDR_CHARACTER_NAMES, data, size))
      names.Load(std::string_view(static_cast<const char*>(data), size));
  }
  return names;
}

void InstallCharacterTooltip() {
  HWND list = App().list;
  HWND tooltip = MainTooltipWindow();
  if (!list || !tooltip || g_list_procedure_before) return;
  TOOLINFOW info = ToolInfo(list);
  info.lpszText = LPSTR_TEXTCALLBACKW;  // empty rectangle: the mouse moves it onto the cell
  g_tool_added = SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
  if (!g_tool_added) return;
  // The filter goes between the trigger-key filter and the list view's own
  // procedure, so that the trigger-key filter stays the list's procedure.
  if (g_list_procedure) {
    g_list_procedure_before = g_list_procedure;
    g_list_procedure = CharacterTooltipFilter;
  } else {
    g_list_procedure_before = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CharacterTooltipFilter)));
  }
}

}  // namespace gw
