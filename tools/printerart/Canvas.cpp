#include "tools/printerart/Canvas.h"

#include <math.h>
#include <stdio.h>

#include <algorithm>

Canvas::Canvas() : m_pixels(kSize * kSize, 0) {}

void Canvas::Clear(uint8_t colour) { std::fill(m_pixels.begin(), m_pixels.end(), colour); }

void Canvas::Pixel(int x, int y, uint8_t colour) {
  if (x >= 0 && y >= 0 && x < kSize && y < kSize) m_pixels[y * kSize + x] = colour;
}

uint8_t Canvas::At(int x, int y) const { return m_pixels[y * kSize + x]; }

void Canvas::FillRect(int left, int top, int right, int bottom, uint8_t colour) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) Pixel(x, y, colour);
}

void Canvas::FrameRect(int left, int top, int right, int bottom, uint8_t colour, int thickness) {
  FillRect(left, top, right, top + thickness, colour);
  FillRect(left, bottom - thickness, right, bottom, colour);
  FillRect(left, top, left + thickness, bottom, colour);
  FillRect(right - thickness, top, right, bottom, colour);
}

void Canvas::FillPolygon(const std::vector<Point>& points, uint8_t colour) {
  // Even-odd scan conversion sampled at pixel centres.
  const size_t n = points.size();
  for (int y = 0; y < kSize; ++y) {
    const double sy = y + 0.5;
    std::vector<double> crossings;
    for (size_t i = 0; i < n; ++i) {
      const Point& a = points[i];
      const Point& b = points[(i + 1) % n];
      if ((a.y <= sy && b.y > sy) || (b.y <= sy && a.y > sy))
        crossings.push_back(a.x + (sy - a.y) / (b.y - a.y) * (b.x - a.x));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      const int from = static_cast<int>(ceil(crossings[i] - 0.5));
      const int to = static_cast<int>(floor(crossings[i + 1] - 0.5));
      for (int x = from; x <= to; ++x) Pixel(x, y, colour);
    }
  }
}

void Canvas::FramePolygon(const std::vector<Point>& points, uint8_t colour, int thickness) {
  for (size_t i = 0; i < points.size(); ++i) {
    const Point& a = points[i];
    const Point& b = points[(i + 1) % points.size()];
    Line(a.x, a.y, b.x, b.y, colour, thickness);
  }
}

void Canvas::Line(double x0, double y0, double x1, double y1, uint8_t colour, int thickness) {
  const double length = std::max(fabs(x1 - x0), fabs(y1 - y0));
  const int steps = std::max(1, static_cast<int>(length * 2));
  const int half = thickness / 2;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    const int x = static_cast<int>(floor(x0 + (x1 - x0) * t));
    const int y = static_cast<int>(floor(y0 + (y1 - y0) * t));
    FillRect(x - half, y - half, x - half + thickness, y - half + thickness, colour);
  }
}

void Canvas::FillCircle(double cx, double cy, double radius, uint8_t colour) {
  for (int y = static_cast<int>(cy - radius - 1); y <= cy + radius + 1; ++y)
    for (int x = static_cast<int>(cx - radius - 1); x <= cx + radius + 1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      if (dx * dx + dy * dy <= radius * radius) Pixel(x, y, colour);
    }
}

void Canvas::Ring(double cx, double cy, double radius, uint8_t colour, double thickness) {
  for (int y = static_cast<int>(cy - radius - 1); y <= cy + radius + 1; ++y)
    for (int x = static_cast<int>(cx - radius - 1); x <= cx + radius + 1; ++x) {
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double d = sqrt(dx * dx + dy * dy);
      if (d <= radius && d >= radius - thickness) Pixel(x, y, colour);
    }
}

namespace {
// 5 x 7 glyphs, one string of five-bit rows per character.
const char* Glyph(char c) {
  switch (c) {
    case 'B': return "11110" "10001" "10001" "11110" "10001" "10001" "11110";
    case 'C': return "01110" "10001" "10000" "10000" "10000" "10001" "01110";
    case 'K': return "10001" "10010" "10100" "11000" "10100" "10010" "10001";
    case 'M': return "10001" "11011" "10101" "10101" "10001" "10001" "10001";
    case 'Y': return "10001" "10001" "01010" "00100" "00100" "00100" "00100";
    case '?': return "01110" "10001" "00001" "00110" "00100" "00000" "00100";
    case '!': return "00100" "00100" "00100" "00100" "00100" "00000" "00100";
    default: return nullptr;
  }
}
}  // namespace

void Canvas::Text(const std::string& text, int cx, int cy, int scale, uint8_t colour) {
  const int advance = 6 * scale;
  const int width = static_cast<int>(text.size()) * advance - scale;
  int left = cx - width / 2;
  const int top = cy - 7 * scale / 2;
  for (char c : text) {
    const char* rows = Glyph(c);
    for (int row = 0; rows && row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (rows[row * 5 + col] == '1')
          FillRect(left + col * scale, top + row * scale, left + (col + 1) * scale,
                   top + (row + 1) * scale, colour);
    left += advance;
  }
}

void Canvas::Recolour(uint8_t from, uint8_t to) {
  for (uint8_t& p : m_pixels)
    if (p == from) p = to;
}

namespace {
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
}  // namespace

bool Canvas::WriteBmp(const std::string& path, const std::vector<uint32_t>& palette,
                      size_t resourceSize) const {
  const uint32_t kInfoSize = 40, kPaletteSize = 256 * 4, kFileHeader = 14;
  const uint32_t imageSize = kSize * kSize;  // 200 is a multiple of 4: rows need no padding
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(kFileHeader + resourceSize));
  Put32(out, 0);
  Put32(out, kFileHeader + kInfoSize + kPaletteSize);
  Put32(out, kInfoSize);
  Put32(out, kSize);
  Put32(out, kSize);
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  for (size_t i = 0; i < 256; ++i) {
    const uint32_t rgb = i < palette.size() ? palette[i] : 0;
    out.push_back(rgb & 0xFF);          // blue
    out.push_back((rgb >> 8) & 0xFF);   // green
    out.push_back((rgb >> 16) & 0xFF);  // red
    out.push_back(0);
  }
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) out.push_back(At(x, y));
  while (out.size() < kFileHeader + resourceSize) out.push_back(0);

  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok = fwrite(out.data(), 1, out.size(), file) == out.size();
  return fclose(file) == 0 && ok;
}
