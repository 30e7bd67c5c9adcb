#include "table/default_table.h"

namespace gw {

std::vector<CharacterEntry> DefaultCharacterEntries() {
  return {
      {u"", u"\\u201E\\u201C", u"quotation marks (de)"},
      {u"", u"\\u00BB\\u00AB", u"guillemets (de)"},
      {u"", u"\\u201C\\u201D", u"quotation marks (en, es)"},
      {u"", u"\\u00AB\\u00BB", u"guillemets (fr)"},
      {u"-", u"\\u2013", u"en dash"},
      {u"%", u"\\u2030", u"per thousand"},
  };
}

}  // namespace gw
