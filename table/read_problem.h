// The words a user is told when the character file does not read: the
// "Error reading file:" message with the file's path and, on a line of its
// own, why it failed (the place and what was expected there, for a syntax
// error).
#pragma once
#include "base/text.h"
#include "settings/language.h"
#include "table/character_file.h"

namespace gw {

// The reason on its own line, in the language of `language`: "line 12,
// column 5: ',' or ']' expected", "The file is empty.", ...; empty for
// ReadFailure::None.
Text ReadProblemText(const LanguageTable& language, const ReadProblem& problem);

// "Error reading file:", a line break, the path, then the reason on a line
// of its own (when there is one); with `terminate` two line breaks and "The
// program will be terminated." after it.
Text ReadErrorMessage(const LanguageTable& language, const Text& path, const ReadProblem& problem,
                      bool terminate);

}  // namespace gw
