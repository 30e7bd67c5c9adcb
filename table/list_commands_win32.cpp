// The main window's commands that change the table directly (Delete, Move up,
// Move down) and the Edit and New commands that open the entry editors. Every
// change is written to the character file at once; the list, the table and
// its trigger index stay in step whatever the write's outcome.
#include <windows.h>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/platform.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"
#include "table/character_file.h"
#include "table/entry_windows_win32.h"
#include "table/table_win32.h"

namespace gw {

namespace {

// Selects a row of the list as the program's own doing, so that the
// selection change is not taken for the user's.
void SelectRowQuietly(int row) {
  g_program_selecting = true;
  SelectListRow(row);
  g_program_selecting = false;
}

}  // namespace

void DeleteSelectedEntry() {
  AppState& app = App();
  app.last_focused_control = kCtlDelete;
  FollowListSelection();
  CharacterTable& table = app.table;
  const int row = table.CurrentRow();
  if (!table.IsRow(row)) return;
  SetStatusText(Text());

  Text question = Tr(u"WinDelete", u"AskDelete") + u"\n\n";
  for (int column = 0; column < 4; ++column) {
    if (column > 0) question += u'\t';
    question += table.Column(row, column);
  }
  if (ShowMessage(question, MB_YESNO) != IDYES) return;

  // Written first, without the row, while the row is still shown.
  const SaveResult saved = SaveTableShown(app.character_path, row);
  if (!Saved(saved)) {
    ReportSave(saved, app.character_path);
    return;
  }
  app.file_stamp = FileStampOf(app.character_path);
  table.RemoveRow(row);  // drops the trigger and renumbers the rows after it
  g_program_selecting = true;
  RemoveListRow(row);
  g_program_selecting = false;
  // The row that followed becomes current; none after the last row.
  SelectRowQuietly(table.IsRow(row) ? row : -1);
  ReportSave(saved, app.character_path);
}

void MoveSelectedRow(int delta) {
  AppState& app = App();
  FollowListSelection();
  CharacterTable& table = app.table;
  const int row = table.CurrentRow();
  const int target = row + delta;
  if ((delta != -1 && delta != 1) || !table.IsRow(row) || !table.IsRow(target)) return;

  table.MoveRow(row, delta);  // renumbers the triggers of both rows
  UpdateListRow(row);
  UpdateListRow(target);
  const SaveResult saved = SaveTableShown(app.character_path, -1);
  if (Saved(saved)) {
    app.file_stamp = FileStampOf(app.character_path);
    SelectRowQuietly(target);
    ReportSave(saved, app.character_path);
    return;
  }
  // Undone, so the table is as before the command.
  table.MoveRow(target, -delta);
  UpdateListRow(row);
  UpdateListRow(target);
  SelectRowQuietly(row);
  ReportSave(saved, app.character_path);
}

void OpenEditEntryWindow() {
  App().last_focused_control = kCtlEdit;
  FollowListSelection();
  OpenEditEntryWindowFor(App().table.CurrentRow());
}

void OpenNewEntryWindow() {
  App().last_focused_control = kCtlNew;
  FollowListSelection();
  OpenNewEntryWindowNow();
}

}  // namespace gw
