#include <windows.h>

#include "base/message_box.h"
#include "base/placeholders.h"
#include "mainwindow/app_state_win32.h"
#include "table/table_win32.h"

namespace gw {

SaveResult SaveTableShown(const Text& path, int skip_row) {
  AppState& app = App();
  return SaveCharacterTable(app.table, path, skip_row, app.character_file_unreadable);
}

void ReportSave(const SaveResult& result, const Text& path) {
  switch (result.outcome) {
    case SaveOutcome::Written:
      break;
    case SaveOutcome::Kept:
      ShowMessage(FillPlaceholders(Tr(u"General", u"InfoKept"), result.kept_path) + u"\n\n" +
                      Tr(u"General", u"InfoKeptSaved"),
                  MB_ICONWARNING);
      break;
    case SaveOutcome::KeepFailed:
      ShowMessage(FillPlaceholders(Tr(u"General", u"ErrKeep"), path), MB_ICONERROR);
      break;
    case SaveOutcome::WriteFailed:
      ShowMessage(Tr(u"General", u"ErrWrite") + u"\n" + path, MB_ICONERROR);
      // Written nowhere, and the user's file could not go back to its name.
      if (!result.kept_path.empty())
        ShowMessage(FillPlaceholders(Tr(u"General", u"InfoKept"), result.kept_path), MB_ICONWARNING);
      break;
  }
}

}  // namespace gw
