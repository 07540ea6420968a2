#include "app/win/main_window.h"

#include <windowsx.h>

#include <algorithm>

#include "app/win/icons.h"
#include "app/win/menus.h"
#include "base/paths.h"
#include "base/win/wide.h"

namespace dm {

namespace {

const wchar_t kClassName[] = L"TMainForm";
const wchar_t kTitle[] = L"Drovenmark";
// Sizes at 96 DPI.
constexpr int kSplitterHeight = 5;
constexpr int kNameColumn = 150;
constexpr int kDateColumn = 140;
constexpr int kMinSplit = 20;

struct ToolButton {
  int id;
  int image;      // -1: a separator
  const wchar_t* hint;
  BYTE style;
};

const ToolButton kToolButtons[] = {
    {ToolButtonNew, 0, L"新規作成", BTNS_BUTTON},
    {ToolButtonOpen, 1, L"開く", BTNS_BUTTON},
    {ToolButtonSave, 2, L"上書き保存", BTNS_BUTTON},
    {0, -1, nullptr, BTNS_SEP},
    {ToolButtonAdd, 3, L"設定の追加", BTNS_BUTTON},
    {ToolButtonDel, 4, L"設定の削除", BTNS_BUTTON},
    {ToolButtonEdit, 5, L"設定の編集", BTNS_BUTTON},
    {ToolButtonDown, 6, L"下へ移動", BTNS_BUTTON},
    {ToolButtonUp, 7, L"上へ移動", BTNS_BUTTON},
    {0, -1, nullptr, BTNS_SEP},
    {ToolButtonBackup, 8, L"バックアップ", BTNS_DROPDOWN},
    {ToolButtonPause, 9, L"一時停止", BTNS_CHECK},
    {ToolButtonAbort, 10, L"中止", BTNS_BUTTON},
    {0, -1, nullptr, BTNS_SEP},
    {ToolButtonAuto, 11, L"自動バックアップ", BTNS_CHECK},
    {ToolButtonOption, 12, L"オプション", BTNS_BUTTON},
    {ToolButton1, 13, L"ヘルプ", BTNS_BUTTON},
};

bool IsToolButton(int id) { return id >= ToolButtonNew && id <= ToolButton1; }

}  // namespace

TMainForm::TMainForm(HINSTANCE instance, const LaunchOptions& launch, MessageService& messages)
    : instance_(instance), launch_(launch), messages_(messages) {}

TMainForm::~TMainForm() {
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  for (HMENU menu : {settingsPopup_, backupDropDown_, trayMenu_}) {
    if (menu) DestroyMenu(menu);
  }
  for (HICON icon : {bigIcon_, smallIcon_}) {
    if (icon) DestroyIcon(icon);
  }
}

bool TMainForm::Create() {
  // The class's icons serve the task bar and the notification area: at the
  // system's sizes. The window gets its own at its DPI.
  if (DrawsImages()) {
    bigIcon_ = MakeApplicationIcon(GetSystemMetrics(SM_CXICON));
    smallIcon_ = MakeApplicationIcon(GetSystemMetrics(SM_CXSMICON));
  }
  WNDCLASSEXW wc = {sizeof wc};
  wc.lpfnWndProc = StaticProc;
  wc.hInstance = instance_;
  wc.hIcon = bigIcon_;
  wc.hIconSm = smallIcon_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);
  taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  hwnd_ = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                          CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance_, this);
  if (!hwnd_) return false;
  FormCreate();
  return true;
}

LRESULT CALLBACK TMainForm::StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* self = static_cast<TMainForm*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->WndProc(message, wparam, lparam);
}

void TMainForm::CreateMenus() {
  MainWindowMenus menus = CreateMainWindowMenus();
  mainMenu_ = menus.bar;
  settingsPopup_ = menus.settingsPopup;
  backupDropDown_ = menus.backupDropDown;
  trayMenu_ = menus.tray;
  accelerators_ = menus.accelerators;
  SetMenu(hwnd_, mainMenu_);
}

void TMainForm::SetWindowIcons() {
  if (!DrawsImages()) return;
  IconHandle big(MakeApplicationIcon(layout_.Metric(SM_CXICON)));
  IconHandle small(MakeApplicationIcon(layout_.Metric(SM_CXSMICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
  windowBigIcon_ = std::move(big);
  windowSmallIcon_ = std::move(small);
}

void TMainForm::CreateToolbar() {
  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0, 0, 0, hwnd_,
                             nullptr, instance_, nullptr);
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
  if (DrawsImages()) {
    toolbarImages_.Reset(MakeToolbarImages(layout_.Metric(SM_CXSMICON)));
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(toolbarImages_.Get()));
  }
  std::vector<TBBUTTON> buttons;
  for (const ToolButton& b : kToolButtons) {
    TBBUTTON button = {};
    button.iBitmap = b.image < 0 ? 6 : b.image;
    button.idCommand = b.id;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = b.style;
    button.iString = b.hint ? reinterpret_cast<INT_PTR>(b.hint) : -1;
    buttons.push_back(button);
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

// A toolbar sizes its buttons by its images when they are added: at a new
// DPI it is made again, with the states its buttons had.
void TMainForm::RecreateToolbar() {
  std::vector<std::pair<int, LRESULT>> states;
  for (const ToolButton& b : kToolButtons) {
    if (b.hint) states.emplace_back(b.id, SendMessageW(toolbar_, TB_GETSTATE, b.id, 0));
  }
  HWND old = toolbar_;
  ImageListHandle old_images = std::move(toolbarImages_);
  CreateToolbar();
  for (const auto& [id, state] : states) {
    if (state != -1) SendMessageW(toolbar_, TB_SETSTATE, id, MAKELONG(state, 0));
  }
  SetWindowPos(toolbar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  DestroyWindow(old);
}

void TMainForm::SetReportKindImages() {
  if (!DrawsImages()) return;
  reportImages_.Reset(MakeReportKindImages(layout_.Metric(SM_CXSMICON)));
  ListView_SetImageList(statusList_, reportImages_.Get(), LVSIL_SMALL);
}

void TMainForm::CreateLists() {
  const DWORD list_style = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL;
  settingsList_ = CreateWindowExW(0, WC_LISTVIEWW, nullptr, list_style, 0, 0, 0, 0, hwnd_, nullptr, instance_,
                                  nullptr);
  SetWindowTextW(settingsList_, L"ListView1");
  ListView_SetExtendedListViewStyle(settingsList_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  struct Column {
    const wchar_t* title;
    int width;
  };
  const Column settings_columns[] = {
      {L"名前", kNameColumn}, {L"ソース側", 220}, {L"バックアップ先", 220}, {L"最終更新日時", kDateColumn}};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
    column.pszText = const_cast<wchar_t*>(settings_columns[i].title);
    column.cx = layout_.Px(settings_columns[i].width);
    ListView_InsertColumn(settingsList_, i, &column);
  }

  statusList_ = CreateWindowExW(0, WC_LISTVIEWW, nullptr, list_style | LVS_NOSORTHEADER, 0, 0, 0, 0, hwnd_,
                                nullptr, instance_, nullptr);
  SetWindowTextW(statusList_, L"ListView2");
  ListView_SetExtendedListViewStyle(statusList_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  ListView_SetBkColor(statusList_, RGB(0xE0, 0xE0, 0xE0));
  ListView_SetTextBkColor(statusList_, RGB(0xE0, 0xE0, 0xE0));
  SetReportKindImages();
  const Column status_columns[] = {{L"処理", 180}, {L"詳細", 560}};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
    column.pszText = const_cast<wchar_t*>(status_columns[i].title);
    column.cx = layout_.Px(status_columns[i].width);
    ListView_InsertColumn(statusList_, i, &column);
  }
  // The lists draw in the system's font for lists, made for the window's DPI.
  listFont_ = layout_.AddFont({.source = FontStyle::Source::kIconTitle});
  for (HWND list : {settingsList_, statusList_}) layout_.UseFont(list, listFont_);
}

void TMainForm::CreateStatusBar() {
  statusBar_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd_, nullptr,
                               instance_, nullptr);
  statusFont_ = layout_.AddFont({.source = FontStyle::Source::kStatus});
  layout_.UseFont(statusBar_, statusFont_);
  SetStatusBarParts();
  progressBar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 0, 0, 0, 0,
                                 statusBar_, nullptr, instance_, nullptr);
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
}

void TMainForm::SetStatusBarParts() {
  // 85, 100, 100 and 50 pixels at 96 DPI; the progress bar covers the second.
  int edges[] = {layout_.Px(85), layout_.Px(185), layout_.Px(285), layout_.Px(335)};
  SendMessageW(statusBar_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
}

void TMainForm::OnDpiChanged() {
  const int dpi = layout_.Dpi();
  SetWindowIcons();
  RecreateToolbar();
  SetReportKindImages();
  // Columns keep the share of the window a person gave them.
  for (int column : {0, 3}) {
    ListView_SetColumnWidth(settingsList_, column,
                            RescaleDpi(ListView_GetColumnWidth(settingsList_, column), laidOutDpi_, dpi));
  }
  ListView_SetColumnWidth(statusList_, 0, RescaleDpi(ListView_GetColumnWidth(statusList_, 0), laidOutDpi_, dpi));
  laidOutDpi_ = dpi;
  SetStatusBarParts();
  // The ending form is made again at its next showing, in the new font.
  if (endingForm_) {
    const bool shown = IsWindowVisible(endingForm_) != FALSE;
    DestroyWindow(endingForm_);
    endingForm_ = nullptr;
    if (shown) ShowEndingForm(endingText_.c_str());
  }
  Layout();
}

void TMainForm::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
  RECT bar;
  GetWindowRect(toolbar_, &bar);
  int top = bar.bottom - bar.top;
  int bottom = client.bottom;
  if (IsWindowVisible(statusBar_)) {
    SendMessageW(statusBar_, WM_SIZE, 0, 0);
    RECT status;
    GetWindowRect(statusBar_, &status);
    bottom -= status.bottom - status.top;
    RECT part;
    SendMessageW(statusBar_, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&part));
    InflateRect(&part, -layout_.Px(1), -layout_.Px(1));
    MoveWindow(progressBar_, part.left, part.top, part.right - part.left, part.bottom - part.top, TRUE);
  }
  bool show_status_list = options_.optionEasyLogView == 0;
  // The split is kept as its height at 96 DPI.
  const int min_split = layout_.Px(kMinSplit);
  int split = show_status_list ? std::clamp(layout_.Px(options_.windowSplit), min_split,
                                            std::max(min_split, bottom - top - layout_.Px(40)))
                               : bottom - top;
  MoveWindow(settingsList_, 0, top, client.right, split, TRUE);
  // "ソース側" and "バックアップ先" share what the name and date columns leave.
  int share = (client.right - layout_.Px(kNameColumn) - layout_.Px(kDateColumn) - layout_.Metric(SM_CXVSCROLL) -
               layout_.Px(4)) /
              2;
  ListView_SetColumnWidth(settingsList_, 1, std::max(layout_.Px(80), share));
  ListView_SetColumnWidth(settingsList_, 2, std::max(layout_.Px(80), share));
  splitterTop_ = top + split;
  ShowWindow(statusList_, show_status_list ? SW_SHOW : SW_HIDE);
  if (show_status_list) {
    int list_top = splitterTop_ + layout_.Px(kSplitterHeight);
    MoveWindow(statusList_, 0, list_top, client.right, std::max(0, bottom - list_top), TRUE);
    ListView_SetColumnWidth(statusList_, 1, LVSCW_AUTOSIZE_USEHEADER);
  }
}

void TMainForm::SetCaption() {
  SetWindowTextW(hwnd_, Utf8ToWide("Drovenmark - " + document_.FileName()).c_str());
}

void TMainForm::Enable(int id, bool enabled) {
  if (IsToolButton(id)) {
    SendMessageW(toolbar_, TB_ENABLEBUTTON, id, MAKELONG(enabled ? TRUE : FALSE, 0));
    return;
  }
  UINT flags = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
  for (HMENU menu : {mainMenu_, settingsPopup_, backupDropDown_, trayMenu_}) EnableMenuItem(menu, id, flags);
}

void TMainForm::Enable(std::initializer_list<int> ids, bool enabled) {
  for (int id : ids) Enable(id, enabled);
}

void TMainForm::Check(std::initializer_list<int> ids, bool checked) {
  for (int id : ids) {
    if (IsToolButton(id)) {
      SendMessageW(toolbar_, TB_CHECKBUTTON, id, MAKELONG(checked ? TRUE : FALSE, 0));
      continue;
    }
    for (HMENU menu : {mainMenu_, settingsPopup_, backupDropDown_, trayMenu_}) {
      CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
  }
}

bool TMainForm::IsEnabled(int id) const {
  if (IsToolButton(id)) return SendMessageW(toolbar_, TB_ISBUTTONENABLED, id, 0) != 0;
  UINT state = GetMenuState(mainMenu_, id, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

void TMainForm::ListView1Click() { commands_->SelectionUpdate(); }

void TMainForm::EnableBackupCommandsByRowCount() {
  bool any = ListView_GetItemCount(settingsList_) > 0;
  Enable({ToolButtonBackup, BackupMenu, BackupShutdownMenu, TestMenu}, any);
}

void TMainForm::BuckupPopupClick() {
  bool on = options_.optionAutoUpdate == 1;
  Check({AutoBackupMenu, TaskMenuAuto, ToolButtonAuto}, on);
}

void TMainForm::FillSettingsList() {
  fillingList_ = true;
  SendMessageW(settingsList_, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(settingsList_);
  const std::vector<BackupSetting>& settings = document_.Settings();
  for (size_t i = 0; i < settings.size(); ++i) {
    std::wstring name = Utf8ToWide(settings[i].name);
    LVITEMW item = {LVIF_TEXT};
    item.iItem = static_cast<int>(i);
    item.pszText = name.data();
    ListView_InsertItem(settingsList_, &item);
    SetRowTexts(static_cast<int>(i));
  }
  SendMessageW(settingsList_, WM_SETREDRAW, TRUE, 0);
  fillingList_ = false;
}

void TMainForm::SetRowTexts(int row) {
  const BackupSetting& setting = document_.Settings()[row];
  for (int column = 0; column < 3; ++column) {
    std::wstring text = Utf8ToWide(setting.values[column]);
    ListView_SetItemText(settingsList_, row, column + 1, text.data());
  }
  ListView_SetCheckState(settingsList_, row, setting.checked);
}

LRESULT TMainForm::ListView1AdvancedCustomDrawItem(NMLVCUSTOMDRAW* draw) {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    int row = static_cast<int>(draw->nmcd.dwItemSpec);
    std::optional<int> count = document_.WatcherCount(row);
    if (!count || *count == -1) {
      draw->clrText = RGB(0, 0, 0);
    } else {
      draw->clrText = *count != 0 ? RGB(255, 0, 0) : RGB(0, 0, 255);
    }
  }
  return CDRF_DODEFAULT;
}

void TMainForm::OnSettingsListNotify(NMHDR* header, LRESULT& result, bool& handled) {
  switch (header->code) {
    case NM_CUSTOMDRAW:
      result = ListView1AdvancedCustomDrawItem(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
      handled = true;
      break;
    case NM_CLICK:
    case LVN_ITEMCHANGED: {
      if (fillingList_) break;
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (header->code == LVN_ITEMCHANGED && (change->uChanged & LVIF_STATE) &&
          ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) && change->iItem >= 0) {
        // A tick in the list changes the setting, not the file's modified state.
        commands_->SetChecked(change->iItem, ListView_GetCheckState(settingsList_, change->iItem) != 0);
      }
      commands_->ListClicked();
      break;
    }
    case NM_DBLCLK:
      OnCommand(FolderEditMenu);
      break;
    default:
      break;
  }
}

bool TMainForm::StatusLineShown(int level) const {
  return options_.optionLogView >= level && options_.optionEasyLogView == 0;
}

void TMainForm::AddStatusLine(int kind, const std::string& title, int level, const std::string& text) {
  if (!StatusLineShown(level)) return;
  SendMessageW(statusList_, WM_SETREDRAW, FALSE, 0);
  int row = AppendStatusLine(kind, title, text);
  ListView_EnsureVisible(statusList_, row, FALSE);
  SendMessageW(statusList_, WM_SETREDRAW, TRUE, 0);
}

int TMainForm::AppendStatusLine(int kind, const std::string& title, const std::string& text) {
  if (ListView_GetItemCount(statusList_) > options_.optionLogViewMax) ListView_DeleteItem(statusList_, 0);
  std::wstring caption = Utf8ToWide(title);
  std::wstring detail = Utf8ToWide(text);
  LVITEMW item = {LVIF_TEXT | LVIF_IMAGE};
  item.iItem = ListView_GetItemCount(statusList_);
  item.iImage = kind;
  item.pszText = caption.data();
  int row = ListView_InsertItem(statusList_, &item);
  ListView_SetItemText(statusList_, row, 1, detail.data());
  return row;
}

void TMainForm::ShowContextMenu(HWND from, int x, int y) {
  HMENU menu = nullptr;
  if (from == settingsList_) {
    commands_->ListClicked();
    menu = GetSubMenu(settingsPopup_, 0);
  }
  if (!menu) return;
  if (x == -1 && y == -1) {
    POINT p;
    GetCursorPos(&p);
    x = p.x;
    y = p.y;
  }
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, x, y, 0, hwnd_, nullptr);
}

}  // namespace dm
