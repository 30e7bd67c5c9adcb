#include "base/folders.h"

#include "base/platform.h"

namespace gw {

namespace {
bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

Text WithTrailingBackslash(Text folder) {
  if (!folder.empty() && folder.back() != u'\\') folder.push_back(u'\\');
  return folder;
}
}  // namespace

Text ProgramFolderOf(const Text& exe_path) {
  size_t pos = exe_path.find_last_of(u"\\/");
  if (pos == Text::npos) return Text();
  return exe_path.substr(0, pos + 1);
}

Text LastFolderComponent(const Text& folder) {
  Text p = folder;
  while (!p.empty() && p.back() == u'\\') p.pop_back();
  size_t pos = p.find_last_of(u"\\/");
  return pos == Text::npos ? p : p.substr(pos + 1);
}

Text DataFolderFor(const Text& program_folder, Text program_files,
                   const std::function<Text()>& app_data) {
  program_files = WithTrailingBackslash(program_files);
  if (!program_files.empty() && program_folder.size() >= program_files.size() &&
      UpperText(TextView(program_folder).substr(0, program_files.size())) ==
          UpperText(program_files)) {
    return WithTrailingBackslash(app_data()) + LastFolderComponent(program_folder) + u"\\";
  }
  return program_folder;
}

Text DataFolderFor(const Text& program_folder, Text program_files, Text app_data) {
  return DataFolderFor(program_folder, std::move(program_files), [&] { return app_data; });
}

bool IsPerUserDataFolder(const Text& data_folder, const Text& program_folder) {
  return data_folder != program_folder;
}

bool EnsureDirectory(const Text& path_in) {
  Text path = path_in;
  if (!path.empty() && !IsSeparator(path.back()))
    path.push_back(path.find(u'\\') == Text::npos && path.find(u'/') != Text::npos ? u'/' : u'\\');
  size_t i = 0;
  while (i < path.size() && (IsSeparator(path[i]) || path[i] == u'?')) ++i;
  // The root (drive or server name) ends at the next separator.
  while (i < path.size() && !IsSeparator(path[i])) ++i;
  if (i >= path.size()) return true;
  ++i;
  for (; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) continue;
    Text prefix = path.substr(0, i + 1);
    if (DirectoryExists(prefix)) continue;
    while (!prefix.empty() &&
           (prefix.back() == u' ' || prefix.back() == u'\\' || prefix.back() == u'/'))
      prefix.pop_back();
    if (prefix.empty() || !CreateOneDirectory(prefix)) return false;
  }
  return true;
}

}  // namespace gw
