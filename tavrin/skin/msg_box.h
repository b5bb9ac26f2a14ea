// The program's message box: CMsgBox::Show shows a text and a caption in a skinned dialog (CMsgDlg,
// template 326) sized to the text, and waits for the user. Types: 0 OK, 1 OK/Cancel, 4 Yes/No (the MB_
// values); any other type shows OK alone, so the box can always be closed.
//
// Threads: Show may be called on the UI thread and on workers; each call runs its own modal loop on the
// calling thread. The owner window (which may belong to another thread) is disabled meanwhile, so its
// thread must keep pumping messages.
#pragma once

#include <windows.h>

#include "platform/framework/wnd.h"
#include "tavrin/skin/skin_dialog.h"

// Layout of the message box from the measured text (all in pixels).
struct MsgBoxLayout {
  SIZE dialog;      // the whole box
  RECT text;        // the static text, dialog client coordinates
  RECT okButton;    // IDOK (empty when hidden)
  RECT cancelButton;  // IDCANCEL (empty when hidden)
  bool showOk;
  bool showCancel;
};
// textSize: the widest line and the summed line heights.
MsgBoxLayout ComputeMsgBoxLayout(SIZE textSize, UINT type);

// Where a box of `size` goes: centred on the owner's window rectangle, then moved into `workArea` (the
// work area of the owner's monitor) so that it is whole on the screen; a minimised owner (`iconic`)
// centres it in the work area.
POINT PlaceMsgBox(const RECT& ownerRect, bool iconic, SIZE size, const RECT& workArea);

class CMsgDlg : public CSkinDialog {
 public:
  static constexpr UINT kTemplateId = 326;
  static constexpr int kTextId = 1012;

  CMsgDlg(const wchar_t* text, const wchar_t* caption, UINT type, CWnd* owner);
  ~CMsgDlg() override;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  const wchar_t* m_pszText;
  const wchar_t* m_pszCaption;
  UINT m_nType;
  HBRUSH m_hWhiteBrush = nullptr;
  CWnd* m_pOwner;

 protected:
  SIZE MeasureText();
  BOOL OnEraseBkgnd(CDC* dc);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  DECLARE_MESSAGE_MAP()
};

class CMsgBox {
 public:
  static constexpr UINT kTypeOk = 0;        // MB_OK
  static constexpr UINT kTypeOkCancel = 1;  // MB_OKCANCEL
  static constexpr UINT kTypeYesNo = 4;     // MB_YESNO

  explicit CMsgBox(CWnd* owner = nullptr) : m_pOwner(owner) {}
  virtual ~CMsgBox() = default;

  // IDOK or IDCANCEL (types 0 and 1), IDYES or IDNO (type 4). A null text or caption shows as empty.
  // Without the message box template in the program, the system's message box asks instead. A box
  // ended without an answer (the program quits, the window is destroyed) answers IDCANCEL or IDNO.
  INT_PTR Show(const wchar_t* text, const wchar_t* caption, UINT type);

  CWnd* m_pOwner;
};
