// The start-up import of a legacy list file of arbitrary bytes (a
// Characters.lst beside a Characters.json that does not exist).
//
// Properties:
// - the outcome is an import or a read error, nothing else, and the load
//   neither writes the character file nor deletes the list;
// - an import holds one record per key of the first group, in order, without
//   trigger, with the key name as code text (valid code text, every one) and
//   the value as comment;
// - a read error leaves no records and happens only for a list without
//   group or with a key name that is not valid code text;
// - the first write of an imported table reads back as the same records, so
//   the migration loses nothing.
#include "fuzz/fuzz_common.h"
#include "settings/ini_reader.h"
#include "table/character_file.h"
#include "table/code_notation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = gw::fuzz::BytesOf(data, size);
  const auto& scratch = gw::fuzz::ScratchFolder::Get();
  scratch.Write("Characters.lst", bytes);
  const gw::Text path = scratch.Path("Characters.json");
  GW_FUZZ_CHECK(!gw::PathExists(path));

  std::vector<gw::CharacterEntry> records = {{u"x", u"\\u0078", u"left over"}};
  const gw::LoadResult result = gw::LoadCharacterTable(path, records);
  GW_FUZZ_CHECK(!gw::PathExists(path));
  GW_FUZZ_CHECK(gw::FileExists(gw::LegacyListPath(path)));

  gw::IniReader list;
  list.OpenBytes(bytes);
  const auto& groups = list.Groups();

  if (result.status == gw::LoadStatus::ReadError) {
    GW_FUZZ_CHECK(records.empty());
    bool invalid_key = false;
    if (!groups.empty()) {
      for (const auto& key : groups.front().keys) invalid_key |= !gw::IsValidCodeText(key.name);
    }
    GW_FUZZ_CHECK(groups.empty() || invalid_key);
    return 0;
  }
  GW_FUZZ_CHECK(result.status == gw::LoadStatus::ImportedLegacy);
  GW_FUZZ_CHECK(!groups.empty());
  const auto& keys = groups.front().keys;
  GW_FUZZ_CHECK(records.size() == keys.size());
  for (size_t i = 0; i < records.size(); ++i) {
    GW_FUZZ_CHECK(records[i].trigger.empty());
    GW_FUZZ_CHECK(gw::IsValidCodeText(records[i].code_text));
    GW_FUZZ_CHECK(records[i].code_text == keys[i].name);
    GW_FUZZ_CHECK(records[i].comment == keys[i].value);
  }

  std::vector<gw::CharacterEntry> reread;
  GW_FUZZ_CHECK(gw::ParseCharacterFile(gw::SerializeCharacterEntries(records), reread));
  GW_FUZZ_CHECK(reread == records);
  return 0;
}
