#include "table/entry_input.h"

namespace gw {

Text TrimSpaces(TextView text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && text[begin] == u' ') ++begin;
  while (end > begin && text[end - 1] == u' ') --end;
  return Text(text.substr(begin, end - begin));
}

Text TextLeftAsShown(const Text& field, const Text& original) {
  const size_t nul = original.find(u'\0');
  if (nul != Text::npos && TextView(field) == TextView(original).substr(0, nul)) return original;
  return field;
}

TriggerCheck CheckNewTrigger(const Text& trigger, const TriggerIndex& index) {
  if (trigger.size() >= 2) return TriggerCheck::TooLong;
  if (!trigger.empty() && index.Find(trigger) >= 0) return TriggerCheck::Duplicate;
  return TriggerCheck::Accepted;
}

TriggerCheck CheckEditedTrigger(const Text& old_trigger, const Text& new_trigger,
                                const TriggerIndex& index) {
  if (new_trigger == old_trigger) return TriggerCheck::Accepted;
  return CheckNewTrigger(new_trigger, index);
}

int NewEntryRow(int current_row, EntryPosition position) {
  if (current_row < 0) return 0;
  return position == EntryPosition::Above ? current_row : current_row + 1;
}

Text NewEntryTitle(TextView caption) {
  const size_t bracket = caption.find(u'(');
  if (bracket == TextView::npos) return Text(caption);
  size_t end = bracket;
  while (end > 0 && caption[end - 1] == u' ') --end;
  return Text(caption.substr(0, end));
}

char16_t MnemonicKey(TextView caption) {
  const size_t amp = caption.find(u'&');
  if (amp == TextView::npos || amp + 1 >= caption.size()) return 0;
  return UpperChar(caption[amp + 1]);
}

}  // namespace gw
