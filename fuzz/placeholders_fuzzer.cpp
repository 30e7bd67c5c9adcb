// FillPlaceholders on an arbitrary format and argument list: the input is
// UTF-16 (two bytes per unit); the units up to the first U+0000 are the
// format, the rest the "|"-separated arguments.
//
// Properties:
// - a format without "%" comes back unchanged;
// - a format with a "%" that is neither "%%" nor "%s" (a "%" at the end
//   included) gives the empty result;
// - otherwise the result has exactly the length of the format's other units,
//   one unit per "%%" and the fields that its "%s" take in order (missing
//   fields empty), and never more than the format and all arguments together.
#include <vector>

#include "base/placeholders.h"
#include "fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const gw::Text input = gw::fuzz::Utf16FromBytes(data, size);
  const size_t nul = input.find(u'\0');
  const gw::TextView format = gw::TextView(input).substr(0, nul);
  const gw::TextView arguments =
      nul == gw::Text::npos ? gw::TextView() : gw::TextView(input).substr(nul + 1);

  const gw::Text result = gw::FillPlaceholders(format, arguments);

  if (format.find(u'%') == gw::TextView::npos) {
    GW_FUZZ_CHECK(result == format);
    return 0;
  }
  if (!result.empty()) GW_FUZZ_CHECK(result.size() <= format.size() + arguments.size());

  std::vector<size_t> field_sizes;
  size_t start = 0;
  for (size_t k = 0; k <= arguments.size(); ++k) {
    if (k == arguments.size() || arguments[k] == u'|') {
      field_sizes.push_back(k - start);
      start = k + 1;
    }
  }

  size_t expected = 0;
  size_t next_field = 0;
  bool well_formed = true;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != u'%') {
      ++expected;
    } else if (i + 1 < format.size() && format[i + 1] == u'%') {
      ++expected;
      ++i;
    } else if (i + 1 < format.size() && format[i + 1] == u's') {
      if (next_field < field_sizes.size()) expected += field_sizes[next_field];
      ++next_field;
      ++i;
    } else {
      well_formed = false;
      break;
    }
  }
  if (!well_formed) {
    GW_FUZZ_CHECK(result.empty());
  } else {
    GW_FUZZ_CHECK(result.size() == expected);
  }
  return 0;
}
