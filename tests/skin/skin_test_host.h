// The test dialog of the skinned controls: a borderless skinned dialog with one of every control, laid
// out like a small player window, that records the notifications its controls post or send to it.
// It is the first top-level window of its test program, so screenshots show it (see the Wine notes).
#pragma once

#include <windows.h>

#include <vector>

#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"
#include "tavrin/skin/skin_list.h"
#include "tavrin/skin/skin_progress.h"
#include "tavrin/skin/skin_slider.h"

namespace quill::test {

struct Notification {
  UINT msg;
  WPARAM wp;
  LPARAM lp;
  bool operator==(const Notification& o) const { return msg == o.msg && wp == o.wp && lp == o.lp; }
};

class CTestHostDlg : public CSkinDialog {
 public:
  static constexpr int kWidth = 760;
  static constexpr int kHeight = 330;
  static constexpr COLORREF kBack = RGB(22, 25, 31);
  static constexpr COLORREF kText = RGB(232, 236, 242);
  // Control ids.
  static constexpr UINT kCloseId = 22;
  static constexpr UINT kButtonIds[4] = {1100, 1101, 1102, 1103};  // normal, hover, pressed, disabled
  static constexpr UINT kNotifyButtonId = 1104;
  static constexpr UINT kCheckIds[4] = {1004, 1005, 1006, 1007};
  static constexpr UINT kSeekId = 38100, kVolumeId = 38101, kEdgeSliderId = 38102;
  static constexpr UINT kProgressId = 1200, kListId = 1003;
  static constexpr int kSeekWidth = 600;
  static constexpr int kSeekPositions = 18000;

  CTestHostDlg();
  ~CTestHostDlg() override;
  // Creates the dialog at (x, y), shows it and lets it paint.
  bool Open(int x, int y);
  // Puts every control into its showcase state (the screenshot's look).
  void ApplyShowcaseStates();

  std::vector<Notification> TakeNotifications();  // pumps first, then hands over what arrived

  CSkinButton m_buttons[4];
  CSkinButton m_notifyButton;
  CSkinCheckButton m_checks[4];
  CSkinSliderCtrl m_seek, m_volume, m_edgeSlider;
  CSkinProgressBarCtrl m_progress;
  CSkinListCtrl m_list;
  CImageList m_listStates;
  std::vector<Notification> m_notes;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  void Record(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT OnSliderTrack(WPARAM wp, LPARAM lp);
  LRESULT OnSliderPress(WPARAM wp, LPARAM lp);
  LRESULT OnSliderRelease(WPARAM wp, LPARAM lp);
  LRESULT OnButtonPressed(WPARAM wp, LPARAM lp);
  LRESULT OnButtonReleased(WPARAM wp, LPARAM lp);
  LRESULT OnListClicked(WPARAM wp, LPARAM lp);
  void OnControlCommand(UINT id);
  DECLARE_MESSAGE_MAP()

 private:
  void CreateButtons();
  void CreateSliders();
  void CreateList();
  HBRUSH m_hBack;
};

// The program's test dialog, open for the whole run.
CTestHostDlg& SharedHost();

}  // namespace quill::test
