#include "base/placeholders.h"

#include <vector>

namespace gw {

Text FillPlaceholders(TextView format, TextView arguments) {
  if (format.find(u'%') == TextView::npos) return Text(format);

  std::vector<TextView> fields;
  for (size_t start = 0;;) {
    size_t bar = arguments.find(u'|', start);
    if (bar == TextView::npos) {
      fields.push_back(arguments.substr(start));
      break;
    }
    fields.push_back(arguments.substr(start, bar - start));
    start = bar + 1;
  }

  return FillPlaceholders(format, fields);
}

Text FillPlaceholders(TextView format, const std::vector<TextView>& fields) {
  if (format.find(u'%') == TextView::npos) return Text(format);
  Text out;
  out.reserve(format.size());
  size_t next_field = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != u'%') {
      out.push_back(format[i]);
      continue;
    }
    if (i + 1 >= format.size()) return Text();
    const char16_t kind = format[++i];
    if (kind == u'%') {
      out.push_back(u'%');
    } else if (kind == u's') {
      if (next_field < fields.size()) out += fields[next_field];
      ++next_field;
    } else {
      return Text();
    }
  }
  return out;
}

}  // namespace gw
