// The language of the user's Windows.
#pragma once
#include "base/text.h"

namespace gw {

// The user's two-letter language code, or "".
Text DetectSystemLanguage();

}  // namespace gw
