// The container dialog, the movie window, the logo window, the model selection and the small records.
#include "tavrin/app/main/small_windows.h"

#include <algorithm>

#include "platform/framework/private_messages.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"
#include "tavrin/skin/window_utils.h"

namespace {

constexpr unsigned kTextSizeMiddle = 8;   // "中"
constexpr unsigned kTextSizeLarge = 7;    // "大"
constexpr unsigned kTextSizeSmall = 18;   // "小"
constexpr unsigned kTextModelCaption = 208;   // "製品選択"
constexpr unsigned kTextModelQuestion = 209;  // "ご使用になられる製品をお選びください。"
constexpr UINT kMovieSizeBitmap = 375;
constexpr UINT kModelCaptionButton = 22;
constexpr int kModelButtonTop = 78;
constexpr int kQuestionLeft = 190, kQuestionTop = 20, kQuestionWidth = 560, kQuestionHeight = 208;
constexpr int kQuestionMargin = 4;

void RemoveBorder(CWnd* wnd) {
  wnd->ModifyStyle(WS_BORDER, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace

// --- CLapTimeArea ------------------------------------------------------------------------------------

void CLapTimeArea::Attach(CDC* dc, HGDIOBJ font) {
  if (!dc || !dc->m_hDC) return;
  m_pDC = dc;
  HGDIOBJ old = font ? ::SelectObject(dc->m_hDC, font) : nullptr;
  if (!m_hOld) m_hOld = old;
}

void CLapTimeArea::Detach() {
  if (m_pDC && m_pDC->m_hDC && m_hOld) ::SelectObject(m_pDC->m_hDC, m_hOld);
  m_hOld = nullptr;
  m_pDC = nullptr;
}

// --- CContainerDialog --------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CContainerDialog, CSkinDialog)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
  ON_WM_MOVE()
  ON_WM_SIZE()
  ON_COMMAND(25, OnCommand25)
END_MESSAGE_MAP()

CContainerDialog::~CContainerDialog() = default;

BOOL CContainerDialog::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  RemoveBorder(this);
  if (!m_framePen.m_hObject) m_framePen.CreatePen(PS_SOLID, 1, kFrameColour);
  return TRUE;
}

void CContainerDialog::SetCaption(unsigned index) {
  SetWindowText(UIText(index));
  RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

BOOL CContainerDialog::OnEraseBkgnd(CDC* dc) {
  if (!dc) return TRUE;
  CRect rc;
  GetClientRect(&rc);
  if (m_framePen.m_hObject && !m_bNoFrame) {
    CDCSave saved(dc->m_hDC);
    ::SelectObject(dc->m_hDC, m_framePen.m_hObject);
    ::SelectObject(dc->m_hDC, ::GetStockObject(BLACK_BRUSH));
    ::Rectangle(dc->m_hDC, rc.left, rc.top, rc.right, rc.bottom);
  }
  PaintBackground(dc);
  return TRUE;
}

void CContainerDialog::OnPaint() { CPaintDC dc(this); }

void CContainerDialog::OnMove(int, int) {
  Default();
  if (IsWindowVisible()) GetWindowRect(&m_rcLast);
}

void CContainerDialog::OnSize(UINT, int, int) {
  Default();
  if (m_btnCaption.m_hWnd) {
    CRect rc;
    GetClientRect(&rc);
    m_btnCaption.MoveWindow(rc.right - 20, rc.top + 4, 13, 12, TRUE);
  }
  Invalidate(TRUE);
}

// --- CMovieDialog ------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CMovieDialog, CContainerDialog)
  ON_COMMAND(CMovieDialog::kSizeButtonId, OnSizeButton)
  ON_WM_SIZE()
  ON_WM_SYSCOMMAND()
END_MESSAGE_MAP()

unsigned CMovieDialog::SizeStepTipText(int step) {
  switch (step) {
    case 1: return kTextSizeLarge;
    case 2: return kTextSizeSmall;
    default: return kTextSizeMiddle;
  }
}

BOOL CMovieDialog::OnInitDialog() {
  CContainerDialog::OnInitDialog();
  m_toolTip.Create(this);
  if (g_hFont9) m_toolTip.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont9), TRUE);
  CRect rc;
  GetClientRect(&rc);
  m_btnSize.m_nImageWidth = 13;
  m_btnSize.m_nImageHeight = 12;
  const RECT button = {rc.right - 20, rc.top + 4, rc.right - 7, rc.top + 16};
  if (m_btnSize.Create(L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, button, this, kSizeButtonId)) {
    m_btnSize.SetImages(kMovieSizeBitmap);
    m_toolTip.AddTool(&m_btnSize, UIText(SizeStepTipText(0)));
  }
  return TRUE;
}

BOOL CMovieDialog::PreTranslateMessage(MSG* msg) {
  m_toolTip.RelayEvent(msg);
  return CContainerDialog::PreTranslateMessage(msg);
}

void CMovieDialog::OnSizeButton() {
  m_nSizeStep = (m_nSizeStep + 1) % 3;
  m_toolTip.SendMessage(TTM_ACTIVATE, TRUE);
  m_toolTip.UpdateTipText(UIText(SizeStepTipText(m_nSizeStep)), &m_btnSize);
  if (m_pMainDlg) m_pMainDlg->PostMessage(quill::msg::kRearrange, 0, 0);
}

void CMovieDialog::OnSize(UINT type, int cx, int cy) {
  CContainerDialog::OnSize(type, cx, cy);
  // The size button stays at the top right whatever size the main window gives the frame.
  if (m_btnSize.m_hWnd) m_btnSize.MoveWindow(cx - 20, 4, 13, 12, TRUE);
}

void CMovieDialog::OnSysCommand(UINT id, LPARAM) {
  // The movie window is in front after the start: Alt+F4 there closes the program, as on the main window.
  if ((id & 0xFFF0) == SC_CLOSE && m_pMainDlg) {
    m_pMainDlg->PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    return;
  }
  Default();
}

// --- CLogoDlg ----------------------------------------------------------------------------------------

LogoPlacement PlaceLogo(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || clientWidth <= 0) return LogoPlacement{0, 0};
  const int h = static_cast<int>(static_cast<double>(pictureHeight) / pictureWidth * clientWidth);
  return LogoPlacement{(clientHeight - h) / 2, h};
}

BEGIN_MESSAGE_MAP(CLogoDlg, CSkinDialog)
  ON_MESSAGE(quill::msg::kLogoShow, OnShowRequest)
  ON_WM_ERASEBKGND()
  ON_WM_PAINT()
END_MESSAGE_MAP()

void CLogoDlg::ShowLogo(BOOL show, BOOL post) {
  // Its own visibility: the map frame around it may be hidden at the time.
  const bool visible = m_hWnd && (GetStyle() & WS_VISIBLE) != 0;
  if (show && !visible) {
    m_bShown = TRUE;
  } else if (!show && visible) {
    m_bShown = FALSE;
  } else {
    return;
  }
  if (post) {
    PostMessage(quill::msg::kLogoShow, 0, 0);
  } else {
    ShowWindow(m_bShown ? SW_SHOWNORMAL : SW_HIDE);
  }
}

LRESULT CLogoDlg::OnShowRequest(WPARAM, LPARAM) {
  ShowWindow(m_bShown ? SW_SHOWNORMAL : SW_HIDE);
  return 0;
}

void CLogoDlg::OnPaint() { CPaintDC dc(this); }

BOOL CLogoDlg::OnEraseBkgnd(CDC* dc) {
  if (!dc) return TRUE;
  CRect rc;
  GetClientRect(&rc);
  HBRUSH background = m_pSkin ? static_cast<HBRUSH>(m_pSkin->m_brBlack.m_hObject) : nullptr;
  HBRUSH frame = m_pSkin ? static_cast<HBRUSH>(m_pSkin->m_brWhite1.m_hObject) : nullptr;
  if (!background) background = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  HBITMAP picture = m_pSkin ? m_pSkin->Bitmap(m_nPicture == 1 ? 164 : 324) : nullptr;
  BITMAP info = {};
  if (picture) ::GetObjectW(picture, sizeof info, &info);
  const LogoPlacement at = PlaceLogo(info.bmWidth, info.bmHeight, rc.Width(), rc.Height());
  if (at.height <= 0) {
    ::FillRect(dc->m_hDC, &rc, background);  // no picture: the background alone
  } else {
    RECT above = {rc.left, rc.top, rc.right, at.top};
    RECT below = {rc.left, at.top + at.height, rc.right, rc.bottom};
    ::FillRect(dc->m_hDC, &above, background);
    ::FillRect(dc->m_hDC, &below, background);
    CDC mem;
    if (mem.CreateCompatibleDC(dc)) {
      const CDCSelect selected(mem.m_hDC, picture);
      const int oldMode = ::SetStretchBltMode(dc->m_hDC, COLORONCOLOR);
      ::StretchBlt(dc->m_hDC, 0, at.top, rc.Width(), at.height, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
      ::SetStretchBltMode(dc->m_hDC, oldMode);
    }
  }
  if (frame) ::FrameRect(dc->m_hDC, &rc, frame);
  return TRUE;
}

// --- CModelSelectDlg ---------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CModelSelectDlg, CSkinDialog)
  ON_COMMAND(kModelCaptionButton, OnCaptionClose)
  ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CModelSelectDlg::OnInitDialog() {
  CSkinDialog::OnInitDialog();
  RemoveBorder(this);
  HWND text = ::GetDlgItem(m_hWnd, 1019);
  HWND ok = ::GetDlgItem(m_hWnd, IDOK);
  HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL);
  for (HWND h : {m_hWnd, text, ok, cancel}) {
    if (h && g_hFont10) ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont10), TRUE);
  }
  // Centred on the monitor nearest to the window's top-left corner.
  CRect rc;
  GetWindowRect(&rc);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (::GetMonitorInfoW(::MonitorFromPoint(POINT{rc.left, rc.top}, MONITOR_DEFAULTTONEAREST), &monitor)) {
    area = monitor.rcMonitor;
  }
  const RECT at = CentredIn(area, kWidth, kHeight);
  MoveWindow(at.left, at.top, kWidth, kHeight, TRUE);
  ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
  SetWindowText(UIText(kTextModelCaption));
  if (text) {
    // The question's place, cut to the window and to the band above the two buttons (a static control
    // paints its whole rectangle, so 560 x 208 from (190, 20) would run over both buttons).
    ::MoveWindow(text, kQuestionLeft, kQuestionTop, std::min(kQuestionWidth, kWidth - kQuestionLeft - kQuestionMargin),
                 std::min(kQuestionHeight, kModelButtonTop - kQuestionTop - kQuestionMargin), TRUE);
    CString question;
    question.Format(L"\n%s", UIText(kTextModelQuestion));
    ::SetWindowTextW(text, question);
  }
  const int frame = ::GetSystemMetrics(SM_CXDLGFRAME);
  if (ok) {
    ::SetWindowTextW(ok, L"MODEL-A");
    ::MoveWindow(ok, 90, kModelButtonTop, 215 - frame, 32, TRUE);
  }
  if (cancel) {
    ::SetWindowTextW(cancel, L"MODEL-B");
    ::MoveWindow(cancel, 335 - frame, kModelButtonTop, 215 - frame, 32, TRUE);
  }
  CreateCaptionButton(kModelCaptionButton);  // closes the question like MODEL-B's button
  for (int id : {1020, 1021}) {
    if (HWND h = ::GetDlgItem(m_hWnd, id)) ::ShowWindow(h, SW_HIDE);
  }
  return TRUE;
}
