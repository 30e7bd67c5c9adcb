// Realistic inputs for the benchmarks and the heap harness: a large character
// table, a typical settings file, a full language file, and a scratch folder.
// Everything is generated from a fixed seed, so every run measures the same
// data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/text.h"
#include "table/character_table.h"

namespace gw::bench {

// Size of the large table the file and table benchmarks work on.
inline constexpr int kLargeTableEntries = 10000;

// `count` entries: most with a trigger, each trigger a distinct UTF-16 unit
// (ASCII punctuation and letters, Latin-1, Greek, Cyrillic, then CJK); code
// texts of 1 to 3 fields written as the program writes them (upper-case
// digits, at least four), some above U+FFFF; comments of 10 to 40 units, part
// of them with non-ASCII letters.
std::vector<CharacterEntry> MakeEntries(int count, std::uint32_t seed = 20240611);

// One-unit texts that are no trigger of MakeEntries (for lookups that miss).
std::vector<Text> MissingTriggers(const std::vector<CharacterEntry>& entries, size_t count);

// Number of "\u" fields of a code text.
size_t CountFields(TextView code_text);

// The bytes of a settings file with every option set to a typical value.
std::string MakeSettingsFile();

// The bytes of a language file carrying every section and key of the
// built-in English table, values in double quotes, and the version check
// group with the version written unquoted.
std::string MakeLanguageFile();

// A fresh folder under `base` (by default the system's temporary folder),
// removed with everything in it when the object goes away. Path() ends in a
// slash; it is empty when the folder could not be made.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* base = nullptr);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  bool Ok() const { return !path_.empty(); }
  const Text& Path() const { return path_; }
  Text File(const char16_t* name) const { return path_ + name; }

 private:
  Text path_;
};

}  // namespace gw::bench
