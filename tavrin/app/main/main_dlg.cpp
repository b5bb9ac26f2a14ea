// CtavrinDlg: construction, the message map, painting and the calls of the browser pane and the panes.
#include "tavrin/app/main/main_dlg.h"

#include <shlwapi.h>

#include <algorithm>

#include "platform/framework/app.h"
#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/speed_codes.h"
#include "tavrin/app/main/resize_hold.h"
#include "tavrin/app/main/start_marks.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/msg_box.h"

using namespace quill::app;
using playcore::g_PlayerInstance;
using playcore::g_PlayerFuncs;

namespace {

// The one-shot timer that marks the end of the start-up's first paint.
constexpr UINT_PTR kTimerFirstPaint = 150;

}  // namespace

namespace quill::app {

StartupHooks& Hooks() {
  static StartupHooks hooks;
  return hooks;
}

int ProgressPercent(WPARAM done, LPARAM total) {
  if (total <= 0) return 100;
  const long long percent = static_cast<long long>(done) * 100 / total;
  return static_cast<int>(std::clamp<long long>(percent, 0, 100));
}

MovieFrameGeometry ComputeMovieFrame(int nativeWidth, int nativeHeight, int browserWidth, int sizeStep) {
  if (nativeWidth <= 0 || nativeHeight <= 0) {
    nativeWidth = 732;
    nativeHeight = 411;
  }
  const int reference = sizeStep == 1 ? 732 : sizeStep == 2 ? 1106 : browserWidth - 4;
  double factor = static_cast<double>(reference) / nativeWidth;
  if (!(factor > 0)) factor = 1.0;  // a browser pane without width: the native size
  const int w = static_cast<int>(nativeWidth * factor);
  const int h = static_cast<int>(nativeHeight * factor);
  const int frame = 2 * static_cast<int>(4 * factor);
  const int left = -static_cast<int>(2 / factor);
  MovieFrameGeometry g;
  g.frame = SIZE{w + frame, h + frame + 21};
  g.pane = RECT{left, 20, left + w, 20 + h};
  return g;
}

playcore::sZOOMBLOCK ZoomBlockFor(int sizeStep, bool fullScreen, const RECT& workArea) {
  static const POINT kCentres[3] = {{366, 205}, {433, 245}, {553, 313}};
  POINT c = kCentres[std::clamp(sizeStep, 0, 2)];
  if (fullScreen) c = POINT{(workArea.right - workArea.left) / 2, (workArea.bottom - workArea.top) / 2};
  playcore::sZOOMBLOCK block = {};
  block.word[0] = c.x;
  block.word[1] = c.y;
  block.word[2] = c.x;
  block.word[3] = c.y;
  block.word[4] = 0;
  block.word[5] = 0;
  // Words 6 and 7 go to the players as the pan: a pane at rest is not moved.
  block.word[6] = 0;  // pan x
  block.word[7] = 0;  // pan y
  block.word[8] = 1;
  block.zoom = 1.0f;
  return block;
}

}  // namespace quill::app

BEGIN_MESSAGE_MAP(CtavrinDlg, CDialog)
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_ERASEBKGND()
  ON_WM_CTLCOLOR()
  ON_WM_TIMER()
  ON_WM_DESTROY()
  ON_COMMAND(kCmdClose, OnCloseCommand)
  ON_COMMAND(kCmdMinimise, OnMinimise)
  ON_COMMAND(kCmdNextSize, OnNextSize)
  // Playback driving.
  ON_MESSAGE(quill::msg::kSliderPress, OnSeekPress)
  ON_MESSAGE(quill::msg::kSliderRelease, OnSeekRelease)
  ON_MESSAGE(quill::msg::kSliderTrack, OnSeekTrack)
  ON_MESSAGE(quill::msg::kDriveDataLoaded, OnDriveDataLoaded)
  ON_MESSAGE(quill::msg::kStepTick, OnStepTick)
  ON_MESSAGE(quill::msg::kStepEnd, OnStepEnd)
  ON_COMMAND(kCmdFirst, OnToStart)
  ON_COMMAND(kCmdPlay, OnPlayPause)
  ON_COMMAND(kCmdSlow, OnSlow)
  ON_COMMAND(kCmdFast, OnFastForward)
  ON_MESSAGE(quill::msg::kListDoubleClick, OnIgnored)
  ON_MESSAGE(quill::msg::kSourceVanished, OnSourceVanished)
  ON_MESSAGE(quill::msg::kProgress, OnProgress)
  ON_MESSAGE(quill::msg::kAfterInit, OnAfterInit)
  ON_MESSAGE(quill::msg::kRearrange, OnRearrangeMsg)
  ON_MESSAGE(quill::msg::kQueueMarker, OnQueueMarker)
  ON_MESSAGE(quill::msg::kGraphEvent, OnGraphEventMsg)
  ON_COMMAND_RANGE(quill::browser::kFilterCommandFirst, quill::browser::kFilterCommandLast, OnFilterRange)
  ON_WM_SYSCOMMAND()
  // The drive-data views, the settings and the source (main_dlg_driveviews.cpp).
  ON_COMMAND(kCmdSource, OnSourceOpen)
  ON_COMMAND(kCmdSettings, OnSettings)
  ON_MESSAGE(quill::msg::kMapReady, OnMapReady)
  ON_MESSAGE(quill::msg::kMapSeek, OnMapSeek)
  ON_MESSAGE(quill::msg::kListTrackRead, OnListTrackRead)
  ON_MESSAGE(quill::msg::kGraphPreviousEvent, OnGraphPrevEvent)
  ON_MESSAGE(quill::msg::kGraphNextEvent, OnGraphNextEvent)
  ON_MESSAGE(quill::msg::kSettingChanged, OnSettingChanged)
  ON_MESSAGE(quill::msg::kInfoItemSwitched, OnInfoItem)
  // List navigation, the tool frame, the view and window commands.
  ON_COMMAND(kCmdPrevious, OnPrevFile)
  ON_COMMAND(kCmdNext, OnNextFile)
  ON_COMMAND_RANGE(kCmdEnlarge, kCmdMap, OnViewCommand)
  ON_COMMAND_RANGE(kCmdDisplaySwitch, kCmdDisplaySwitch, OnViewCommand)
  ON_COMMAND_RANGE(38200, 38203, OnViewCommand)
  ON_MESSAGE(quill::msg::kToolFinished, OnToolDone)
  ON_COMMAND(kCmdCsv, OnCsvExport)
  ON_MESSAGE(quill::msg::kRunSentCall, OnRunOnUiThread)
  ON_COMMAND(kCmdDelete, OnDeleteRecordings)
  ON_MESSAGE(quill::msg::kDeletionDone, OnDeletionDone)
  ON_COMMAND(kCmdJoin, OnJoinCommand)
  ON_COMMAND(kCmdSnapshot, OnSnapshot)
  ON_WM_LBUTTONDOWN()
  ON_WM_MOUSEMOVE()
  ON_WM_LBUTTONUP()
  ON_WM_CAPTURECHANGED()
  ON_WM_LBUTTONDBLCLK()
  ON_WM_SETCURSOR()
  ON_WM_SIZE()
  ON_WM_MOVE()
  ON_WM_CONTEXTMENU()
  ON_WM_POWERBROADCAST()
END_MESSAGE_MAP()

CtavrinDlg::CtavrinDlg(CWnd* parent)
    : CDialog(kTemplateId, parent),
      m_inet(Hooks().inetConfig ? Hooks().inetConfig() : CInetConnectionAsync::ProgramConfig()) {
  m_hIcon = static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(128), IMAGE_ICON, 0, 0,
                                            LR_DEFAULTSIZE | LR_SHARED));
  m_aZoom[0] = m_aZoom[1] = ZoomBlockFor(0, false, RECT{});
}

CtavrinDlg::~CtavrinDlg() {
  // Normally the close path has run already; this keeps a dialog that ended another way clean.
  ShutdownPlayback();
}

int CtavrinDlg::DataSourceIndex() { return g_PlayerInstance[0].dataSource ? 0 : 1; }

BOOL CtavrinDlg::PreTranslateMessage(MSG* msg) {
  m_toolTip.RelayEvent(msg);
  return CDialog::PreTranslateMessage(msg);
}

void CtavrinDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    CRect rc;
    GetClientRect(&rc);
    const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc.m_hDC, (rc.Width() - cx + 1) / 2, (rc.Height() - cy + 1) / 2, m_hIcon);
    return;
  }
  // What uncovered the dialog uncovered the paused picture too: the player draws it again.
  RefreshVideo();
  Default();
  // The first paint after the start: a timer comes only once no window of the thread waits for its
  // paint, which is when the start-up's first paint is done.
  if (m_bInitDone && !StartMarked(StartStep::kFirstPaint)) SetTimer(kTimerFirstPaint, USER_TIMER_MINIMUM);
}

void CtavrinDlg::PaintBackdrop(HDC dc, const RECT& client) {
  HBITMAP backdrop = m_skin.Bitmap(129);
  CDC reference;  // not owned: the model of the memory DC
  reference.Attach(dc);
  CDC mem;
  if (backdrop && mem.CreateCompatibleDC(&reference)) {
    const CDCSelect selected(mem.m_hDC, backdrop);
    BITMAP info = {};
    ::GetObjectW(backdrop, sizeof info, &info);
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SetStretchBltMode(dc, oldMode);
  } else {
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  // The program's name in the caption strip.
  CDCSave saved(dc);
  if (g_hFont10) ::SelectObject(dc, g_hFont10);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, 0xFFFFFF);
  RECT title = {11, 4, 400, 30};
  ::DrawTextW(dc, L"QuillmereX", -1, &title, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

BOOL CtavrinDlg::OnEraseBkgnd(CDC* dc) {
  if (!dc) return TRUE;
  CRect rc;
  GetClientRect(&rc);
  // The first background after the start-up draws the players' pictures once (a pane shown before
  // its player existed was left blank), and every background takes the map to the current position.
  if (m_bInitDone && !m_bVideoRefreshedOnce) {
    m_bVideoRefreshedOnce = TRUE;
    RefreshVideo();
  }
  // Only a page that reported itself ready runs the script: a page still loading may pump this
  // thread's messages inside the script call, in the middle of this paint.
  if (m_map.PageReady()) MapMoveMarker();
  if (m_bFullScreen) {
    PaintWideBands(dc->m_hDC, rc);
    return TRUE;
  }
  if (m_offscreen.IsValid() && rc.Width() <= m_offscreen.Width() && rc.Height() <= m_offscreen.Height()) {
    PaintBackdrop(m_offscreen.m_dc.m_hDC, rc);
    PaintWideBands(m_offscreen.m_dc.m_hDC, rc);
    PaintInfoBand(m_offscreen.m_dc);
    ::BitBlt(dc->m_hDC, 0, 0, rc.Width(), rc.Height(), m_offscreen.m_dc.m_hDC, 0, 0, SRCCOPY);
  } else {
    PaintBackdrop(dc->m_hDC, rc);
    PaintWideBands(dc->m_hDC, rc);
    PaintInfoBand(*dc);
  }
  return TRUE;
}

// In its layout 2 the info panel's window is hidden and its texts and status picture are drawn into
// the main window's own background, along the bottom edge.
void CtavrinDlg::PaintInfoBand(CDC& dc) {
  if (!m_info.m_hWnd || m_info.m_nLayout != 2 || m_bFullScreen) return;
  CDCSave saved(dc.m_hDC);
  m_info.DrawToDC(&dc);
  m_info.DrawInfoToDC(&dc);
}

RECT CtavrinDlg::InfoBandRect() {
  RECT client = {};
  GetClientRect(&client);
  return quill::app::InfoBandRect(client);
}

// The dialog paints its own background: no brush for it; every control keeps the default colours.
HBRUSH CtavrinDlg::OnCtlColor(CDC*, CWnd*, UINT ctlType) {
  if (ctlType == CTLCOLOR_DLG) return nullptr;
  return reinterpret_cast<HBRUSH>(Default());
}

// Filter-graph events posted to the main window itself (the panes forward theirs directly).
LRESULT CtavrinDlg::OnGraphEventMsg(WPARAM wp, LPARAM lp) {
  OnGraphEvent(wp, lp);
  return 0;
}

void CtavrinDlg::OnTimer(UINT_PTR id) {
  if (id == kTimerSecond) {
    // Once a second: the application's idle work (temporary objects).
    if (CWinApp* app = AfxGetApp()) app->OnIdle(1);
    return;
  }
  if (id == kTimerDisplayOn) {
    OnDisplayOnTimer();
    return;
  }
  if (id == kTimerFirstPaint) {
    KillTimer(kTimerFirstPaint);
    MarkStart(StartStep::kFirstPaint);
    PublishStartMarks(m_hWnd);
    return;
  }
  OnPlaybackTimer(id);
}

void CtavrinDlg::OnMinimise() {
  const ResizeHold hold;
  ShowWindow(SW_MINIMIZE);
}

void CtavrinDlg::OnDestroy() {
  ShutdownPlayback();
  // The map dialog and its browser control go while their windows and OLE are still there.
  m_map.Attach(nullptr);
  if (m_hPowerNotify) ::UnregisterPowerSettingNotification(m_hPowerNotify);
  m_hPowerNotify = nullptr;
  m_lapTime.Detach();
  // The movie window is not owned, so it does not go with this one by itself.
  if (m_movieDlg.m_hWnd) m_movieDlg.DestroyWindow();
  // The skin's GDI+ images go with the window, before GDI+ shuts down.
  m_skin.Unload();
  Default();
}

void CtavrinDlg::OnFilterRange(UINT id) {
  OnFilterCommand(static_cast<int>(id - quill::browser::kFilterCommandFirst));
}

LRESULT CtavrinDlg::OnProgress(WPARAM wp, LPARAM lp) {
  m_nProgress = ProgressPercent(wp, lp);
  if (m_progress.m_hWnd) {
    m_progress.m_nPos = m_nProgress;
    // The bar draws itself while its background is erased: an invalidation without erase would leave
    // it at the first percentage. It stays above the pane it lies on.
    m_progress.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_progress.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  return 0;
}

LRESULT CtavrinDlg::OnRearrangeMsg(WPARAM, LPARAM) {
  RearrangeForMovieFrame();
  return 0;
}

LRESULT CtavrinDlg::OnQueueMarker(WPARAM marker, LPARAM) {
  ::SetPropW(m_hWnd, kPropMarker, reinterpret_cast<HANDLE>(marker));
  return 0;
}

LRESULT CtavrinDlg::OnSourceVanished(WPARAM, LPARAM) {
  OnReloadSource();
  return 0;
}

bool CtavrinDlg::IsDataSourceAtNormalSpeed() {
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[DataSourceIndex()];
  return inst.active && inst.speedCode == 1;
}

void CtavrinDlg::SetNormalRate() {
  // Only a player at another speed is asked: Wine's session leaves a wait in its thread pool for every
  // rate request, so a storm of commands that each asked for the normal rate grew the process by
  // hundreds of idle threads.
  for (int i = 0; i < playcore::kPlayerCount; ++i) {
    playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[i];
    if (inst.active && g_PlayerFuncs[i].SetRate && inst.speedCode != playcore::kSpeedNormal) {
      g_PlayerFuncs[i].SetRate(&inst, 1);
    }
  }
}

void CtavrinDlg::OnFolderSelChanged(NMHDR* hdr, LRESULT* result) {
  if (result) *result = 0;
  if (!hdr || m_bShutDown) return;
  const HTREEITEM item = reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.hItem;
  // An item whose folder is gone (or names none) loads nothing: what plays goes on.
  if (!item || !::PathIsDirectoryW(m_browser.m_tree.GetItemPath(item))) return;
  PlayFolder(item);
  // A loaded folder: the current step's arrangement again (not while a tool owns the buttons).
  if (!m_bToolLock) GoToSizeStep(m_nSizeStep);
}

void CtavrinDlg::OnFilterCommand(int index) {
  if (index < 0 || index >= kFileListFilterCount || m_bShutDown) return;
  m_browser.SetFilter(index, !m_browser.m_list.m_bFilter[index]);
  if (m_browser.m_list.GetItemCount() == 0) {
    // Nothing left to show: stop everything, the empty state.
    playcore::PlayerCall_Pause(m_nPlayerSel);
    Stop();
    SetNormalRate();
    StopPlayback();
    m_nCurIndex = -1;
  }
  UpdateButtons();
}

bool CtavrinDlg::ReadRecorderVersion(const wchar_t*, int&, int&, CString&, CString&) { return false; }
