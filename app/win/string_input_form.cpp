#include "app/win/string_input_form.h"

#include "app/win/icons.h"
#include "base/win/gdi_handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

constexpr int kClientWidth = 354;
constexpr int kClientHeight = 120;

HWND g_openForm = nullptr;

class StringInputForm {
 public:
  explicit StringInputForm(StringInput& input) : input_(input) {}

  bool Run(HWND owner) {
    struct alignas(4) Template {
      DLGTEMPLATE dialog;
      WORD menu, windowClass, title;
    } tmpl = {};
    tmpl.dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tmpl.dialog.dwExtendedStyle = WS_EX_TOPMOST;
    INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tmpl.dialog, owner, Proc,
                                             reinterpret_cast<LPARAM>(this));
    return result == IDOK;
  }

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* self = reinterpret_cast<StringInputForm*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    switch (message) {
      case WM_INITDIALOG:
        self->dialog_ = dialog;
        g_openForm = dialog;
        self->Create();
        return FALSE;  // the focus is in the field
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) self->input_.text = WideToUtf8(self->FieldText());
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
          EndDialog(dialog, LOWORD(wparam));
        }
        return TRUE;
      case WM_CLOSE:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      case WM_DESTROY:
        g_openForm = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  }

  HWND Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, DWORD exStyle, int x, int y, int width,
           int height, int id) {
    HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                   dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return control;
  }

  void Create() {
    font_.Reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                            L"MS UI Gothic"));
    image_.Reset(DrawIcon(32, RGB(0xC0, 0x90, 0x20), Glyph::kKey));
    SetWindowTextW(dialog_, Utf8ToWide(input_.caption).c_str());

    HWND picture = Add(L"STATIC", nullptr, SS_ICON, 0, 14, 16, 32, 32, 0);
    SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(image_.Get()), 0);
    Add(L"STATIC", Utf8ToWide(input_.message).c_str(), SS_LEFT | SS_NOPREFIX, 0, 60, 14, 282, 18, LabelMessage);
    HWND field = Add(L"EDIT", Utf8ToWide(input_.text).c_str(), ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP,
                     WS_EX_CLIENTEDGE, 60, 36, 282, 22, EditInput);
    if (input_.masked) SendMessageW(field, EM_SETPASSWORDCHAR, L'*', 0);
    Add(L"STATIC", nullptr, SS_ETCHEDHORZ, 0, 8, 72, kClientWidth - 16, 2, 0);
    Add(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, kClientWidth - 180, 84, 84, 26, IDOK);
    Add(L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 0, kClientWidth - 92, 84, 84, 26, IDCANCEL);

    // Centred on the desktop's work area and above every other window.
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, GetWindowLongW(dialog_, GWL_STYLE), FALSE, GetWindowLongW(dialog_, GWL_EXSTYLE));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT desk = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
    SetWindowPos(dialog_, HWND_TOPMOST, (desk.left + desk.right - width) / 2, (desk.top + desk.bottom - height) / 2,
                 width, height, 0);
    SetForegroundWindow(dialog_);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SetFocus(field);
  }

  std::wstring FieldText() const { return WindowText(GetDlgItem(dialog_, EditInput)); }

  StringInput& input_;
  HWND dialog_ = nullptr;
  FontHandle font_;
  IconHandle image_;
};

}  // namespace

bool ShowStringInputForm(HWND owner, StringInput& input) {
  StringInputForm form(input);
  return form.Run(owner);
}

HWND OpenStringInputForm() { return g_openForm; }

}  // namespace dm
