// CtavrinDlg: the child windows, the video panes, the tool and caption buttons (their places are the
// size step's arrangement, main_dlg_view_commands.cpp).
#include <algorithm>

#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;

namespace {

constexpr unsigned kTextMap = 151;  // "マップ"

struct ToolButtonRow {
  UINT id;
  UINT bitmap;
  unsigned tip;
};

// The tool buttons in their row's order, then the three caption buttons.
constexpr ToolButtonRow kToolRows[CtavrinDlg::kToolButtonCount] = {
    {38000, 154, 20}, {38001, 144, 13}, {38002, 148, 12}, {38003, 142, 17},  {38004, 139, 4},
    {38005, 145, 9},  {38006, 153, 19}, {38007, 150, 1},  {38008, 200, 21},  {38009, 359, 152},
    {38010, 357, 5},  {38011, 372, 175}, {38012, 358, 155}, {38013, 146, 10}, {38014, 138, 3},
    {38015, 151, 16}, {38016, 137, 2},  {38017, 367, 166},
};
constexpr ToolButtonRow kCaptionRows[CtavrinDlg::kCaptionButtonCount] = {
    {18, 155, 0}, {20, 157, 7}, {19, 156, 137},
};
}  // namespace

void CtavrinDlg::CreateChildWindows() {
  CRect client;
  GetClientRect(&client);
  if (client.Width() == 0) return;
  // 1. The off-screen surface: a square covering the screen in either orientation.
  {
    HDC dc = ::GetDC(m_hWnd);
    if (dc) {
      const int side = std::max(::GetDeviceCaps(dc, HORZRES), ::GetDeviceCaps(dc, VERTRES));
      m_offscreen.Create(dc, side, side);
      ::ReleaseDC(m_hWnd, dc);
    }
  }
  // 2. The browser pane and its children.
  m_browser.m_pSkin = &m_skin;
  if (m_browser.Create(CFilerContainerDlg::kTemplateId, this)) {
    // Its children are made where the arrangement of the source step puts them.
    if (m_nSizeStep == 0) m_browser.ExpectSideBySide(BrowserRectAtStep0());
    m_browser.CreateChildren(this);
  }
  // 3. The map frame, hidden, captioned "マップ".
  m_mapFrame.m_pSkin = &m_skin;
  if (m_mapFrame.Create(CContainerDialog::kTemplateId, this)) {
    m_mapFrame.ShowWindow(SW_HIDE);
    m_mapFrame.SetCaption(kTextMap);
  }
  // 4. The map dialog: WebView2 when its runtime is installed and its loader can be reached, else
  // Internet Explorer.
  m_mapVariant = Hooks().mapVariant ? Hooks().mapVariant() : driveviews::ChooseMapVariantOnThisSystem();
  CreateMapDialog(m_mapVariant);
  // 5. The logo window in the map frame.
  m_logo.m_pSkin = &m_skin;
  if (m_logo.Create(CLogoDlg::kTemplateId, m_mapFrame.m_hWnd ? static_cast<CWnd*>(&m_mapFrame) : this)) {
    m_logo.m_bShown = FALSE;
    m_logo.ShowWindow(SW_HIDE);
    m_logo.MoveWindow(0, 20, 370, 406, FALSE);
  }
  // 6. The tool tips in the 9-point font.
  if (m_toolTip.Create(this) && g_hFont9) m_toolTip.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont9), TRUE);
  // 7. The movie window: a window of the desktop, not owned by the main window (an owned window stays
  // above its owner, also above the full-screen picture), hidden until arranged. The main window
  // destroys it in OnDestroy.
  m_movieDlg.m_pSkin = &m_skin;
  m_movieDlg.m_pMainDlg = this;
  if (m_movieDlg.Create(CMovieDialog::kFrameTemplateId, nullptr)) m_movieDlg.ShowWindow(SW_HIDE);
  // 8. The panes; the sub pane's first place in the movie window.
  CreateMoviePanes(kPaneRect);
  m_movieDlg.SetCaption(kTextMap);
  if (m_pane[m_nSubPane].m_hWnd) m_pane[m_nSubPane].MoveWindow(0, 20, 640, 360, FALSE);
  // 9-11. The G-sensor graph, the info panel and the controller pad.
  CreateGSensorDialog();
  CreateInfoPanel();
  CreateControllerPad();
  // 12. The info text is drawn on the off-screen surface in white, 13-point (with the info panel).
  // 13. The seek bar and the volume slider.
  if (m_seekBar.Create(kSeekBarId, this)) m_seekBar.LoadImages(174, 159, 160, 161);
  if (m_volume.Create(kVolumeId, this)) {
    m_volume.LoadImages(167, 168, 169, 170);
    m_volume.SetRange(0, 65535);
  }
  // 14. The progress bar.
  {
    LPCWSTR cls = AfxRegisterWndClass(CS_VREDRAW | CS_HREDRAW);
    const RECT bar = {0, 0, client.Width(), 22};
    if (m_progress.CreateEx(0, cls, L"progress bar", WS_CHILD | WS_VISIBLE, bar, this, kProgressId) && g_hFont10) {
      m_progress.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont10), FALSE);
    }
  }
}

void CtavrinDlg::CreateMoviePanes(const RECT& rect) {
  if (m_blank.CreateEx(0, L"STATIC", L"", CMovieStatic::kStyle, rect, this, kBlankId)) m_blank.ShowWindow(SW_HIDE);
  CMovieStatic& main = m_pane[m_nMainPane];
  CMovieStatic& sub = m_pane[m_nSubPane];
  main.m_nPlayer = m_nMainPane;
  sub.m_nPlayer = m_nSubPane;
  for (CMovieStatic* pane : {&main, &sub}) {
    pane->m_pOwner = this;
    pane->m_pSkin = &m_skin;
  }
  main.CreatePane(this, rect, kPaneId);
  main.StartInertiaThread(&m_moment[m_nMainPane]);
  sub.CreatePane(m_movieDlg.m_hWnd ? static_cast<CWnd*>(&m_movieDlg) : this, rect, kPaneId);
  sub.StartInertiaThread(&m_moment[m_nSubPane]);
}

void CtavrinDlg::CreateSkinButtons() {
  // Each button is born where the arrangement of the source step puts it and enabled as the button
  // rules say now: moving and enabling every button once more before the window shows is a good part
  // of the start-up (the arrangement and UpdateButtons still set whatever differs).
  const StepLayout layout = LayoutForStep(m_nSizeStep);
  const Visibility visibility = VisibilityFor(m_nSizeStep, m_bFullScreen != FALSE);
  int ids[kToolButtonCount];
  for (int i = 0; i < kToolButtonCount; ++i) ids[i] = static_cast<int>(kToolRows[i].id);
  ButtonPlace tools[kToolButtonCount];
  ToolRowPlaces(layout, visibility, ids, kToolButtonCount, tools);
  ButtonPlace captions[kCaptionButtonCount];
  CaptionPlaces(layout, visibility, captions);
  const ButtonSet born = UpdateButtonsRule(BirthButtonState());
  for (int i = 0; i < kToolButtonCount; ++i) {
    CSkinButton& b = m_tool[i];
    b.m_nImageWidth = kButtonSize;
    b.m_nImageHeight = kButtonSize;
    const RECT r = tools[i].shown ? tools[i].rect : RECT{0, 0, kButtonSize, kButtonSize};
    const DWORD style = BS_OWNERDRAW | (tools[i].shown ? WS_VISIBLE : 0) | (born.enabled[i] ? 0 : WS_DISABLED);
    if (!b.Create(L"", WS_CHILD | style, r, this, kToolRows[i].id)) continue;
    b.SetImages(kToolRows[i].bitmap);
    m_toolTip.AddTool(&b, UIText(kToolRows[i].tip));
  }
  for (int i = 0; i < kCaptionButtonCount; ++i) {
    CSkinButton& b = m_caption[i];
    b.m_nImageWidth = kCaptionWidths[i];
    b.m_nImageHeight = kCaptionHeight;
    const DWORD style = BS_OWNERDRAW | (captions[i].shown ? WS_VISIBLE : 0) | (born.captionEnabled ? 0 : WS_DISABLED);
    if (!b.Create(L"", WS_CHILD | style, captions[i].rect, this, kCaptionRows[i].id)) continue;
    b.SetImages(kCaptionRows[i].bitmap);
    m_toolTip.AddTool(&b, UIText(kCaptionRows[i].tip));
  }
}

RECT CtavrinDlg::BrowserRectAtStep0() {
  const int mode = m_nPaneMode[m_nMainPane];
  return BrowserRectStep0(PrimaryPaneRect(0, mode, false, RECT{}), mode, LayoutForStep(0).dialog.cy);
}

void CtavrinDlg::GetPaneRect(RECT* rect, int pane) {
  if (!rect) return;
  *rect = kPaneRect;
  CMovieStatic& p = m_pane[pane == 1 ? 1 : 0];
  if (!p.m_hWnd) return;
  RECT window;
  p.GetWindowRect(&window);
  HWND parent = ::GetParent(p.m_hWnd);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
  *rect = window;
  if (pane == m_nMainPane && !m_bFullScreen) {
    rect->right = rect->left + 732;
    if (m_nPaneMode[pane] == 4) {
      rect->top -= 45;
      rect->bottom += 45;
    }
  }
}

void CtavrinDlg::ResetZoomParams(int pane) {
  if (pane < 0 || pane > 1) return;
  RECT work = {};
  if (m_bFullScreen) {
    RECT window;
    GetWindowRect(&window);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(::MonitorFromPoint(POINT{window.left, window.top}, MONITOR_DEFAULTTONEAREST), &info)) {
      work = info.rcWork;
    }
  }
  m_aZoom[pane] = ZoomBlockFor(m_nSizeStep, m_bFullScreen != FALSE, work);
}

void CtavrinDlg::PlaceMovieFrame() {
  if (!m_movieDlg.m_hWnd || !m_pane[m_nSubPane].m_hWnd) return;
  int nativeW = 0, nativeH = 0;
  playcore::sPLAYERINSTANCE& rear = playcore::g_PlayerInstance[1];
  if (rear.active && rear.playState != playcore::kPlayClosed && playcore::g_PlayerFuncs[1].GetNativeSize) {
    int32_t w = 0, h = 0;
    if (playcore::g_PlayerFuncs[1].GetNativeSize(&rear, &w, &h)) {
      nativeW = w;
      nativeH = h;
    }
  }
  RECT browser = {};
  if (m_browser.m_hWnd) m_browser.GetWindowRect(&browser);
  const MovieFrameGeometry g = ComputeMovieFrame(nativeW, nativeH, browser.right - browser.left, m_nSizeStep);
  // Below the main window's browser column, kept on the main window's monitor: when first arranged
  // and at each new size step. Otherwise the window stays where it is (where the user put it).
  RECT window;
  GetWindowRect(&window);
  int x = window.left + kPaneRect.right;
  int y = window.bottom;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info)) {
    x = std::max(std::min<LONG>(x, info.rcWork.right - g.frame.cx), info.rcWork.left);
    y = std::max(std::min<LONG>(y, info.rcWork.bottom - g.frame.cy), info.rcWork.top);
  }
  if (m_nMovieFrameStep == m_nSizeStep) {
    RECT now;
    m_movieDlg.GetWindowRect(&now);
    x = now.left;
    y = now.top;
  }
  m_nMovieFrameStep = m_nSizeStep;
  m_movieDlg.MoveWindow(x, y, g.frame.cx, g.frame.cy, TRUE);
  const RECT& p = g.pane;
  m_pane[m_nSubPane].MoveWindow(p.left, p.top, p.right - p.left, p.bottom - p.top, TRUE);
  m_movieDlg.ShowWindow(SW_SHOWNOACTIVATE);
}
