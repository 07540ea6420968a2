#include "app/win/option_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win/option_dialog_ids.h"
#include "base/win/dpi_layout.h"
#include "base/win/modal_dialog.h"
#include "base/win/shell_browse.h"
#include "base/win/wide.h"

namespace dm {

namespace {

constexpr int kClientWidth = 399;
constexpr int kClientHeight = 377;
constexpr int kPageCount = 3;
constexpr int kAllPages = -1;
constexpr int kRowHeight = 20;
// The system icons of Image1 to Image4, by their index in shell32.dll.
constexpr int kShellIconIndexes[] = {17, 3, 104, 15};

void FillList(HWND list, const std::vector<std::string>& items) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(item).c_str()));
  }
}

class OptionDialog : public ModalDialog {
 public:
  explicit OptionDialog(OptionFields& fields) : fields_(fields), carried_(fields) {}

  bool Run(HWND owner) {
    return RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME) == IDOK;
  }

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        FormCreate(GetWindow(dialog_, GW_OWNER));
        Show(fields_);
        ShowPage(0);
        return TRUE;
      case WM_COMMAND:
        OnCommand(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->idFrom == PageControl1 && header->code == TCN_SELCHANGE) {
          ShowPage(static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)));
        }
        return TRUE;
      }
      case kOptionShowPage:
        SelectPage(static_cast<int>(wparam));
        return TRUE;
      case WM_CLOSE:
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  // The schedule row is placed by its own arithmetic, once it is made.
  void OnDpiChanged() override {
    if (Item(LabelAutoUpdateMin)) ShowScheduleRow(Read());
  }

  // ---- Creation ----

  // One control on `page` (kAllPages: beside the pages), placed relative to
  // the page's area; every place and size is the one at 96 DPI.
  HWND Add(int page, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width,
           int height, int id = 0) {
    DpiLayout::Where where;
    if (page != kAllPages) where = {pageArea_, page};
    return layout_.Add(windowClass, text, style, {x, y, width, height}, id, 0, where);
  }
  HWND Label(int page, const wchar_t* text, int x, int y, int width, int id = 0) {
    return Add(page, L"STATIC", text, SS_LEFT | SS_NOPREFIX, x, y + 3, width, 16, id);
  }
  HWND Note(int page, const wchar_t* text, int x, int y, int width, int height, int id) {
    return Add(page, L"STATIC", text, SS_LEFT | SS_NOPREFIX, x, y, width, height, id);
  }
  HWND Group(int page, const wchar_t* text, int x, int y, int width, int height) {
    return Add(page, L"BUTTON", text, BS_GROUPBOX, x, y, width, height);
  }
  HWND Box(int page, const wchar_t* text, int x, int y, int width, int id) {
    return Add(page, L"BUTTON", text, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, width, kRowHeight, id);
  }
  HWND Edit(int page, int x, int y, int width, int id) {
    return Add(page, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, x, y, width, 22, id);
  }
  // A drop-down list; `rows` items show when it opens.
  HWND List(int page, int x, int y, int width, int rows, int id) {
    return Add(page, L"COMBOBOX", nullptr, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, y, width,
               24 + rows * 18, id);
  }
  HWND Button(int page, const wchar_t* text, int x, int y, int width, int id) {
    return Add(page, L"BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, x, y, width, 24, id);
  }
  void Image(int page, int index, int x, int y, int id) {
    HWND image = Add(page, L"STATIC", nullptr, SS_ICON, x, y, 32, 32, id);
    const int shell_index = kShellIconIndexes[index];
    layout_.SetIcon(image, 32, [shell_index](int size) { return ShellIcon(shell_index, size); });
  }

  void FormCreate(HWND owner) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    SetWindowTextW(dialog_, L"オプション");
    // Fixed size, centred on the main window.
    layout_.SizeCentred(kClientWidth, kClientHeight, OwnerOrScreen(owner));

    tab_ = Add(kAllPages, WC_TABCONTROLW, nullptr, WS_CLIPSIBLINGS | WS_TABSTOP, 8, 8, kClientWidth - 16,
               kClientHeight - 49, PageControl1);
    pageArea_ = layout_.AddTabPages(tab_, {L"オプション", L"オンラインアップデート", L"管理者"});
    // The pages' controls draw their backgrounds in the dialog's colour;
    // the tab's own body may be drawn otherwise (a theme's white). A plain
    // panel of the dialog's colour covers it.
    HWND panel = layout_.AddFilling(L"STATIC", WS_CLIPSIBLINGS, pageArea_);

    CreateOptionPage();
    CreateUpdatePage();
    CreateAdministratorPage();
    for (const OptionListControl& list : kOptionLists) FillList(Item(list.control), *list.items);

    const int y = kClientHeight - 34;
    Add(kAllPages, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kClientWidth - 184, y, 84, 26, IDOK);
    Add(kAllPages, L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, kClientWidth - 92, y, 84, 26, IDCANCEL);

    // The pages' controls paint over the panel and the tab control, never
    // under them.
    SetWindowPos(panel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(tab_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  void CreateOptionPage() {
    Group(0, L"自動バックアップ", 4, 2, 363, 124);
    Box(0, L"自動バックアップする", 14, 20, 240, CheckBoxAutoUpdate);
    Image(0, 0, 322, 16, Image1);
    Label(0, L"スケジュール", 30, 46, 76, Label6);
    List(0, 110, 46, 96, 5, ComboBoxAutoUpdate);
    Box(0, L"逃した予定を後で実行", 214, 48, 146, CheckBoxCatchUp);
    // The schedule row; ShowScheduleRow places what the kind shows.
    List(0, 30, 72, 48, 10, ComboBoxAutoUpdateDay);
    Label(0, L"", 0, 72, 0, LabelAutoUpdateDay);
    List(0, 30, 72, 48, 10, ComboBoxAutoUpdateHour);
    Label(0, L"", 0, 72, 0, LabelAutoUpdateHour);
    Edit(0, 30, 72, 40, EditAutoUpdateTime);
    Label(0, L"", 0, 72, 0, LabelAutoUpdateMin);
    Box(0, L"フォルダを監視し、変更されたフォルダのみを対象とする", 24, 100, 336, CheckBoxFileWatch);
    FillList(Item(ComboBoxAutoUpdateHour), kHourItems);

    Box(0, L"作業状態の自動保存／読み込み", 8, 134, 232, CheckBoxAutoSave);
    Group(0, L"バックアップ優先度", 242, 130, 125, 50);
    List(0, 254, 150, 104, 7, ComboBoxPriority);
    Box(0, L"終了ボタンでタスクトレイに入れる", 8, 156, 232, CheckBoxEndToTsr);
    Box(0, L"ステータスバーを表示する", 8, 184, 232, CheckBoxStatusView);
    Note(0, L"ステータスバーの表示を行うと、処理が遅くなります", 26, 206, 340, 16, Label13);
    Box(0, L"ステータスバーに全体進捗を表示する", 26, 222, 330, CheckBoxStatusWholeProgress);
    Box(0, L"ネットワークパスワードを暗号化する", 8, 248, 330, CheckBoxCryptEnabled);
    Box(0, L"スタートアップに登録する", 8, 272, 176, CheckBoxStartup);
    Box(0, L"最小化状態で起動する", 190, 272, 176, CheckBoxStartupMin);
  }

  void CreateUpdatePage() {
    Label(1, L"検索URL:", 8, 10, 116, Label7);
    Edit(1, 126, 10, 241, EditSerchUrl);
    Label(1, L"一時保存フォルダ:", 8, 40, 116, Label8);
    Edit(1, 126, 40, 209, EditDownloadFolder);
    Button(1, L"…", 339, 39, 28, SpeedButton1);

    Group(1, L"プロキシサーバー", 4, 70, 363, 118);
    Box(1, L"プロキシサーバーを経由する", 14, 88, 240, CheckBoxProxyEnabled);
    Image(1, 2, 322, 84, Image3);
    Label(1, L"ｱﾄﾞﾚｽ:", 30, 114, 40, LabelProxyServer);
    Edit(1, 72, 114, 160, EditProxyServer);
    Label(1, L"ﾎﾟｰﾄ:", 244, 114, 36, LabelProxyPort);
    Edit(1, 282, 114, 64, EditProxyPort);
    Note(1, L"インターネットエクスプローラーで使用するプロキシとは別のプロキシを経由する場合に設定してください", 14,
         144, 340, 34, Label3);
    // Internet Explorer's own proxy settings: never shown, no value uses it.
    layout_.NeverShow(Box(1, L"InternetExplorerの設定を利用する", 14, 88, 240, CheckBoxProxyIEGet));

    Group(1, L"ダウンロード後の処理", 4, 194, 363, 68);
    Image(1, 1, 322, 212, Image2);
    Add(1, L"BUTTON", L"自動インストールを行う(&I)", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 14, 212, 300,
        kRowHeight, RadioUpdateInstall);
    Add(1, L"BUTTON", L"「一時保存フォルダ」へファイルを保存するのみ(&S)", BS_AUTORADIOBUTTON, 14, 236, 300,
        kRowHeight, RadioUpdateSaveOnly);
    Box(1, L"インターネットに接続する前に確認をする", 8, 272, 330, CheckBoxConnectCheck);
  }

  void CreateAdministratorPage() {
    Group(2, L"通知", 4, 2, 363, 108);
    Box(2, L"バックアップの開始を通知する", 14, 18, 260, CheckBoxNotifyBackupStart);
    Box(2, L"バックアップの完了を通知する", 14, 40, 260, CheckBoxNotifyBackupFinish);
    Image(2, 3, 322, 16, Image4);
    Label(2, L"通知先:", 14, 64, 48, Label11);
    Edit(2, 64, 64, 252, EditNotifyUserName);
    Button(2, L"…", 320, 63, 28, SpeedButton2);
    Note(2, L"通知先には、ホスト名又はＩＰアドレスを指定してください", 14, 90, 340, 16, Label12);

    Group(2, L"パスワード", 4, 114, 363, 86);
    Box(2, L"常駐状態から復帰する際にパスワードを要求する", 14, 130, 340, CheckBoxPassword);
    Label(2, L"パスワード:", 30, 154, 70, Label9);
    Edit(2, 102, 154, 160, EditPassword);
    SendMessageW(Item(EditPassword), EM_SETPASSWORDCHAR, L'*', 0);
    Note(2, L"パスワードを設定すると、タスクメニューが使用できません", 14, 180, 340, 16, Label10);

    Group(2, L"ログ", 4, 204, 363, 76);
    Label(2, L"画面表示", 14, 222, 74, Label1);
    List(2, 92, 222, 80, 4, ComboBoxLogView);
    Label(2, L"上限を", 184, 222, 38, Label4);
    Edit(2, 224, 222, 50, EditLogViewMax);
    Label(2, L"行とする", 278, 222, 60, Label5);
    Label(2, L"ファイル記録", 14, 250, 74, Label2);
    List(2, 92, 250, 80, 4, ComboBoxLogSave);
    Box(2, L"開始前にログをクリアする", 184, 250, 176, CheckBoxLogClear);
    // The status list's simple view has no control the user sees.
    layout_.NeverShow(Box(2, L"簡易表示", 184, 250, 100, CheckBoxEasyLogView));
  }

  void ShowPage(int page) {
    layout_.ShowPage(page);
    if (page == 0) ShowScheduleRow(Read());
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }

  void SelectPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    SendMessageW(tab_, TCM_SETCURSEL, page, 0);
    ShowPage(page);
  }

  int CurrentPage() const { return static_cast<int>(SendMessageW(tab_, TCM_GETCURSEL, 0, 0)); }

  // ---- Moving the fields to and from the controls ----

  void Show(const OptionFields& fields) {
    for (const OptionBoxControl& box : kOptionBoxes) {
      CheckDlgButton(dialog_, box.control, fields.*box.field ? BST_CHECKED : BST_UNCHECKED);
    }
    for (const OptionTextControl& text : kOptionTexts) {
      SetDlgItemTextW(dialog_, text.control, Utf8ToWide(fields.*text.field).c_str());
    }
    for (const OptionListControl& list : kOptionLists) {
      SendMessageW(Item(list.control), CB_SETCURSEL, fields.*list.field, 0);
    }
    CheckRadioButton(dialog_, RadioUpdateInstall, RadioUpdateSaveOnly,
                     fields.updateFinish == 1 ? RadioUpdateSaveOnly : RadioUpdateInstall);
    ShowScheduleRow(fields);
    UpdateEnabling();
  }

  OptionFields Read() const {
    OptionFields fields = carried_;
    for (const OptionBoxControl& box : kOptionBoxes) {
      fields.*box.field = IsDlgButtonChecked(dialog_, box.control) == BST_CHECKED;
    }
    for (const OptionTextControl& text : kOptionTexts) {
      fields.*text.field = WideToUtf8(WindowText(Item(text.control)));
    }
    for (const OptionListControl& list : kOptionLists) {
      fields.*list.field = static_cast<int>(SendMessageW(Item(list.control), CB_GETCURSEL, 0, 0));
    }
    fields.updateFinish = IsDlgButtonChecked(dialog_, RadioUpdateSaveOnly) == BST_CHECKED ? 1 : 0;
    // The lists as the row on screen shows them, also when the kind was
    // just changed and the row is about to follow.
    const ScheduleRow row = ScheduleRowOf(shownKind_);
    if (row.dayShown) fields.day = static_cast<int>(SendMessageW(Item(ComboBoxAutoUpdateDay), CB_GETCURSEL, 0, 0));
    if (row.hourShown) {
      fields.hour = static_cast<int>(SendMessageW(Item(ComboBoxAutoUpdateHour), CB_GETCURSEL, 0, 0));
    }
    return fields;
  }

  // The day list, hour list and minute box with their units, left to right;
  // what the kind does not use is hidden and takes no room.
  void ShowScheduleRow(const OptionFields& fields) {
    const ScheduleRow row = ScheduleRowOf(fields.schedule);
    HWND day = Item(ComboBoxAutoUpdateDay);
    FillList(day, row.dayItems);
    if (row.dayShown) SendMessageW(day, CB_SETCURSEL, fields.day, 0);
    if (row.hourShown) SendMessageW(Item(ComboBoxAutoUpdateHour), CB_SETCURSEL, fields.hour, 0);
    shownKind_ = fields.schedule;
    carried_.day = fields.day;
    carried_.hour = fields.hour;

    // In pixels at the dialog's DPI: the units' widths are their texts'.
    const bool page_shown = CurrentPage() == 0;
    const PixelRect area = layout_.AnchorRect(pageArea_);
    int x = area.left + layout_.Px(30);
    const int y = area.top + layout_.Px(72);
    auto place = [&](int id, bool shown, const std::string& unit, int width) {
      HWND control = Item(id);
      ShowWindow(control, shown && page_shown ? SW_SHOW : SW_HIDE);
      if (!shown) return;
      SetWindowPos(control, nullptr, x, y + layout_.Px(unit.empty() ? 0 : 3), width,
                   layout_.Px(unit.empty() ? 24 + 10 * 18 : 16), SWP_NOZORDER | SWP_NOACTIVATE);
      x += width + layout_.Px(4);
    };
    auto place_unit = [&](int id, bool shown, const std::string& unit) {
      std::wstring text = Utf8ToWide(unit);
      SetWindowTextW(Item(id), text.c_str());
      place(id, shown, unit, layout_.TextWidth(text) + layout_.Px(2));
      if (shown) x += layout_.Px(8);
    };
    place(ComboBoxAutoUpdateDay, row.dayShown, "", layout_.Px(48));
    place_unit(LabelAutoUpdateDay, row.dayShown, row.dayUnit);
    place(ComboBoxAutoUpdateHour, row.hourShown, "", layout_.Px(48));
    place_unit(LabelAutoUpdateHour, row.hourShown, row.hourUnit);
    HWND minutes = Item(EditAutoUpdateTime);
    ShowWindow(minutes, page_shown ? SW_SHOW : SW_HIDE);
    SetWindowPos(minutes, nullptr, x, y, layout_.Px(40), layout_.Px(22), SWP_NOZORDER | SWP_NOACTIVATE);
    x += layout_.Px(44);
    place_unit(LabelAutoUpdateMin, true, row.minuteUnit);
  }

  void UpdateEnabling() {
    const OptionEnabling on = EnablingOf(Read());
    auto enable = [&](std::initializer_list<int> ids, bool enabled) {
      for (int id : ids) EnableWindow(Item(id), enabled ? TRUE : FALSE);
    };
    enable({Label6, ComboBoxAutoUpdate, ComboBoxAutoUpdateDay, LabelAutoUpdateDay, ComboBoxAutoUpdateHour,
            LabelAutoUpdateHour, EditAutoUpdateTime, LabelAutoUpdateMin, CheckBoxFileWatch},
           on.schedule);
    enable({EditProxyServer, EditProxyPort, LabelProxyServer, LabelProxyPort}, on.proxy);
    enable({EditPassword, Label9}, on.password);
    enable({EditNotifyUserName, Label11, SpeedButton2}, on.notifyTarget);
    enable({CheckBoxStartupMin}, on.startupMin);
    enable({CheckBoxStatusWholeProgress}, on.wholeProgress);
    enable({CheckBoxCatchUp}, on.catchUp);
  }

  // ---- Commands ----

  void OnCommand(int id, int code) {
    switch (id) {
      case IDOK:
        Ok();
        return;
      case IDCANCEL:
        EndDialog(dialog_, IDCANCEL);
        return;
      case ComboBoxAutoUpdate:
        if (code == CBN_SELCHANGE) {
          OptionFields fields = Read();
          ChangeScheduleKind(fields, fields.schedule);
          ShowScheduleRow(fields);
          UpdateEnabling();
        }
        return;
      case SpeedButton1:
        if (std::optional<std::wstring> folder = BrowseForFolder(
                dialog_, L"一時保存フォルダを選択してください。", WindowText(Item(EditDownloadFolder)))) {
          SetDlgItemTextW(dialog_, EditDownloadFolder, folder->c_str());
        }
        return;
      case SpeedButton2:
        if (std::optional<std::wstring> computer =
                BrowseForComputer(dialog_, L"通知先コンピュータを選択してください。")) {
          SetDlgItemTextW(dialog_, EditNotifyUserName, computer->c_str());
        }
        return;
      case CheckBoxProxyIEGet:
        return;
      default:
        if (code == BN_CLICKED) UpdateEnabling();
        return;
    }
  }

  void Ok() {
    OptionFields entered = Read();
    if (std::optional<OptionRefusal> refusal = OptionOkRefusal(entered)) {
      // Nothing is taken over: the dialog stays open on the field to mend.
      MessageBoxW(dialog_, Utf8ToWide(refusal->message).c_str(), L"Drovenmark", MB_OK | MB_ICONWARNING);
      const bool minutes = refusal->field == OptionRefusal::Field::kMinutes;
      SelectPage(minutes ? 0 : 2);
      HWND field = Item(minutes ? EditAutoUpdateTime : EditLogViewMax);
      SetFocus(field);
      SendMessageW(field, EM_SETSEL, 0, -1);
      return;
    }
    fields_ = entered;
    EndDialog(dialog_, IDOK);
  }

  OptionFields& fields_;
  // Values without a control of their own at the moment: a hidden day or
  // hour list keeps the value it had.
  OptionFields carried_;
  int shownKind_ = 0;  // the schedule kind whose row is on screen
  HWND tab_ = nullptr;
  DpiLayout::Anchor pageArea_ = DpiLayout::kClient;
};

}  // namespace

bool ShowOptionDialog(HWND owner, OptionFields& fields) {
  OptionDialog dialog(fields);
  return dialog.Run(owner);
}

}  // namespace dm
