#include "mainwindow/accessibility.h"

#include "base/placeholders.h"

namespace gw {

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

TextView Trimmed(TextView text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

void Append(Text& out, TextView part) {
  if (part.empty()) return;
  if (!out.empty()) out += u", ";
  out += part;
}

}  // namespace

NameAndShortcut SplitShortcut(TextView caption) {
  TextView text = Trimmed(caption);
  const size_t open = text.rfind(u" (");
  if (!text.empty() && text.back() == u')' && open != TextView::npos && open > 0 &&
      open + 3 < text.size()) {
    return {Text(Trimmed(text.substr(0, open))), Text(text.substr(open + 2, text.size() - open - 3))};
  }
  return {Text(text), Text()};
}

Text LabelName(TextView caption) {
  Text name;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        name += u'&';
        ++i;
      }
      continue;
    }
    name += caption[i];
  }
  TextView view = Trimmed(name);
  while (!view.empty() && (view.back() == u':' || view.back() == u'\uFF1A' || IsSpace(view.back())))
    view.remove_suffix(1);
  return Text(view);
}

Text CharacterNamesText(const CharacterNames& names, TextView text, int limit) {
  Text out;
  int count = 0;
  for (size_t i = 0; i < text.size() && count < limit; ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    const std::string name = names.Name(code);
    if (name.empty()) continue;
    Append(out, AsciiToText(name));
    ++count;
  }
  return out;
}

Text RowDescription(const RowParts& row, TextView trigger_format, TextView no_trigger) {
  Text out;
  Append(out, Trimmed(row.comment));
  Append(out, row.characters);
  Append(out, row.names);
  if (row.trigger.empty())
    Append(out, no_trigger);
  else
    Append(out, FillPlaceholders(trigger_format, std::vector<TextView>{row.trigger}));
  return out;
}

unsigned MessageDurationMs(bool read, unsigned seconds) {
  if (!read || seconds == 0) return 5000;
  // A duration beyond the timer's range would never bring the info text back.
  constexpr unsigned kLongest = 3600;
  return (seconds > kLongest ? kLongest : seconds) * 1000;
}

NoteRoute ChooseNoteRoute(NotificationState state) {
  return state == NotificationState::Accepts || state == NotificationState::Unknown
             ? NoteRoute::Balloon
             : NoteRoute::MessageBox;
}

}  // namespace gw
