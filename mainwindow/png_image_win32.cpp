// PNG images held in the program file: decoding with libpng and turning them
// into bitmaps with premultiplied alpha for buttons and menus.
#include <windows.h>

#include <png.h>

#include <algorithm>
#include <cstring>

#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

bool DecodePng(const void* data, std::size_t size, PngImage& image) {
  image = PngImage();
  if (!data || size == 0) return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&png, data, size)) return false;
  png.format = PNG_FORMAT_RGBA;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(png));
  if (pixels.empty() || !png_image_finish_read(&png, nullptr, pixels.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.rgba = std::move(pixels);
  return true;
}

bool ResourceBytes(int resource_id, const void*& data, std::size_t& size) {
  data = nullptr;
  size = 0;
  HMODULE module = App().instance ? App().instance : GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resource_id), MAKEINTRESOURCEW(10));
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return false;
  data = LockResource(loaded);
  size = SizeofResource(module, found);
  return data != nullptr && size > 0;
}

bool LoadPngResource(int resource_id, PngImage& image) {
  const void* data = nullptr;
  std::size_t size = 0;
  if (!ResourceBytes(resource_id, data, size)) {
    image = PngImage();
    return false;
  }
  return DecodePng(data, size, image);
}

HBITMAP CreatePixelBitmap(int width, int height, void*& bits) {
  bits = nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    bits = nullptr;
    return nullptr;
  }
  GdiFlush();
  return bitmap;
}

HBITMAP CreateAlphaBitmap(const PngImage& image, int width, int height) {
  if (image.width <= 0 || image.height <= 0 || width <= 0 || height <= 0 ||
      image.rgba.size() != static_cast<std::size_t>(image.width) * image.height * 4)
    return nullptr;
  void* bits = nullptr;
  HBITMAP bitmap = CreatePixelBitmap(width, height, bits);
  if (!bitmap) return nullptr;
  auto* out = static_cast<unsigned char*>(bits);

  // Area-average resampling in premultiplied space: every target pixel takes
  // the source pixels it covers, weighted by the covered area. Sizes in
  // 1/(width*height) fractions keep the arithmetic exact.
  const long long sw = image.width, sh = image.height;
  for (int ty = 0; ty < height; ++ty) {
    const long long y0 = ty * sh, y1 = (ty + 1) * sh;  // in units of 1/height source rows
    for (int tx = 0; tx < width; ++tx) {
      const long long x0 = tx * sw, x1 = (tx + 1) * sw;  // in units of 1/width source columns
      long long acc[4] = {0, 0, 0, 0};
      for (long long sy = y0 / height; sy < sh && sy * height < y1; ++sy) {
        const long long wy = std::min(y1, (sy + 1) * height) - std::max(y0, sy * height);
        if (wy <= 0) continue;
        for (long long sx = x0 / width; sx < sw && sx * width < x1; ++sx) {
          const long long wx = std::min(x1, (sx + 1) * width) - std::max(x0, sx * width);
          if (wx <= 0) continue;
          const unsigned char* p = &image.rgba[static_cast<std::size_t>((sy * sw + sx) * 4)];
          const long long w = wx * wy;
          const long long a = p[3];
          acc[0] += w * p[2] * a;  // blue
          acc[1] += w * p[1] * a;  // green
          acc[2] += w * p[0] * a;  // red
          acc[3] += w * a * 255;
        }
      }
      // Total weight is sw * sh; colours carry an extra factor 255.
      const long long total = sw * sh * 255;
      unsigned char* q = out + (static_cast<std::size_t>(ty) * width + tx) * 4;
      for (int c = 0; c < 4; ++c) q[c] = static_cast<unsigned char>((acc[c] + total / 2) / total);
    }
  }
  return bitmap;
}

}  // namespace gw
