// The layout probe library (see layout_probe.h): runs inside the program.
// It measures with the functions of Windows 10, where the tests run (and
// under Wine).
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#include "app/win/tests/layout_probe.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/win/wide.h"

namespace {

std::string Clean(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
  }
  return dm::WideToUtf8(text);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(length + 1, L'\0');
  GetWindowTextW(window, text.data(), length + 1);
  text.resize(length);
  return text;
}

// A device context of `window` with its own font selected.
class FontDc {
 public:
  explicit FontDc(HWND window) : window_(window), dc_(GetDC(window)) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    old_ = SelectObject(dc_, font ? font : GetStockObject(SYSTEM_FONT));
    GetTextMetricsW(dc_, &metrics_);
  }
  ~FontDc() {
    SelectObject(dc_, old_);
    ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }
  const TEXTMETRICW& Metrics() const { return metrics_; }
  int CharHeight() const { return metrics_.tmHeight - metrics_.tmInternalLeading; }
  SIZE Extent(const std::wstring& text, UINT flags = DT_SINGLELINE, int width = 0) const {
    RECT r = {0, 0, width, 0};
    DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
  }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_;
  TEXTMETRICW metrics_ = {};
};

class Report {
 public:
  void Line(std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& f : fields) {
      if (!first) text_ += '\t';
      text_ += f;
      first = false;
    }
    text_ += '\n';
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

std::string N(long long value) { return std::to_string(value); }

// The DPI each top-level window was last moved to here (the system knows
// only its own), and the rectangle it had at each DPI.
std::map<HWND, int>& MovedDpis() {
  static std::map<HWND, int> dpis;
  return dpis;
}
std::map<std::pair<HWND, int>, RECT>& RectsAtDpi() {
  static std::map<std::pair<HWND, int>, RECT> rects;
  return rects;
}

int ShownDpi(HWND window) {
  auto moved = MovedDpis().find(window);
  return moved != MovedDpis().end() ? moved->second : static_cast<int>(GetDpiForWindow(window));
}

struct Measure {
  int needW = -1, needH = -1, availW = -1, availH = -1;
};

Measure MeasureButton(HWND control, DWORD style, const FontDc& dc, const RECT& box) {
  Measure m;
  const std::wstring text = TextOf(control);
  const DWORD kind = style & BS_TYPEMASK;
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  if (kind == BS_GROUPBOX) {
    if (text.empty()) return m;
    m.needW = dc.Extent(text).cx + 2 * dc.Metrics().tmAveCharWidth;
    m.availW = width;
    return m;
  }
  if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON ||
      kind == BS_3STATE || kind == BS_AUTO3STATE) {
    // The button's own answer: its glyph, the gap and the text in its font;
    // after a move here the glyph is the one of the DPI moved to, as the
    // system draws it after a real move (it draws it at its own DPI here).
    SIZE ideal = {};
    if (!SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal))) return m;
    const int system_dpi = static_cast<int>(GetDpiForWindow(control));
    m.needW = ideal.cx - GetSystemMetricsForDpi(SM_CXMENUCHECK, system_dpi) +
              GetSystemMetricsForDpi(SM_CXMENUCHECK, ShownDpi(GetAncestor(control, GA_ROOT)));
    m.needH = dc.Metrics().tmHeight;
    m.availW = width;
    m.availH = height;
    return m;
  }
  if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
    if (text.empty()) return m;
    m.needW = dc.Extent(text).cx + dc.Metrics().tmAveCharWidth;
    m.needH = dc.Metrics().tmHeight + 4;
    m.availW = width;
    m.availH = height;
  }
  return m;
}

Measure MeasureStatic(HWND control, DWORD style, const FontDc& dc, const RECT& box) {
  Measure m;
  const DWORD kind = style & SS_TYPEMASK;
  const std::wstring text = TextOf(control);
  if (text.empty() || !(kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP ||
                        kind == SS_SIMPLE)) {
    return m;
  }
  const int width = box.right - box.left;
  const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
  const bool wraps = kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT;
  const SIZE need = wraps ? dc.Extent(text, DT_WORDBREAK | DT_EXPANDTABS | prefix, width)
                          : dc.Extent(text, DT_SINGLELINE | DT_EXPANDTABS | prefix);
  m.needW = need.cx;
  m.needH = need.cy;
  m.availW = width;
  m.availH = box.bottom - box.top;
  return m;
}

Measure MeasureEdit(HWND control, DWORD style, const FontDc& dc, const RECT& box) {
  Measure m;
  if (style & ES_MULTILINE) return m;
  // One line of text inside the edge and the margins.
  RECT inside;
  GetClientRect(control, &inside);
  m.needH = dc.Metrics().tmHeight;
  m.availH = inside.bottom - inside.top;
  return m;
}

Measure MeasureCombo(HWND control, const FontDc& dc) {
  Measure m;
  COMBOBOXINFO info = {sizeof info};
  if (!GetComboBoxInfo(control, &info)) return m;
  const LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
  int widest = 0;
  if (selected != CB_ERR) {
    const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, selected, 0);
    std::wstring text(length > 0 ? length + 1 : 1, L'\0');
    SendMessageW(control, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    widest = dc.Extent(text).cx;
  }
  m.needW = widest;
  m.availW = info.rcItem.right - info.rcItem.left;
  m.needH = dc.Metrics().tmHeight;
  m.availH = info.rcItem.bottom - info.rcItem.top;
  return m;
}

Measure MeasureDatePicker(HWND control, const FontDc& dc, const RECT& box) {
  Measure m;
  const std::wstring text = TextOf(control);
  RECT inside;
  GetClientRect(control, &inside);
  const int dpi = static_cast<int>(GetDpiForWindow(control));
  m.needW = dc.Extent(text).cx + GetSystemMetricsForDpi(SM_CXVSCROLL, dpi) + 4;
  m.availW = inside.right - inside.left;
  m.needH = dc.Metrics().tmHeight;
  m.availH = inside.bottom - inside.top;
  return m;
}

void ReportImages(Report& report, const std::string& path, const std::string& cls, const char* which,
                  HIMAGELIST images) {
  if (!images) return;
  int w = 0, h = 0;
  ImageList_GetIconSize(images, &w, &h);
  report.Line({"images", path, cls, which, N(w), N(h)});
}

void ReportListView(Report& report, HWND list, const std::string& path) {
  ReportImages(report, path, "SysListView32", "small", ListView_GetImageList(list, LVSIL_SMALL));
  ReportImages(report, path, "SysListView32", "state", ListView_GetImageList(list, LVSIL_STATE));
  HWND header = ListView_GetHeader(list);
  const int columns = header ? Header_GetItemCount(header) : 0;
  {
    FontDc dc(header ? header : list);
    for (int c = 0; c < columns; ++c) {
      wchar_t text[256] = {};
      HDITEMW item = {};
      item.mask = HDI_TEXT | HDI_WIDTH;
      item.pszText = text;
      item.cchTextMax = 256;
      Header_GetItem(header, c, &item);
      report.Line({"column", path, N(c), Clean(text), N(dc.Extent(text).cx + 2 * dc.Metrics().tmAveCharWidth),
                   N(item.cxy)});
    }
  }
  // The rows on screen; a list of owner data asks its window for the texts.
  FontDc dc(list);
  const int first = ListView_GetTopIndex(list);
  const int count = std::min(ListView_GetItemCount(list), first + ListView_GetCountPerPage(list) + 1);
  for (int row = first; row < count; ++row) {
    for (int c = 0; c < columns; ++c) {
      wchar_t text[1024] = {};
      ListView_GetItemText(list, row, c, text, 1024);
      RECT label = {};
      if (c == 0) {
        ListView_GetItemRect(list, row, &label, LVIR_LABEL);
      } else {
        ListView_GetSubItemRect(list, row, c, LVIR_LABEL, &label);
      }
      // The list draws a label inset by a margin at either side.
      const int need = ListView_GetStringWidth(list, text) + dc.Metrics().tmAveCharWidth;
      report.Line({"cell", path, N(row), N(c), Clean(text), N(need), N(label.right - label.left)});
    }
  }
}

void ReportTabs(Report& report, HWND tab, const std::string& path) {
  RECT client;
  GetClientRect(tab, &client);
  const int count = TabCtrl_GetItemCount(tab);
  for (int i = 0; i < count; ++i) {
    wchar_t text[128] = {};
    TCITEMW item = {TCIF_TEXT};
    item.pszText = text;
    item.cchTextMax = 128;
    TabCtrl_GetItem(tab, i, &item);
    RECT r = {};
    TabCtrl_GetItemRect(tab, i, &r);
    report.Line({"tab", path, N(i), Clean(text), N(r.left), N(r.top), N(r.right), N(r.bottom), N(client.right),
                 N(client.bottom)});
  }
}

void ReportStatusBar(Report& report, HWND bar, const std::string& path) {
  int edges[16] = {};
  const int parts = static_cast<int>(SendMessageW(bar, SB_GETPARTS, 16, reinterpret_cast<LPARAM>(edges)));
  FontDc dc(bar);
  for (int i = 0; i < parts; ++i) {
    wchar_t text[256] = {};
    SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(text));
    RECT r = {};
    SendMessageW(bar, SB_GETRECT, i, reinterpret_cast<LPARAM>(&r));
    report.Line({"part", path, N(i), Clean(text), N(text[0] ? dc.Extent(text).cx + 4 : 0), N(r.right - r.left)});
  }
}

void ReportChildren(Report& report, HWND parent, const std::string& parentPath) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
    if (!(style & WS_CHILD)) continue;
    const std::wstring cls = ClassOf(child);
    // A control without an id is named by its text, or else its class.
    const int id = GetDlgCtrlID(child);
    const std::wstring own_text = TextOf(child);
    const std::string path =
        parentPath + "/" + (id != 0 ? N(id) : Clean(!own_text.empty() ? own_text : cls));
    RECT box;
    GetWindowRect(child, &box);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&box), 2);
    RECT room;
    GetClientRect(parent, &room);
    Measure m;
    int charHeight = -1;
    {
      FontDc dc(child);
      charHeight = dc.CharHeight();
      if (_wcsicmp(cls.c_str(), L"Button") == 0) m = MeasureButton(child, style, dc, box);
      if (_wcsicmp(cls.c_str(), L"Static") == 0) m = MeasureStatic(child, style, dc, box);
      if (_wcsicmp(cls.c_str(), L"Edit") == 0) m = MeasureEdit(child, style, dc, box);
      if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) m = MeasureCombo(child, dc);
      if (cls == DATETIMEPICK_CLASSW) m = MeasureDatePicker(child, dc, box);
    }
    report.Line({"control", path, Clean(cls), N(GetDlgCtrlID(child)), N(style), N(IsWindowVisible(child) ? 1 : 0),
                 Clean(TextOf(child)), N(box.left), N(box.top), N(box.right), N(box.bottom), N(room.right),
                 N(room.bottom), N(charHeight), N(m.needW), N(m.needH), N(m.availW), N(m.availH)});
    if (cls == WC_LISTVIEWW) ReportListView(report, child, path);
    if (cls == WC_TABCONTROLW) ReportTabs(report, child, path);
    if (cls == STATUSCLASSNAMEW) ReportStatusBar(report, child, path);
    if (cls == TOOLBARCLASSNAMEW) {
      ReportImages(report, path, "ToolbarWindow32", "normal",
                   reinterpret_cast<HIMAGELIST>(SendMessageW(child, TB_GETIMAGELIST, 0, 0)));
    }
    ReportChildren(report, child, path);
  }
}


// The rectangle Windows suggests for a move to `dpi`: the window's own
// answer where it gives one, else its size scaled, at the same top left.
// A window moved back to a DPI it had is given the rectangle it had there.
RECT SuggestedRect(HWND window, int dpi) {
  RECT now;
  GetWindowRect(window, &now);
  RectsAtDpi()[{window, ShownDpi(window)}] = now;
  auto earlier = RectsAtDpi().find({window, dpi});
  if (earlier != RectsAtDpi().end()) return earlier->second;
  SIZE size = {};
  if (!SendMessageW(window, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size))) {
    const int from = ShownDpi(window);
    size.cx = MulDiv(now.right - now.left, dpi, from);
    size.cy = MulDiv(now.bottom - now.top, dpi, from);
  }
  return {now.left, now.top, now.left + size.cx, now.top + size.cy};
}

void WriteReport(const std::string& text) {
  HANDLE mapping = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kLayoutProbeReport);
  if (!mapping) return;
  if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kLayoutProbeReportBytes)) {
    const size_t bytes = std::min<size_t>(text.size(), kLayoutProbeReportBytes - 1);
    std::memcpy(view, text.data(), bytes);
    static_cast<char*>(view)[bytes] = '\0';
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
}

void Probe(HWND window, int dpi) {
  if (dpi == 0) {
    // A window probed where it is starts its moves anew (a handle may be
    // one an earlier window had).
    MovedDpis().erase(window);
    for (auto it = RectsAtDpi().begin(); it != RectsAtDpi().end();) {
      it = it->first.first == window ? RectsAtDpi().erase(it) : std::next(it);
    }
  }
  if (dpi > 0) {
    RECT suggested = SuggestedRect(window, dpi);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    MovedDpis()[window] = dpi;
  }
  Report report;
  RECT client;
  GetClientRect(window, &client);
  report.Line({"window", Clean(ClassOf(window)), Clean(TextOf(window)), N(client.right), N(client.bottom),
               N(GetDpiForWindow(window))});
  ReportChildren(report, window, "");
  WriteReport(report.Text());
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK LayoutProbeHook(int code, WPARAM wparam, LPARAM lparam) {
  static const UINT probe = RegisterWindowMessageW(kLayoutProbeMessageName);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
    if (call->message == probe) Probe(call->hwnd, static_cast<int>(call->wParam));
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
