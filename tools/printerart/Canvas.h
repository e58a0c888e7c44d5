// An 8-bit palette image with the few drawing primitives the printer pictures
// need, and its writer as an uncompressed 256-colour BMP file.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct Point {
  double x, y;
};

class Canvas {
 public:
  static const int kSize = 200;

  Canvas();
  void Clear(uint8_t colour);
  void Pixel(int x, int y, uint8_t colour);
  uint8_t At(int x, int y) const;
  void FillRect(int left, int top, int right, int bottom, uint8_t colour);
  void FrameRect(int left, int top, int right, int bottom, uint8_t colour, int thickness = 1);
  void FillPolygon(const std::vector<Point>& points, uint8_t colour);
  void FramePolygon(const std::vector<Point>& points, uint8_t colour, int thickness = 1);
  void Line(double x0, double y0, double x1, double y1, uint8_t colour, int thickness = 1);
  void FillCircle(double cx, double cy, double radius, uint8_t colour);
  void Ring(double cx, double cy, double radius, uint8_t colour, double thickness);
  // Draws text in a 5 x 7 block font scaled by scale, centred on (cx, cy).
  void Text(const std::string& text, int cx, int cy, int scale, uint8_t colour);
  // Replaces every pixel of colour from by colour to.
  void Recolour(uint8_t from, uint8_t to);

  // Writes a BMP whose data (without the file header) is resourceSize bytes:
  // header, 256-entry palette, the rows bottom-up, zero padding at the end.
  bool WriteBmp(const std::string& path, const std::vector<uint32_t>& palette,
                size_t resourceSize) const;

 private:
  std::vector<uint8_t> m_pixels;
};
