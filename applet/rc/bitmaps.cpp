#include "applet/rc/bitmaps.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace rc_bitmaps {
namespace {

struct Rgb {
  uint8_t r, g, b;
};
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kNavy{16, 48, 120}, kYellow{250, 200, 30}, kGrey{128, 128, 128};

struct Picture {
  int width, height;
  std::vector<Rgb> pixels;
  Picture(int w, int h, Rgb fill) : width(w), height(h), pixels(static_cast<size_t>(w * h), fill) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y * width + x)] = c;
  }
  void Box(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
};

// 5 by 7 glyphs, one row per byte (bit 4 leftmost).
const uint8_t* Glyph(char c) {
  static const uint8_t kV[7] = {0x11, 0x11, 0x11, 0x11, 0x0A, 0x0A, 0x04};
  static const uint8_t kI[7] = {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E};
  static const uint8_t kG[7] = {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F};
  static const uint8_t kL[7] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F};
  static const uint8_t k2[7] = {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F};
  static const uint8_t k0[7] = {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E};
  static const uint8_t kDot[7] = {0, 0, 0, 0, 0, 0x0C, 0x0C};
  static const uint8_t kBlank[7] = {0};
  switch (c) {
    case 'V':
      return kV;
    case 'I':
      return kI;
    case 'G':
      return kG;
    case 'L':
      return kL;
    case '2':
      return k2;
    case '0':
      return k0;
    case '.':
      return kDot;
    default:
      return kBlank;
  }
}

int Text(Picture& p, int x, int y, const char* text, int scale, Rgb c) {
  for (; *text; ++text) {
    const uint8_t* g = Glyph(*text);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (g[row] & (0x10 >> col))
          p.Box(x + col * scale, y + row * scale, x + col * scale + scale - 1, y + row * scale + scale - 1, c);
    x += 6 * scale;
  }
  return x;
}

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// BITMAPINFOHEADER for `bits` per pixel; `height` as stored.
void InfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageBytes) {
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageBytes);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

// A 24-bit .bmp, rows bottom-up and padded to 4 bytes.
bool SaveBmp(const std::string& path, const Picture& p) {
  uint32_t rowBytes = static_cast<uint32_t>((p.width * 3 + 3) & ~3);
  uint32_t imageBytes = rowBytes * static_cast<uint32_t>(p.height);
  std::vector<uint8_t> out{'B', 'M'};
  Put32(out, 14 + 40 + imageBytes);
  Put32(out, 0);
  Put32(out, 14 + 40);
  InfoHeader(out, p.width, p.height, 24, imageBytes);
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const Rgb& c = p.pixels[static_cast<size_t>(y * p.width + x)];
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    out.resize(out.size() + (rowBytes - static_cast<uint32_t>(p.width) * 3), 0);
  }
  return Save(path, out);
}

// A one-image .ico of 32 bits per pixel; `transparent` marks the cells
// that show what lies behind.
bool SaveIcon(const std::string& path, const Picture& p, const std::vector<bool>& transparent) {
  uint32_t colorBytes = static_cast<uint32_t>(p.width * p.height * 4);
  uint32_t maskRow = static_cast<uint32_t>(((p.width + 31) / 32) * 4);
  uint32_t maskBytes = maskRow * static_cast<uint32_t>(p.height);
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, 1);  // one image
  out.push_back(static_cast<uint8_t>(p.width));
  out.push_back(static_cast<uint8_t>(p.height));
  out.push_back(0);
  out.push_back(0);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 40 + colorBytes + maskBytes);
  Put32(out, 22);
  InfoHeader(out, p.width, p.height * 2, 32, colorBytes + maskBytes);
  for (int y = p.height - 1; y >= 0; --y)
    for (int x = 0; x < p.width; ++x) {
      size_t i = static_cast<size_t>(y * p.width + x);
      const Rgb& c = p.pixels[i];
      out.insert(out.end(), {c.b, c.g, c.r, static_cast<uint8_t>(transparent[i] ? 0 : 255)});
    }
  for (int y = p.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = 0; x < p.width; ++x)
      if (transparent[static_cast<size_t>(y * p.width + x)]) row[static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return Save(path, out);
}

}  // namespace

bool WriteAll(const std::string& folder) {
  // The banner: "VIGIL 2.0" in white on a navy plate with a yellow stripe;
  // the mask is black where the plate is, white (see-through) around it.
  Picture banner(103, 41, kBlack), mask(103, 41, kWhite);
  banner.Box(1, 3, 101, 37, kNavy);
  mask.Box(1, 3, 101, 37, kBlack);
  banner.Box(1, 33, 101, 35, kYellow);
  int x = Text(banner, 7, 10, "VIGIL", 2, kWhite);
  Text(banner, x + 2, 17, "2.0", 1, kYellow);

  // The server image: a screen on its stand, on white.
  Picture server(16, 16, kWhite);
  server.Box(1, 1, 14, 10, kGrey);
  server.Box(3, 3, 12, 8, kNavy);
  server.Box(6, 11, 9, 12, kGrey);
  server.Box(3, 13, 12, 14, kGrey);

  // The icon: a navy square with a yellow bolt; its corners see-through.
  Picture icon(32, 32, kNavy);
  std::vector<bool> clear(32 * 32, false);
  for (int y = 0; y < 32; ++y)
    for (int x2 = 0; x2 < 32; ++x2) {
      bool corner = (x2 < 2 || x2 > 29) && (y < 2 || y > 29);
      clear[static_cast<size_t>(y * 32 + x2)] = corner;
    }
  for (int y = 4; y < 28; ++y) {
    int center = y < 16 ? 20 - (y - 4) / 2 : 18 - (y - 16) / 2;
    icon.Box(center - 3, y, center + 1, y, kYellow);
  }

  return SaveBmp(folder + "/banner.bmp", banner) && SaveBmp(folder + "/banner_mask.bmp", mask) &&
         SaveBmp(folder + "/servers.bmp", server) && SaveIcon(folder + "/vigil.ico", icon, clear);
}

}  // namespace rc_bitmaps
