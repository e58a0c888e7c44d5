// Draws the 54 printer pictures that BELDRA02 carries for its host and writes
// them as 200 x 200, 256-colour BMP files, together with the resource script
// that names them.
//
//   printerart OUTPUT_FOLDER
//
// The pictures show the printer in a three-quarter view: front face, top face
// and right side. Each picture is the printer in a "look" (which parts are
// normal, greyed or marked in a colour) plus badges, arrows and a hand.
#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "tools/printerart/Canvas.h"

namespace {

// Palette entries; the rest of the palette is a grey ramp.
enum Ink : uint8_t {
  WHITE, BLACK, OUTLINE, FRONT, SIDE, TOP, PANEL, RED, PALE_RED, GREEN, YELLOW, PINK,
  CYAN, MAGENTA, GREY_LIGHT, GREY_MID, SKIN, GREY_BAND, DARK_RED, BADGE_YELLOW, BLUE, SLOT,
  GREY_OUTLINE, GREY_SLOT, kInkCount
};

std::vector<uint32_t> Palette() {
  std::vector<uint32_t> p = {0xFFFFFF, 0x000000, 0x3C3C46, 0xE4E6EA, 0xB4B8C0, 0xCDD0D6,
                             0x5A5F6A, 0xE02020, 0xFFB4B4, 0x20B040, 0xF0D000, 0xFF90C8,
                             0x00A8E8, 0xD0109A, 0xF2F2F2, 0xDCDCDC, 0xF0C8A0, 0x909090,
                             0x900000, 0xFFD21E, 0x3060D0, 0x2A2D33, 0xB0B0B0, 0xC8C8C8};
  while (p.size() < 256) {
    const uint32_t level = static_cast<uint32_t>((p.size() - kInkCount) * 255 / (255 - kInkCount));
    p.push_back(level << 16 | level << 8 | level);
  }
  return p;
}

// Geometry of the printer (pixels).
const std::vector<Point> kFront = {{28, 72}, {150, 72}, {150, 172}, {28, 172}};
const std::vector<Point> kTop = {{28, 72}, {52, 50}, {174, 50}, {150, 72}};
const std::vector<Point> kSide = {{150, 72}, {174, 50}, {174, 150}, {150, 172}};
const std::vector<Point> kOutputTray = {{48, 67}, {62, 56}, {148, 56}, {134, 67}};
const std::vector<Point> kFuser = {{52, 50}, {174, 50}, {168, 55.5}, {58, 55.5}};
const std::vector<Point> kSideCover = {{150, 72}, {168, 55.5}, {168, 122}, {150, 140}};
const std::vector<Point> kDuplex = {{150, 140}, {168, 122}, {168, 155.5}, {150, 172}};
const std::vector<Point> kRearCover = {{168, 55.5}, {174, 50}, {174, 150}, {168, 155.5}};
const int kCoverTop = 92, kCoverBottom = 129;
const int kCassetteTop = 136, kCassetteBottom = 168;
const int kCartridgeLeft[4] = {37, 64, 91, 118};  // cyan, magenta, yellow, black

struct Look {
  bool greyed = false;
  uint8_t top = TOP, side = SIDE, front = FRONT;
  uint8_t outputTray = 0, fuser = 0, sideCover = 0, duplex = 0, rearCover = 0;
  uint8_t cover = 0, cassette = 0, mpTray = 0, drum = 0, panel = 0;
  uint8_t cartridges = 0;         // all four cartridges in one colour
  int highlightCartridge = -1;    // 0..3: that cartridge in its toner colour
  bool sheet = false;
  bool lowerTray = false;
  uint8_t lowerTrayInk = 0;
  bool paperPath = false;
};

uint8_t Pick(uint8_t marked, uint8_t normal) { return marked ? marked : normal; }

void DrawPrinter(Canvas& c, const Look& look) {
  const uint8_t line = look.greyed ? GREY_OUTLINE : OUTLINE;
  const uint8_t slot = look.greyed ? GREY_SLOT : SLOT;
  const uint8_t front = look.greyed ? uint8_t(GREY_LIGHT) : look.front;
  const uint8_t top = look.greyed ? uint8_t(GREY_MID) : look.top;
  const uint8_t side = look.greyed ? uint8_t(GREY_SLOT) : look.side;

  if (look.lowerTray) {
    const uint8_t ink = Pick(look.lowerTrayInk, front);
    c.FillRect(30, 172, 150, 192, ink);
    c.FillPolygon({{150, 172}, {172, 152}, {172, 172}, {150, 192}}, Pick(look.lowerTrayInk, side));
    c.FrameRect(30, 172, 150, 192, line);
    c.FramePolygon({{150, 172}, {172, 152}, {172, 172}, {150, 192}}, line);
    c.FillRect(78, 180, 102, 185, slot);
  }

  c.FillPolygon(kTop, top);
  c.FillPolygon(kSide, side);
  c.FillPolygon(kFront, front);
  c.FillPolygon(kFuser, Pick(look.fuser, look.greyed ? GREY_SLOT : SIDE));
  c.FillPolygon(kOutputTray, Pick(look.outputTray, look.greyed ? GREY_SLOT : SIDE));
  if (look.sideCover) c.FillPolygon(kSideCover, look.sideCover);
  if (look.duplex) c.FillPolygon(kDuplex, look.duplex);
  if (look.rearCover) c.FillPolygon(kRearCover, look.rearCover);
  c.FramePolygon(kOutputTray, line);
  c.FramePolygon(kSideCover, line);
  c.Line(150, 140, 168, 122, line);
  // Ventilation slots on the side.
  for (int i = 0; i < 4; ++i) c.Line(154, 150 + i * 4, 164, 141 + i * 4, line);

  if (look.sheet) {
    c.FillPolygon({{60, 64}, {70, 52}, {132, 52}, {124, 64}}, WHITE);
    c.FramePolygon({{60, 64}, {70, 52}, {132, 52}, {124, 64}}, line);
    for (int i = 0; i < 3; ++i) c.Line(74 + i * 2, 61 - i * 3, 116 + i * 2, 61 - i * 3, GREY_OUTLINE);
  }

  // Control panel with a display and two keys.
  const uint8_t panel = Pick(look.panel, look.greyed ? GREY_SLOT : PANEL);
  c.FillRect(108, 76, 146, 88, panel);
  c.FillRect(111, 79, 127, 85, look.greyed ? GREY_MID : GREEN);
  c.FillCircle(134, 82, 2.5, look.greyed ? GREY_LIGHT : WHITE);
  c.FillCircle(141, 82, 2.5, look.greyed ? GREY_LIGHT : YELLOW);

  // Front cover with the four toner cartridges behind its window.
  c.FillRect(32, kCoverTop, 146, kCoverBottom, Pick(look.cover, front));
  c.FrameRect(32, kCoverTop, 146, kCoverBottom, line);
  const uint8_t tonerInk[4] = {CYAN, MAGENTA, YELLOW, BLACK};
  for (int i = 0; i < 4; ++i) {
    const int left = kCartridgeLeft[i];
    uint8_t ink = look.greyed ? uint8_t(GREY_MID) : slot;
    if (look.cartridges) ink = look.cartridges;
    if (look.highlightCartridge == i) ink = tonerInk[i];
    c.FillRect(left, 97, left + 23, 121, ink);
    c.FrameRect(left, 97, left + 23, 121, line);
    c.FillRect(left + 8, 99, left + 15, 102, look.greyed ? GREY_LIGHT : GREY_BAND);
  }
  c.FillRect(37, 123, 141, 127, Pick(look.drum, look.greyed ? GREY_SLOT : GREEN));

  // Multipurpose tray slot and the paper cassette.
  c.FillRect(32, 130, 146, 134, Pick(look.mpTray, look.greyed ? GREY_SLOT : SIDE));
  c.FrameRect(32, 130, 146, 134, line);
  c.FillRect(32, kCassetteTop, 146, kCassetteBottom, Pick(look.cassette, front));
  c.FrameRect(32, kCassetteTop, 146, kCassetteBottom, line);
  c.FillRect(76, 146, 102, 152, slot);

  c.FramePolygon(kTop, line);
  c.FramePolygon(kSide, line);
  c.FramePolygon(kFront, line, 2);

  if (look.paperPath) {
    // The sheet's way: out of the cassette, up the back, out on top.
    const uint8_t path = RED;
    c.Line(60, 160, 158, 160, path, 3);
    c.Line(158, 160, 170, 148, path, 3);
    c.Line(170, 148, 170, 62, path, 3);
    c.Line(170, 62, 160, 58, path, 3);
    c.Line(160, 58, 96, 58, path, 3);
    c.FillPolygon({{90, 58}, {100, 52}, {100, 64}}, path);
  }
}

void WarningBadge(Canvas& c, int cx, int cy) {
  const std::vector<Point> triangle = {{cx + 0.0, cy - 16.0}, {cx + 17.0, cy + 13.0}, {cx - 17.0, cy + 13.0}};
  c.FillPolygon(triangle, BADGE_YELLOW);
  c.FramePolygon(triangle, BLACK, 2);
  c.Text("!", cx, cy + 3, 2, BLACK);
}

void LetterBadge(Canvas& c, int cx, int cy, const std::string& letters, uint8_t ring, int toX, int toY) {
  c.Line(cx, cy, toX, toY, OUTLINE, 2);
  c.FillCircle(cx, cy, 17, WHITE);
  c.Ring(cx, cy, 17, ring, 4);
  c.Ring(cx, cy, 17.5, OUTLINE, 1);
  c.Text(letters, cx, cy, letters.size() > 1 ? 2 : 3, BLACK);
}

void WrenchBadge(Canvas& c, int cx, int cy) {
  c.FillCircle(cx, cy, 17, RED);
  c.Ring(cx, cy, 17.5, DARK_RED, 1.5);
  c.Line(cx - 8, cy + 8, cx + 4, cy - 4, WHITE, 4);
  c.FillCircle(cx + 6, cy - 6, 6, WHITE);
  c.FillPolygon({{cx + 6.0, cy - 6.0}, {cx + 8.0, cy - 14.0}, {cx + 14.0, cy - 8.0}}, RED);
}

void QuestionMark(Canvas& c, int cx, int cy) {
  c.FillCircle(cx, cy, 18, WHITE);
  c.Ring(cx, cy, 18, RED, 3);
  c.Text("?", cx + 1, cy, 4, RED);
}

void Arrow(Canvas& c, double x0, double y0, double x1, double y1, uint8_t ink) {
  // Shaft to the base of the head, then a triangular head ending at (x1, y1).
  const double dx = x1 - x0, dy = y1 - y0;
  const double length = sqrt(dx * dx + dy * dy);
  const double ux = dx / length, uy = dy / length;
  const double baseX = x1 - ux * 14, baseY = y1 - uy * 14;
  c.Line(x0, y0, baseX, baseY, ink, 7);
  c.FillPolygon({{x1, y1}, {baseX - uy * 11, baseY + ux * 11}, {baseX + uy * 11, baseY - ux * 11}}, ink);
}

void Hand(Canvas& c) {
  // A forefinger coming from the upper right onto the control panel's key.
  const std::vector<Point> finger = {{136, 80}, {144, 78}, {178, 38}, {196, 38}, {196, 60}, {160, 88}};
  c.FillPolygon(finger, SKIN);
  c.FramePolygon(finger, DARK_RED);
  c.FillCircle(140, 82, 5, SKIN);
  c.Ring(140, 82, 5.5, DARK_RED, 1);
  c.Line(168, 64, 176, 58, DARK_RED);
  c.Line(176, 52, 186, 46, DARK_RED);
}

}  // namespace

namespace {

typedef void (*Painter)(Canvas&);

struct Picture {
  const char* name;
  Painter paint;
};

void Printer(Canvas& c, const Look& look) { DrawPrinter(c, look); }

// Printer pictures: the printer in its states.
void M01(Canvas& c) { Printer(c, Look()); }
void M02(Canvas& c) { Look l; l.sheet = true; Printer(c, l); }
void M03(Canvas& c) { Look l; l.greyed = true; Printer(c, l); }
void Cartridge(Canvas& c, int index, const char* letters, uint8_t ring) {
  Look l;
  l.highlightCartridge = index;
  Printer(c, l);
  LetterBadge(c, 24 + index * 20, 26, letters, ring, kCartridgeLeft[index] + 11, 100);
}
void M04(Canvas& c) { Cartridge(c, 0, "C", CYAN); }
void M05(Canvas& c) { Cartridge(c, 1, "M", MAGENTA); }
void M06(Canvas& c) { Cartridge(c, 2, "Y", YELLOW); }
void M07(Canvas& c) { Cartridge(c, 3, "BK", BLACK); }
void M08(Canvas& c) { Look l; l.cartridges = RED; Printer(c, l); WarningBadge(c, 24, 30); }
void M09(Canvas& c) { Look l; l.greyed = true; Printer(c, l); QuestionMark(c, 26, 30); }
void M10(Canvas& c) { Printer(c, Look()); Hand(c); }
void M11(Canvas& c) { Look l; l.cassette = RED; Printer(c, l); }
void M12(Canvas& c) { Look l; l.cartridges = PALE_RED; Printer(c, l); }
void M13(Canvas& c) { Look l; l.greyed = true; Printer(c, l); WrenchBadge(c, 26, 30); }
void Part(Canvas& c, uint8_t Look::*part, bool warning) {
  Look l;
  l.*part = RED;
  Printer(c, l);
  if (warning) WarningBadge(c, 24, 30);
}
void M14(Canvas& c) { Part(c, &Look::top, true); }
void M15(Canvas& c) { Part(c, &Look::cover, true); }
void M16(Canvas& c) { Part(c, &Look::sideCover, true); }
void M17(Canvas& c) { Part(c, &Look::outputTray, true); }
void M18(Canvas& c) { Part(c, &Look::mpTray, true); }
void M19(Canvas& c) {
  Look l;
  l.lowerTray = true;
  l.lowerTrayInk = RED;
  Printer(c, l);
  WarningBadge(c, 24, 30);
}
void M20(Canvas& c) { Part(c, &Look::duplex, true); }
void M21(Canvas& c) { Part(c, &Look::fuser, true); }
void M22(Canvas& c) { Part(c, &Look::rearCover, false); }
void M23(Canvas& c) { Look l; l.paperPath = true; Printer(c, l); WarningBadge(c, 24, 30); }
void M24(Canvas& c) {
  Part(c, &Look::cassette, false);
  Arrow(c, 89, 196, 89, 156, GREEN);
}
void M25(Canvas& c) { Part(c, &Look::drum, true); }

// Body overlays: the printer's outline filled in one colour.
void Silhouette(Canvas& c, uint8_t ink, bool withLowerTray) {
  c.FillPolygon(kTop, ink);
  c.FillPolygon(kSide, ink);
  c.FillPolygon(kFront, ink);
  if (withLowerTray) {
    c.FillRect(30, 172, 150, 192, ink);
    c.FillPolygon({{150, 172}, {172, 152}, {172, 172}, {150, 192}}, ink);
  }
}
void B01(Canvas& c) { Silhouette(c, GREEN, false); }
void B02(Canvas& c) { Silhouette(c, RED, false); c.FillCircle(89, 110, 4, WHITE); }
void B03(Canvas& c) { Silhouette(c, RED, false); }
void B04(Canvas& c) { Silhouette(c, YELLOW, false); }
void B05(Canvas& c) { Silhouette(c, YELLOW, true); }
void B06(Canvas& c) { Silhouette(c, RED, true); }
void B07(Canvas& c) { Silhouette(c, DARK_RED, false); }
void B08(Canvas& c) { Silhouette(c, PALE_RED, false); }

// Edge overlays: the front face's right edge, as an outline or a band.
void Edge(Canvas& c, uint8_t ink, bool band) {
  if (band)
    c.FillRect(146, 70, 154, 174, ink);
  else
    c.Line(150, 72, 150, 172, ink, 2);
}
void D01(Canvas& c) { Edge(c, GREEN, true); }
void D02(Canvas& c) { Edge(c, BLACK, false); }
void D03(Canvas& c) { Edge(c, GREY_BAND, false); }
void D04(Canvas& c) { Edge(c, PINK, true); }
void D05(Canvas& c) { Edge(c, YELLOW, true); }
void D06(Canvas& c) { Edge(c, RED, true); }
void D07(Canvas& c) { Edge(c, RED, false); }
void D08(Canvas& c) { Edge(c, GREEN, false); }
void D09(Canvas& c) { Edge(c, GREY_BAND, true); }

// Front overlays: the paper cassette at the lower front.
void Cassette(Canvas& c, uint8_t fill, uint8_t frame, bool handle) {
  if (fill) c.FillRect(32, kCassetteTop, 146, kCassetteBottom, fill);
  c.FrameRect(32, kCassetteTop, 146, kCassetteBottom, frame, 2);
  if (handle) c.FillRect(76, 146, 102, 152, frame);
}
void T01(Canvas& c) { Cassette(c, GREEN, OUTLINE, false); }
void T02(Canvas& c) { Cassette(c, PINK, OUTLINE, false); }
void T03(Canvas& c) { Cassette(c, YELLOW, OUTLINE, false); }
void T04(Canvas& c) { Cassette(c, RED, OUTLINE, false); }
void T05(Canvas& c) { Cassette(c, 0, OUTLINE, false); }
void T06(Canvas& c) { Cassette(c, 0, OUTLINE, true); }
void T07(Canvas& c) { Cassette(c, RED, OUTLINE, true); Arrow(c, 89, 198, 89, 158, GREEN); }
void T08(Canvas& c) { Cassette(c, RED, OUTLINE, true); Arrow(c, 20, 152, 60, 152, GREEN); }
void T09(Canvas& c) { Cassette(c, RED, OUTLINE, true); WarningBadge(c, 24, 30); }
void T10(Canvas& c) { Cassette(c, 0, GREEN, true); }
void T11(Canvas& c) { Cassette(c, 0, PINK, true); }
void T12(Canvas& c) { Cassette(c, 0, YELLOW, true); }

const Picture kPictures[] = {
    {"IDB_CSDM01", M01}, {"IDB_CSDM02", M02}, {"IDB_CSDM03", M03}, {"IDB_CSDM04", M04},
    {"IDB_CSDM05", M05}, {"IDB_CSDM06", M06}, {"IDB_CSDM07", M07}, {"IDB_CSDM08", M08},
    {"IDB_CSDM09", M09}, {"IDB_CSDM10", M10}, {"IDB_CSDM11", M11}, {"IDB_CSDM12", M12},
    {"IDB_CSDM13", M13}, {"IDB_CSDM14", M14}, {"IDB_CSDM15", M15}, {"IDB_CSDM16", M16},
    {"IDB_CSDM17", M17}, {"IDB_CSDM18", M18}, {"IDB_CSDM19", M19}, {"IDB_CSDM20", M20},
    {"IDB_CSDM21", M21}, {"IDB_CSDM22", M22}, {"IDB_CSDM23", M23}, {"IDB_CSDM24", M24},
    {"IDB_CSDM25", M25}, {"IDB_CSDB01", B01}, {"IDB_CSDB02", B02}, {"IDB_CSDB03", B03},
    {"IDB_CSDB04", B04}, {"IDB_CSDB05", B05}, {"IDB_CSDB06", B06}, {"IDB_CSDB07", B07},
    {"IDB_CSDB08", B08}, {"IDB_CSDD01", D01}, {"IDB_CSDD02", D02}, {"IDB_CSDD03", D03},
    {"IDB_CSDD04", D04}, {"IDB_CSDD05", D05}, {"IDB_CSDD06", D06}, {"IDB_CSDD07", D07},
    {"IDB_CSDD08", D08}, {"IDB_CSDD09", D09}, {"IDB_CSDT01", T01}, {"IDB_CSDT02", T02},
    {"IDB_CSDT03", T03}, {"IDB_CSDT04", T04}, {"IDB_CSDT05", T05}, {"IDB_CSDT06", T06},
    {"IDB_CSDT07", T07}, {"IDB_CSDT08", T08}, {"IDB_CSDT09", T09}, {"IDB_CSDT10", T10},
    {"IDB_CSDT11", T11}, {"IDB_CSDT12", T12},
};

// The bitmap resources are 41,066 bytes each: header, palette, 40,000 bytes of
// rows and two bytes of padding, as the host's pictures have always been.
const size_t kResourceSize = 41066;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: printerart OUTPUT_FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::vector<uint32_t> palette = Palette();
  std::string script =
      "// Generated by tools/printerart: the printer pictures for the host.\n"
      "#include <windows.h>\n"
      "LANGUAGE LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN\n";
  for (const Picture& picture : kPictures) {
    Canvas canvas;
    canvas.Clear(WHITE);
    picture.paint(canvas);
    const std::string path = folder + "/" + picture.name + ".bmp";
    if (!canvas.WriteBmp(path, palette, kResourceSize)) {
      fprintf(stderr, "printerart: cannot write %s\n", path.c_str());
      return 1;
    }
    script += std::string(picture.name) + " BITMAP \"" + path + "\"\n";
  }
  const std::string scriptPath = folder + "/bitmaps.rc";
  FILE* file = fopen(scriptPath.c_str(), "w");
  if (!file || fputs(script.c_str(), file) < 0 || fclose(file) != 0) {
    fprintf(stderr, "printerart: cannot write %s\n", scriptPath.c_str());
    return 1;
  }
  return 0;
}
