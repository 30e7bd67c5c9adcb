// The table a first start begins with.
#pragma once
#include <vector>

#include "table/character_table.h"

namespace gw {

// The six entries of the default table, in order: four pairs of quotation
// marks without trigger, then "-" for the en dash and "%" for per mille. The
// comments are fixed English texts.
std::vector<CharacterEntry> DefaultCharacterEntries();

}  // namespace gw
