// Owners for GDI objects, icons and image lists the program creates.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/win/handles.h"

namespace dm {

struct FontTraits {
  using Handle = HFONT;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct IconTraits {  // icons created or extracted, never shared system icons
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyIcon(h); }
};

struct ImageListTraits {
  using Handle = HIMAGELIST;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ImageList_Destroy(h); }
};

using FontHandle = UniqueHandle<FontTraits>;
using IconHandle = UniqueHandle<IconTraits>;
using ImageListHandle = UniqueHandle<ImageListTraits>;

}  // namespace dm
