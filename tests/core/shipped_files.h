// Where the tests find the files that ship with the program (lang/, doc/):
// the source tree, as the program sees it (under Wine the Unix root is Z:).
#pragma once
#include "base/text.h"

namespace gw::testing_support {

// The source folder, ending in a path separator.
inline Text ShippedFolder() {
  Text folder = AsciiToText(GW_SOURCE_DIR);
#ifdef _WIN32
  for (auto& c : folder)
    if (c == u'/') c = u'\\';
  folder = u"Z:" + folder + u"\\";
#else
  folder += u"/";
#endif
  return folder;
}

}  // namespace gw::testing_support
