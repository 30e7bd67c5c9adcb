#include "table/read_problem.h"

#include <vector>

#include "base/placeholders.h"

namespace gw {

namespace {

Text General(const LanguageTable& language, const char16_t* key) {
  return LookupText(language, u"General", key);
}

// What was expected, as a list: the tokens quoted ("','"), the words in the
// user's language, the last two joined by "or".
Text ExpectedText(const LanguageTable& language, unsigned expected) {
  static constexpr struct {
    unsigned bit;
    const char16_t* token;
  } kTokens[] = {
      {kExpectComma, u"','"},       {kExpectCloseBracket, u"']'"}, {kExpectCloseBrace, u"'}'"},
      {kExpectOpenBracket, u"'['"}, {kExpectColon, u"':'"},        {kExpectQuote, u"'\"'"},
  };
  static constexpr struct {
    unsigned bit;
    const char16_t* key;
  } kWords[] = {
      {kExpectValue, u"ExpectValue"},
      {kExpectDigit, u"ExpectDigit"},
      {kExpectHexDigit, u"ExpectHexDigit"},
      {kExpectEnd, u"ExpectEnd"},
  };
  std::vector<Text> items;
  for (const auto& t : kTokens)
    if (expected & t.bit) items.emplace_back(t.token);
  if (expected & kExpectEscape)
    for (const char16_t* letter : {u"'\"'", u"'\\'", u"'/'", u"'b'", u"'f'", u"'n'", u"'r'",
                                   u"'t'", u"'u'"})
      items.emplace_back(letter);
  for (const auto& w : kWords)
    if (expected & w.bit) items.push_back(General(language, w.key));

  Text list;
  for (size_t k = 0; k < items.size(); ++k) {
    if (k + 1 == items.size() && k > 0) {
      list += u' ';
      list += General(language, u"ExpectOr");
      list += u' ';
    } else if (k > 0) {
      list += u", ";
    }
    list += items[k];
  }
  return list;
}

}  // namespace

Text ReadProblemText(const LanguageTable& language, const ReadProblem& problem) {
  const Text place = NumberText(problem.line) + u"|" + NumberText(problem.column);
  switch (problem.failure) {
    case ReadFailure::None:
      return Text();
    case ReadFailure::NotFound:
      return General(language, u"ErrReadMissing");
    case ReadFailure::CannotOpen:
      return General(language, u"ErrReadOpen");
    case ReadFailure::Empty:
      return General(language, u"ErrReadEmpty");
    case ReadFailure::ByteOrderMark:
      return General(language, u"ErrReadBom");
    case ReadFailure::NotUtf8:
      return General(language, u"ErrReadEncoding");
    case ReadFailure::Syntax:
      return FillPlaceholders(General(language, u"ErrReadAt"),
                              place + u"|" + ExpectedText(language, problem.expected));
    case ReadFailure::TooDeep:
      return FillPlaceholders(General(language, u"ErrReadDepth"), place);
  }
  return Text();
}

Text ReadErrorMessage(const LanguageTable& language, const Text& path, const ReadProblem& problem,
                      bool terminate) {
  Text text = General(language, u"ErrRead") + u"\n" + path;
  const Text reason = ReadProblemText(language, problem);
  if (!reason.empty()) text += u"\n" + reason;
  if (terminate) text += u"\n\n" + General(language, u"Terminate");
  return text;
}

}  // namespace gw
