// The LZH archive library "UNLHA32.DLL" (its exports in unlha_api.h), loaded
// by name for an extraction and for the about box, and released after each
// use.
#pragma once

#include <windows.h>

#include "unlha/win/unlha_api.h"

namespace dm {

template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace dm
