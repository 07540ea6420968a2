#include "base/win/dpi.h"

#include <shlobj.h>

#include <string>

#include "base/dpi_scale.h"

namespace dm {

namespace {

// The user32 functions of Windows 10, or null where the system lacks them.
struct PerMonitorFunctions {
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
  BOOL(WINAPI* systemParametersInfoForDpi)(UINT, UINT, void*, UINT, UINT) = nullptr;
  BOOL(WINAPI* setDialogDpiChangeBehavior)(HWND, int, int) = nullptr;
};

template <typename Function>
void Bind(HMODULE module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const PerMonitorFunctions& Functions() {
  static const PerMonitorFunctions functions = [] {
    PerMonitorFunctions f;
    // user32 is loaded in every process with a window; nothing is loaded here.
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
      Bind(user32, "GetDpiForWindow", f.getDpiForWindow);
      Bind(user32, "GetSystemMetricsForDpi", f.getSystemMetricsForDpi);
      Bind(user32, "AdjustWindowRectExForDpi", f.adjustWindowRectExForDpi);
      Bind(user32, "SystemParametersInfoForDpi", f.systemParametersInfoForDpi);
      Bind(user32, "SetDialogDpiChangeBehavior", f.setDialogDpiChangeBehavior);
    }
    return f;
  }();
  return functions;
}

constexpr int kDialogDisableAll = 0x0001;  // DDC_DISABLE_ALL

}  // namespace

int SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    int value = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return value > 0 ? value : kDesignDpi;
  }();
  return dpi;
}

int WindowDpi(HWND window) {
  if (!window || !IsWindow(window)) return kDesignDpi;
  if (Functions().getDpiForWindow) {
    const UINT dpi = Functions().getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int MetricAt(int index, int dpi) {
  if (Functions().getSystemMetricsForDpi) return Functions().getSystemMetricsForDpi(index, dpi);
  return RescaleDpi(GetSystemMetrics(index), SystemDpi(), dpi);
}

RECT FrameForClient(HWND window, int clientWidth, int clientHeight, int dpi) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
  const BOOL menu = (style & WS_CHILD) == 0 && GetMenu(window) != nullptr;
  if (Functions().adjustWindowRectExForDpi) {
    Functions().adjustWindowRectExForDpi(&frame, style, menu, exStyle, dpi);
  } else {
    AdjustWindowRectEx(&frame, style, menu, exStyle);
  }
  return frame;
}

FontHandle CreateSystemFont(SystemFont which, int dpi) {
  LOGFONTW font = {};
  bool known = false;
  auto ask = [&](UINT action, UINT size, void* data) {
    if (Functions().systemParametersInfoForDpi) {
      return Functions().systemParametersInfoForDpi(action, size, data, 0, dpi) != FALSE;
    }
    return SystemParametersInfoW(action, size, data, 0) != FALSE;
  };
  if (which == SystemFont::kIconTitle) {
    known = ask(SPI_GETICONTITLELOGFONT, sizeof font, &font);
  } else {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    known = ask(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics);
    font = metrics.lfStatusFont;
  }
  if (!known) return FontHandle();
  // Without the per-DPI question the answer was for the system DPI.
  if (!Functions().systemParametersInfoForDpi) font.lfHeight = RescaleDpi(font.lfHeight, SystemDpi(), dpi);
  return FontHandle(CreateFontIndirectW(&font));
}

FontHandle CreateProgramFont(int dpi, int designHeight, int weight, bool underline) {
  return FontHandle(CreateFontW(-ScaleToDpi(designHeight, dpi), 0, 0, 0, weight, FALSE, underline ? TRUE : FALSE,
                                FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"MS UI Gothic"));
}

HICON ShellIcon(int index, int size) {
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring library = std::wstring(system) + L"\\shell32.dll";
  HICON icon = nullptr;
  if (SHDefExtractIconW(library.c_str(), index, 0, &icon, nullptr, MAKELONG(size, size)) != S_OK) return nullptr;
  return icon;
}

HICON SystemIcon(const wchar_t* id, int size) {
  // Common controls 6 (the program's manifest asks for them) draw the icon
  // from its image nearest the size; without them a copy of the standard
  // size is scaled.
  using LoadScaled = HRESULT(WINAPI*)(HINSTANCE, const wchar_t*, int, int, HICON*);
  static const LoadScaled load_scaled = [] {
    LoadScaled function = nullptr;
    if (HMODULE controls = GetModuleHandleW(L"comctl32.dll")) Bind(controls, "LoadIconWithScaleDown", function);
    return function;
  }();
  HICON icon = nullptr;
  if (load_scaled && SUCCEEDED(load_scaled(nullptr, id, size, size, &icon))) return icon;
  HICON shared = LoadIconW(nullptr, id);
  return shared ? static_cast<HICON>(CopyImage(shared, IMAGE_ICON, size, size, 0)) : nullptr;
}

void LeaveDpiChangesToDialog(HWND dialog) {
  if (Functions().setDialogDpiChangeBehavior) {
    Functions().setDialogDpiChangeBehavior(dialog, kDialogDisableAll, kDialogDisableAll);
  }
}

}  // namespace dm
