// Reader of ini-style text files: the language files, the settings file and
// the legacy character list.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace gw {

class IniReader {
 public:
  struct Key {
    Text name;   // trailing spaces and tabs removed
    Text value;  // leading and trailing spaces and tabs removed
    Text line;   // the whole line, leading and trailing spaces and tabs removed
  };
  struct Group {
    Text name;              // as written between "[" and "]"
    std::vector<Key> keys;  // in file order, duplicates included, no comments
  };

  // Reads the file: UTF-8 when it starts with the byte-order mark, otherwise
  // the system's ANSI code page. False when the file cannot be opened.
  bool Open(const Text& path);
  // The same from bytes already in memory.
  void OpenBytes(std::string_view bytes);

  // Selects the first group whose name equals `name` ignoring the case of A-Z.
  // Returns false (and makes every Read return its default) when none does.
  bool SelectGroup(TextView name);
  // The value of the first key of the selected group whose name matches
  // ignoring the case of A-Z, or `fallback`.
  Text Read(TextView key, TextView fallback) const;

  // All groups in file order, duplicates included. Keys standing before the
  // first group belong to no group and are not listed.
  const std::vector<Group>& Groups() const { return groups_; }

  void Close();

 private:
  static constexpr size_t kNoGroup = static_cast<size_t>(-1);

  std::vector<Group> groups_;
  // Index into groups_ rather than a pointer, so that a copied reader keeps
  // pointing at its own groups.
  size_t selected_ = kNoGroup;
};

}  // namespace gw
