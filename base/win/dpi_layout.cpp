#include "base/win/dpi_layout.h"

#include <commctrl.h>

#include <utility>

namespace dm {

void DpiLayout::Attach(HWND window) {
  window_ = window;
  dpi_ = WindowDpi(window);
  MakeFonts();
}

void DpiLayout::MakeFonts() {
  std::vector<FontHandle> fonts;
  for (const FontStyle& style : fontStyles_) {
    if (style.source == FontStyle::Source::kProgram) {
      fonts.push_back(CreateProgramFont(dpi_, style.designHeight, style.weight, style.underline));
    } else {
      fonts.push_back(CreateSystemFont(
          style.source == FontStyle::Source::kIconTitle ? SystemFont::kIconTitle : SystemFont::kStatus, dpi_));
    }
  }
  // The controls take the new fonts before the old ones go.
  for (const Control& control : controls_) {
    if (control.font == kNoFont) continue;
    SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[control.font].Get()), FALSE);
  }
  fonts_ = std::move(fonts);
}

HFONT DpiLayout::Font(FontId font) const {
  return font >= 0 && font < static_cast<int>(fonts_.size()) ? fonts_[font].Get() : nullptr;
}

DpiLayout::FontId DpiLayout::AddFont(const FontStyle& style) {
  fontStyles_.push_back(style);
  MakeFonts();
  return static_cast<FontId>(fontStyles_.size() - 1);
}

int DpiLayout::TextWidth(std::wstring_view text, FontId font) const {
  HDC dc = GetDC(window_);
  HGDIOBJ old = SelectObject(dc, Font(font));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window_, dc);
  return size.cx;
}

HWND DpiLayout::AddUnplaced(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, DWORD exStyle) {
  if (_wcsicmp(windowClass, L"EDIT") == 0) exStyle |= WS_EX_CLIENTEDGE;
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
  if (!control) return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  controls_.push_back({control, kProgramFont, false, {}, kClient, kNoPage, false});
  return control;
}

HWND DpiLayout::Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, const DesignRect& at, int id,
                    DWORD exStyle, Where where) {
  if (_wcsicmp(windowClass, L"EDIT") == 0) exStyle |= WS_EX_CLIENTEDGE;
  const PixelRect anchor = AnchorRect(where.anchor);
  const PixelRect r = ScaleRect(at, dpi_, anchor.left, anchor.top);
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.Width(),
                                 r.Height(), window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  if (!control) return nullptr;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
  controls_.push_back({control, kProgramFont, true, at, where.anchor, where.page, false});
  return control;
}

HWND DpiLayout::AddFilling(const wchar_t* windowClass, DWORD style, Anchor anchor) {
  HWND control = AddUnplaced(windowClass, nullptr, style);
  if (!control) return nullptr;
  Control& added = controls_.back();
  added.placed = true;
  added.fills = true;
  added.anchor = anchor;
  Put(added);
  return control;
}

DpiLayout::Control* DpiLayout::Find(HWND control) {
  for (Control& c : controls_) {
    if (c.window == control) return &c;
  }
  return nullptr;
}

void DpiLayout::Put(const Control& control) const {
  if (!control.placed) return;
  const PixelRect anchor = AnchorRect(control.anchor);
  const PixelRect r = control.fills ? anchor : ScaleRect(control.at, dpi_, anchor.left, anchor.top);
  SetWindowPos(control.window, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void DpiLayout::Place(HWND control, const DesignRect& at, Anchor anchor) {
  Control* known = Find(control);
  if (!known) {
    // A control made elsewhere keeps the font it has.
    controls_.push_back({control, kNoFont, true, at, anchor, kNoPage, false});
    known = &controls_.back();
  }
  known->placed = true;
  known->at = at;
  known->anchor = anchor;
  Put(*known);
}

void DpiLayout::UseFont(HWND control, FontId font) {
  Control* known = Find(control);
  if (!known) {
    controls_.push_back({control, font, false, {}, kClient, kNoPage, false});
  } else {
    known->font = font;
  }
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(font)), TRUE);
}

void DpiLayout::MakeIcon(Icon& icon) {
  icon.icon.Reset(icon.make ? icon.make(Px(icon.designSize)) : nullptr);
  SendMessageW(icon.picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.icon.Get()), 0);
  // The picture takes the icon's size; it keeps the place it was given.
  if (const Control* known = Find(icon.picture)) Put(*known);
}

void DpiLayout::SetIcon(HWND picture, int designSize, std::function<HICON(int size)> make) {
  for (Icon& icon : icons_) {
    if (icon.picture == picture) {
      icon.designSize = designSize;
      icon.make = std::move(make);
      MakeIcon(icon);
      return;
    }
  }
  icons_.push_back({picture, designSize, std::move(make), IconHandle()});
  MakeIcon(icons_.back());
}

PixelRect DpiLayout::PageArea(HWND tab) const {
  RECT area;
  GetClientRect(tab, &area);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  MapWindowPoints(tab, GetParent(tab), reinterpret_cast<POINT*>(&area), 2);
  return {area.left, area.top, area.right, area.bottom};
}

DpiLayout::Anchor DpiLayout::AddTabPages(HWND tab, std::initializer_list<const wchar_t*> titles) {
  int index = 0;
  for (const wchar_t* title : titles) {
    TCITEMW item = {TCIF_TEXT};
    item.pszText = const_cast<wchar_t*>(title);
    SendMessageW(tab, TCM_INSERTITEMW, index++, reinterpret_cast<LPARAM>(&item));
  }
  anchors_.push_back({tab, PageArea(tab)});
  return static_cast<Anchor>(anchors_.size());
}

PixelRect DpiLayout::AnchorRect(Anchor anchor) const {
  if (anchor > 0 && anchor <= static_cast<int>(anchors_.size())) return anchors_[anchor - 1].area;
  RECT client = {};
  if (window_) GetClientRect(window_, &client);
  return {0, 0, client.right, client.bottom};
}

void DpiLayout::ShowPage(int page) {
  for (const Control& control : controls_) {
    if (control.page == kNoPage) continue;
    ShowWindow(control.window, control.page == page && !control.neverShown ? SW_SHOW : SW_HIDE);
  }
}

void DpiLayout::NeverShow(HWND control) {
  if (Control* known = Find(control)) known->neverShown = true;
  ShowWindow(control, SW_HIDE);
}

bool DpiLayout::OnPage(HWND control, int page) const {
  for (const Control& c : controls_) {
    if (c.window == control) return c.page == page;
  }
  return false;
}

void DpiLayout::SizeCentred(int designWidth, int designHeight, const RECT& around, HWND insertAfter, UINT flags) {
  fixedClient_ = true;
  designClientWidth_ = designWidth;
  designClientHeight_ = designHeight;
  const RECT frame = FrameForClient(window_, Px(designWidth), Px(designHeight), dpi_);
  const PixelRect placed = CentredOn(frame.right - frame.left, frame.bottom - frame.top,
                                     {around.left, around.top, around.right, around.bottom});
  SetWindowPos(window_, insertAfter, placed.left, placed.top, placed.Width(), placed.Height(), flags);
}

void DpiLayout::Rescale(int dpi) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  // Fonts first: a tab control's page area follows its font.
  MakeFonts();
  for (const Control& control : controls_) {
    if (control.anchor == kClient) Put(control);
  }
  for (TabAnchor& anchor : anchors_) anchor.area = PageArea(anchor.tab);
  for (const Control& control : controls_) {
    if (control.anchor != kClient) Put(control);
  }
  for (Icon& icon : icons_) MakeIcon(icon);
  InvalidateRect(window_, nullptr, TRUE);
}

bool DpiLayout::HandleDpiMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result,
                                 const std::function<void()>& relayout) {
  constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
  constexpr UINT kDpiChanged = 0x02E0;        // WM_DPICHANGED
  if (!window_) return false;
  if (message == kGetDpiScaledSize) {
    if (!fixedClient_) return false;
    const int dpi = static_cast<int>(wparam);
    const RECT frame = FrameForClient(window_, ScaleToDpi(designClientWidth_, dpi),
                                      ScaleToDpi(designClientHeight_, dpi), dpi);
    auto* size = reinterpret_cast<SIZE*>(lparam);
    size->cx = frame.right - frame.left;
    size->cy = frame.bottom - frame.top;
    result = TRUE;
    return true;
  }
  if (message != kDpiChanged) return false;
  Rescale(LOWORD(wparam));
  if (relayout) relayout();
  if (const auto* suggested = reinterpret_cast<const RECT*>(lparam)) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // A window of fixed client size keeps it exactly, also where the frame is
  // not drawn at the new DPI (per-monitor awareness of the first kind
  // leaves the caption as it was, and the rectangle suggested for it does
  // not know the window's own answer).
  if (fixedClient_) {
    RECT client, frame;
    GetClientRect(window_, &client);
    GetWindowRect(window_, &frame);
    const int extra_width = Px(designClientWidth_) - client.right;
    const int extra_height = Px(designClientHeight_) - client.bottom;
    if (extra_width != 0 || extra_height != 0) {
      SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + extra_width,
                   frame.bottom - frame.top + extra_height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
  }
  result = 0;
  return true;
}

RECT OwnerOrScreen(HWND owner) {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &area);
  return area;
}

}  // namespace dm
