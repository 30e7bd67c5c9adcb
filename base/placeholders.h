// Filling "%s" placeholders of a looked-up text.
#pragma once
#include <vector>

#include "base/text.h"

namespace gw {

// `arguments` holds the fields separated by "|". The k-th "%s" of `format` is
// replaced by the k-th field (empty when there are fewer fields) and "%%"
// gives "%". Any other "%", or one at the very end, makes the result empty.
Text FillPlaceholders(TextView format, TextView arguments);
// The same with the fields given one by one, so that a field may hold "|"
// (a text the user typed, say).
Text FillPlaceholders(TextView format, const std::vector<TextView>& fields);

}  // namespace gw
