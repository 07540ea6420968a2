// The layout helper of every window the program makes itself: controls are
// given in design pixels (their place and size at 96 DPI, 100 %) and put at
// the window's DPI, in fonts and icons made for that DPI. The layout keeps
// what it placed, so when the window meets another DPI (WM_DPICHANGED: it
// was moved to a monitor of another scale, or the scale was changed) every
// control goes where it belongs at the new DPI, with its font and icon made
// again. A window whose controls go through here is right at every DPI by
// construction; what a window places by its own arithmetic (a splitter, a
// row whose parts vary) it places again in its own re-layout, in Px().
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "base/dpi_scale.h"
#include "base/win/dpi.h"
#include "base/win/gdi_handles.h"

namespace dm {

// A font the layout makes at each DPI.
struct FontStyle {
  enum class Source { kProgram, kIconTitle, kStatus };
  Source source = Source::kProgram;
  int designHeight = 12;  // the program's font only: its character height at 96 DPI
  int weight = FW_NORMAL;
  bool underline = false;
};

// Where a control's design offsets count from (0: the window's client
// area, else an anchor the layout gave), and the page it shows on (-1:
// none, it always shows).
struct LayoutWhere {
  int anchor = 0;
  int page = -1;
};

class DpiLayout {
 public:
  using FontId = int;
  using Anchor = int;
  static constexpr FontId kProgramFont = 0;  // MS UI Gothic, 12 pixels at 96 DPI
  static constexpr Anchor kClient = 0;       // the window's client area
  static constexpr int kNoPage = -1;

  using Where = LayoutWhere;

  DpiLayout() = default;
  DpiLayout(const DpiLayout&) = delete;
  DpiLayout& operator=(const DpiLayout&) = delete;

  // Binds the layout to `window`, at the window's DPI.
  void Attach(HWND window);
  HWND Window() const { return window_; }
  int Dpi() const { return dpi_; }
  // A design length at the window's DPI.
  int Px(int design) const { return ScaleToDpi(design, dpi_); }
  int Metric(int index) const { return MetricAt(index, dpi_); }

  HFONT Font(FontId font = kProgramFont) const;
  FontId AddFont(const FontStyle& style);
  // How wide `text` is drawn in `font`, in pixels.
  int TextWidth(std::wstring_view text, FontId font = kProgramFont) const;

  // A visible child control at `at` (design pixels from the anchor), in the
  // program's font; an edit box gets the sunken edge the others go without.
  HWND Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, const DesignRect& at, int id = 0,
           DWORD exStyle = 0, Where where = {});
  // The same, for a control the window places itself (in its re-layout).
  HWND AddUnplaced(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id = 0, DWORD exStyle = 0);
  // A control that covers the area of `anchor` at every DPI.
  HWND AddFilling(const wchar_t* windowClass, DWORD style, Anchor anchor);
  // Puts `control` at `at` and keeps it there at every DPI.
  void Place(HWND control, const DesignRect& at, Anchor anchor = kClient);
  // Gives `control` a font of the layout, at every DPI.
  void UseFont(HWND control, FontId font);
  // Shows in the icon control `picture` an icon `designSize` pixels square
  // at 96 DPI, drawn by `make` for the pixel size of each DPI; the layout
  // owns what `make` returns.
  void SetIcon(HWND picture, int designSize, std::function<HICON(int size)> make);

  // The tab control's pages with these titles; the anchor of the area the
  // pages take, which follows the tab's font at every DPI.
  Anchor AddTabPages(HWND tab, std::initializer_list<const wchar_t*> titles);
  PixelRect AnchorRect(Anchor anchor) const;
  // Shows the controls of `page`, hides those of the other pages.
  void ShowPage(int page);
  // A control of a page that stays hidden on it.
  void NeverShow(HWND control);
  bool OnPage(HWND control, int page) const;

  // Sizes the window for a client area designWidth x designHeight and
  // centres it on `around` (screen pixels); the layout answers for that size
  // at other DPIs (WM_GETDPISCALEDSIZE).
  void SizeCentred(int designWidth, int designHeight, const RECT& around, HWND insertAfter = nullptr,
                   UINT flags = SWP_NOZORDER);

  // WM_GETDPISCALEDSIZE and WM_DPICHANGED: true when `message` was one of
  // them, with its answer in `result`. On WM_DPICHANGED every control is put
  // where it belongs at the new DPI, `relayout` places what the window places
  // itself, and the window takes the rectangle Windows suggests.
  bool HandleDpiMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result,
                        const std::function<void()>& relayout = {});
  // The controls at `dpi`: fonts and icons made again, every kept control
  // placed again.
  void Rescale(int dpi);

 private:
  static constexpr FontId kNoFont = -1;  // a control that keeps the font it has
  struct Control {
    HWND window;
    FontId font;
    bool placed;
    DesignRect at;
    Anchor anchor;
    int page;
    bool neverShown;
    bool fills = false;  // covers its anchor's area
  };
  struct Icon {
    HWND picture;
    int designSize;
    std::function<HICON(int)> make;
    IconHandle icon;
  };
  struct TabAnchor {
    HWND tab;
    PixelRect area;
  };

  Control* Find(HWND control);
  void Put(const Control& control) const;
  void MakeFonts();
  void MakeIcon(Icon& icon);
  PixelRect PageArea(HWND tab) const;

  HWND window_ = nullptr;
  int dpi_ = kDesignDpi;
  std::vector<FontStyle> fontStyles_{FontStyle{}};
  std::vector<FontHandle> fonts_;
  std::vector<Control> controls_;
  std::vector<Icon> icons_;
  std::vector<TabAnchor> anchors_;  // anchor n is anchors_[n - 1]
  bool fixedClient_ = false;
  int designClientWidth_ = 0;
  int designClientHeight_ = 0;
};

// The owner's rectangle while it shows, else the screen's (an owner hidden
// in the tray has nothing to centre on).
RECT OwnerOrScreen(HWND owner);

}  // namespace dm
