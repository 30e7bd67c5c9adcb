// Colour decisions that need no system: the contrast between two colours and
// the colour a link is drawn in.
#pragma once
#include <cstdint>

namespace gw {

// A colour as 0x00BBGGRR (the layout of a Windows COLORREF).
using Rgb = uint32_t;
constexpr Rgb MakeRgb(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (b << 16); }

// The contrast ratio of two colours, 1 to 21, by their relative luminance.
double ContrastRatio(Rgb a, Rgb b);

// The colour of a link's text on `face`: the system's link colour when it can
// be read there (4.5 : 1), else the usual link blue when that can, else the
// text colour. Some themes (Wine's light one) set the link colour to a light
// grey that all but vanishes on the button face.
Rgb ReadableLinkColour(Rgb link, Rgb face, Rgb text);

}  // namespace gw
