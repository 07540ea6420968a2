// The program's icons, drawn at start-up: the application icon, one small
// icon per report kind, the ten tray animation frames and the toolbar's
// pictures.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace dm {

enum class Glyph {
  kNone, kCheck, kBang, kPlay, kStop, kPlus, kArrows, kCross, kKey, kLabel, kFolder, kDisk,
  kInfo, kMinus, kPage, kOpen, kDown, kUp, kPause, kClock, kGear, kQuestion, kPencil
};

// A square icon of `size` pixels: a coloured disc (or none) with a glyph.
HICON DrawIcon(int size, COLORREF disc, Glyph glyph, COLORREF ink = RGB(255, 255, 255));

HICON MakeApplicationIcon(int size);

// The pictures are drawn on a grid of 16 units at the size asked for: 16
// pixels at 100 %, 24 at 150 % and 32 at 200 % each get their own drawing
// rather than a stretched one.

// One image per report kind (0 to 14), `size` pixels square.
HIMAGELIST MakeReportKindImages(int size);

// Tray frames 0 to 9; frame 0 is the resting icon.
HIMAGELIST MakeTrayFrames(int size);

// Toolbar pictures in button order: new, open, save, add, delete, edit,
// down, up, backup, pause, abort, automatic, options, help.
HIMAGELIST MakeToolbarImages(int size);

}  // namespace dm
