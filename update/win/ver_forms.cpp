#include "update/win/ver_forms.h"

#include "base/win/wide.h"
#include "update/update_steps.h"
#include "update/win/form.h"
#include "update/win/form_ids.h"

namespace dm {

namespace {

class VerSureForm : public Form {
 public:
  explicit VerSureForm(const VerSureRequest& request) : request_(request) {}
  bool Run(HWND owner) { return ShowModal(owner, L"Drovenmark", 329, 98) == IDOK; }

 private:
  bool FormCreate() override {
    HWND image = Add(L"STATIC", nullptr, SS_ICON, 12, 12, 32, 32, VerSureImage1);
    layout_.SetIcon(image, 32, [](int size) { return SystemIcon(IDI_QUESTION, size); });
    Add(L"STATIC", L"最新版 Version1.70 が登録されています。", SS_LEFT | SS_NOPREFIX, 56, 12, 265, 16, VerSureLabel1);
    SetText(VerSureLabel1, request_.label);
    Add(L"STATIC", L"ダウンロードしますか？", SS_LEFT, 56, 32, 265, 16, VerSureLabel2);
    Add(L"BUTTON", L"はい(&Y)", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 50, 64, 70, 24, VerSureButton1);
    Add(L"BUTTON", L"いいえ(&N)", BS_PUSHBUTTON | WS_TABSTOP, 126, 64, 70, 24, VerSureButton2);
    HWND details =
        Add(L"BUTTON", L"詳細情報を表示(&I)", BS_PUSHBUTTON | WS_TABSTOP, 202, 64, 119, 24, VerSureButton3);
    EnableWindow(details, request_.showDetails ? TRUE : FALSE);
    SetFocus(Item(VerSureButton1));
    return false;
  }

  void OnCommand(int id, int) override {
    switch (id) {
      case VerSureButton1:
        EndDialog(dialog_, IDOK);
        break;
      case VerSureButton2:
        EndDialog(dialog_, IDCANCEL);
        break;
      case VerSureButton3:  // Button3Click: the dialog stays open
        if (request_.showDetails) request_.showDetails(dialog_);
        break;
      default:
        break;
    }
  }

  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR&) override {
    if (message != WM_CLOSE) return false;
    EndDialog(dialog_, IDCANCEL);
    return true;
  }

  const VerSureRequest& request_;
};

class VerContForm : public Form {
 public:
  explicit VerContForm(const std::string& text) : text_(text) {}
  void Run(HWND owner) { ShowModal(owner, kVerContCaption, 480, 360); }

 private:
  bool FormCreate() override {
    Add(L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL, 0, 0,
        480, 318, VerContMemo1, WS_EX_CLIENTEDGE);
    SetText(VerContMemo1, MemoLines(text_));
    Add(L"STATIC", nullptr, SS_LEFT, 0, 318, 480, 42, VerContPanel1);
    Add(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 202, 327, 76, 24, VerContOK);
    SetFocus(Item(VerContOK));
    return false;
  }

  void OnCommand(int id, int) override {
    if (id == VerContOK || id == IDCANCEL) EndDialog(dialog_, IDOK);
  }

  bool OnMessage(UINT message, WPARAM, LPARAM, INT_PTR&) override {
    if (message != WM_CLOSE) return false;
    EndDialog(dialog_, IDOK);
    return true;
  }

  const std::string& text_;
};

}  // namespace

bool ShowVerSureForm(HWND owner, const VerSureRequest& request) {
  VerSureForm form(request);
  return form.Run(owner);
}

void ShowVerContForm(HWND owner, const std::string& text) {
  VerContForm form(text);
  form.Run(owner);
}

}  // namespace dm
