#include "base/dpi_scale.h"

#include <cstdint>

namespace dm {

namespace {

// length * numerator / denominator to the nearest whole number, halves away
// from zero (as MulDiv does), without overflow for any int length.
int MulDivRounded(int length, int numerator, int denominator) {
  if (denominator <= 0) return length;
  const int64_t product = static_cast<int64_t>(length) * numerator;
  const int64_t half = denominator / 2;
  const int64_t rounded = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
  return static_cast<int>(rounded);
}

}  // namespace

int ScaleToDpi(int length, int dpi) { return MulDivRounded(length, dpi, kDesignDpi); }

int RescaleDpi(int pixels, int fromDpi, int toDpi) {
  if (fromDpi == toDpi) return pixels;
  return MulDivRounded(pixels, toDpi, fromDpi);
}

int UnscaleFromDpi(int pixels, int dpi) { return RescaleDpi(pixels, dpi, kDesignDpi); }

PixelRect ScaleRect(const DesignRect& design, int dpi, int originX, int originY) {
  return {originX + ScaleToDpi(design.x, dpi), originY + ScaleToDpi(design.y, dpi),
          originX + ScaleToDpi(design.x + design.width, dpi), originY + ScaleToDpi(design.y + design.height, dpi)};
}

PixelRect CentredOn(int width, int height, const PixelRect& area) {
  const int left = (area.left + area.right - width) / 2;
  const int top = (area.top + area.bottom - height) / 2;
  return {left, top, left + width, top + height};
}

}  // namespace dm
