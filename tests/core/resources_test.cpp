// The files embedded in Glyphwell.exe: PNG images, the icon group, the beep
// and the manifest, checked in the form the program and Windows read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/platform.h"
#include "resources/resource_ids.h"

namespace gw {
namespace {

namespace fs = std::filesystem;

std::string ReadResource(const char* relative) {
  // The test data folder is tests/data in the source tree.
  const fs::path root = fs::path(GW_TEST_DATA).parent_path().parent_path();
  const fs::path path = root / "resources" / relative;
  std::string bytes;
  EXPECT_EQ(ReadWholeFile(path.u16string(), bytes), ReadResult::Ok) << path.string();
  return bytes;
}

uint32_t U32BE(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
         uint32_t(uint8_t(b[at + 2])) << 8 | uint8_t(b[at + 3]);
}
uint32_t U32LE(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at + 3])) << 24 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 1])) << 8 | uint8_t(b[at]);
}
uint16_t U16LE(const std::string& b, size_t at) {
  return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

uint32_t Crc32(const std::string& b, size_t at, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = at; i < at + n; ++i) {
    crc ^= uint8_t(b[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

// Walks the chunks of a PNG file; every chunk must be whole and carry a
// correct CRC. Returns the chunk types in order.
std::vector<std::string> PngChunks(const std::string& png) {
  std::vector<std::string> types;
  if (png.compare(0, 8, kPngSignature) != 0) {
    ADD_FAILURE() << "no PNG signature";
    return types;
  }
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = U32BE(png, at);
    if (at + 12 + length > png.size()) break;
    types.push_back(png.substr(at + 4, 4));
    EXPECT_EQ(U32BE(png, at + 8 + length), Crc32(png, at + 4, 4 + length))
        << "bad CRC in chunk " << types.back();
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size()) << "trailing or truncated bytes";
  return types;
}

// Checks that `png` is an 8-bit RGBA, non-interlaced image of size x size.
void ExpectRgbaPng(const std::string& png, uint32_t size, const char* name) {
  SCOPED_TRACE(name);
  const std::vector<std::string> chunks = PngChunks(png);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front(), "IHDR");
  EXPECT_EQ(chunks.back(), "IEND");
  EXPECT_NE(std::find(chunks.begin(), chunks.end(), "IDAT"), chunks.end());
  ASSERT_GE(png.size(), 33u);
  EXPECT_EQ(U32BE(png, 16), size);  // width
  EXPECT_EQ(U32BE(png, 20), size);  // height
  EXPECT_EQ(uint8_t(png[24]), 8);   // bits per channel
  EXPECT_EQ(uint8_t(png[25]), 6);   // colour type: RGB with alpha
  EXPECT_EQ(uint8_t(png[26]), 0);   // compression
  EXPECT_EQ(uint8_t(png[27]), 0);   // filter method
  EXPECT_EQ(uint8_t(png[28]), 0);   // not interlaced
}

// The lines of a file of the resources folder.
std::vector<std::string> ResourceLines(const char* relative) {
  std::vector<std::string> lines;
  const std::string text = ReadResource(relative);
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

// Every PNG image the resource script embeds: identifier and file name.
std::vector<std::pair<std::string, std::string>> EmbeddedPngs() {
  std::vector<std::pair<std::string, std::string>> images;
  const std::regex line(R"re(^(IDR_PNG_\w+)\s+RCDATA\s+"([^"]+\.png)"\s*$)re");
  for (const std::string& text : ResourceLines("glyphwell.rc")) {
    std::smatch m;
    if (std::regex_match(text, m, line)) images.emplace_back(m[1], m[2]);
  }
  return images;
}

// An image is never drawn larger than it is: the image buttons (New, Edit,
// Delete) scale theirs down to 20 x 20 units; menus and the language list draw
// theirs at 16 x 16 as they are.
TEST(EmbeddedImages, EveryOneIsASquareRgbaPngAsLargeAsWhereItIsDrawn) {
  const auto images = EmbeddedPngs();
  ASSERT_FALSE(images.empty()) << "no PNG found in glyphwell.rc";
  const std::set<std::string> buttons = {"IDR_PNG_NEW", "IDR_PNG_EDIT", "IDR_PNG_DELETE"};
  for (const auto& [id, file] : images) {
    const std::string png = ReadResource(file.c_str());
    ASSERT_GE(png.size(), 33u) << file;
    const uint32_t size = U32BE(png, 16);
    ExpectRgbaPng(png, size, file.c_str());  // square: height == width
    if (buttons.count(id))
      EXPECT_GE(size, 20u) << file;
    else
      EXPECT_EQ(size, 16u) << file;
  }
}

TEST(EmbeddedResources, IdentifiersAreDistinct) {
  const std::regex define(R"(^#define\s+(ID\w+)\s+(\d+)\b.*)");
  std::map<std::string, std::string> names_by_number;
  for (const std::string& line : ResourceLines("resource_ids.h")) {
    std::smatch m;
    if (!std::regex_match(line, m, define)) continue;
    const auto [at, added] = names_by_number.emplace(m[2], m[1]);
    EXPECT_TRUE(added) << m[1] << " has the number of " << at->second;
  }
  EXPECT_GE(names_by_number.size(), 2u) << "no identifiers read";
}

TEST(IconGroup, Holds256PngAnd48_32_16Bitmaps) {
  const std::string ico = ReadResource("icon/glyphwell.ico");
  ASSERT_GE(ico.size(), 6u + 4 * 16);
  EXPECT_EQ(U16LE(ico, 0), 0);  // reserved
  EXPECT_EQ(U16LE(ico, 2), 1);  // icon, not cursor
  ASSERT_EQ(U16LE(ico, 4), 4);
  const uint32_t sizes[] = {256, 48, 32, 16};
  size_t expected_offset = 6 + 4 * 16;
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(sizes[k]);
    const size_t e = 6 + size_t(k) * 16;
    const uint32_t n = sizes[k];
    EXPECT_EQ(uint8_t(ico[e]), n == 256 ? 0 : n);      // width, 0 meaning 256
    EXPECT_EQ(uint8_t(ico[e + 1]), n == 256 ? 0 : n);  // height
    EXPECT_EQ(U16LE(ico, e + 4), 1);                   // planes
    EXPECT_EQ(U16LE(ico, e + 6), 32);                  // bits per pixel
    const uint32_t bytes = U32LE(ico, e + 8);
    const uint32_t offset = U32LE(ico, e + 12);
    // Images follow the directory back to back, in directory order.
    EXPECT_EQ(offset, expected_offset);
    ASSERT_LE(size_t(offset) + bytes, ico.size());
    expected_offset = size_t(offset) + bytes;
    const std::string image = ico.substr(offset, bytes);
    if (n == 256) {
      ExpectRgbaPng(image, 256, "icon 256");
      continue;
    }
    // BITMAPINFOHEADER: height counts colour image and AND mask together.
    ASSERT_GE(image.size(), 40u);
    EXPECT_EQ(U32LE(image, 0), 40u);
    EXPECT_EQ(U32LE(image, 4), n);
    EXPECT_EQ(U32LE(image, 8), 2 * n);
    EXPECT_EQ(U16LE(image, 12), 1);
    EXPECT_EQ(U16LE(image, 14), 32);
    EXPECT_EQ(U32LE(image, 16), 0u);  // BI_RGB
    const uint32_t mask_row = (n + 31) / 32 * 4;
    EXPECT_EQ(bytes, 40 + n * n * 4 + mask_row * n);
    EXPECT_EQ(U32LE(image, 20), n * n * 4 + mask_row * n);
    // The mask marks exactly the fully transparent pixels.
    size_t mismatches = 0, transparent = 0;
    for (uint32_t row = 0; row < n; ++row)
      for (uint32_t col = 0; col < n; ++col) {
        const uint8_t alpha = uint8_t(image[40 + (row * n + col) * 4 + 3]);
        const uint8_t bits = uint8_t(image[40 + n * n * 4 + row * mask_row + col / 8]);
        const bool masked = bits & (0x80 >> (col % 8));
        transparent += alpha == 0;
        mismatches += masked != (alpha == 0);
      }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_GT(transparent, 0u);           // the corners show the desktop
    EXPECT_LT(transparent, size_t(n) * n);  // and there is a picture
  }
  EXPECT_EQ(expected_offset, ico.size());
}

TEST(Beep, IsA16BitMonoWaveOf5962Samples) {
  const std::string wav = ReadResource("sound/beep.wav");
  ASSERT_EQ(wav.size(), 11968u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(U32LE(wav, 4), 11960u);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(U32LE(wav, 16), 16u);
  EXPECT_EQ(U16LE(wav, 20), 1);  // PCM
  EXPECT_EQ(U16LE(wav, 22), 1);  // mono
  EXPECT_EQ(U32LE(wav, 24), 44100u);
  EXPECT_EQ(U32LE(wav, 28), 88200u);
  EXPECT_EQ(U16LE(wav, 32), 2);
  EXPECT_EQ(U16LE(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(U32LE(wav, 40), 11924u);
}

TEST(Beep, IsASteadyTriangleOfAbout1970HzThatFadesOut) {
  const std::string wav = ReadResource("sound/beep.wav");
  ASSERT_EQ(wav.size(), 11968u);
  std::vector<int> s;
  for (size_t at = 44; at < wav.size(); at += 2) s.push_back(int16_t(U16LE(wav, at)));
  ASSERT_EQ(s.size(), 5962u);
  const size_t fade_start = s.size() - 130;

  // Before the fade: peaks near +-23,000, steps of about 4,096.
  int high = 0, low = 0;
  long long step_sum = 0;
  int max_step = 0;
  for (size_t i = 0; i < fade_start; ++i) {
    high = std::max(high, s[i]);
    low = std::min(low, s[i]);
    if (i > 0) {
      const int step = std::abs(s[i] - s[i - 1]);
      step_sum += step;
      max_step = std::max(max_step, step);
    }
  }
  EXPECT_NEAR(high, 23000, 500);
  EXPECT_NEAR(low, -23000, 500);
  EXPECT_LE(max_step, 4200);
  // Steps at the turning points are shorter, so the mean is a little lower.
  EXPECT_NEAR(double(step_sum) / double(fade_start - 1), 4096.0, 300.0);
  // Constant amplitude: every full period before the fade comes close to both
  // peaks (a sample can miss the apex by up to half a step).
  for (size_t start = 0; start + 23 <= fade_start; start += 23) {
    const auto [lo, hi] = std::minmax_element(s.begin() + long(start), s.begin() + long(start) + 23);
    EXPECT_GT(*hi, 20500) << "period at " << start;
    EXPECT_LT(*lo, -20500) << "period at " << start;
  }
  // Frequency from the upward zero crossings.
  std::vector<size_t> rises;
  for (size_t i = 1; i < fade_start; ++i)
    if (s[i - 1] < 0 && s[i] >= 0) rises.push_back(i);
  ASSERT_GE(rises.size(), 2u);
  const double period = double(rises.back() - rises.front()) / double(rises.size() - 1);
  EXPECT_NEAR(44100.0 / period, 1970.0, 15.0);

  // The fade: the peak of each period shrinks, and the sound ends in silence.
  int previous_peak = 1 << 20;
  for (size_t start = fade_start; start < s.size(); start += 23) {
    int peak = 0;
    for (size_t i = start; i < std::min(s.size(), start + 23); ++i) peak = std::max(peak, std::abs(s[i]));
    EXPECT_LT(peak, previous_peak);
    previous_peak = peak;
  }
  EXPECT_LE(std::abs(s.back()), 200);
  EXPECT_LT(previous_peak, 4000);
}

// Windows looks for a library beside the program before the system folder;
// each library the manifest names is bound to the system folder's copy of
// the same name, so that no file planted beside the program is loaded in its
// place (tests/e2e/test_security.py shows it with planted libraries).
TEST(Manifest, BindsEveryLibraryItNamesToTheSystemFolderCopyOfThatName) {
  const std::string manifest = ReadResource("glyphwell.manifest");
  const std::regex entry(R"re(<file name="([^"]+)" loadFrom="([^"]+)"/>)re");
  std::set<std::string> names;
  size_t entries = 0;
  for (auto it = std::sregex_iterator(manifest.begin(), manifest.end(), entry); it != std::sregex_iterator();
       ++it) {
    ++entries;
    const std::string name = (*it)[1];
    EXPECT_EQ((*it)[2].str(), "%SystemRoot%\\system32\\" + name);
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    EXPECT_TRUE(names.insert(upper).second) << name << " twice";
    EXPECT_EQ(upper.substr(upper.size() - 4), ".DLL") << name;
  }
  size_t files = 0;
  for (size_t at = manifest.find("<file "); at != std::string::npos; at = manifest.find("<file ", at + 1)) ++files;
  EXPECT_EQ(entries, files) << "an entry of another form";
  // The libraries loaded after the start, when the first beep sounds or the
  // update check asks for the connection, and version.dll, which Wine's own
  // libraries load.
  for (const char* late : {"WINMM.DLL", "WININET.DLL", "VERSION.DLL"}) EXPECT_EQ(names.count(late), 1u) << late;
}

TEST(Manifest, DeclaresControlsVersionLevelDpiAndSupportedSystems) {
  const std::string manifest = ReadResource("glyphwell.manifest");
  for (const char* part : {
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "publicKeyToken=\"6595b64144ccf1df\"",
           "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
           ">true/pm</dpiAware>",
           ">PerMonitorV2, PerMonitor</dpiAwareness>",
           "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">",
           "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
       })
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace gw
