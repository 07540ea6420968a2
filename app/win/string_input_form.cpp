#include "app/win/string_input_form.h"

#include "app/win/icons.h"
#include "base/win/dpi_layout.h"
#include "base/win/modal_dialog.h"
#include "base/win/wide.h"

namespace dm {

namespace {

constexpr int kClientWidth = 354;
constexpr int kClientHeight = 120;

HWND g_openForm = nullptr;

class StringInputForm : public ModalDialog {
 public:
  explicit StringInputForm(StringInput& input) : input_(input) {}

  bool Run(HWND owner) {
    return RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_TOPMOST) == IDOK;
  }

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM) override {
    switch (message) {
      case WM_INITDIALOG:
        g_openForm = dialog_;
        Create();
        return FALSE;  // the focus is in the field
      case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) input_.text = WideToUtf8(WindowText(GetDlgItem(dialog_, EditInput)));
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog_, LOWORD(wparam));
        return TRUE;
      case WM_CLOSE:
        EndDialog(dialog_, IDCANCEL);
        return TRUE;
      case WM_DESTROY:
        g_openForm = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  }

  // A control at its place and size at 96 DPI.
  HWND Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width, int height,
           int id = 0) {
    return layout_.Add(windowClass, text, style, {x, y, width, height}, id);
  }

  void Create() {
    SetWindowTextW(dialog_, Utf8ToWide(input_.caption).c_str());

    HWND picture = Add(L"STATIC", nullptr, SS_ICON, 14, 16, 32, 32);
    layout_.SetIcon(picture, 32, [](int size) { return DrawIcon(size, RGB(0xC0, 0x90, 0x20), Glyph::kKey); });
    Add(L"STATIC", Utf8ToWide(input_.message).c_str(), SS_LEFT | SS_NOPREFIX, 60, 14, 282, 18, LabelMessage);
    HWND field = Add(L"EDIT", Utf8ToWide(input_.text).c_str(), ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, 60, 36, 282,
                     22, EditInput);
    if (input_.masked) SendMessageW(field, EM_SETPASSWORDCHAR, L'*', 0);
    Add(L"STATIC", nullptr, SS_ETCHEDHORZ, 8, 72, kClientWidth - 16, 2);
    Add(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kClientWidth - 180, 84, 84, 26, IDOK);
    Add(L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, kClientWidth - 92, 84, 84, 26, IDCANCEL);

    // Centred on the desktop's work area and above every other window.
    RECT desk = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &desk, 0);
    layout_.SizeCentred(kClientWidth, kClientHeight, desk, HWND_TOPMOST, 0);
    SetForegroundWindow(dialog_);
    SendMessageW(field, EM_SETSEL, 0, -1);
    SetFocus(field);
  }

  StringInput& input_;
};

}  // namespace

bool ShowStringInputForm(HWND owner, StringInput& input) {
  StringInputForm form(input);
  return form.Run(owner);
}

HWND OpenStringInputForm() { return g_openForm; }

}  // namespace dm
