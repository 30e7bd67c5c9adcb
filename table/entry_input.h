// The checks and small text rules of the entry editor windows, free of user
// interface: trimming of the fields, the trigger checks of Edit and New, the
// row a new entry goes to, the New window's title and the mnemonic letter of
// a button caption.
#pragma once
#include "base/text.h"
#include "table/character_table.h"

namespace gw {

// Removes leading and trailing spaces (U+0020 only; tabs and other white
// space stay).
Text TrimSpaces(TextView text);

// An edit field ends its text at the first NUL unit, which only a
// hand-edited file can put into a trigger or a comment: such a text is shown
// cut there. A field that still shows what it was given gives the whole
// original text back, so that OK does not cut what the user left alone;
// any other field text is taken as it is.
Text TextLeftAsShown(const Text& field, const Text& original);

// Outcome of the trigger checks, in the order they are made.
enum class TriggerCheck {
  Accepted,   // empty or one unit, and not used by another row
  TooLong,    // two or more UTF-16 units ("ErrInvalidTrigger")
  Duplicate,  // already in the trigger index ("ErrDoubleTrigger")
};

// The trigger of a new entry (already trimmed) against the index.
TriggerCheck CheckNewTrigger(const Text& trigger, const TriggerIndex& index);

// The trigger of an edited row (already trimmed) against the row's old
// trigger: an unchanged trigger passes without further checks, even though
// the index holds it.
TriggerCheck CheckEditedTrigger(const Text& old_trigger, const Text& new_trigger,
                                const TriggerIndex& index);

// Where the New window puts its entry.
enum class EntryPosition { Above, Below };

// The new row's number: the current row when above, the row after it
// otherwise; 0 without a current row (current = -1, below).
int NewEntryRow(int current_row, EntryPosition position);

// The New window's title from the "New" caption of the main window: the text
// before its first "(" without trailing spaces, or the whole text when it
// has no "(".
Text NewEntryTitle(TextView caption);

// The upper-cased character after the first "&" of a caption; 0 when there
// is no "&" or nothing follows it.
char16_t MnemonicKey(TextView caption);

}  // namespace gw
