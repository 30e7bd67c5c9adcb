// The ini reader and the settings file on arbitrary bytes.
//
// Properties:
// - reading the bytes from a file and from memory gives the same groups;
// - every name and value the reader hands out has the documented shape (no
//   line break; key names without surrounding blanks that do not start a
//   comment or group; values without surrounding blanks; group names without
//   "]");
// - LoadSettings reads the file; the file written for the record it yields
//   is UTF-8 with byte-order mark and CR LF after every line, and reads back
//   as the same record, as long as no string value begins or ends with a
//   space or tab or holds a line break (the reader trims and splits those);
//   writing that record again gives the same bytes.
#include "fuzz/fuzz_common.h"
#include "settings/ini_reader.h"
#include "settings/settings.h"

namespace {

using gw::Text;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool HasLineBreak(const Text& text) { return text.find_first_of(u"\r\n") != Text::npos; }

bool SameGroups(const std::vector<gw::IniReader::Group>& a,
                const std::vector<gw::IniReader::Group>& b) {
  if (a.size() != b.size()) return false;
  for (size_t g = 0; g < a.size(); ++g) {
    if (a[g].name != b[g].name || a[g].keys.size() != b[g].keys.size()) return false;
    for (size_t k = 0; k < a[g].keys.size(); ++k) {
      if (a[g].keys[k].name != b[g].keys[k].name || a[g].keys[k].value != b[g].keys[k].value)
        return false;
    }
  }
  return true;
}

void CheckShapes(const std::vector<gw::IniReader::Group>& groups) {
  for (const auto& group : groups) {
    GW_FUZZ_CHECK(!HasLineBreak(group.name));
    GW_FUZZ_CHECK(group.name.find(u']') == Text::npos);
    for (const auto& key : group.keys) {
      GW_FUZZ_CHECK(!HasLineBreak(key.name) && !HasLineBreak(key.value));
      GW_FUZZ_CHECK(key.name.find(u'=') == Text::npos);
      if (!key.name.empty()) {
        GW_FUZZ_CHECK(!IsBlank(key.name.front()) && !IsBlank(key.name.back()));
        GW_FUZZ_CHECK(key.name.front() != u';' && key.name.front() != u'[');
      }
      if (!key.value.empty()) GW_FUZZ_CHECK(!IsBlank(key.value.front()) && !IsBlank(key.value.back()));
    }
  }
}

bool RoundTrips(const Text& value) {
  if (HasLineBreak(value)) return false;
  return value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()));
}

bool SameSettings(const gw::Settings& a, const gw::Settings& b) {
  return a.Language == b.Language && a.Hotkey == b.Hotkey &&
         a.HotkeyCombination == b.HotkeyCombination && a.OnTop == b.OnTop &&
         a.FontName == b.FontName && a.Option == b.Option && a.CustomCaption == b.CustomCaption &&
         a.CustomCommand == b.CustomCommand && a.Beep == b.Beep && a.HTML == b.HTML &&
         a.CheckUpdate == b.CheckUpdate && a.ConfirmEnd == b.ConfirmEnd;
}

void CheckSettingsLayout(const std::string& file) {
  GW_FUZZ_CHECK(file.rfind("\xEF\xBB\xBF[General]\r\n", 0) == 0);
  GW_FUZZ_CHECK(file.size() >= 2 && file.compare(file.size() - 2, 2, "\r\n") == 0);
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\r') GW_FUZZ_CHECK(i + 1 < file.size() && file[i + 1] == '\n');
    if (file[i] == '\n') GW_FUZZ_CHECK(i > 0 && file[i - 1] == '\r');
  }
  GW_FUZZ_CHECK(gw::TextToUtf8(gw::Utf8ToText(file)) == file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = gw::fuzz::BytesOf(data, size);
  const auto& scratch = gw::fuzz::ScratchFolder::Get();
  scratch.Write("Glyphwell.ini", bytes);
  const Text path = scratch.Path("Glyphwell.ini");

  gw::IniReader from_memory;
  from_memory.OpenBytes(bytes);
  gw::IniReader from_file;
  GW_FUZZ_CHECK(from_file.Open(path));
  GW_FUZZ_CHECK(SameGroups(from_memory.Groups(), from_file.Groups()));
  CheckShapes(from_memory.Groups());

  gw::Settings settings;
  settings.LanguageList = {u"Deutsch", u"English"};
  GW_FUZZ_CHECK(gw::LoadSettings(path, settings));
  GW_FUZZ_CHECK(settings.LanguageList.size() == 2);  // never taken from the file

  const std::string written = gw::SerializeSettings(settings);
  if (!RoundTrips(settings.Language) || !RoundTrips(settings.FontName) ||
      !RoundTrips(settings.CustomCaption) || !RoundTrips(settings.CustomCommand))
    return 0;
  CheckSettingsLayout(written);

  scratch.Write("Glyphwell.ini", written);
  gw::Settings reread;
  GW_FUZZ_CHECK(gw::LoadSettings(path, reread));
  GW_FUZZ_CHECK(SameSettings(reread, settings));
  GW_FUZZ_CHECK(gw::SerializeSettings(reread) == written);
  return 0;
}
