#include "settings/language.h"

#include <algorithm>

#include "base/platform.h"
#include "settings/ini_reader.h"

namespace gw {

// clang-format off
const char16_t BuiltInEnglishTable[] =
    u"_GROUP_\0" u"General\0"
    u"Cancel\0" u"&Cancel\0"
    u"OK\0" u"&OK\0"
    u"Quit\0" u"Quit\0"
    u"AskQuit\0" u"Do you really want to quit the program?\0"
    u"ErrOldWin\0" u"Windows 2000 or newer required.\0"
    u"ErrOpen\0" u"Error:\\nCan't open \u201C%s\u201D window.\0"
    u"ErrRead\0" u"Error reading file:\0"
    u"ErrWrite\0" u"Can't write file:\0"
    u"Terminate\0" u"The program will be terminated.\0"
    u"ErrReadMissing\0" u"The file does not exist.\0"
    u"ErrReadOpen\0" u"The file cannot be opened or read.\0"
    u"ErrReadEmpty\0" u"The file is empty.\0"
    u"ErrReadBom\0" u"The file begins with a byte order mark. Save it as UTF-8 without BOM.\0"
    u"ErrReadEncoding\0" u"The file is not UTF-8 text. Save it as UTF-8.\0"
    u"ErrReadAt\0" u"line %s, column %s: %s expected\0"
    u"ErrReadDepth\0" u"line %s, column %s: brackets nested too deeply\0"
    u"ExpectOr\0" u"or\0"
    u"ExpectValue\0" u"value\0"
    u"ExpectDigit\0" u"digit\0"
    u"ExpectHexDigit\0" u"hexadecimal digit\0"
    u"ExpectEnd\0" u"end of file\0"
    u"InfoKept\0" u"The character file could not be read. It has been kept unchanged as:\\n%s\0"
    u"InfoKeptSaved\0" u"The table shown has been saved in its place.\0"
    u"ErrKeep\0" u"The character file could not be read, and it cannot be moved aside:\\n%s\\n\\nThe change has not been saved, so that the file is not lost.\0"
    u"_GROUP_\0" u"WinMain\0"
    u"ErrRegister\0" u"Can't register hotkey: \0"
    u"Menu\0" u"Open menu (Shift+F10)\0"
    u"New\0" u"New item (Ctrl+N)\0"
    u"Edit\0" u"Edit item\0"
    u"Delete\0" u"Delete item\0"
    u"Charmap\0" u"Windows Character Map\0"
    u"ErrCharmap\0" u"Command not found:\0"
    u"Characters\0" u"Characters\0"
    u"Unicode\0" u"Unicode\0"
    u"Trigger\0" u"&Trigger\0"
    u"ErrInvalidTrigger\0" u"The trigger may consist of 1 character only.\0"
    u"ErrDoubleTrigger\0" u"This trigger already exists.\0"
    u"Comment\0" u"Co&mment\0"
    u"OnTop\0" u"&Stay on top\0"
    u"BtnInsert\0" u"&Insert\0"
    u"StatusInfo\0" u" Press [Shift] to get the code rather than the character.\0"
    u"StatusCharCopied\0" u" Character copied to the clipboard.\0"
    u"StatusCodeCopied\0" u" Code copied to the clipboard.\0"
    u"StatusReread\0" u" The character file was reread.\0"
    u"InfoElevated\0" u"The window in front runs as administrator, so Glyphwell cannot type into it. The characters are on the clipboard: paste them with Ctrl+V.\0"
    u"StatusCopyFailed\0" u" Nothing was copied: another program is using the clipboard.\0"
    u"ErrElevatedCopy\0" u"The window in front runs as administrator, so Glyphwell cannot type into it, and another program is using the clipboard: nothing was copied.\0"
    u"StatusFindNone\0" u" No item matches \u201C%s\u201D.\0"
    u"StatusFindOne\0" u" 1 item matches \u201C%s\u201D.\0"
    u"StatusFindMany\0" u" %s items match \u201C%s\u201D.\0"
    u"InfoHotkeyPassed\0" u"Glyphwell (%s left to %s)\0"
    u"KeyCtrl\0" u"Ctrl\0"
    u"KeyAlt\0" u"Alt\0"
    u"KeyShift\0" u"Shift\0"
    u"KeyWin\0" u"Win\0"
    u"ErrPasteBusy\0" u"Another program is using the clipboard: nothing was pasted.\0"
    u"ErrPasteKeep\0" u"The clipboard holds data that Glyphwell cannot keep and give back (such as a picture in a program's own format): nothing was pasted, so that it is not lost.\0"
    u"ErrPasteBack\0" u"The text was pasted, but what the clipboard held before could not be given back: another program is using it.\0"
    u"ListName\0" u"Entries\0"
    u"InfoRowTrigger\0" u"trigger %s\0"
    u"InfoRowNoTrigger\0" u"no trigger\0"
    u"StatusNoTrigger\0" u" No entry has the trigger \u201C%s\u201D.\0"
    u"InfoActionPress\0" u"Press\0"
    u"InfoActionOpen\0" u"Open\0"
    u"_GROUP_\0" u"MenuSysTray\0"
    u"Show\0" u"Show\0"
    u"Hide\0" u"Minimize to tray\0"
    u"_GROUP_\0" u"MenuMain\0"
    u"About\0" u"About ...\0"
    u"Update\0" u"Check for update\0"
    u"Help\0" u"Help\0"
    u"ErrHelp\0" u"Help file not found:\0"
    u"Settings\0" u"Settings\0"
    u"Edit\0" u"&Edit item\\tF2\0"
    u"Delete\0" u"&Delete item\\tDel\0"
    u"Goto\0" u"Go to character file\0"
    u"Find\0" u"Find ...\\tCtrl+F\0"
    u"Esc\0" u"Esc\0"
    u"RunAtStartup\0" u"Run at startup\0"
    u"ErrRunAtStartup\0" u"Can't change registry value:\0"
    u"_GROUP_\0" u"WinAbout\0"
    u"Freeware\0" u"Freeware\0"
    u"_GROUP_\0" u"Update\0"
    u"ErrInternet\0" u"No internet connection.\0"
    u"ErrUpdate\0" u"Error reading version information on \0"
    u"Current\0" u"You have got the current version of the program.\0"
    u"NewVersion\0" u"There is the new version \0"
    u"AskVisit\0" u"Do you want to visit the program website now?\0"
    u"ClickToVisit\0" u"Click here to visit the program website.\0"
    u"StatusChecking\0" u" Checking for updates...\0"
    u"_GROUP_\0" u"WinSettings\0"
    u"Language\0" u"&Language:\0"
    u"Hotkey\0" u"Hot&key:\0"
    u"HotkeyNone\0" u"None\0"
    u"HotkeyWin\0" u"&Windows key\0"
    u"Charmap\0" u"Link to the following cha&racter map\0"
    u"Standard\0" u"Windows &standard\0"
    u"Caption\0" u"Ca&ption:\0"
    u"Command\0" u"Co&mmand:\0"
    u"CaptionField\0" u"Caption\0"
    u"Beep\0" u"&Beep if trigger does not exist\0"
    u"HTML\0" u"Insert code in &HTML format\0"
    u"CheckUpdate\0" u"Check for &update on program startup\0"
    u"ConfirmEnd\0" u"Con&firm program termination\0"
    u"ErrCustom\0" u"The fields \u201CCaption\u201D and \u201CCommand\u201D must not be empty.\0"
    u"ErrHotkey\0" u"A hotkey other than a function key needs Ctrl, Alt, Shift or the Windows key.\0"
    u"Programs\0" u"Rules per program\0"
    u"ColumnProgram\0" u"Program\0"
    u"ColumnMethod\0" u"Insert by\0"
    u"ColumnHotkey\0" u"Hotkey\0"
    u"Program\0" u"Pro&gram:\0"
    u"Method\0" u"&Insert by:\0"
    u"MethodType\0" u"Typing\0"
    u"MethodPaste\0" u"Pasting\0"
    u"MethodCode\0" u"Typing the code\0"
    u"PassHotkey\0" u"Lea&ve the hotkey to this program\0"
    u"HotkeyPassed\0" u"left to it\0"
    u"AddRule\0" u"&Add\0"
    u"ChangeRule\0" u"Cha&nge\0"
    u"RemoveRule\0" u"R&emove\0"
    u"AddInFront\0" u"A&dd the program in front\0"
    u"InfoUnreadable\0" u"%s line(s) of the [Programs] section in Glyphwell.ini cannot be read and are ignored.\0"
    u"ErrProgram\0" u"Enter the program's file name, for example notepad.exe.\0"
    u"ErrNoProgramInFront\0" u"No program was in front before Glyphwell came up.\0"
    u"_GROUP_\0" u"WinNew\0"
    u"Add\0" u"A&dd character(s)\0"
    u"Above\0" u"a&bove\0"
    u"Below\0" u"be&low\0"
    u"Current\0" u"the c&urrent item.\0"
    u"Code\0" u"Ch&aracter or \\uXXXX\0"
    u"ErrCode\0" u"Invalid entry\0"
    u"_GROUP_\0" u"WinDelete\0"
    u"AskDelete\0" u"Do you really want to delete the selected item?\0"
    u"_GROUP_\0" u"WinFind\0"
    u"Label\0" u"&Find what:\0"
    u"Previous\0" u"&Previous\0"
    u"Next\0" u"&Next\0"
    u"AddToTable\0" u"&Add to table\0"
    u"ColCharacter\0" u"Character\0"
    u"ColName\0" u"Name\0"
    u"ColCode\0" u"Code\0"
    u"DataLanguage\0" u"en\0"
    u"_END_\0" u"\0";
// clang-format on

namespace {

constexpr char16_t kDefaultSeparator =
#ifdef _WIN32
    u'\\';
#else
    u'/';
#endif

// The separator that the program folder uses (its last character).
char16_t SeparatorOf(const Text& folder) {
  if (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) return folder.back();
  return kDefaultSeparator;
}

bool IsAsciiUpperLetter(char16_t c) { return c >= u'A' && c <= u'Z'; }

}  // namespace

Text LookupText(const LanguageTable& table, TextView section, TextView key) {
  auto s = table.sections.find(UpperText(section));
  if (s != table.sections.end()) {
    auto k = s->second.find(UpperText(key));
    if (k != s->second.end() && !k->second.empty()) return k->second;
  }
  return Text(kStringNotFound);
}

void LoadBuiltInTable(LanguageTable& table) {
  table.sections.clear();
  std::map<Text, Text>* section = nullptr;
  const char16_t* p = BuiltInEnglishTable;
  for (;;) {
    TextView first(p);
    p += first.size() + 1;
    TextView second(p);
    p += second.size() + 1;
    const Text name = UpperText(first);
    if (name == u"_END_") break;
    if (name == u"_GROUP_") {
      section = &table.sections[UpperText(second)];
      section->clear();
    } else if (section) {
      (*section)[name] = DecodeEscapes(second);
    }
  }
}

Text DecodeEscapes(TextView text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'\\' && i + 1 < text.size()) {
      char16_t decoded = 0;
      switch (text[i + 1]) {
        case u'"': decoded = u'"'; break;
        case u'\\': decoded = u'\\'; break;
        case u'a': decoded = 0x07; break;
        case u'b': decoded = 0x08; break;
        case u'f': decoded = 0x0C; break;
        case u'n': decoded = 0x0A; break;
        case u'r': decoded = 0x0D; break;
        case u't': decoded = 0x09; break;
        case u'v': decoded = 0x0B; break;
        default: break;
      }
      if (decoded != 0) {
        out.push_back(decoded);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

Text ApplyMnemonicRule(Text text) {
  const auto count = std::count(text.begin(), text.end(), u'&');
  if (count == 0) return text;
  if (count == 1) {
    const size_t at = text.find(u'&');
    if (at + 1 < text.size() && IsAsciiUpperLetter(UpperChar(text[at + 1]))) return text;
  }
  std::erase(text, u'&');
  return text;
}

Text LanguageFolder(const Text& program_folder) {
  Text folder = program_folder;
  folder += u"lang";
  folder.push_back(SeparatorOf(program_folder));
  return folder;
}

Text LanguageFilePath(const Text& program_folder, TextView language) {
  Text path = LanguageFolder(program_folder);
  path += language;
  path += u".lng";
  return path;
}

LanguageLoadResult LoadLanguageFile(LanguageTable& table, const Text& program_folder,
                                    TextView language, bool fall_back) {
  LanguageLoadResult result;
  const Text path = LanguageFilePath(program_folder, language);
  IniReader reader;
  if (!reader.Open(path)) {
    result.status = LanguageLoadStatus::CannotOpen;
    result.message = u"Can't open language file '" + path + u"'.";
  } else {
    reader.SelectGroup(u"Version check");
    if (reader.Read(u"Program version", u"") != kLanguageFileVersion) {
      result.status = LanguageLoadStatus::Invalid;
      result.message = u"Invalid language file '" + path + u"'.";
    }
  }
  if (result.status != LanguageLoadStatus::Loaded) {
    if (fall_back) LoadBuiltInTable(table);
    return result;
  }

  table.sections.clear();
  for (const IniReader::Group& group : reader.Groups()) {
    // A second group of the same name replaces the first one.
    auto& section = table.sections[UpperText(group.name)];
    section.clear();
    for (const IniReader::Key& key : group.keys) {
      // Values are written in double quotes: drop the first and last character.
      Text value;
      if (key.value.size() >= 3) value = key.value.substr(1, key.value.size() - 2);
      section[UpperText(key.name)] = ApplyMnemonicRule(DecodeEscapes(value));
    }
  }
  reader.Close();
  result.help_file = HelpFileName(language);
  return result;
}

Text DefaultLanguage(TextView language_code) {
  if (language_code == u"de") return u"Deutsch";
  if (language_code == u"fr") return u"Fran\u00E7ais";
  return u"English";
}

Text LanguageCodeFromLangId(unsigned primary_language) {
  switch (primary_language & 0x3FF) {
    case 7: return u"de";
    case 9: return u"en";
    case 10: return u"es";
    case 12: return u"fr";
    case 14: return u"hu";
    case 16: return u"it";
    case 25: return u"ru";
    default: return Text();
  }
}

Text HelpFileName(TextView language) {
  if (language == u"Deutsch") return u"Glyphwell_de.htm";
  if (language == u"Fran\u00E7ais") return u"Glyphwell_fr.htm";
  return u"Glyphwell_en.htm";
}

Text HelpFilePath(const Text& program_folder, const Text& help_name) {
  return program_folder + u"doc\\" + (help_name.empty() ? Text(u"Glyphwell_en.htm") : help_name);
}

std::vector<Text> ListLanguages(const Text& program_folder) {
  const Text extension = u".lng";
  std::vector<Text> names;
  for (const Text& file : ListFilesWithExtension(LanguageFolder(program_folder), extension)) {
    if (file.size() <= extension.size()) continue;  // ".lng" alone names no language
    Text name = file.substr(0, file.size() - extension.size());
    name[0] = UpperChar(name[0]);
    for (size_t i = 1; i < name.size(); ++i) name[i] = LowerChar(name[i]);
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), [](const Text& a, const Text& b) {
    const Text ua = UpperText(a), ub = UpperText(b);
    return ua != ub ? ua < ub : a < b;
  });
  // Names that differ only in case (possible on case-sensitive file systems)
  // would give the same entry twice.
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace gw
