// The real main dialog, run modally by an in-process test: once its start-up is done it runs the
// test's body on its own thread and then closes itself through its close command.
#pragma once

#include <functional>

#include "tavrin/app/main/main_dlg.h"

namespace quill::test {

template <class Derived>
class CRunMainDlg : public CtavrinDlg {
 public:
  std::function<void(Derived&)> body;
  BOOL OnInitDialog() override {
    const BOOL result = CtavrinDlg::OnInitDialog();
    PostMessage(kRunBody, 0, 0);
    return result;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == kRunBody && msg->hwnd == m_hWnd) {
      if (body) body(static_cast<Derived&>(*this));
      PostMessage(WM_COMMAND, quill::app::kCmdClose, 0);
      return TRUE;
    }
    return CtavrinDlg::PreTranslateMessage(msg);
  }

 private:
  static constexpr UINT kRunBody = WM_APP + 1990;  // a number the dialog itself does not use
};

}  // namespace quill::test
