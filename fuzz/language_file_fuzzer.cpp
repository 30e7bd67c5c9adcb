// Loading a language file of arbitrary bytes.
//
// Properties:
// - the file that was just written always opens;
// - a successful load leaves only upper-cased section and key names, has the
//   "VERSION CHECK" section, and every stored text obeys the mnemonic rule
//   (no "&", or a single one before a letter that upper-cases to A-Z);
// - a failed load leaves the table untouched, or the built-in English table
//   when falling back, and says why;
// - a lookup never gives an empty text, whatever section and key it asks for.
#include <algorithm>

#include "fuzz/fuzz_common.h"
#include "settings/language.h"

namespace {

using gw::LanguageTable;
using gw::Text;

Text LowerAscii(const Text& text) {
  Text lower = text;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  return lower;
}

bool SameTable(const LanguageTable& a, const LanguageTable& b) { return a.sections == b.sections; }

void CheckMnemonic(const Text& text) {
  const auto count = std::count(text.begin(), text.end(), u'&');
  GW_FUZZ_CHECK(count <= 1);
  if (count == 1) {
    const size_t at = text.find(u'&');
    GW_FUZZ_CHECK(at + 1 < text.size());
    const char16_t next = gw::UpperChar(text[at + 1]);
    GW_FUZZ_CHECK(next >= u'A' && next <= u'Z');
  }
}

void CheckLookups(const LanguageTable& table, const Text& probe) {
  for (const auto& [section, keys] : table.sections) {
    for (const auto& [key, text] : keys) {
      const Text found = gw::LookupText(table, section, key);
      GW_FUZZ_CHECK(!found.empty());
      GW_FUZZ_CHECK(found == (text.empty() ? Text(gw::kStringNotFound) : text));
      // Names asked for in small letters find the same text.
      GW_FUZZ_CHECK(gw::LookupText(table, LowerAscii(section), LowerAscii(key)) == found);
    }
    GW_FUZZ_CHECK(!gw::LookupText(table, section, probe).empty());
  }
  GW_FUZZ_CHECK(!gw::LookupText(table, probe, probe).empty());
  GW_FUZZ_CHECK(!gw::LookupText(table, u"", u"").empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto& scratch = gw::fuzz::ScratchFolder::Get();
  static const bool made = (scratch.MakeFolder("lang"), true);
  (void)made;
  scratch.Write("lang/Fuzz.lng", gw::fuzz::BytesOf(data, size));

  // The table as a previous language left it.
  LanguageTable before;
  before.sections[u"WINMAIN"][u"ONTOP"] = u"Immer oben";
  before.sections[u"GENERAL"][u"OK"] = u"&OK";
  LanguageTable table = before;
  const bool fall_back = size > 0 && (data[size - 1] & 1);

  const gw::LanguageLoadResult result =
      gw::LoadLanguageFile(table, scratch.Folder(), u"Fuzz", fall_back);
  GW_FUZZ_CHECK(result.status != gw::LanguageLoadStatus::CannotOpen);

  if (result.status == gw::LanguageLoadStatus::Loaded) {
    GW_FUZZ_CHECK(result.message.empty());
    GW_FUZZ_CHECK(result.help_file == gw::HelpFileName(u"Fuzz"));
    GW_FUZZ_CHECK(table.sections.count(u"VERSION CHECK") == 1);
    for (const auto& [section, keys] : table.sections) {
      GW_FUZZ_CHECK(gw::UpperText(section) == section);
      for (const auto& [key, text] : keys) {
        GW_FUZZ_CHECK(gw::UpperText(key) == key);
        CheckMnemonic(text);
      }
    }
  } else {
    GW_FUZZ_CHECK(result.help_file.empty());
    GW_FUZZ_CHECK(!result.message.empty());
    if (fall_back) {
      LanguageTable english;
      gw::LoadBuiltInTable(english);
      GW_FUZZ_CHECK(SameTable(table, english));
    } else {
      GW_FUZZ_CHECK(SameTable(table, before));
    }
  }

  const Text probe = gw::fuzz::Utf16FromBytes(data, std::min<size_t>(size, 16));
  CheckLookups(table, probe);
  return 0;
}
