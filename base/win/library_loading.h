// Where the program takes the libraries it loads at run time from. A bare
// name would let the system look in the current directory too, a folder a
// stranger may have written: system libraries come from the system folder
// only, the program's own (CRYPT.DLL, UNLHA32.DLL) from its own folder only.
#pragma once

#include <windows.h>

namespace dm {

// Called first thing at start, before any library is loaded by name: every
// later load (the system's own included) searches only the program's
// folder and the system folder. False when the system cannot restrict it;
// the current directory is then at least taken out of the search.
bool RestrictLibrarySearch();

// A library of the system folder ("wininet.dll"), or nullptr.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A library that ships beside the program ("CRYPT.DLL"), loaded by its full
// path in the program's folder, or nullptr when it is not there.
HMODULE LoadProgramLibrary(const wchar_t* name);

}  // namespace dm
