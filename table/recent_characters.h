// The characters typed most recently through the program, most recent first:
// Find ranks them first among equal matches and shows them while its field
// is empty. Kept in a small file of their own in the data folder
// (RecentCharacters.txt), read the first time they are needed, never at
// start-up.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace gw {

class RecentCharacters {
 public:
  static constexpr size_t kMaxCount = 30;

  // Reads the file's bytes: the line "# Glyphwell recent characters", then
  // one entry a line, its code points in hexadecimal separated by spaces
  // ("2260", "1F469 200D 1F4BB"). False, with an empty list, for bytes that
  // are not such a file; empty bytes are an empty list.
  bool Parse(std::string_view bytes);
  std::string Serialize() const;

  // Puts `characters` first, once; the oldest beyond kMaxCount go. An empty
  // text or one of more than 16 code points is not kept.
  void Add(TextView characters);
  const std::vector<Text>& Items() const { return items_; }

 private:
  std::vector<Text> items_;
};

// The file in `data_folder` (which ends with a path separator).
Text RecentCharactersPath(const Text& data_folder);
// Reads the list from `path`; a missing or damaged file gives an empty list.
RecentCharacters ReadRecentCharacters(const Text& path);
// Writes the list in one step (WriteWholeFile). False when it could not.
bool WriteRecentCharacters(const Text& path, const RecentCharacters& recent);

}  // namespace gw
