// The pixels of a PNG file that Chromium writes (8 bits per channel, RGB or RGBA, not
// interlaced), decoded with zlib, so that a test can tell a drawn page from a blank one.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace zavtest {

struct Pixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t channels = 0;
  std::vector<std::uint8_t> data;  // rows of width * channels bytes
};

inline std::uint32_t BE32(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<unsigned char>(bytes[at + 3]);
}

inline std::optional<Pixels> DecodePng(const std::string& png) {
  if (png.size() < 33 || png.compare(0, 8, "\x89PNG\r\n\x1A\n") != 0) return std::nullopt;
  Pixels pixels;
  std::string compressed;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = BE32(png, at);
    const std::string type = png.substr(at + 4, 4);
    if (at + 12 + length > png.size()) return std::nullopt;
    if (type == "IHDR") {
      pixels.width = BE32(png, at + 8);
      pixels.height = BE32(png, at + 12);
      const int depth = png[at + 16];
      const int color = png[at + 17];
      const int interlace = png[at + 20];
      if (depth != 8 || (color != 2 && color != 6) || interlace != 0) return std::nullopt;
      pixels.channels = color == 6 ? 4 : 3;
    } else if (type == "IDAT") {
      compressed += png.substr(at + 8, length);
    }
    at += 12 + length;
  }
  const std::size_t stride = pixels.width * pixels.channels;
  std::vector<std::uint8_t> raw((stride + 1) * pixels.height);
  uLongf rawSize = raw.size();
  if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(compressed.data()), compressed.size()) != Z_OK ||
      rawSize != raw.size()) {
    return std::nullopt;
  }
  pixels.data.resize(stride * pixels.height);
  const std::size_t bpp = pixels.channels;
  for (std::uint32_t y = 0; y < pixels.height; ++y) {
    const std::uint8_t filter = raw[y * (stride + 1)];
    const std::uint8_t* in = &raw[y * (stride + 1) + 1];
    std::uint8_t* out = &pixels.data[y * stride];
    const std::uint8_t* up = y > 0 ? &pixels.data[(y - 1) * stride] : nullptr;
    for (std::size_t x = 0; x < stride; ++x) {
      const int a = x >= bpp ? out[x - bpp] : 0;
      const int b = up != nullptr ? up[x] : 0;
      const int c = (up != nullptr && x >= bpp) ? up[x - bpp] : 0;
      int predicted = 0;
      switch (filter) {
        case 0: predicted = 0; break;
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) / 2; break;
        case 4: {
          const int p = a + b - c;
          const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          predicted = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
          break;
        }
        default: return std::nullopt;
      }
      out[x] = static_cast<std::uint8_t>(in[x] + predicted);
    }
  }
  return pixels;
}

}  // namespace zavtest
