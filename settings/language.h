// Language tables: every text the program shows is looked up by section and
// key in one LanguageTable, filled from a language file in the "lang" folder
// beside the program or from the built-in English table.
#pragma once
#include <map>
#include <vector>

#include "base/text.h"

namespace gw {

// The text a lookup gives for a missing or empty entry.
inline constexpr char16_t kStringNotFound[] = u"##### String not found! #####";

// The program's version as written in a language file's "Version check" group.
inline constexpr char16_t kLanguageFileVersion[] = u"1.11";

// Section name -> (key -> text); both names are stored upper-cased.
struct LanguageTable {
  std::map<Text, std::map<Text, Text>> sections;
};

// The text for `section` and `key`, ignoring letter case, or kStringNotFound
// when the section or key is missing or the text is empty.
Text LookupText(const LanguageTable& table, TextView section, TextView key);

// The built-in English texts: NUL-terminated strings read in pairs. A pair
// whose first string is "_GROUP_" opens the section named by the second one,
// "_END_" ends the table, every other pair is a key and its text (written
// with the escapes of a language file).
extern const char16_t BuiltInEnglishTable[];

// Empties the table and fills it from BuiltInEnglishTable.
void LoadBuiltInTable(LanguageTable& table);

// Escape decoding of language texts: \" \\ \a \b \f \n \r \t \v. A backslash
// before any other character stays.
Text DecodeEscapes(TextView text);

// Keyboard-mnemonic rule of language file texts: a single "&" before a letter
// that upper-cases to A-Z stays; otherwise every "&" is removed.
Text ApplyMnemonicRule(Text text);

enum class LanguageLoadStatus { Loaded, CannotOpen, Invalid };

struct LanguageLoadResult {
  LanguageLoadStatus status = LanguageLoadStatus::Loaded;
  Text help_file;  // HelpFileName of the language when loaded, else empty
  Text message;    // for a failed load: the warning the caller shows
};

// "lang" folder of the program folder (which ends in a path separator), with
// the same separator: "C:\Prog\" gives "C:\Prog\lang\".
Text LanguageFolder(const Text& program_folder);
// The language file path: LanguageFolder + name + ".lng".
Text LanguageFilePath(const Text& program_folder, TextView language);

// Loads the language file of `language` into the table. On success the old
// texts are replaced as a whole. On failure the table is left exactly as it
// was, unless `fall_back` is set: then it holds the built-in English texts.
LanguageLoadResult LoadLanguageFile(LanguageTable& table, const Text& program_folder,
                                    TextView language, bool fall_back);

// "Deutsch" for "de", "Français" for "fr", "English" for anything else.
Text DefaultLanguage(TextView language_code);

// Two-letter code for a primary language id (low 10 bits of a LANGID) of
// systems older than Vista; empty when the language is not one of ours.
Text LanguageCodeFromLangId(unsigned primary_language);

// "Glyphwell_de.htm", "Glyphwell_fr.htm" or "Glyphwell_en.htm".
Text HelpFileName(TextView language);
// The help file's path: the "doc" folder beside the program and the help file
// name, "Glyphwell_en.htm" when none is given.
Text HelpFilePath(const Text& program_folder, const Text& help_name);

// Names of the *.lng files in the "lang" folder, with a capital initial and
// the rest in small letters, sorted ignoring case. Empty without the folder.
std::vector<Text> ListLanguages(const Text& program_folder);

}  // namespace gw
