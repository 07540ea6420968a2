// Owners for GDI objects and icons the program creates.
#pragma once

#include <windows.h>

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

using FontHandle = UniqueHandle<FontTraits>;
using IconHandle = UniqueHandle<IconTraits>;

}  // namespace dm
