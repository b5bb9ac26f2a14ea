// Dialogs from templates in the resource module.
//
// DoModal runs the dialog with a message loop of its own on the calling thread, which may be a worker:
// the owner (the parent's top-level window, which may belong to another thread) is disabled while the
// dialog runs and enabled again before the dialog goes away. A WM_QUIT ends the dialog with -1 and is
// posted again for the thread's outer loop; a dialog window destroyed without EndDialog ends it with
// IDCANCEL. Create makes a modeless dialog (a child dialog when the
// template has WS_CHILD); its keyboard navigation runs in whatever loop pumps its thread, through
// PreTranslateMessage.
//
// Threads: a dialog object is used only on the thread that runs or created it (the owner's thread is
// touched only through EnableWindow).
#pragma once

#include "platform/framework/wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
  CWnd* m_pDlgWnd;
  BOOL m_bSaveAndValidate;
};

// Binds a template control to its object the first time (later exchanges leave it bound).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, CString& value);

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);

  virtual INT_PTR DoModal();
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);
  BOOL IsModal() const { return m_modal; }
  // After DoModal: whether its window was made (a -1 result then means the loop ended without an
  // answer: a WM_QUIT), and whether a WM_QUIT ended it.
  BOOL ModalWindowMade() const { return m_madeModal; }
  BOOL EndedByQuit() const { return m_quitModal; }

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  UINT m_nIDTemplate;
  CWnd* m_pParentWnd;
  LRESULT HandleInitDialog(WPARAM wp, LPARAM lp);
  // A modal dialog whose window goes without EndDialog (DestroyWindow by anyone) ends its loop with
  // IDCANCEL. Derived classes that override it call this one.
  void PostNcDestroy() override;
  // Gives the focus as the system does after an initialisation that asked for it (the first tab stop,
  // else the first control), unless a control of this dialog has it already.
  void GiveDefaultFocus();
  DECLARE_MESSAGE_MAP()

 private:
  bool CreateFromTemplate(HWND owner);
  bool m_modal = false;
  bool m_focusAfterShow = false;  // the default focus OnInitDialog asked for waits for DoModal's show
  bool m_endModal = false;
  bool m_madeModal = false;
  bool m_quitModal = false;
  int m_result = -1;
};

class CDialogEx : public CDialog {
 public:
  explicit CDialogEx(UINT templateId = 0, CWnd* parent = nullptr) : CDialog(templateId, parent) {}
};

// Walks PreTranslateMessage from the message's window up its parents (owners for popups) while they
// belong to the calling thread; true when one of them took the message.
bool WalkPreTranslateTree(MSG* msg);
