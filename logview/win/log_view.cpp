#include "logview/win/log_view.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "base/win/dpi_layout.h"
#include "base/win/gdi_handles.h"
#include "base/win/modal_dialog.h"
#include "base/win/wide.h"
#include "logview/win/log_view_ids.h"

namespace dm {

namespace {

using namespace logview;

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Ms = 10;
// Asks for the chosen day to be loaded once the list's notifications of
// one click (one row unselected, another selected) have all arrived.
constexpr UINT kLoadDayMessage = WM_APP + 1;

// Sizes at 96 DPI.
constexpr int kMargin = 6;
constexpr int kSplitterWidth = 5;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 25;
constexpr int kCheckBoxWidth = 200;
constexpr int kDefaultDayWidth = 120;
constexpr int kMinDayWidth = 60;
constexpr int kMinLineWidth = 160;
constexpr int kTitleColumnWidth = 180;
constexpr int kColumnPadding = 16;
constexpr int kMinDetailWidth = 100;
constexpr int kMinWidth = 440;
constexpr int kMinHeight = 300;
constexpr COLORREF kLineBackground = RGB(0xE0, 0xE0, 0xE0);

class LogViewDialog : public ModalDialog {
 public:
  LogViewDialog(LogFolder& folder, const RECT& bounds, const KindImageMaker& makeImages)
      : model_(folder), bounds_(bounds), makeImages_(makeImages) {}

  void Run(HWND owner) {
    RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN, 0, 400,
             300);
  }

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        FormCreate();
        FormShow();
        return FALSE;  // the focus is set
      case WM_COMMAND:
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
      case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lparam));
      case WM_TIMER:
        if (wparam == kTimer1) Timer1Timer();
        return TRUE;
      case kLoadDayMessage:
        loadPosted_ = false;
        ListView2Click();
        return TRUE;
      case WM_SIZE:
        Layout();
        return TRUE;
      case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
        limits->ptMinTrackSize = {layout_.Px(kMinWidth), layout_.Px(kMinHeight)};
        return TRUE;
      }
      case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wparam) == dialog_ && LOWORD(lparam) == HTCLIENT && OverSplitter()) {
          SetCursor(LoadCursorW(nullptr, IDC_SIZEWE));
          SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, TRUE);
          return TRUE;
        }
        return FALSE;
      case WM_LBUTTONDOWN:
        if (OverSplitter()) {
          dragging_ = true;
          SetCapture(dialog_);
        }
        return TRUE;
      case WM_MOUSEMOVE:
        if (dragging_) {
          dayWidth_ = UnscaleFromDpi(GET_X_LPARAM(lparam) - layout_.Px(kMargin) - layout_.Px(kSplitterWidth) / 2,
                                     layout_.Dpi());
          Layout();
        }
        return TRUE;
      case WM_LBUTTONUP:
      case WM_CAPTURECHANGED:
        if (dragging_) {
          dragging_ = false;
          if (message == WM_LBUTTONUP) ReleaseCapture();
        }
        return TRUE;
      case WM_CLOSE:
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  // Placed by Layout().
  HWND Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
    return layout_.AddUnplaced(windowClass, text, style, id);
  }

  static void AddColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    ListView_InsertColumn(list, index, &column);
  }

  void FormCreate() {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    SetWindowTextW(dialog_, L"バックアップログ");

    const DWORD list_style =
        WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
    days_ = Add(WC_LISTVIEWW, L"ListView2", list_style, ListView2);
    ListView_SetExtendedListViewStyle(days_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    AddColumn(days_, 0, L"作成日", layout_.Px(kDefaultDayWidth));

    // Owner data: the list asks for the rows it shows, so a day of a
    // hundred thousand lines opens as fast as one of ten.
    lines_ = Add(WC_LISTVIEWW, L"ListView1", list_style | LVS_OWNERDATA | LVS_SHAREIMAGELISTS, ListView1);
    // A long path shows whole in the row's tip.
    ListView_SetExtendedListViewStyle(lines_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
    MakeImages();
    AddColumn(lines_, 0, L"処理", TitleColumnWidth());
    AddColumn(lines_, 1, L"詳細", layout_.Px(kMinDetailWidth));

    errorOnly_ = Add(L"BUTTON", L"エラーログのみ表示", BS_AUTOCHECKBOX | WS_TABSTOP, CheckBoxErrorOnly);
    delete_ = Add(L"BUTTON", L"削除", BS_PUSHBUTTON | WS_TABSTOP, ButtonDel);
    close_ = Add(L"BUTTON", L"閉じる", BS_DEFPUSHBUTTON | WS_TABSTOP, Button1);

    HWND owner = GetWindow(dialog_, GW_OWNER);
    HICON icon = reinterpret_cast<HICON>(SendMessageW(owner, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(owner, GCLP_HICONSM));
    if (icon) SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    int width = bounds_.right - bounds_.left;
    int height = bounds_.bottom - bounds_.top;
    if (width < layout_.Px(kMinWidth) || height < layout_.Px(kMinHeight)) {
      width = std::max(width, layout_.Px(640));
      height = std::max(height, layout_.Px(480));
    }
    SetWindowPos(dialog_, nullptr, bounds_.left, bounds_.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
  }

  // The icons of the report kinds at the window's DPI.
  void MakeImages() {
    ImageListHandle images(makeImages_ ? makeImages_(layout_.Metric(SM_CXSMICON)) : nullptr);
    ListView_SetImageList(lines_, images.Get(), LVSIL_SMALL);
    images_ = std::move(images);
  }

  void OnDpiChanged() override {
    if (!lines_) return;  // not made yet
    MakeImages();
    ListView_SetColumnWidth(days_, 0, layout_.Px(kDefaultDayWidth));
    ListView_SetColumnWidth(lines_, 0, TitleColumnWidth());
    Layout();
  }

  // 180 pixels at 96 DPI, or wider when the font needs more for a time and
  // the longest title a run writes.
  int TitleColumnWidth() const {
    const int sample = layout_.TextWidth(L"00:00:00 手動バックアップ開始");
    return std::max<int>(layout_.Px(kTitleColumnWidth),
                         sample + layout_.Metric(SM_CXSMICON) + layout_.Px(kColumnPadding));
  }

  RECT SplitterRect() const {
    RECT client;
    GetClientRect(dialog_, &client);
    int left = layout_.Px(kMargin) + layout_.Px(dayWidth_);
    return RECT{left, layout_.Px(kMargin), left + layout_.Px(kSplitterWidth), ListBottom(client)};
  }
  int ListBottom(const RECT& client) const {
    return client.bottom - layout_.Px(kButtonHeight) - 2 * layout_.Px(kMargin);
  }
  bool OverSplitter() const {
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(dialog_, &p);
    RECT splitter = SplitterRect();
    return PtInRect(&splitter, p) != FALSE;
  }

  // In pixels at the window's DPI; the day list's width is kept as it is
  // at 96 DPI.
  void Layout() {
    if (!lines_) return;
    RECT client;
    GetClientRect(dialog_, &client);
    int width = client.right - client.left;
    const int margin = layout_.Px(kMargin);
    const int splitter = layout_.Px(kSplitterWidth);
    const int button_width = layout_.Px(kButtonWidth);
    const int button_height = layout_.Px(kButtonHeight);
    dayWidth_ = std::clamp(dayWidth_, kMinDayWidth,
                           std::max(kMinDayWidth, UnscaleFromDpi(width - 2 * margin - splitter - layout_.Px(kMinLineWidth),
                                                                 layout_.Dpi())));
    int day_width = layout_.Px(dayWidth_);
    int list_top = margin;
    int list_height = std::max(0, ListBottom(client) - list_top);
    int lines_left = margin + day_width + splitter;
    int lines_width = std::max(0, width - margin - lines_left);
    int bar_top = client.bottom - margin - button_height;
    HDWP moves = BeginDeferWindowPos(5);
    auto move = [&](HWND control, int x, int y, int w, int h) {
      moves = DeferWindowPos(moves, control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    move(days_, margin, list_top, day_width, list_height);
    move(lines_, lines_left, list_top, lines_width, list_height);
    move(errorOnly_, margin, bar_top + layout_.Px(2), layout_.Px(kCheckBoxWidth), layout_.Px(kButtonHeight - 4));
    move(close_, width - margin - button_width, bar_top, button_width, button_height);
    move(delete_, width - 2 * margin - 2 * button_width, bar_top, button_width, button_height);
    EndDeferWindowPos(moves);
    FitColumns();
  }

  // The day column fills its list; "詳細" fills what "処理" leaves.
  void FitColumns() {
    RECT inside;
    GetClientRect(days_, &inside);
    ListView_SetColumnWidth(days_, 0, std::max<int>(layout_.Px(kMinDayWidth), inside.right));
    GetClientRect(lines_, &inside);
    int title_width = ListView_GetColumnWidth(lines_, 0);
    ListView_SetColumnWidth(lines_, 1, std::max<int>(layout_.Px(kMinDetailWidth), inside.right - title_width));
  }

  // ---- The handlers ----

  void FormShow() {
    model_.FormShow();
    ShowForm();
  }

  // The controls from the model after its day list was read again: both
  // lists emptied, the days filled with the latest chosen, the lines loaded
  // by Timer1 once the window shows.
  void ShowForm() {
    SetFocus(days_);
    filling_ = true;
    ListView_DeleteAllItems(days_);
    ShowRows();
    for (size_t i = 0; i < model_.Days().size(); ++i) {
      std::wstring caption = Utf8ToWide(model_.Days()[i].caption);
      LVITEMW item = {LVIF_TEXT};
      item.iItem = static_cast<int>(i);
      item.pszText = caption.data();
      ListView_InsertItem(days_, &item);
    }
    if (std::optional<size_t> latest = model_.SelectedDay()) {
      int row = static_cast<int>(*latest);
      ListView_SetItemState(days_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(days_, row, FALSE);
    }
    filling_ = false;
    FitColumns();
    ListView_SetBkColor(lines_, kLineBackground);
    ListView_SetTextBkColor(lines_, kLineBackground);
    SetTimer(dialog_, kTimer1, kTimer1Ms, nullptr);
  }

  void Timer1Timer() {
    KillTimer(dialog_, kTimer1);
    ListView2Click();
  }

  std::optional<size_t> ChosenDay() const {
    int row = ListView_GetNextItem(days_, -1, LVNI_SELECTED);
    return row < 0 ? std::nullopt : std::optional<size_t>(row);
  }

  void ListView2Click() {
    HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    model_.SelectDay(ChosenDay());
    model_.LoadSelectedDay(IsDlgButtonChecked(dialog_, CheckBoxErrorOnly) == BST_CHECKED);
    ShowRows();
    EnableWindow(delete_, model_.DeleteEnabled());
    SetCursor(old);
  }

  void ShowRows() {
    // Emptied first: no selection or focus of the earlier rows stays
    // (unselecting every row one by one would cost a notification each).
    ListView_SetItemCountEx(lines_, 0, 0);
    ListView_SetItemCountEx(lines_, static_cast<int>(model_.Rows().size()), 0);
    if (!model_.Rows().empty()) ListView_EnsureVisible(lines_, 0, FALSE);
    FitColumns();  // a scroll bar may have come or gone
    InvalidateRect(lines_, nullptr, TRUE);
  }

  void ButtonDelClick() {
    model_.SelectDay(ChosenDay());
    std::optional<std::string> question = model_.DeleteQuestion();
    if (!question) {
      ShowRows();
      return;
    }
    if (MessageBoxW(dialog_, Utf8ToWide(*question).c_str(), L"Drovenmark", MB_YESNO | MB_ICONQUESTION) != IDYES) {
      return;
    }
    model_.DeleteSelectedDay();
    ShowForm();
  }

  void OnCommand(int id, int code) {
    switch (id) {
      case Button1:
        EndDialog(dialog_, IDOK);
        break;
      case IDCANCEL:
        EndDialog(dialog_, IDCANCEL);
        break;
      case ButtonDel:
        if (code == BN_CLICKED) ButtonDelClick();
        break;
      case CheckBoxErrorOnly:
        if (code == BN_CLICKED) ListView2Click();  // CheckBoxErrorOnlyClick
        break;
      default:
        break;
    }
  }

  INT_PTR OnNotify(NMHDR* header) {
    if (header->hwndFrom == lines_ && header->code == LVN_GETDISPINFOW) {
      ShowLine(reinterpret_cast<NMLVDISPINFOW*>(header)->item);
      return TRUE;
    }
    if (header->hwndFrom == lines_ && header->code == LVN_GETINFOTIPW) {
      ShowTip(*reinterpret_cast<NMLVGETINFOTIPW*>(header));
      return TRUE;
    }
    if (header->hwndFrom != days_ || filling_) return FALSE;
    bool chosen_changed = false;
    if (header->code == LVN_ITEMCHANGED) {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      chosen_changed = (change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED);
    }
    // A click on the chosen day loads it again (its file may have grown).
    if (chosen_changed || header->code == NM_CLICK) PostLoadDay();
    return FALSE;
  }

  void PostLoadDay() {
    if (loadPosted_) return;
    loadPosted_ = true;
    PostMessageW(dialog_, kLoadDayMessage, 0, 0);
  }

  void ShowLine(LVITEMW& item) {
    const LogRows& rows = model_.Rows();
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows.size()) return;
    LogRow row = rows[item.iItem];
    if (item.mask & LVIF_IMAGE) item.iImage = row.kind >= 0 ? row.kind : I_IMAGENONE;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      std::wstring text = Utf8ToWide(item.iSubItem == 0 ? row.caption : row.detail);
      lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
  }

  void ShowTip(NMLVGETINFOTIPW& tip) {
    const LogRows& rows = model_.Rows();
    if (tip.iItem < 0 || static_cast<size_t>(tip.iItem) >= rows.size() || !tip.pszText || tip.cchTextMax <= 0) return;
    LogRow row = rows[tip.iItem];
    std::wstring text = Utf8ToWide(row.caption + "\n" + row.detail);
    lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
  }

  LogViewModel model_;
  RECT bounds_;
  const KindImageMaker& makeImages_;
  ImageListHandle images_;
  HWND days_ = nullptr;   // ListView2
  HWND lines_ = nullptr;  // ListView1
  HWND errorOnly_ = nullptr;
  HWND delete_ = nullptr;
  HWND close_ = nullptr;
  int dayWidth_ = kDefaultDayWidth;  // at 96 DPI
  bool dragging_ = false;
  bool filling_ = false;     // the day list is being refilled: its notifications are not the user's
  bool loadPosted_ = false;
};

}  // namespace

void ShowLogView(HWND owner, const RECT& bounds, const KindImageMaker& kindImages, LogFolder& folder) {
  LogViewDialog dialog(folder, bounds, kindImages);
  dialog.Run(owner);
}

}  // namespace dm
