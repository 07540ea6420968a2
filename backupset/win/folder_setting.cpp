#include "backupset/win/folder_setting.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <uxtheme.h>

#include <string>
#include <vector>

#include "backupset/win/folder_setting_ids.h"
#include "base/win/dpi_layout.h"
#include "base/win/modal_dialog.h"
#include "base/win/shell_browse.h"
#include "base/win/wide.h"

namespace dm {

namespace {

constexpr int kClientWidth = 460;
constexpr int kClientHeight = 362;
constexpr int kAllPages = -1;

void Warn(HWND owner, const wchar_t* text) { MessageBoxW(owner, text, L"Drovenmark", MB_OK | MB_ICONWARNING); }

bool Ask(HWND owner, const wchar_t* text) {
  return MessageBoxW(owner, text, L"Drovenmark", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The shell's icons of the pages: a folder and a file.
constexpr int kFolderIcon = 3;
constexpr int kFileIcon = 0;

// A small icon drawn into a 32-bit bitmap of `size` pixels, as menu items
// want it.
HBITMAP IconBitmap(HICON icon, int size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

class FolderSettingDialog : public ModalDialog {
 public:
  FolderSettingDialog(EditorFields& fields, SetFileServices& services) : fields_(fields), services_(services) {}

  bool Run(HWND owner) {
    return RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 300, 240) == IDOK;
  }

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        FormCreate(GetWindow(dialog_, GW_OWNER));
        Show(fields_);
        ShowPage(0);
        SetFocus(Item(EditName));
        return FALSE;  // the focus is set
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
      case kFolderSettingShowPage:
        SendMessageW(tab_, TCM_SETCURSEL, wparam, 0);
        ShowPage(static_cast<int>(wparam));
        return TRUE;
      case WM_CLOSE:
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  HWND Item(int id) const { return GetDlgItem(dialog_, id); }

  // One control on `page` (kAllPages: beside the pages), placed relative to
  // the page's area; every place and size is the one at 96 DPI.
  HWND Add(int page, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width,
           int height, int id = 0, const wchar_t* hint = nullptr) {
    DpiLayout::Where where;
    if (page != kAllPages) where = {pageArea_, page};
    HWND control = layout_.Add(windowClass, text, style, {x, y, width, height}, id, 0, where);
    if (hint) {
      TOOLINFOW tool = {sizeof tool};
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = dialog_;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = const_cast<wchar_t*>(hint);
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return control;
  }
  HWND Label(int page, const wchar_t* text, int x, int y, int width, int id = 0) {
    return Add(page, L"STATIC", text, SS_LEFT, x, y + 3, width, 18, id);
  }
  HWND Group(int page, const wchar_t* text, int x, int y, int width, int height) {
    return Add(page, L"BUTTON", text, BS_GROUPBOX, x, y, width, height);
  }
  HWND Box(int page, const wchar_t* text, int x, int y, int width, int id, const wchar_t* hint = nullptr) {
    return Add(page, L"BUTTON", text, BS_AUTOCHECKBOX | WS_TABSTOP, x, y, width, 20, id, hint);
  }
  HWND Edit(int page, int x, int y, int width, int id, const wchar_t* hint = nullptr, DWORD style = 0) {
    return Add(page, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP | style, x, y, width, 22, id, hint);
  }
  HWND Button(int page, const wchar_t* text, int x, int y, int width, int id) {
    return Add(page, L"BUTTON", text, BS_PUSHBUTTON | WS_TABSTOP, x, y, width, 24, id);
  }
  void Icon(int page, int shellIndex, int x, int y) {
    HWND image = Add(page, L"STATIC", nullptr, SS_ICON, x, y, 32, 32);
    layout_.SetIcon(image, 32, [shellIndex](int size) { return ShellIcon(shellIndex, size); });
  }

  void FormCreate(HWND owner) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_TAB_CLASSES | ICC_DATE_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    // Fixed size, centred on the main window.
    layout_.SizeCentred(kClientWidth, kClientHeight, OwnerOrScreen(owner));

    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                               dialog_, nullptr, GetModuleHandleW(nullptr), nullptr);

    tab_ = Add(kAllPages, WC_TABCONTROLW, nullptr, WS_CLIPSIBLINGS | WS_TABSTOP, 8, 8, kClientWidth - 16, 312,
               PageControl1);
    pageArea_ = layout_.AddTabPages(tab_, {L"基本設定", L"除外指定", L"詳細設定", L"セキュリティー"});

    // 基本設定
    Label(0, L"名前:", 10, 10, 40);
    Edit(0, 54, 10, 360, EditName);
    Group(0, L"ソース側フォルダ", 8, 42, 412, 92);
    Icon(0, kFolderIcon, 20, 66);
    Edit(0, 60, 66, 310, EditSrc);
    Button(0, L"･･･", 376, 65, 32, BitBtn1);
    Button(0, L"特殊フォルダ(&S)", 60, 96, 130, Button2);
    Group(0, L"バックアップ先フォルダ", 8, 142, 412, 64);
    Icon(0, kFolderIcon, 20, 164);
    Edit(0, 60, 168, 310, EditDst);
    Button(0, L"･･･", 376, 167, 32, BitBtn2);
    Box(0, L"日付サブフォルダを作成する", 12, 218, 260, CheckBoxDateFolder);
    Label(0, L"日付サブフォルダの形式　（", 30, 242, 164, Label2);
    Add(0, L"BUTTON", L"YYYYMMDD", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 196, 243, 92, 20, RadioButtonYYMMDD,
        L"年月日が付加されます");
    Add(0, L"BUTTON", L"YYYYMM", BS_AUTORADIOBUTTON, 290, 243, 80, 20, RadioButtonYYMM, L"年月が付加されます");
    Label(0, L"）", 372, 242, 16, Label3);

    // 除外指定
    Group(1, L"除外ファイル", 8, 6, 412, 76);
    Icon(1, kFileIcon, 20, 28);
    Edit(1, 60, 28, 348, EditOutSide, L"パスなしで指定して下さい");
    Label(1, L"（例） *.bak | *.obj | hoge*.dat", 60, 54, 348);
    Box(1, L"基準日より古いファイル", 16, 92, 196, CheckBoxOldFileNoCopy);
    Label(1, L"基準日", 220, 91, 44, LabelOldFile);
    Add(1, DATETIMEPICK_CLASSW, nullptr, DTS_SHORTDATEFORMAT | WS_TABSTOP, 266, 90, 124, 24, DateTimePickerOldFile);
    Box(1, L"読み取り専用属性のファイル", 16, 118, 260, CheckBoxNotReadOnly);
    Box(1, L"隠しファイル属性のファイル", 16, 142, 260, CheckBoxNotHidden);
    Group(1, L"除外フォルダ", 8, 172, 412, 76);
    Icon(1, kFolderIcon, 20, 194);
    Edit(1, 60, 194, 310, EditOutSideFolder, L"フルパスで指定して下さい");
    Button(1, L"･･･", 376, 193, 32, SpeedButton4);
    Label(1, L"（例） C:\\MyData\\Temp | C:\\Backup*", 60, 220, 348);

    // 詳細設定
    Box(2, L"サブフォルダもバックアップの対象とする", 12, 6, 330, CheckBoxSubDir);
    Box(2, L"ソース側に存在しないファイルは削除する", 12, 28, 270, CheckBoxMirror);
    Label(2, L"（ミラーリング）", 286, 28, 120);
    Box(2, L"削除したファイルをごみ箱に入れる", 32, 50, 300, CheckBoxGotoTrash,
        L"チェックしてもネットワーク上のファイルは完全に削除されます");
    Box(2, L"バックアップ先が新しい場合も上書きする", 12, 72, 330, CheckBoxAllCopy);
    Box(2, L"タイムスタンプ誤差対策を行う", 12, 96, 216, CheckBoxPermissibleTime);
    Edit(2, 232, 95, 40, EditPermissibleTime);
    Label(2, L"秒以下は誤差とする", 278, 96, 130, LabelPermissibleTime);
    Box(2, L"タイムスタンプを正確に記録する", 12, 120, 330, CheckBoxTimeStampWrite);
    Box(2, L"０バイトのファイルも更新対象とする", 12, 142, 330, CheckBoxZeroFile);
    Group(2, L"ボリュームラベル照合", 8, 170, 412, 82);
    // The volume boxes reach up to their edits: the longer caption needs
    // all of that at every DPI.
    Box(2, L"ソース側を照合する", 20, 192, 163, CheckBoxSrcVolume);
    Edit(2, 184, 191, 160, EditSrcVolume);
    Button(2, L"取得", 350, 190, 56, ButtonGetSrcVolume);
    Box(2, L"バックアップ先を照合する", 20, 220, 163, CheckBoxDstVolume);
    Edit(2, 184, 219, 160, EditDstVolume);
    Button(2, L"取得", 350, 218, 56, ButtonGetDstVolume);

    // セキュリティー
    const wchar_t kNoLoginNeeded[] = L"ローカルドライブには必要ありません";
    Group(3, L"ソース側", 8, 6, 412, 104);
    Box(3, L"ログインする", 20, 26, 160, CheckBoxSrcLogin, kNoLoginNeeded);
    Box(3, L"終了後ログオフする", 200, 26, 180, CheckBoxSrcLogoff);
    Label(3, L"ユーザー名", 20, 52, 80, LabelSrcUser);
    Edit(3, 104, 52, 220, EditSrcUser);
    Label(3, L"パスワード", 20, 78, 80, LabelSrcPass);
    Edit(3, 104, 78, 220, EditSrcPass, nullptr, ES_PASSWORD);
    Group(3, L"バックアップ先", 8, 118, 412, 104);
    Box(3, L"ログインする", 20, 138, 160, CheckBoxDstLogin, kNoLoginNeeded);
    Box(3, L"終了後ログオフする", 200, 138, 180, CheckBoxDstLogoff);
    Label(3, L"ユーザー名", 20, 164, 80, LabelDstUser);
    Edit(3, 104, 164, 220, EditDstUser);
    Label(3, L"パスワード", 20, 190, 80, LabelDstPass);
    Edit(3, 104, 190, 220, EditDstPass, nullptr, ES_PASSWORD);
    Add(3, L"STATIC", L"ログインの必要がないローカルドライブにこの設定を行うと処理に失敗します", SS_LEFT, 8, 232, 412,
        36);
    for (int id : {EditSrcPass, EditDstPass}) SendMessageW(Item(id), EM_SETPASSWORDCHAR, L'*', 0);

    // The buttons below the pages.
    const int y = kClientHeight - 34;
    Button(kAllPages, L"既定値として保存(&D)", 8, y, 150, ButtonDefaultSave);
    Button(kAllPages, L"初期化(&I)", 164, y, 96, Button1);
    Add(kAllPages, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kClientWidth - 184, y, 84, 24, IDOK);
    Button(kAllPages, L"キャンセル", kClientWidth - 92, y, 84, IDCANCEL);

    // The pages' controls paint over the tab control, never under it, and
    // the classic tab body has the dialog's colour that their backgrounds
    // have.
    SetWindowPos(tab_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowTheme(tab_, L"", L"");
  }

  void ShowPage(int page) {
    layout_.ShowPage(page);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }

  // ---- Moving the fields to and from the controls ----

  void Show(const EditorFields& fields) {
    SetWindowTextW(dialog_, Utf8ToWide(fields.caption).c_str());
    SetDlgItemTextW(dialog_, EditName, Utf8ToWide(fields.name).c_str());
    for (const ValueControl& t : kTextControls) {
      SetDlgItemTextW(dialog_, t.control, Utf8ToWide(fields.texts[t.value]).c_str());
    }
    for (const ValueControl& b : kBoxControls) {
      CheckDlgButton(dialog_, b.control, fields.boxes[b.value] ? BST_CHECKED : BST_UNCHECKED);
    }
    CheckRadioButton(dialog_, RadioButtonYYMMDD, RadioButtonYYMM,
                     fields.yyyymm ? RadioButtonYYMM : RadioButtonYYMMDD);
    SYSTEMTIME date = {};
    date.wYear = static_cast<WORD>(fields.year);
    date.wMonth = static_cast<WORD>(fields.month);
    date.wDay = static_cast<WORD>(fields.day);
    SendMessageW(Item(DateTimePickerOldFile), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
    UpdateEnabling();
  }

  EditorFields Read() const {
    EditorFields fields = fields_;  // caption, check mark and Update carry through
    fields.caption = WideToUtf8(WindowText(dialog_));
    fields.name = WideToUtf8(WindowText(Item(EditName)));
    for (const ValueControl& t : kTextControls) fields.texts[t.value] = WideToUtf8(WindowText(Item(t.control)));
    for (const ValueControl& b : kBoxControls) {
      fields.boxes[b.value] = IsDlgButtonChecked(dialog_, b.control) == BST_CHECKED;
    }
    fields.yyyymm = IsDlgButtonChecked(dialog_, RadioButtonYYMM) == BST_CHECKED;
    SYSTEMTIME date = {};
    if (SendMessageW(Item(DateTimePickerOldFile), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) ==
        GDT_VALID) {
      fields.year = date.wYear;
      fields.month = date.wMonth;
      fields.day = date.wDay;
    }
    return fields;
  }

  void UpdateEnabling() {
    EditorEnabling on = EnablingOf(Read());
    auto enable = [&](std::initializer_list<int> ids, bool enabled) {
      for (int id : ids) EnableWindow(Item(id), enabled ? TRUE : FALSE);
    };
    enable({LabelOldFile, DateTimePickerOldFile}, on.oldFileDate);
    enable({CheckBoxGotoTrash}, on.gotoTrash);
    enable({EditPermissibleTime, LabelPermissibleTime}, on.permissibleTime);
    enable({Label2, Label3, RadioButtonYYMMDD, RadioButtonYYMM}, on.dateFolderForm);
    enable({EditSrcVolume, ButtonGetSrcVolume}, on.srcVolume);
    enable({EditDstVolume, ButtonGetDstVolume}, on.dstVolume);
    enable({LabelSrcUser, EditSrcUser, LabelSrcPass, EditSrcPass, CheckBoxSrcLogoff}, on.srcLogin);
    enable({LabelDstUser, EditDstUser, LabelDstPass, EditDstPass, CheckBoxDstLogoff}, on.dstLogin);
  }

  // ---- Commands ----

  void OnCommand(int id, int code) {
    switch (id) {
      case IDOK: {
        EditorFields entered = Read();
        if (std::optional<std::string> refusal = OkRefusal(entered)) {
          Warn(nullptr, Utf8ToWide(*refusal).c_str());
          return;  // everything entered stays, on the same page
        }
        fields_ = entered;
        EndDialog(dialog_, IDOK);
        return;
      }
      case IDCANCEL:
        EndDialog(dialog_, IDCANCEL);
        return;
      case BitBtn1:
        BrowseInto(EditSrc, L"ソース側のフォルダを選択してください。");
        return;
      case BitBtn2:
        BrowseInto(EditDst, L"バックアップ先のフォルダを選択してください。");
        return;
      case SpeedButton4:
        if (std::optional<std::wstring> folder = BrowseForFolder(dialog_, L"除外フォルダを選択してください。", L"")) {
          std::string current = WideToUtf8(WindowText(Item(EditOutSideFolder)));
          SetDlgItemTextW(dialog_, EditOutSideFolder,
                          Utf8ToWide(AppendExcludedFolder(current, WideToUtf8(*folder))).c_str());
        }
        return;
      case Button2:
        SpecialFolderMenu();
        return;
      case ButtonGetSrcVolume:
        ReadVolumeLabel(EditSrc, EditSrcVolume);
        return;
      case ButtonGetDstVolume:
        ReadVolumeLabel(EditDst, EditDstVolume);
        return;
      case ButtonDefaultSave:
        if (Ask(dialog_, L"現在の設定を既定値として保存します。\n設定の追加の際には、この値が初期値として表示されます。　　\n\n"
                         L"よろしいですか？")) {
          SaveFieldsAsDefault(Read(), services_);
        }
        return;
      case Button1:
        if (Ask(dialog_, L"現在の設定を初期化します。　　\n\nよろしいですか？")) {
          EditorFields reset = DefaultEditorFields();
          EditorFields current = Read();
          reset.checked = current.checked;
          reset.texts[kUpdate] = current.texts[kUpdate];
          Show(reset);
          // The stored date is given up with the rest: OK writes the reset one.
          fields_.storedDate = reset.storedDate;
        }
        return;
      default:
        if (code == BN_CLICKED) UpdateEnabling();
        return;
    }
  }

  void BrowseInto(int edit, const wchar_t* title) {
    if (std::optional<std::wstring> folder = BrowseForFolder(dialog_, title, WindowText(Item(edit)))) {
      SetDlgItemTextW(dialog_, edit, folder->c_str());
    }
  }

  void SpecialFolderMenu() {
    struct Special {
      int csidl;
      const wchar_t* title;
    };
    const Special folders[] = {{CSIDL_DESKTOP, L"デスクトップ"},
                               {CSIDL_PERSONAL, L"マイ ドキュメント"},
                               {CSIDL_FAVORITES, L"お気に入り"},
                               {CSIDL_APPDATA, L"Application Data"}};
    HMENU menu = CreatePopupMenu();
    std::vector<HBITMAP> bitmaps;
    const int icon_size = layout_.Metric(SM_CXSMICON);
    for (int i = 0; i < 4; ++i) {
      AppendMenuW(menu, MF_STRING, i + 1, folders[i].title);
      PIDLIST_ABSOLUTE pidl = nullptr;
      if (SUCCEEDED(SHGetSpecialFolderLocation(dialog_, folders[i].csidl, &pidl)) && pidl) {
        SHFILEINFOW info = {};
        if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                           SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON) &&
            info.hIcon) {
          MENUITEMINFOW item = {sizeof item};
          item.fMask = MIIM_BITMAP;
          item.hbmpItem = IconBitmap(info.hIcon, icon_size);
          bitmaps.push_back(item.hbmpItem);
          SetMenuItemInfoW(menu, i + 1, FALSE, &item);
          DestroyIcon(info.hIcon);
        }
        CoTaskMemFree(pidl);
      }
    }
    POINT at;
    GetCursorPos(&at);
    int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog_, nullptr);
    DestroyMenu(menu);
    for (HBITMAP bitmap : bitmaps) DeleteObject(bitmap);
    if (chosen < 1 || chosen > 4) return;
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(dialog_, path, folders[chosen - 1].csidl, FALSE) || !path[0]) {
      Warn(nullptr, L"特殊フォルダの取得に失敗しました");
      return;
    }
    SetDlgItemTextW(dialog_, EditSrc, path);
  }

  void ReadVolumeLabel(int folderEdit, int labelEdit) {
    std::optional<std::string> root = VolumeRootOf(WideToUtf8(WindowText(Item(folderEdit))));
    wchar_t label[MAX_PATH + 1] = {};
    if (!root || !GetVolumeInformationW(Utf8ToWide(*root).c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                        nullptr, 0)) {
      Warn(nullptr, L"ボリュームラベルの取得に失敗しました");
      return;
    }
    SetDlgItemTextW(dialog_, labelEdit, label);
  }

  EditorFields& fields_;
  SetFileServices& services_;
  HWND tab_ = nullptr;
  HWND tooltip_ = nullptr;
  DpiLayout::Anchor pageArea_ = DpiLayout::kClient;
};

}  // namespace

bool ShowFolderSetting(HWND owner, EditorFields& fields, SetFileServices& services) {
  FolderSettingDialog dialog(fields, services);
  return dialog.Run(owner);
}

}  // namespace dm
