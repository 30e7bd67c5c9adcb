// Smoke test of the statically linked third-party libraries of the Windows
// program: libcurl must be the Schannel, HTTP/HTTPS-only build, and libpng
// (with zlib) must decode a PNG held in memory. Prints what it found and
// exits non-zero on any mismatch.
#include <curl/curl.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++g_passed;
  } else {
    ++g_failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

// 3x2 RGBA image, 8 bits per channel; row 0 uses the Sub filter, row 1 Paeth,
// so decoding exercises libpng's unfiltering as well as zlib.
const unsigned char kPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49,
    0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06,
    0x00, 0x00, 0x00, 0x9d, 0x74, 0x66, 0x1a, 0x00, 0x00, 0x00, 0x23, 0x49, 0x44,
    0x41, 0x54, 0x78, 0xda, 0x63, 0xfc, 0xcf, 0xc0, 0xf0, 0x9f, 0xf1, 0x3f, 0x43,
    0x23, 0x03, 0xe3, 0xff, 0x06, 0x16, 0x26, 0x26, 0x66, 0xd6, 0x5f, 0x7f, 0x7e,
    0xfe, 0x14, 0x53, 0x70, 0xac, 0x07, 0x00, 0x7d, 0xe6, 0x09, 0xef, 0x66, 0xa7,
    0x29, 0x3a, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60,
    0x82};

const unsigned char kPixels[] = {
    0xff, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00, 0x80, 0x00, 0x00, 0xff, 0x00,
    0x01, 0x02, 0x03, 0x04, 0xfa, 0xfb, 0xfc, 0xfd, 0x10, 0x20, 0x40, 0xff};

// Decodes |data| to RGBA; an empty result means libpng rejected it.
std::vector<unsigned char> DecodePng(const unsigned char* data, size_t size,
                                     png_uint_32* width, png_uint_32* height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    return {};
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  *width = image.width;
  *height = image.height;
  return pixels;
}

void CheckCurl() {
  Check(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK, "curl_global_init");
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  std::printf("libcurl %s\n", info->version);
  std::printf("  ssl: %s\n", info->ssl_version ? info->ssl_version : "(none)");
  std::printf("  libz: %s\n", info->libz_version ? info->libz_version : "(none)");
  std::string protocols;
  std::set<std::string> protocol_set;
  for (const char* const* p = info->protocols; *p; ++p) {
    protocols += protocols.empty() ? "" : " ";
    protocols += *p;
    protocol_set.insert(*p);
  }
  std::printf("  protocols: %s\n", protocols.c_str());

  Check(info->ssl_version && std::strstr(info->ssl_version, "Schannel"),
        "TLS backend is Schannel");
  Check(protocol_set == std::set<std::string>{"http", "https"},
        "protocols are exactly http and https");
  Check((info->features & CURL_VERSION_SSL) != 0, "SSL feature");
  Check((info->features & CURL_VERSION_LIBZ) != 0 && info->libz_version,
        "zlib content decoding");
  Check((info->features & (CURL_VERSION_IDN | CURL_VERSION_PSL |
                           CURL_VERSION_BROTLI | CURL_VERSION_ZSTD |
                           CURL_VERSION_HTTP2 | CURL_VERSION_HTTP3)) == 0,
        "no IDN, PSL, brotli, zstd, HTTP/2 or HTTP/3");

  // Other schemes are refused before any connection is attempted.
  const char* const refused[] = {"ftp://127.0.0.1/x", "file:///C:/windows/win.ini",
                                 "ldap://127.0.0.1/", "smb://127.0.0.1/x"};
  for (const char* url : refused) {
    CURL* curl = curl_easy_init();
    Check(curl != nullptr, "curl_easy_init");
    if (!curl) continue;
    curl_easy_setopt(curl, CURLOPT_URL, url);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2000L);
    const CURLcode rc = curl_easy_perform(curl);
    Check(rc == CURLE_UNSUPPORTED_PROTOCOL, std::string("refuses ") + url);
    curl_easy_cleanup(curl);
  }
  curl_global_cleanup();
}

void CheckPng() {
  std::printf("libpng %s, zlib %s\n", png_get_libpng_ver(nullptr), zlibVersion());
  png_uint_32 width = 0, height = 0;
  std::vector<unsigned char> pixels = DecodePng(kPng, sizeof kPng, &width, &height);
  std::printf("  decoded %ux%u, %zu bytes\n", static_cast<unsigned>(width),
              static_cast<unsigned>(height), pixels.size());
  Check(width == 3 && height == 2, "PNG size 3x2");
  Check(pixels.size() == sizeof kPixels &&
            std::memcmp(pixels.data(), kPixels, sizeof kPixels) == 0,
        "PNG pixels");

  // Damaged input is rejected rather than decoded to garbage or crashing.
  Check(DecodePng(kPng, 60, &width, &height).empty(), "truncated PNG rejected");
  std::vector<unsigned char> bad(kPng, kPng + sizeof kPng);
  bad[50] ^= 0x40;  // inside the IDAT data: its CRC no longer matches
  Check(DecodePng(bad.data(), bad.size(), &width, &height).empty(),
        "PNG with a bad CRC rejected");
  Check(DecodePng(kPng + 1, sizeof kPng - 1, &width, &height).empty(),
        "data without the PNG signature rejected");
}

}  // namespace

int main() {
  CheckCurl();
  CheckPng();
  std::printf("deps_smoke: %d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
