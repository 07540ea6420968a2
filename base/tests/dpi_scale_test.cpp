#include <gtest/gtest.h>

#include <climits>

#include "base/dpi_scale.h"

namespace dm {
namespace {

TEST(ScaleToDpi, RoundsToTheNearestPixel) {
  struct Case {
    int length, dpi, scaled;
  };
  const Case cases[] = {
      {12, 96, 12},   {399, 96, 399}, {0, 144, 0},     {12, 144, 18},  {5, 144, 8},    // 7.5 rounds up
      {399, 144, 599},                                                                 // 598.5
      {1, 120, 1},    {2, 120, 3},    {3, 120, 4},     {150, 192, 300}, {-12, 144, -18},
      {-5, 144, -8},  {-12, 192, -24}, {16, 168, 28},  {7, 72, 5},      // below 96 too
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleToDpi(c.length, c.dpi), c.scaled) << c.length << " at " << c.dpi;
  }
}

TEST(ScaleToDpi, LargeLengthsDoNotOverflow) {
  EXPECT_EQ(ScaleToDpi(INT_MAX / 2, 192), INT_MAX - 1);
  EXPECT_EQ(ScaleToDpi(-(INT_MAX / 2), 192), -(INT_MAX - 1));
}

TEST(RescaleDpi, BetweenAnyTwoDpis) {
  EXPECT_EQ(RescaleDpi(225, 144, 96), 150);
  EXPECT_EQ(RescaleDpi(225, 144, 192), 300);
  EXPECT_EQ(RescaleDpi(599, 144, 96), 399);  // 399.33
  EXPECT_EQ(RescaleDpi(101, 144, 144), 101);
  EXPECT_EQ(RescaleDpi(-18, 144, 192), -24);
  EXPECT_EQ(RescaleDpi(50, 0, 144), 50);  // no DPI to scale from: left as it is
}

TEST(UnscaleFromDpi, ComesBackToTheDesign) {
  for (int length : {0, 1, 5, 20, 144, 399}) {
    for (int dpi : {96, 120, 144, 192}) {
      EXPECT_EQ(UnscaleFromDpi(ScaleToDpi(length, dpi), dpi), length) << length << " at " << dpi;
    }
  }
}

TEST(ScaleRect, IsTheDesignAt96) {
  const DesignRect designs[] = {{0, 0, 0, 0}, {8, 8, 383, 328}, {-3, 5, 7, 1}, {322, 16, 32, 32}};
  for (const DesignRect& d : designs) {
    EXPECT_EQ(ScaleRect(d, 96), (PixelRect{d.x, d.y, d.x + d.width, d.y + d.height}));
  }
}

TEST(ScaleRect, ScalesEdgesSoNeighboursStayNeighbours) {
  // Three controls side by side, each 5 wide: at 150 % the edges fall on
  // 0, 8, 15, 23, so the widths alternate and no gap or overlap appears.
  const PixelRect a = ScaleRect({0, 0, 5, 5}, 144);
  const PixelRect b = ScaleRect({5, 0, 5, 5}, 144);
  const PixelRect c = ScaleRect({10, 0, 5, 5}, 144);
  EXPECT_EQ(a, (PixelRect{0, 0, 8, 8}));
  EXPECT_EQ(b.left, a.right);
  EXPECT_EQ(c.left, b.right);
  EXPECT_EQ(c.right, 23);
  EXPECT_EQ(b.Width(), 7);
}

TEST(ScaleRect, AddsTheAnchorsPixels) {
  EXPECT_EQ(ScaleRect({4, 2, 363, 124}, 144, 10, 31), (PixelRect{16, 34, 16 + 545, 34 + 186}));
  EXPECT_EQ(ScaleRect({4, 2, 363, 124}, 192, 10, 31), (PixelRect{18, 35, 18 + 726, 35 + 248}));
}

TEST(CentredOn, CentresAsTheHalvesOfTheSum) {
  EXPECT_EQ(CentredOn(405, 406, {0, 0, 1024, 768}), (PixelRect{309, 181, 714, 587}));
  EXPECT_EQ(CentredOn(100, 50, {100, 100, 301, 201}), (PixelRect{150, 125, 250, 175}));
  // A monitor left of the primary one.
  EXPECT_EQ(CentredOn(100, 50, {-1280, 0, 0, 1024}), (PixelRect{-690, 487, -590, 537}));
  // Larger than the area: it overlaps both sides alike.
  EXPECT_EQ(CentredOn(300, 100, {0, 0, 200, 100}), (PixelRect{-50, 0, 250, 100}));
}

}  // namespace
}  // namespace dm
