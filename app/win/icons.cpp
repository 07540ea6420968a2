#include "app/win/icons.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace dm {

namespace {

// Pixels of this colour are transparent; nothing is drawn in it.
constexpr COLORREF kKey = RGB(255, 0, 255);

struct Canvas {
  int size;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  uint32_t* bits;

  explicit Canvas(int s) : size(s) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = s;
    info.bmiHeader.biHeight = -s;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    void* raw = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &raw, nullptr, 0);
    bits = static_cast<uint32_t*>(raw);
    old = SelectObject(dc, bitmap);
    HBRUSH key = CreateSolidBrush(kKey);
    RECT all = {0, 0, s, s};
    FillRect(dc, &all, key);
    DeleteObject(key);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }

  // Turns the drawing into an icon: key-coloured pixels become transparent.
  HICON ToIcon() {
    GdiFlush();
    for (int i = 0; i < size * size; ++i) {
      uint32_t bgr = bits[i] & 0x00FFFFFF;
      bits[i] = bgr == 0x00FF00FF ? 0 : (bgr | 0xFF000000);
    }
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HDC mask_dc = CreateCompatibleDC(dc);
    HGDIOBJ old_mask = SelectObject(mask_dc, mask);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        SetPixel(mask_dc, x, y, (bits[y * size + x] >> 24) ? RGB(0, 0, 0) : RGB(255, 255, 255));
      }
    }
    SelectObject(mask_dc, old_mask);
    DeleteDC(mask_dc);
    SelectObject(dc, old);
    ICONINFO info = {TRUE, 0, 0, mask, bitmap};
    HICON icon = CreateIconIndirect(&info);
    old = SelectObject(dc, bitmap);
    DeleteObject(mask);
    return icon;
  }
};

struct Pen {
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  HGDIOBJ old_pen, old_brush;
  Pen(HDC d, COLORREF color, int width, bool fill) : dc(d) {
    pen = CreatePen(PS_SOLID, width, color);
    brush = fill ? CreateSolidBrush(color) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    old_pen = SelectObject(dc, pen);
    old_brush = SelectObject(dc, brush);
  }
  ~Pen() {
    SelectObject(dc, old_pen);
    SelectObject(dc, old_brush);
    DeleteObject(pen);
    if (brush != GetStockObject(NULL_BRUSH)) DeleteObject(brush);
  }
};

// Coordinates on a 16-unit grid, scaled to the canvas.
int U(const Canvas& c, double units) { return static_cast<int>(std::lround(units * c.size / 16.0)); }

void Polygon(Canvas& c, COLORREF color, std::initializer_list<POINT> units) {
  std::vector<POINT> points;
  for (POINT p : units) points.push_back({U(c, p.x), U(c, p.y)});
  Pen pen(c.dc, color, 1, true);
  ::Polygon(c.dc, points.data(), static_cast<int>(points.size()));
}

void Line(Canvas& c, COLORREF color, int width, std::initializer_list<POINT> units) {
  std::vector<POINT> points;
  for (POINT p : units) points.push_back({U(c, p.x), U(c, p.y)});
  Pen pen(c.dc, color, std::max(1, U(c, width)), false);
  Polyline(c.dc, points.data(), static_cast<int>(points.size()));
}

void Box(Canvas& c, COLORREF color, int l, int t, int r, int b, bool fill = true) {
  Pen pen(c.dc, color, 1, fill);
  Rectangle(c.dc, U(c, l), U(c, t), U(c, r), U(c, b));
}

void DrawGlyph(Canvas& c, Glyph glyph, COLORREF ink) {
  switch (glyph) {
    case Glyph::kNone:
      break;
    case Glyph::kCheck:
      Line(c, ink, 2, {{4, 8}, {7, 11}, {12, 5}});
      break;
    case Glyph::kBang:
      Box(c, ink, 7, 3, 9, 10);
      Box(c, ink, 7, 11, 9, 13);
      break;
    case Glyph::kPlay:
      Polygon(c, ink, {{6, 4}, {12, 8}, {6, 12}});
      break;
    case Glyph::kStop:
      Box(c, ink, 5, 5, 11, 11);
      break;
    case Glyph::kPlus:
      Box(c, ink, 7, 4, 9, 12);
      Box(c, ink, 4, 7, 12, 9);
      break;
    case Glyph::kMinus:
      Box(c, ink, 4, 7, 12, 9);
      break;
    case Glyph::kArrows:
      Line(c, ink, 2, {{4, 10}, {4, 5}, {10, 5}});
      Polygon(c, ink, {{10, 3}, {13, 5}, {10, 7}});
      Line(c, ink, 2, {{12, 7}, {12, 11}, {6, 11}});
      Polygon(c, ink, {{6, 9}, {3, 11}, {6, 13}});
      break;
    case Glyph::kCross:
      Line(c, ink, 2, {{5, 5}, {11, 11}});
      Line(c, ink, 2, {{11, 5}, {5, 11}});
      break;
    case Glyph::kKey:
      Box(c, ink, 3, 6, 7, 10, false);
      Line(c, ink, 1, {{7, 8}, {13, 8}, {13, 10}});
      Line(c, ink, 1, {{11, 8}, {11, 10}});
      break;
    case Glyph::kLabel:
      Polygon(c, ink, {{3, 5}, {10, 5}, {13, 8}, {10, 11}, {3, 11}});
      break;
    case Glyph::kFolder:
      Polygon(c, RGB(230, 180, 40), {{1, 4}, {6, 4}, {7, 5}, {15, 5}, {15, 13}, {1, 13}});
      break;
    case Glyph::kDisk:
      Box(c, ink, 3, 3, 13, 13);
      Box(c, RGB(60, 60, 60), 5, 3, 11, 7);
      break;
    case Glyph::kInfo:
      Box(c, ink, 7, 3, 9, 5);
      Box(c, ink, 7, 6, 9, 13);
      break;
    case Glyph::kPage:
      Polygon(c, RGB(250, 250, 250), {{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}});
      Line(c, RGB(90, 90, 90), 1, {{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}, {3, 1}});
      break;
    case Glyph::kOpen:
      Polygon(c, RGB(230, 180, 40), {{1, 3}, {6, 3}, {7, 4}, {13, 4}, {13, 13}, {1, 13}});
      Polygon(c, RGB(250, 210, 90), {{3, 7}, {15, 7}, {13, 13}, {1, 13}});
      break;
    case Glyph::kDown:
      Polygon(c, ink, {{4, 6}, {12, 6}, {8, 11}});
      break;
    case Glyph::kUp:
      Polygon(c, ink, {{4, 10}, {12, 10}, {8, 5}});
      break;
    case Glyph::kPause:
      Box(c, ink, 5, 4, 7, 12);
      Box(c, ink, 9, 4, 11, 12);
      break;
    case Glyph::kClock:
      Line(c, ink, 1, {{8, 4}, {8, 8}, {11, 8}});
      break;
    case Glyph::kGear:
      Box(c, ink, 5, 5, 11, 11, false);
      Box(c, ink, 7, 2, 9, 14);
      Box(c, ink, 2, 7, 14, 9);
      break;
    case Glyph::kQuestion:
      Line(c, ink, 2, {{5, 5}, {6, 3}, {10, 3}, {11, 5}, {8, 8}, {8, 10}});
      Box(c, ink, 7, 12, 9, 14);
      break;
    case Glyph::kPencil:
      Polygon(c, ink, {{3, 13}, {4, 10}, {11, 3}, {13, 5}, {6, 12}});
      break;
  }
}

HIMAGELIST NewImageList(int size, int count) {
  return ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0);
}

void AddIcon(HIMAGELIST list, HICON icon) {
  ImageList_AddIcon(list, icon);
  DestroyIcon(icon);
}

}  // namespace

HICON DrawIcon(int size, COLORREF disc, Glyph glyph, COLORREF ink) {
  Canvas canvas(size);
  if (disc != kKey) {
    Pen pen(canvas.dc, disc, 1, true);
    Ellipse(canvas.dc, 0, 0, size, size);
  }
  DrawGlyph(canvas, glyph, ink);
  return canvas.ToIcon();
}

HICON MakeApplicationIcon(int size) {
  Canvas c(size);
  {
    Pen pen(c.dc, RGB(30, 90, 170), 1, true);
    RoundRect(c.dc, 0, U(c, 2), size, U(c, 14), U(c, 5), U(c, 5));
  }
  Box(c, RGB(120, 200, 255), 2, 10, 14, 12);
  Polygon(c, RGB(255, 255, 255), {{3, 5}, {9, 5}, {9, 3}, {13, 7}, {9, 11}, {9, 9}, {3, 9}});
  return c.ToIcon();
}

HIMAGELIST MakeReportKindImages(int size) {
  struct Look {
    COLORREF disc;
    Glyph glyph;
  };
  const Look looks[15] = {
      {RGB(40, 150, 60), Glyph::kCheck},   // 0 end of run
      {RGB(200, 40, 40), Glyph::kBang},    // 1 error, exclusion
      {RGB(40, 100, 200), Glyph::kPlay},   // 2 start of run
      {RGB(200, 40, 40), Glyph::kStop},    // 3 aborted
      {RGB(150, 150, 150), Glyph::kNone},  // 4 (unused)
      {kKey, Glyph::kFolder},              // 5 folder created
      {RGB(40, 150, 60), Glyph::kPlus},    // 6 new copy
      {RGB(40, 100, 200), Glyph::kArrows}, // 7 update copy
      {RGB(200, 120, 30), Glyph::kCross},  // 8 file deleted
      {RGB(110, 80, 160), Glyph::kKey},    // 9 log-on, log-off
      {RGB(0, 140, 140), Glyph::kLabel},   // 10 volume label check
      {RGB(40, 100, 200), Glyph::kOpen},   // 11 set opened
      {RGB(40, 100, 200), Glyph::kDisk},   // 12 set saved
      {RGB(90, 90, 90), Glyph::kInfo},     // 13 notice
      {RGB(200, 120, 30), Glyph::kMinus},  // 14 folder deleted
  };
  HIMAGELIST list = NewImageList(size, 15);
  for (const Look& look : looks) AddIcon(list, DrawIcon(size, look.disc, look.glyph));
  return list;
}

HIMAGELIST MakeTrayFrames(int size) {
  HIMAGELIST list = NewImageList(size, 10);
  AddIcon(list, MakeApplicationIcon(size));
  for (int frame = 1; frame < 10; ++frame) {
    Canvas c(size);
    {
      Pen pen(c.dc, RGB(30, 90, 170), 1, true);
      Ellipse(c.dc, 0, 0, size, size);
    }
    // A white dot travelling round the disc, on the grid of 16 units.
    double angle = (frame - 1) * 2 * 3.14159265358979 / 9 - 3.14159265358979 / 2;
    int x = 8 + static_cast<int>(std::lround(5 * std::cos(angle)));
    int y = 8 + static_cast<int>(std::lround(5 * std::sin(angle)));
    {
      Pen pen(c.dc, RGB(255, 255, 255), 1, true);
      Ellipse(c.dc, U(c, x - 2), U(c, y - 2), U(c, x + 3), U(c, y + 3));
    }
    AddIcon(list, c.ToIcon());
  }
  return list;
}

HIMAGELIST MakeToolbarImages(int size) {
  struct Look {
    COLORREF disc;
    Glyph glyph;
  };
  const COLORREF none = kKey;
  const Look looks[] = {
      {none, Glyph::kPage},                 // new
      {none, Glyph::kOpen},                 // open
      {RGB(40, 100, 200), Glyph::kDisk},    // save
      {RGB(40, 150, 60), Glyph::kPlus},     // add
      {RGB(200, 40, 40), Glyph::kMinus},    // delete
      {RGB(110, 80, 160), Glyph::kPencil},  // edit
      {RGB(90, 90, 90), Glyph::kDown},      // down
      {RGB(90, 90, 90), Glyph::kUp},        // up
      {RGB(40, 150, 60), Glyph::kPlay},     // backup
      {RGB(200, 150, 30), Glyph::kPause},   // pause
      {RGB(200, 40, 40), Glyph::kStop},     // abort
      {RGB(0, 140, 140), Glyph::kClock},    // automatic
      {RGB(90, 90, 90), Glyph::kGear},      // options
      {RGB(40, 100, 200), Glyph::kQuestion},  // help
  };
  HIMAGELIST list = NewImageList(size, 14);
  for (const Look& look : looks) AddIcon(list, DrawIcon(size, look.disc, look.glyph));
  return list;
}

}  // namespace dm
