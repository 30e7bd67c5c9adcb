#include "mainwindow/paste_route.h"

#include <algorithm>

namespace gw {

namespace {

// The standard formats (winuser.h values).
constexpr std::uint32_t kBitmap = 2, kMetafilePict = 3, kDib = 8, kPalette = 9,
                        kEnhMetafile = 14, kDibV5 = 17, kOwnerDisplay = 0x80,
                        kDspBitmap = 0x82, kDspMetafilePict = 0x83, kDspEnhMetafile = 0x8E,
                        kPrivateFirst = 0x200, kGdiObjectLast = 0x3FF;
constexpr std::uint16_t kVkShift = 0x10, kVkControl = 0x11, kVkV = 0x56;

bool Has(const std::vector<std::uint32_t>& present, std::uint32_t format) {
  return std::find(present.begin(), present.end(), format) != present.end();
}

}  // namespace

FormatKeeping HowToKeepFormat(std::uint32_t format, const std::vector<std::uint32_t>& present) {
  const bool dib = Has(present, kDib) || Has(present, kDibV5);
  switch (format) {
    case kBitmap:
    case kPalette:
      return dib ? FormatKeeping::Derived : FormatKeeping::Lost;
    case kMetafilePict:
      return Has(present, kEnhMetafile) ? FormatKeeping::Derived : FormatKeeping::Lost;
    case kEnhMetafile:
      return FormatKeeping::EnhMetafile;
    case kOwnerDisplay:
    case kDspBitmap:
    case kDspMetafilePict:
    case kDspEnhMetafile:
      return FormatKeeping::Lost;
    default:
      // Private formats and GDI objects are handles only their owner knows.
      if (format >= kPrivateFirst && format <= kGdiObjectLast) return FormatKeeping::Lost;
      return FormatKeeping::Memory;
  }
}

std::vector<KeyRecord> PasteKeyRecords(bool terminal) {
  std::vector<KeyRecord> records;
  records.push_back({kVkShift, 0, terminal ? kKeyDown : kKeyUp});
  records.push_back({kVkControl, 0, kKeyDown});
  records.push_back({kVkV, 0, kKeyDown});
  records.push_back({kVkV, 0, kKeyUp});
  records.push_back({kVkControl, 0, kKeyUp});
  if (terminal) records.push_back({kVkShift, 0, kKeyUp});
  return records;
}

}  // namespace gw
