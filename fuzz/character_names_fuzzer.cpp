// The reader of the name file on arbitrary bytes: input that begins with the
// file's "GWNAMES1" goes through the whole file reader (header, zlib, CRC-32),
// any other input is taken as the name text itself, which a damaged file
// reaches only when its CRC-32 happens to match.
//
// Properties:
// - reading never fails otherwise than by returning false, and a false read
//   leaves no names at all;
// - every name and entity name it gives is printable ASCII, and no name is
//   longer than the input and a code point's digits.
#include <string>

#include "fuzz/fuzz_common.h"
#include "table/character_names.h"

namespace {

bool Printable(std::string_view text) {
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = gw::fuzz::BytesOf(data, size);
  gw::CharacterNames names;
  const bool read = bytes.starts_with("GWNAMES1") ? names.Load(bytes) : names.LoadText(std::string(bytes));
  if (!read) {
    GW_FUZZ_CHECK(names.Empty());
    GW_FUZZ_CHECK(names.Name(0x41).empty());
    return 0;
  }
  for (char32_t code : {0x0u, 0x9u, 0x26u, 0x41u, 0xF6u, 0x2013u, 0x3400u, 0x4DBFu, 0xAC00u, 0xD7A3u,
                        0x1F600u, 0x10FFFFu}) {
    const std::string name = names.Name(code);
    GW_FUZZ_CHECK(Printable(name));
    GW_FUZZ_CHECK(name.size() <= size + 16);
    GW_FUZZ_CHECK(Printable(names.EntityNames(code)));
  }
  return 0;
}
