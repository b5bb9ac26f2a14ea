#include "tests/skin/skin_test_host.h"

#include <gtest/gtest.h>

#include <memory>

#include "tavrin/skin/gdi_drawing.h"

#include "res/resource.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/skin_messages.h"
#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_ids.h"

namespace quill::test {

namespace sk = quill::skin;

BEGIN_MESSAGE_MAP(CTestHostDlg, CSkinDialog)
  ON_WM_PAINT()
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
  ON_MESSAGE(sk::kMsgSliderTrack, OnSliderTrack)
  ON_MESSAGE(sk::kMsgSliderPress, OnSliderPress)
  ON_MESSAGE(sk::kMsgSliderRelease, OnSliderRelease)
  ON_MESSAGE(sk::kMsgButtonPressed, OnButtonPressed)
  ON_MESSAGE(sk::kMsgButtonReleased, OnButtonReleased)
  ON_MESSAGE(sk::kMsgListClicked, OnListClicked)
  ON_COMMAND_RANGE(1, 2000, OnControlCommand)
END_MESSAGE_MAP()

CTestHostDlg::CTestHostDlg() : CSkinDialog(IDD_TEST_HOST, nullptr), m_hBack(CreateSolidBrush(kBack)) {}

CTestHostDlg::~CTestHostDlg() {
  if (m_hWnd) DestroyWindow();
  DeleteObject(m_hBack);
}

bool CTestHostDlg::Open(int x, int y) {
  if (!Create(IDD_TEST_HOST, nullptr)) return false;
  MoveWindow(x, y, kWidth, kHeight, TRUE);
  CreateCaptionButton(kCloseId);
  ShowWindow(SW_SHOWNORMAL);
  UpdateWindow();
  ApplyShowcaseStates();  // repaints synchronously
  PumpMessages(0);
  return true;
}

BOOL CTestHostDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  SetFont(g_hFont10, FALSE);
  CreateButtons();
  CreateSliders();
  CRect progressRect(20, 150, 320, 172);
  m_progress.CreateEx(0, AfxRegisterWndClass(0), L"", WS_CHILD | WS_VISIBLE, progressRect, this, kProgressId);
  CreateList();
  return TRUE;
}

void CTestHostDlg::CreateButtons() {
  for (int i = 0; i < 4; ++i) {
    CSkinButton& b = m_buttons[i];
    b.m_nImageWidth = CSkinDialog::kCaptionButtonWidth;
    b.m_nImageHeight = CSkinDialog::kCaptionButtonHeight;
    b.Create(L"", WS_CHILD | WS_VISIBLE, CRect(20 + 24 * i, 34, 33 + 24 * i, 46), this, kButtonIds[i]);
    b.SetImages(IDB_SKIN_CAPTION_CLOSE);
  }
  m_notifyButton.m_nImageWidth = CSkinDialog::kCaptionButtonWidth;
  m_notifyButton.m_nImageHeight = CSkinDialog::kCaptionButtonHeight;
  m_notifyButton.m_bNotifyPress = TRUE;
  m_notifyButton.m_nNotifyValue = kNotifyButtonId;
  m_notifyButton.Create(L"", WS_CHILD | WS_VISIBLE, CRect(140, 34, 153, 46), this, kNotifyButtonId);
  m_notifyButton.SetImages(IDB_SKIN_CAPTION_CLOSE);
  const wchar_t* labels[4] = {L"通常", L"ホバー", L"選択", L"無効"};
  for (int i = 0; i < 4; ++i) {
    CSkinCheckButton& c = m_checks[i];
    c.m_crText = kText;
    c.Create(labels[i], WS_CHILD | WS_VISIBLE, CRect(20 + 110 * i, 58, 120 + 110 * i, 78), this, kCheckIds[i]);
    c.SetFont(g_hFont10, FALSE);
    c.SetImages(IDB_SKIN_CHECK_BOX);
  }
}

void CTestHostDlg::CreateSliders() {
  struct Spec {
    CSkinSliderCtrl* slider;
    UINT id;
    CRect rect;
    UINT images[4];
    int min, max;
  };
  const Spec specs[] = {
      {&m_seek, kSeekId, CRect(20, 90, 20 + kSeekWidth, 106),
       {IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, IDB_SKIN_SEEK_THUMB, IDB_SKIN_SEEK_THUMB_PRESSED},
       0, kSeekPositions - 1},
      {&m_volume, kVolumeId, CRect(20, 122, 220, 134),
       {IDB_SKIN_VOLUME_PLAYED, IDB_SKIN_VOLUME_REST, IDB_SKIN_VOLUME_THUMB, IDB_SKIN_VOLUME_THUMB_PRESSED},
       0, 65535},
      {&m_edgeSlider, kEdgeSliderId, CRect(340, 120, 740, 136),
       {IDB_SKIN_SEEK_PLAYED, IDB_SKIN_SEEK_REST, IDB_SKIN_SEEK_THUMB, IDB_SKIN_SEEK_THUMB_PRESSED}, 0, 99},
  };
  for (const Spec& s : specs) {
    s.slider->Create(s.id, this);
    s.slider->MoveWindow(&s.rect, FALSE);
    s.slider->m_crBack = kBack;
    s.slider->LoadImages(s.images[0], s.images[1], s.images[2], s.images[3]);
    s.slider->SetRange(s.min, s.max);
  }
}

void CTestHostDlg::CreateList() {
  m_list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SHOWSELALWAYS,
                CRect(20, 184, 320, 314), this, kListId);
  m_list.SetFont(g_hFont10, FALSE);
  m_list.SetBkColor(RGB(28, 32, 40));
  m_list.SetTextBkColor(RGB(28, 32, 40));
  m_list.SetTextColor(kText);
  m_list.InsertColumn(0, L"ファイル名", LVCFMT_LEFT, 280);
  m_listStates.Create(12, 12, ILC_COLOR32 | ILC_MASK, 0, 4);
  CBitmap faces;
  if (LoadBitmapResource(IDB_SKIN_CHECK_BOX, faces)) m_listStates.Add(&faces, RGB(0, 0, 0));
  m_list.SetImageList(&m_listStates, LVSIL_STATE);
  const wchar_t* rows[4] = {L"001_120000A_M.MP4", L"001_120100G_M.MP4", L"001_120200M_M.MP4",
                            L"001_120300P_M.MP4"};
  for (int i = 0; i < 4; ++i) m_list.InsertItem(i, rows[i]);
}

void CTestHostDlg::ApplyShowcaseStates() {
  for (CSkinButton& b : m_buttons) {
    b.m_bHover = FALSE;
    b.m_bPressed = FALSE;
    b.EnableWindow(TRUE);
  }
  m_buttons[1].m_bHover = TRUE;
  m_buttons[2].m_bPressed = TRUE;
  m_buttons[3].EnableWindow(FALSE);
  for (CSkinCheckButton& c : m_checks) {
    c.m_bHover = FALSE;
    c.m_bChecked = FALSE;
    c.EnableWindow(TRUE);
  }
  m_checks[1].m_bHover = TRUE;
  m_checks[2].m_bChecked = TRUE;
  m_checks[3].EnableWindow(FALSE);
  m_seek.m_bDragging = FALSE;
  m_seek.m_nPos = 6000;
  m_volume.m_bDragging = TRUE;  // drawn with the pressed thumb (no test drags the volume slider)
  m_volume.m_nPos = 40000;
  m_edgeSlider.m_nPos = 50;
  m_progress.m_nMin = 0;
  m_progress.m_nMax = 100;
  m_progress.m_nPos = 50;
  const UINT states[4] = {CSkinListCtrl::kStateNormal, CSkinListCtrl::kStateHover, 3,
                          CSkinListCtrl::kStateNormal};
  for (int i = 0; i < 4; ++i) m_list.SetStateImage(i, states[i]);
  m_list.m_nHotItem = 1;
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

std::vector<Notification> CTestHostDlg::TakeNotifications() {
  PumpMessages(0);
  std::vector<Notification> out;
  out.swap(m_notes);
  return out;
}

BOOL CTestHostDlg::OnEraseBkgnd(CDC* dc) {
  CRect rc;
  GetClientRect(&rc);
  FillRect(dc->m_hDC, &rc, m_hBack);
  return TRUE;
}

HBRUSH CTestHostDlg::OnCtlColor(CDC* dc, CWnd*, UINT) {
  dc->SetTextColor(kText);
  dc->SetBkColor(kBack);
  return m_hBack;
}

void CTestHostDlg::Record(UINT msg, WPARAM wp, LPARAM lp) { m_notes.push_back({msg, wp, lp}); }
LRESULT CTestHostDlg::OnSliderTrack(WPARAM wp, LPARAM lp) { Record(sk::kMsgSliderTrack, wp, lp); return 0; }
LRESULT CTestHostDlg::OnSliderPress(WPARAM wp, LPARAM lp) { Record(sk::kMsgSliderPress, wp, lp); return 0; }
LRESULT CTestHostDlg::OnSliderRelease(WPARAM wp, LPARAM lp) { Record(sk::kMsgSliderRelease, wp, lp); return 0; }
LRESULT CTestHostDlg::OnButtonPressed(WPARAM wp, LPARAM lp) { Record(sk::kMsgButtonPressed, wp, lp); return 0; }
LRESULT CTestHostDlg::OnButtonReleased(WPARAM wp, LPARAM lp) { Record(sk::kMsgButtonReleased, wp, lp); return 0; }
LRESULT CTestHostDlg::OnListClicked(WPARAM wp, LPARAM lp) { Record(sk::kMsgListClicked, wp, lp); return 0; }
void CTestHostDlg::OnControlCommand(UINT id) { Record(WM_COMMAND, id, 0); }

namespace {

// GDI+, the fonts and the one test dialog for the whole program: the dialog is its first top-level
// window (only that one shows in screenshots under Wine).
class HostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    session_ = std::make_unique<quill::skin::GdiplusSession>();
    InitAppFontsAndLanguage(nullptr);
    host_ = std::make_unique<CTestHostDlg>();
    host_->Open(40, 40);
  }
  void TearDown() override {
    host_.reset();
    DeleteAppFonts();
    session_.reset();
  }
  CTestHostDlg* host() const { return host_.get(); }

 private:
  std::unique_ptr<quill::skin::GdiplusSession> session_;
  std::unique_ptr<CTestHostDlg> host_;
};
HostEnvironment* const g_environment =
    static_cast<HostEnvironment*>(::testing::AddGlobalTestEnvironment(new HostEnvironment));

}  // namespace

CTestHostDlg& SharedHost() { return *g_environment->host(); }

}  // namespace quill::test
