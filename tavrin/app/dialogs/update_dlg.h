// CUpdateDialog: the modeless notice that a newer viewer or recorder firmware is published, with links to
// the download pages. The update thread creates it with the desktop as parent and pumps its messages;
// closing it only hides it, the thread keeps its loop until it is told to quit.
//
// Threads: the update thread only (the one that created it).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tavrin/app/dialogs/link_ctrl.h"
#include "tavrin/skin/skin_dialog.h"

namespace quill::app {

class CUpdateDialog : public CSkinDialog {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 360;
  static constexpr int kButtonBand = 50;  // the grey band at the bottom that holds the close button

  // pages: the download pages the message links to; a click opens one of them and nothing else.
  CUpdateDialog(std::wstring message, std::vector<std::wstring> pages);
  ~CUpdateDialog() override;

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override;

  CLinkCtrl m_link;
  std::wstring m_message;
  BOOL m_bClosed = FALSE;

 protected:
  void OnLinkClick(NMHDR* hdr, LRESULT* result);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  BOOL OnEraseBkgnd(CDC* dc);
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<std::wstring> pages_;
  HBRUSH white_ = nullptr;  // deleted once, with the dialog object
};

}  // namespace quill::app
