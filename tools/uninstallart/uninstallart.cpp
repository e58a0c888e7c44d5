// uninstallart OUTDIR: draws the pictures of the uninstall tool and writes
//   panel301.bmp       the picture panel of the main dialog (24-bit)
//   smallicons303.bmp  eight printer row icons, 18 x 18 each, magenta background
//   largeicons304.bmp  the same eight at 32 x 32
//   states305.bmp      progress-row states (pending, done, running), 16 x 16 each
//   torvax201.ico      the program icon, 32 x 32 and 16 x 16
// Row icon n combines: 1 default printer (check mark), 2 network printer
// (cable), 4 disguised printer (mask). Runs on the build machine.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r, g, b;
};
const Rgb kMagenta{255, 0, 255};

class Image {
 public:
  Image(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
  int Width() const { return w_; }
  int Height() const { return h_; }
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<size_t>(y) * w_ + x] = c;
  }
  Rgb Get(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {  // inclusive-exclusive
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) Set(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, Rgb c) {
    Fill(x0, y0, x1, y0 + 1, c);
    Fill(x0, y1 - 1, x1, y1, c);
    Fill(x0, y0, x0 + 1, y1, c);
    Fill(x1 - 1, y0, x1, y1, c);
  }
  void Line(double x0, double y0, double x1, double y1, double width, Rgb c) {
    const int steps = static_cast<int>(std::hypot(x1 - x0, y1 - y0) * 4) + 1;
    for (int i = 0; i <= steps; ++i) {
      double t = static_cast<double>(i) / steps;
      Disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, width / 2, c);
    }
  }
  void Disc(double cx, double cy, double r, Rgb c) {
    for (int y = static_cast<int>(cy - r - 1); y <= cy + r + 1; ++y)
      for (int x = static_cast<int>(cx - r - 1); x <= cx + r + 1; ++x)
        if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= r) Set(x, y, c);
  }
  void Blit(const Image& src, int ox, int oy) {
    for (int y = 0; y < src.h_; ++y)
      for (int x = 0; x < src.w_; ++x) Set(ox + x, oy + y, src.Get(x, y));
  }

 private:
  int w_, h_;
  std::vector<Rgb> px_;
};

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// BITMAPINFOHEADER + pixel rows bottom-up, 24 bits per pixel.
std::vector<uint8_t> DibBits24(const Image& img) {
  std::vector<uint8_t> b;
  const int stride = (img.Width() * 3 + 3) & ~3;
  for (int y = img.Height() - 1; y >= 0; --y) {
    int n = 0;
    for (int x = 0; x < img.Width(); ++x, n += 3) {
      Rgb c = img.Get(x, y);
      b.push_back(c.b);
      b.push_back(c.g);
      b.push_back(c.r);
    }
    for (; n < stride; ++n) b.push_back(0);
  }
  return b;
}

void InfoHeader(std::vector<uint8_t>& b, int w, int h, int bits, uint32_t imageSize) {
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(w));
  Put32(b, static_cast<uint32_t>(h));
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(bits));
  Put32(b, 0);  // BI_RGB
  Put32(b, imageSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteBmp(const std::string& path, const Image& img) {
  std::vector<uint8_t> bits = DibBits24(img);
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, static_cast<uint32_t>(14 + 40 + bits.size()));
  Put32(b, 0);
  Put32(b, 14 + 40);
  InfoHeader(b, img.Width(), img.Height(), 24, static_cast<uint32_t>(bits.size()));
  b.insert(b.end(), bits.begin(), bits.end());
  return WriteFile(path, b);
}

// One icon image: 32-bit colour rows (alpha from the magenta key) and the
// AND mask, as an icon directory entry's data.
std::vector<uint8_t> IconImage(const Image& img) {
  std::vector<uint8_t> b;
  const int w = img.Width(), h = img.Height();
  const int maskStride = ((w + 31) / 32) * 4;
  InfoHeader(b, w, h * 2, 32, static_cast<uint32_t>(w * h * 4 + maskStride * h));
  for (int y = h - 1; y >= 0; --y)
    for (int x = 0; x < w; ++x) {
      Rgb c = img.Get(x, y);
      bool clear = c.r == kMagenta.r && c.g == kMagenta.g && c.b == kMagenta.b;
      b.push_back(clear ? 0 : c.b);
      b.push_back(clear ? 0 : c.g);
      b.push_back(clear ? 0 : c.r);
      b.push_back(clear ? 0 : 255);
    }
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
    for (int x = 0; x < w; ++x) {
      Rgb c = img.Get(x, y);
      if (c.r == kMagenta.r && c.g == kMagenta.g && c.b == kMagenta.b)
        row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

bool WriteIco(const std::string& path, const std::vector<Image>& images) {
  std::vector<std::vector<uint8_t>> data;
  for (const Image& img : images) data.push_back(IconImage(img));
  std::vector<uint8_t> b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    b.push_back(static_cast<uint8_t>(images[i].Width()));
    b.push_back(static_cast<uint8_t>(images[i].Height()));
    b.push_back(0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, 32);
    Put32(b, static_cast<uint32_t>(data[i].size()));
    Put32(b, offset);
    offset += static_cast<uint32_t>(data[i].size());
  }
  for (const auto& d : data) b.insert(b.end(), d.begin(), d.end());
  return WriteFile(path, b);
}

// A printer seen from the front, scaled to an s x s cell.
void DrawPrinter(Image& img, int ox, int oy, int s) {
  auto X = [&](double f) { return ox + static_cast<int>(std::lround(f * s)); };
  auto Y = [&](double f) { return oy + static_cast<int>(std::lround(f * s)); };
  const Rgb outline{64, 64, 72}, body{200, 204, 212}, shade{150, 156, 168}, paper{255, 255, 255},
      slot{40, 40, 48}, light{40, 180, 70};
  img.Fill(X(0.25), Y(0.08), X(0.75), Y(0.40), paper);     // paper in the feeder
  img.Frame(X(0.25), Y(0.08), X(0.75), Y(0.40), outline);
  img.Fill(X(0.06), Y(0.34), X(0.94), Y(0.78), body);      // body
  img.Fill(X(0.06), Y(0.62), X(0.94), Y(0.78), shade);
  img.Frame(X(0.06), Y(0.34), X(0.94), Y(0.78), outline);
  img.Fill(X(0.20), Y(0.50), X(0.80), Y(0.50) + 1, slot);   // output slot
  img.Fill(X(0.22), Y(0.70), X(0.78), Y(0.92), paper);     // printed page
  img.Frame(X(0.22), Y(0.70), X(0.78), Y(0.92), outline);
  img.Fill(X(0.78), Y(0.40), X(0.86), Y(0.46), light);     // ready light
}

void DrawCheck(Image& img, int ox, int oy, int s) {  // default printer
  const Rgb ring{255, 255, 255}, mark{20, 20, 20};
  const double r = s * 0.22, cx = ox + s * 0.24, cy = oy + s * 0.76;
  img.Disc(cx, cy, r + 1, mark);
  img.Disc(cx, cy, r, ring);
  const double w = s >= 32 ? 2.4 : 1.4;
  img.Line(cx - r * 0.55, cy, cx - r * 0.1, cy + r * 0.45, w, mark);
  img.Line(cx - r * 0.1, cy + r * 0.45, cx + r * 0.6, cy - r * 0.5, w, mark);
}

void DrawCable(Image& img, int ox, int oy, int s) {  // network printer
  const Rgb cable{30, 90, 200};
  const double w = s >= 32 ? 3 : 2;
  img.Line(ox + s * 0.5, oy + s * 0.80, ox + s * 0.5, oy + s * 0.97, w, cable);
  img.Line(ox + s * 0.15, oy + s * 0.97, ox + s * 0.85, oy + s * 0.97, w, cable);
}

void DrawMask(Image& img, int ox, int oy, int s) {  // disguised printer
  const Rgb mask{120, 40, 160}, eye{255, 255, 255};
  const double cy = oy + s * 0.20, r = s * 0.14;
  img.Disc(ox + s * 0.66, cy, r, mask);
  img.Disc(ox + s * 0.86, cy, r, mask);
  img.Fill(static_cast<int>(ox + s * 0.66), static_cast<int>(cy - r * 0.5),
           static_cast<int>(ox + s * 0.86), static_cast<int>(cy + r * 0.5), mask);
  img.Disc(ox + s * 0.66, cy, r * 0.4, eye);
  img.Disc(ox + s * 0.86, cy, r * 0.4, eye);
}

Image RowIcons(int s) {
  Image img(s * 8, s, kMagenta);
  for (int n = 0; n < 8; ++n) {
    DrawPrinter(img, n * s, 0, s);
    if (n & 2) DrawCable(img, n * s, 0, s);
    if (n & 1) DrawCheck(img, n * s, 0, s);
    if (n & 4) DrawMask(img, n * s, 0, s);
  }
  return img;
}

Image States() {
  Image img(48, 16, kMagenta);
  img.Disc(8, 8, 5.5, Rgb{150, 150, 150});  // pending: hollow grey circle
  img.Disc(8, 8, 3.8, kMagenta);
  img.Line(16 + 3, 8.5, 16 + 6.5, 12, 2.2, Rgb{20, 140, 50});  // done: green check
  img.Line(16 + 6.5, 12, 16 + 13, 4, 2.2, Rgb{20, 140, 50});
  for (int y = 2; y < 14; ++y) {  // running: blue arrow
    int half = y < 8 ? y - 2 : 13 - y;
    img.Fill(32 + 5, y, 32 + 6 + half, y + 1, Rgb{30, 90, 200});
  }
  img.Fill(32 + 2, 7, 32 + 6, 9, Rgb{30, 90, 200});
  return img;
}

Image Panel() {
  const int w = 138, h = 302;
  Image img(w, h, Rgb{0, 0, 0});
  for (int y = 0; y < h; ++y) {  // deep blue to teal, top to bottom
    double t = static_cast<double>(y) / (h - 1);
    Rgb c{static_cast<uint8_t>(10 + 10 * t), static_cast<uint8_t>(40 + 90 * t),
          static_cast<uint8_t>(110 + 40 * t)};
    img.Fill(0, y, w, y + 1, c);
  }
  Image printer(96, 96, Rgb{0, 0, 0});
  Image big(96, 96, kMagenta);
  DrawPrinter(big, 0, 0, 96);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 96; ++x) {
      Rgb c = big.Get(x, y);
      if (!(c.r == 255 && c.g == 0 && c.b == 255)) img.Set(21 + x, 90 + y, c);
    }
  return img;
}

Image ProgramIcon(int s) {
  Image img(s, s, kMagenta);
  DrawPrinter(img, 0, 0, s);
  const Rgb red{210, 30, 30};
  const double w = s >= 32 ? 3.5 : 2.2;
  img.Disc(s * 0.74, s * 0.74, s * 0.24, Rgb{255, 255, 255});
  img.Line(s * 0.62, s * 0.62, s * 0.86, s * 0.86, w, red);
  img.Line(s * 0.86, s * 0.62, s * 0.62, s * 0.86, w, red);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: uninstallart OUTDIR\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = WriteBmp(dir + "panel301.bmp", Panel()) &&
            WriteBmp(dir + "smallicons303.bmp", RowIcons(18)) &&
            WriteBmp(dir + "largeicons304.bmp", RowIcons(32)) &&
            WriteBmp(dir + "states305.bmp", States()) &&
            WriteIco(dir + "torvax201.ico", {ProgramIcon(32), ProgramIcon(16)});
  if (!ok) std::fprintf(stderr, "uninstallart: cannot write the pictures to %s\n", dir.c_str());
  return ok ? 0 : 1;
}
