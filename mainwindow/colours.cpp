#include "mainwindow/colours.h"

#include <algorithm>
#include <cmath>

namespace gw {

namespace {

double Luminance(Rgb c) {
  const auto linear = [](unsigned channel) {
    const double v = channel / 255.0;
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c & 0xFF) + 0.7152 * linear((c >> 8) & 0xFF) +
         0.0722 * linear((c >> 16) & 0xFF);
}

constexpr double kReadable = 4.5;
constexpr Rgb kLinkBlue = MakeRgb(0, 102, 204);

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb ReadableLinkColour(Rgb link, Rgb face, Rgb text) {
  if (ContrastRatio(link, face) >= kReadable) return link;
  if (ContrastRatio(kLinkBlue, face) >= kReadable) return kLinkBlue;
  return text;
}

}  // namespace gw
