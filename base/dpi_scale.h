// The arithmetic of sizes designed at 96 DPI (100 %) and shown at another
// DPI (150 % is 144, 200 % is 192): lengths, rectangles and centring, with
// no Windows in them. The windows' layout helper (base/win/dpi_layout.h)
// sends every size through these.
#pragma once

namespace dm {

// The DPI the windows are designed at; at it every size is the designed one.
inline constexpr int kDesignDpi = 96;

// `length` design pixels at `dpi`, to the nearest pixel. Halves round away
// from zero, so a negative length (a font's character height) scales as its
// positive counterpart does.
int ScaleToDpi(int length, int dpi);

// `pixels` measured at `fromDpi` as long at `toDpi`: a window's size or a
// column a person widened, when the window meets another DPI.
int RescaleDpi(int pixels, int fromDpi, int toDpi);

// `pixels` at `dpi` in design pixels: what a person dragged (a splitter) is
// kept as its size at 96 DPI, so it stays the same share at every DPI.
int UnscaleFromDpi(int pixels, int dpi);

// A place in design pixels: a control's offset from its anchor and its size.
struct DesignRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// A place in pixels at some DPI, by its edges.
struct PixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

// `design` at `dpi`, moved by `originX`, `originY` pixels (where its anchor
// lies at that DPI). The edges are scaled rather than the size, so controls
// that touch as designed touch at every DPI and rounding never makes one
// overlap its neighbour.
PixelRect ScaleRect(const DesignRect& design, int dpi, int originX = 0, int originY = 0);

// A rectangle `width` x `height` centred on `area` (an odd pixel left over
// goes to the right and the bottom on a screen's positive coordinates).
PixelRect CentredOn(int width, int height, const PixelRect& area);

}  // namespace dm
