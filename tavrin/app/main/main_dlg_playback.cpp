// CtavrinDlg: the open sequence of a recording pair and what follows the end of a movie.
//
//   PrepareOpenCurrent -> timer 101 -> OpenCurrent -> the players' ready reports at the panes ->
//   OnMovieReady -> open worker -> kDriveDataLoaded -> OnDriveDataLoaded -> timer 105 ->
//   StartPlayback -> kTimerTick ticks -> end of the movie -> OpenNext -> PrepareOpenCurrent ...
//   Timer 102 ends an open that never finished.
//
// Threads: everything here runs on the UI thread except the open and pre-open workers. A worker copies
// the entry's two paths under m_hPlayMutex, releases it and only then reads drive data ahead through
// PlayerInstance::SwitchDataFile (which takes the instances' own mutexes); the pre-open worker then
// resolves the next pair's two movie sources (PlayerInstance::PrepareMovie, which takes only its own
// lock) and opens a player of each up to ready (PlayerInstance::PreparePlayer: held messages, the
// instance mutex taken alone to copy the view) whose first frame it then draws into a hidden window
// (PlayerInstance::DrawPreparedPlayerAhead; nothing reaches the panes), which that pair's OpenMovie
// takes over and any other open, a tool, a stop or the close shuts down. The UI thread joins a previous worker before
// starting the next and never holds m_hPlayMutex while it joins; the join dispatches messages sent to
// the UI thread (a player's device may send its window one while the worker makes or closes it).
#include <process.h>

#include <cwchar>

#include "platform/com/message_wait.h"
#include "platform/framework/app.h"
#include "platform/framework/private_messages.h"
#include "playcore/dshow/graph_session.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/prepared_movies.h"
#include "playcore/instances/speed_codes.h"
#include "playcore/presenter/direct3d_objects.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/start_marks.h"
#include "tavrin/browser/play_mutex_wait.h"
#include "tavrin/browser/recording_names.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using playcore::kPlayerCount;

namespace {

constexpr unsigned kTextOpenFailed = 99;  // "動画のオープンに失敗しました。"
constexpr int kPathChars = static_cast<int>(playcore::kPlayerPathLength);

// What a worker gets: the dialog, the entry it copies and whether it pre-opens.
struct WorkerStart {
  CtavrinDlg* dlg;
  int index;
  unsigned generation;
  bool preOpen;
};

unsigned __stdcall PlaybackWorker(void* arg) {
  WorkerStart start = *static_cast<WorkerStart*>(arg);
  delete static_cast<WorkerStart*>(arg);
  wchar_t mainPath[kPathChars] = {};
  wchar_t rearPath[kPathChars] = {};
  if (!start.dlg->CopyEntryPaths(start.index, mainPath, rearPath)) return 0;
  if (start.preOpen) {
    // The data of the entry after the current one, read ahead, then its two movies' sources
    // resolved and their players opened up to ready, so that its open only takes them over.
    playcore::PlayerInstance::SwitchDataFile(mainPath, rearPath);
    const wchar_t* paths[kPlayerCount] = {mainPath, rearPath};
    for (int k = 0; k < kPlayerCount; ++k) {
      if (paths[k][0]) playcore::PlayerInstance::PrepareMovie(&g_PlayerInstance[k], paths[k]);
    }
    for (int k = 0; k < kPlayerCount; ++k) {
      if (paths[k][0]) playcore::PlayerInstance::PreparePlayer(&g_PlayerInstance[k], paths[k]);
    }
    // Both players' topologies are resolved side by side; each, once ready, draws its first frame
    // ahead into a hidden window, so that its first drawing into the pane after the take-over is as
    // quick as any later one.
    for (int k = 0; k < kPlayerCount; ++k) {
      if (paths[k][0]) playcore::PlayerInstance::DrawPreparedPlayerAhead(&g_PlayerInstance[k], paths[k]);
    }
    return 0;
  }
  playcore::PlayerInstance::SwitchDataFile(mainPath, rearPath);
  ::PostMessageW(start.dlg->m_hWnd, quill::msg::kDriveDataLoaded, start.generation, start.index);
  return 0;
}

bool InstanceActive(int k) { return k >= 0 && k < kPlayerCount && g_PlayerInstance[k].active; }

}  // namespace

void CtavrinDlg::EnablePanesAfterOpen() {
  // DisableAllButtons switched the primary pane's mouse handling and the movie window's size button
  // off for the open; the end of the open gives them back.
  m_pane[m_nMainPane].m_bEnabled = TRUE;
  if (m_movieDlg.m_btnSize.m_hWnd) m_movieDlg.m_btnSize.EnableWindow(TRUE);
}

bool CtavrinDlg::CopyEntryPaths(int index, wchar_t* mainPath, wchar_t* rearPath) {
  CPlayMutexLock lock(m_hPlayMutex.get());
  if (!lock.owned()) return false;
  const RecordingList& rows = m_browser.m_list.m_shownRecords;
  if (index < 0 || index >= static_cast<int>(rows.size())) return false;
  if (rows[index].uSerial == kFolderRowSerial) return false;
  wcsncpy(mainPath, rows[index].szMainPath, kPathChars - 1);
  mainPath[kPathChars - 1] = 0;
  wcsncpy(rearPath, rows[index].szRearPath, kPathChars - 1);
  rearPath[kPathChars - 1] = 0;
  return true;
}

void CtavrinDlg::JoinWorker(playcore::UniqueHandle& worker) {
  if (!worker) return;
  quill::com::WaitDispatchingSentMessages(worker.get(), INFINITE);
  worker.Reset();
}

void CtavrinDlg::StartWorker(playcore::UniqueHandle& worker, int index) {
  JoinWorker(worker);
  auto* start = new WorkerStart{this, index, m_uOpenGeneration, &worker == &m_hPreOpenThread};
  const uintptr_t h = _beginthreadex(nullptr, 0, PlaybackWorker, start, 0, nullptr);
  if (!h) {
    delete start;
    return;
  }
  worker.Reset(reinterpret_cast<HANDLE>(h));
}

int CtavrinDlg::PrepareOpenCurrent(int killTimer104, int redrawGraph, int resetInfo) {
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  if (m_nCurIndex < 0 || m_nCurIndex >= count || m_bShutDown) return 0;
  if (killTimer104) KillTimer(kTimerButtons);
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kPrepared);
  ++m_uPrepareCount;
  MapOnOpen();
  Stop();
  m_bOpened = FALSE;
  PublishPlaybackState();
  if (redrawGraph) {
    m_nCursor = 0;
    if (m_graph.m_hWnd) {
      m_graph.m_nCursor = 0;
      m_graph.Refresh();
    }
  }
  if (resetInfo && m_info.m_hWnd) m_info.ClearValues();
  if (!m_bEndRunning) UpdateButtons();
  KillTimer(kTimerOpen);
  if (m_bOpenBusy) {
    KillTimer(kTimerWatchdog);
    m_bOpenBusy = FALSE;
    AfxEndWaitCursor();
  }
  if (!m_bAutoOpen) {
    // The players of another entry are still opening: that open is abandoned (its ready reports and
    // its drive data are ignored) and this entry's open is armed in its place.
    ++m_uOpenGeneration;
    m_readyCount.Reset();
    m_bAutoOpen = TRUE;
  }
  if (m_bAutoOpen) {
    m_bOpenBusy = TRUE;
    AfxBeginWaitCursor();
    DisableAllButtons();
    SetTimer(kTimerWatchdog, Timings().watchdog);
    SetTimer(kTimerOpen, Timings().open);
  }
  PrepareVideoAhead();
  return 1;
}

void CtavrinDlg::PrepareVideoAhead() {
  // Once the window is up and an open waits for its timer: not before the show, which it would slow,
  // and not without a movie to play. Started once; later calls find it started.
  if (m_bStarted && m_bOpenBusy) m_direct3dAhead.Start(&playcore::PrepareDirect3DForEngines);
}

int CtavrinDlg::OpenCurrent() {
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kTimerWaited);
  KillTimer(kTimerTick);
  if (m_seekBar.m_hWnd) m_seekBar.SetEnabled(TRUE);
  m_bOpened = FALSE;
  m_bAtEnd = FALSE;
  m_bEndShown = FALSE;
  m_bEndWaiting = FALSE;
  m_bEndReported[0] = m_bEndReported[1] = FALSE;
  m_bEventsSent = FALSE;
  m_nSeekTarget = -1;
  // Moving to another movie must not end a seek-bar drag with a release (that would seek the new
  // movie): the drag is cancelled and the volume comes back.
  if (m_bSeekPressed) {
    m_seekBar.CancelDrag();
    m_bSeekPressed = FALSE;
    ApplyVolume();
  }
  // A new open: reports of an abandoned one neither complete it nor load its data.
  m_readyCount.Reset();
  ++m_uOpenGeneration;
  ++m_uOpenCount;
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  playcore::PlayerCall_CloseDataFileAll();
  playcore::PlayerCall_CloseMovieAll();
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kClosed);
  // The graph shows nothing of the closed recording while the next one opens.
  if (m_graph.m_hWnd) {
    m_graph.m_nGraphFlag = 0;
    m_graph.m_nCursor = 0;
    m_graph.Refresh();
  }
  DisableAllButtons();

  wchar_t paths[kPlayerCount][kPathChars] = {};
  if (!CopyEntryPaths(m_nCurIndex, paths[0], paths[1])) return 0;
  bool opened = false;
  for (int k = 0; k < kPlayerCount; ++k) {
    g_PlayerInstance[k].movieOpen = 0;
    if (InstanceActive(k) && paths[k][0] && g_PlayerFuncs[k].OpenMovie) {
      g_PlayerInstance[k].movieOpen = g_PlayerFuncs[k].OpenMovie(&g_PlayerInstance[k], paths[k]) ? 1 : 0;
      opened = opened || g_PlayerInstance[k].movieOpen;
    } else {
      // No movie for this player in this pair: a source resolved ahead for another pair goes.
      playcore::PlayerInstance::DropPreparedMovie(&g_PlayerInstance[k]);
    }
  }
  if (!opened) {
    const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
    // The browser's quiet-open word: its code selected the row to go on with the list.
    const bool automatic = m_nOpenReason == 2 || m_browser.m_bQuietOpen;
    m_nOpenReason = 0;
    m_browser.m_bQuietOpen = FALSE;
    m_bOpenBusy = FALSE;
    KillTimer(kTimerWatchdog);
    AfxEndWaitCursor();
    m_pane[0].Invalidate();
    m_pane[1].Invalidate();
    PublishPlaybackState();
    if (automatic) {
      // During an automatic advance the pair is skipped: the next one is prepared first, so that
      // it opens while the message is shown.
      m_bAutoOpen = TRUE;
      if (m_nCurIndex + 1 < count) {
        OpenNext();
      } else {
        m_bListEnd = TRUE;
        GotoNextFolder();
      }
    } else {
      m_bAutoOpen = TRUE;
      UpdateButtons();
      EnablePanesAfterOpen();
    }
    // An automatic advance skips a damaged pair without a word: a box there would run its own
    // message loop while the next open goes on, and each further damaged pair would nest another.
    if (automatic) return 0;
    auto show = Hooks().showMessage;
    if (show) {
      show(this, UIText(kTextOpenFailed), L"ERROR");
    } else {
      CMsgBox(this).Show(UIText(kTextOpenFailed), L"ERROR", CMsgBox::kTypeOk);
    }
    return 0;
  }
  // A popup menu left open would eat the next clicks.
  if (HWND menu = ::FindWindowW(L"#32768", nullptr)) {
    if (::IsWindowVisible(menu)) ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  }
  m_bOpenBusy = TRUE;
  PublishPlaybackState();
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kOpened);
  return 1;
}

void CtavrinDlg::OnMovieReady(WPARAM, int player) {
  if (m_bShutDown) return;  // a report queued before the close: the players are released
  // Only an open in flight (timer 101 took m_bAutoOpen) counts reports: those of an abandoned open
  // that arrive before the next one starts are not its own.
  if (m_bAutoOpen) return;
  if (!m_readyCount.Report(player, g_PlayerInstance[0].movieOpen != 0, g_PlayerInstance[1].movieOpen != 0)) return;
  for (int k = 0; k < kPlayerCount; ++k) {
    if (InstanceActive(k)) g_PlayerFuncs[k].SetRenderInterval(&g_PlayerInstance[k], m_nEdition);
  }
  const int aspect = m_nAspect;
  if (!m_bD3dxPresent) m_nPaneMode[0] = 2;
  m_nPaneMode[1] = 5;
  for (int k = 0; k < kPlayerCount; ++k) {
    m_pane[k].m_nViewMode = m_nPaneMode[k];
    if (!InstanceActive(k)) continue;
    g_PlayerFuncs[k].SetViewMode(&g_PlayerInstance[k], m_nPaneMode[k]);
    g_PlayerFuncs[k].ApplyAspectMode(&g_PlayerInstance[k], aspect);
    m_pane[k].FitPictureToPane();
  }
  KillTimer(kTimerOpen);
  m_bAutoOpen = TRUE;
  m_bAtEnd = FALSE;
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  if (m_nCurIndex < 0 || m_nCurIndex >= count) return;
  ShowDurationInInfo();
  UpdateSpeedLabel();
  m_pane[0].Invalidate(FALSE);
  m_pane[1].Invalidate(FALSE);
  m_nOpenReason = 0;
  m_browser.m_bQuietOpen = FALSE;
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kReady);
  StartWorker(m_hOpenThread, m_nCurIndex);
}

LRESULT CtavrinDlg::OnDriveDataLoaded(WPARAM generation, LPARAM index) {
  // The report of an open that was abandoned since does not start this one.
  if (static_cast<unsigned>(generation) != m_uOpenGeneration || index != m_nCurIndex) return 0;
  if (m_bOpened) return 0;
  m_bOpened = TRUE;
  if (m_bOpenBusy) {
    KillTimer(kTimerWatchdog);
    m_bOpenBusy = FALSE;
    AfxEndWaitCursor();
  }
  UpdateButtons();
  EnablePanesAfterOpen();
  wchar_t paths[kPlayerCount][kPathChars] = {};
  if (!CopyEntryPaths(m_nCurIndex, paths[0], paths[1])) return 0;
  if (!playcore::PlayerCall_OpenDataFile(paths[0], paths[1])) {
    // No drive data: the movies still play (the views stay empty).
  }
  ApplyVolume();
  // A new movie plays at the normal rate: only another speed is handed on. (A rate request on Wine's
  // session leaves a wait in its thread pool, and the dispatcher pauses 100 ms after it.)
  const int src = DataSourceIndex();
  if (InstanceActive(src) && g_PlayerInstance[src].speedCode != playcore::kSpeedNormal) {
    playcore::PlayerCall_SetRate(g_PlayerInstance[src].speedCode);
  }
  if (m_bPlayAfterOpen || m_bListEnd) {
    m_bPlayAfterOpen = FALSE;
    m_bListEnd = FALSE;
    Resume();
  } else {
    SetPlayButtonFace(false);
  }
  UpdateButtons();
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kLoaded);
  SetTimer(kTimerStart, Timings().start);
  // A filter graph shows the first frame of a stopped movie only when it is cued again; a Media
  // Foundation player draws its own.
  if (InstanceActive(src) && !g_PlayerInstance[src].renderer.player) playcore::PlayerCall_Repaint(playcore::kSelectorAll);
  return 0;
}

void CtavrinDlg::StartPlayback() {
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kStartTimer);
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  if (m_nCurIndex < 0 || m_nCurIndex >= count) return;
  sRECORDINGPAIR& entry = m_browser.m_list.m_shownRecords[m_nCurIndex];
  int32_t w = 0, h = 0;
  int quality = 0;
  if (InstanceActive(1) && g_PlayerFuncs[1].GetNativeSize(&g_PlayerInstance[1], &w, &h)) {
    quality = h == 720 ? 3 : h == 1080 ? 5 : 0;
  }
  entry.nImageQuality = quality;
  // The aspect to both panes.
  for (int k = 0; k < kPlayerCount; ++k) {
    if (InstanceActive(k) && g_PlayerFuncs[k].ApplyAspectMode) g_PlayerFuncs[k].ApplyAspectMode(&g_PlayerInstance[k], m_nAspect);
  }
  // A running tool holds playback: the drive data and the tick wait for the next open.
  if (m_bToolLock) return;
  LoadDriveData();
  OnDriveDataOpened();
  UpdateSpeedLabel();
  ShowDurationInInfo();
  ApplyVolume();
  SetTrackIndex(0);
  MapMoveMarker();
  m_nSeekTarget = -1;
  SetTimer(kTimerTick, Timings().tick);
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kStarted);
  // The next pair's drive data, read ahead while this one plays.
  if (m_nCurIndex + 1 < count) StartWorker(m_hPreOpenThread, m_nCurIndex + 1);
}

void CtavrinDlg::ShowDurationInInfo() {
  const int src = DataSourceIndex();
  const int64_t duration = InstanceActive(src) && g_PlayerFuncs[src].GetDuration2
                               ? g_PlayerFuncs[src].GetDuration2(&g_PlayerInstance[src])
                               : -1;
  if (m_info.m_hWnd) m_info.m_nDuration = duration >= 0 ? duration : -1;
}

void CtavrinDlg::LoadDriveData() {
  const int src = DataSourceIndex();
  int64_t samples = 0;
  if (InstanceActive(src)) samples = g_PlayerFuncs[src].GetDuration(&g_PlayerInstance[src]);
  if (samples < 0) samples = 0;
  if (m_seekBar.m_hWnd) {
    m_seekBar.SetRange(0, static_cast<int>(samples));
    m_seekBar.Redraw(0);
  }
  if (!InstanceActive(src)) return;
  const bool committed = playcore::PlayerInstance::CommitDataFile(&g_PlayerInstance[src]) != 0;
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  if (committed && m_nCurIndex >= 0 && m_nCurIndex < count && m_graph.m_hWnd) {
    // The recording's peak G of each axis becomes that band's scale.
    double peaks[3] = {};
    playcore::PlayerCall_LockAll();
    for (int a = 0; a < 3; ++a) peaks[a] = g_PlayerInstance[src].dataMap.peakAxis[a];
    playcore::PlayerCall_UnlockAll();
    m_graph.SetBandScales(peaks);
  }
  if (m_nCurIndex >= 0 && m_nCurIndex < count) {
    sRECORDINGPAIR& entry = m_browser.m_list.m_shownRecords[m_nCurIndex];
    const float ts = g_PlayerInstance[src].timeScale;
    // A movie without a time scale has no frame rate (never an infinite one).
    entry.fFrameRate = ts > 0.0f ? 1000.0f / ts : 0.0f;
    // The list sorts its time columns by the start: the local time of the movie's first GPS point,
    // when that is a time at all.
    SYSTEMTIME start = {};
    if (FirstFixTime(&start)) entry.stStart = start;
  }
  UpdateButtons();
  const LONG state = g_PlayerInstance[src].playState;
  if (state != playcore::kPlayPlaying) {
    for (int k = 0; k < kPlayerCount; ++k) {
      if (InstanceActive(k) && g_PlayerInstance[k].movieOpen) g_PlayerFuncs[k].SetPosition(&g_PlayerInstance[k], 0);
    }
  }
}

bool CtavrinDlg::FirstFixTime(SYSTEMTIME* start) {
  playcore::PlayerCall_LockAll();
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[DataSourceIndex()];
  const std::vector<playcore::sGPSPOINT>* gps = inst.active ? inst.dataMap.gpsPoints : nullptr;
  bool found = false;
  if (gps && !gps->empty()) {
    *start = gps->front().localTime;
    FILETIME ft;
    found = ::SystemTimeToFileTime(start, &ft) != FALSE;
  }
  playcore::PlayerCall_UnlockAll();
  return found;
}

void CtavrinDlg::OnEndOfMovie(WPARAM, int player) {
  // Both players report their end: the first report moves on once the other camera's picture has
  // come to its end too (see EndWaitsFor), and the other report (which arrives while the next pair
  // opens) must not move on a second time. A report that is no camera's (-1) moves on at once.
  if (m_bEndHandled || m_bEndRunning || !m_bOpened || m_bShutDown) return;
  if (player >= 0 && player < kPlayerCount) {
    if (!m_bEndWaiting) {
      const DWORD now = ::GetTickCount();
      for (int k = 0; k < kPlayerCount; ++k) {
        uint32_t shown = 0, dropped = 0;
        m_uEndShown[k] = InstanceActive(k) && playcore::PlayerInstance::GetFrameCounts(&g_PlayerInstance[k], &shown, &dropped)
                             ? shown
                             : 0;
        m_dwEndShownAt[k] = now;
      }
    }
    m_bEndReported[player] = TRUE;
    m_bEndWaiting = EndWaitsForOtherCamera() ? TRUE : FALSE;
    if (m_bEndWaiting) return;  // the tick moves on when the other camera's picture stops
  }
  m_bEndWaiting = FALSE;
  m_bEndRunning = TRUE;
  OpenNext();
  GotoNextFolder();
  m_bEndRunning = FALSE;
}

bool CtavrinDlg::EndWaitsForOtherCamera() {
  const DWORD now = ::GetTickCount();
  bool waits = false;
  for (int k = 0; k < kPlayerCount; ++k) {
    quill::app::EndWaitCamera camera;
    camera.open = InstanceActive(k) && g_PlayerInstance[k].movieOpen;
    camera.reported = m_bEndReported[k] != FALSE;
    uint32_t shown = 0, dropped = 0;
    camera.counted = camera.open && playcore::PlayerInstance::GetFrameCounts(&g_PlayerInstance[k], &shown, &dropped) != 0;
    if (camera.counted && shown != m_uEndShown[k]) {
      m_uEndShown[k] = shown;
      m_dwEndShownAt[k] = now;
    }
    camera.sinceFrameMs = now - m_dwEndShownAt[k];
    waits = waits || quill::app::EndWaitsFor(camera);
  }
  return waits;
}

void CtavrinDlg::FollowEndWait() {
  if (!m_bEndWaiting) return;
  if (EndWaitsForOtherCamera()) return;
  m_bEndWaiting = FALSE;
  OnEndOfMovie(0, -1);
}

void CtavrinDlg::OnGraphEvent(WPARAM, LPARAM player) {
  // The Media Foundation path reports the end through the pane's end message; on the filter-graph
  // path the pane of each player forwards its graph's notice here, and every waiting event is taken.
  const int k = static_cast<int>(player);
  if (!InstanceActive(k) || m_bShutDown) return;
  const int seen = playcore::PlayerInstance::TakeGraphEvents(&g_PlayerInstance[k]);
  if (seen & playcore::dshow::kGraphEventFullscreenLost) RearrangeForMovieFrame();
  if (seen & playcore::dshow::kGraphEventComplete) OnEndOfMovie(0, k);
}

bool CtavrinDlg::NextFolderItem(HTREEITEM* next) {
  *next = nullptr;
  if (!m_browser.m_tree.m_hWnd) return false;
  const HWND tree = m_browser.m_tree.m_hWnd;
  auto caret = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!caret) return false;
  *next = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                     reinterpret_cast<LPARAM>(caret)));
  return *next != nullptr;
}

void CtavrinDlg::OpenNext() {
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  HTREEITEM folder = nullptr;
  const NextStep step = ChooseNextStep(m_nCurIndex, count, NextFolderItem(&folder));
  switch (step) {
    case NextStep::kNone:
      return;
    case NextStep::kNextEntry: {
      {
        CPlayMutexLock lock(m_hPlayMutex.get());
        ++m_nCurIndex;
      }
      if (m_bSeekPressed) {
        m_seekBar.CancelDrag();
        m_bSeekPressed = FALSE;
        ApplyVolume();
      }
      // The row is selected while the index already names it, so the list does not open it again.
      m_browser.SelectItem(m_nCurIndex, 1);
      m_nCursor = 0;
      m_bPlayAfterOpen = TRUE;  // an advance goes on playing
      m_nOpenReason = 2;
      PrepareOpenCurrent(1, 1, 0);
      return;
    }
    case NextStep::kNextFolder:
      if (m_bToolLock) break;  // a running tool holds playback where it is
      playcore::PlayerCall_Pause(TransportSelector());
      ApplyVolume();
      UpdateSpeedLabel();
      break;
    case NextStep::kListEnd:
      if (m_bToolLock) break;  // a running tool holds playback where it is
      // The last movie opens again at its start.
      if (!IsDataSourceAtNormalSpeed()) playcore::PlayerCall_SetRate(1);
      m_bPlayAfterOpen = FALSE;
      m_nOpenReason = 2;
      PrepareOpenCurrent(1, 0, 0);
      break;
  }
  Stop();
  m_bListEnd = TRUE;
}

void CtavrinDlg::GotoNextFolder() {
  if (!m_bListEnd) return;
  HTREEITEM next = nullptr;
  if (!NextFolderItem(&next)) {
    m_bListEnd = FALSE;
    m_bEndHandled = TRUE;
    m_bAutoOpen = TRUE;
    LeaveZoomMode();
    UpdateButtons();
    return;
  }
  // Selecting the folder loads it, and the list's selection of its first row opens that row; when
  // the list did not select it, the first row is opened here.
  const unsigned before = m_uPrepareCount;
  ::SendMessageW(m_browser.m_tree.m_hWnd, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(next));
  const int count = static_cast<int>(m_browser.m_list.m_shownRecords.size());
  if (count > 0 && m_uPrepareCount == before) {
    {
      CPlayMutexLock lock(m_hPlayMutex.get());
      m_nCurIndex = 0;
    }
    m_browser.SelectItem(0, 1);
    m_nOpenReason = 2;
    m_bAutoOpen = TRUE;
    PrepareOpenCurrent(1, 1, 0);
  }
}

void CtavrinDlg::PlayFolder(HTREEITEM item) {
  if (!item) return;
  const int lead = TransportSelector() == playcore::kSelectorAll ? DataSourceIndex() : TransportSelector();
  if (InstanceActive(lead) && g_PlayerInstance[lead].playState == playcore::kPlayPlaying) {
    playcore::PlayerCall_Pause(TransportSelector());
  }
  Stop();
  if (!m_bListEnd) SetNormalRate();
  // The workers are joined without m_hPlayMutex held: they take it first.
  StopPlayback();
  m_browser.LoadFolder(item, 0, FALSE);
  if (!m_browser.m_list.m_shownRecords.empty()) {
    m_bEndHandled = FALSE;
    m_browser.SelectItem(0, 0);  // the list's selection opens the row
  }
  UpdateButtons();
}

void CtavrinDlg::StopPlayback() {
  m_nCursor = 0;
  KillTimer(kTimerTick);
  // An open in flight ends with the playback: its timers go (the open timer would open an entry
  // that is no longer there, the watchdog would hold the window until it fired), the busy state and
  // the wait cursor end, and the caller's UpdateButtons gives the controls the state of the list.
  KillTimer(kTimerOpen);
  if (m_bOpenBusy) {
    KillTimer(kTimerWatchdog);
    m_bOpenBusy = FALSE;
    AfxEndWaitCursor();
    EnablePanesAfterOpen();
    // The open took the caption buttons too; an emptied list keeps them as they are, so they are
    // given back here as the empty window has them.
    for (CSkinButton& b : m_caption) {
      if (b.m_hWnd) b.EnableWindow(TRUE);
    }
  }
  for (CMovieStatic& pane : m_pane) {
    if (pane.m_hWnd) pane.ResetDrag();
  }
  playcore::PlayerCall_CloseDataFileAll();
  playcore::PlayerCall_CloseMovieAll();
  UpdateSpeedLabel();  // with the movies closed: no label
  JoinWorker(m_hOpenThread);
  // What the pre-open worker prepares is dropped before it is joined: a worker waiting for a prepared
  // player's readiness ends its wait at the drop instead of holding this window up to its bound.
  DropPreparedMovies();
  JoinWorker(m_hPreOpenThread);
  DropPreparedMovies();
  m_bOpened = FALSE;
  m_nSeekTarget = -1;
  ResetDriveViews();
  MapOnOpen();
  UpdateMapOrLogo();
  // Both instances forget what they read ahead: a later recording of the same name (another card) is
  // read again, not taken over.
  for (int k = 0; k < kPlayerCount; ++k) playcore::PlayerInstance::ClearReadAhead(&g_PlayerInstance[k]);
  {
    CPlayMutexLock lock(m_hPlayMutex.get());
    m_nCurIndex = -1;
  }
  m_bAutoOpen = TRUE;
  ++m_uOpenGeneration;
  m_readyCount.Reset();
  RefreshVideo();
  if (m_browser.m_hWnd) m_browser.FitListColumn();
  if (m_pad.m_hWnd) m_pad.SetMode(0);
}

void CtavrinDlg::ResetDriveViews() {
  // Nothing of the stopped recording stays: no values, no graph, no events a graph click could seek
  // to, the seek bar at its start.
  {
    playcore::MutexLock lock(m_hDataMutex.get());
    m_driveEvents.clear();
  }
  m_bEventsSent = FALSE;
  if (m_seekBar.m_hWnd) {
    m_seekBar.SetRange(0, 0);
    m_seekBar.Redraw(0);
  }
  if (m_graph.m_hWnd) {
    m_graph.m_nGraphFlag = 0;
    m_graph.m_nCursor = 0;
    m_graph.Refresh();
  }
  if (m_info.m_hWnd) {
    m_info.m_bStartValid = FALSE;
    m_info.ClearValues();
  }
}

void CtavrinDlg::StopPlaybackWorkers() {
  if (m_hWnd) {
    for (UINT_PTR id : {kTimerTick, kTimerOpen, kTimerWatchdog, kTimerStart, kTimerFade}) KillTimer(id);
    KillTimer(kTimerDisplayOn);
  }
  ++m_uOpenGeneration;
  for (CMovieStatic& pane : m_pane) pane.StopInertiaThread();
  if (m_hWnd) {
    for (const wchar_t* prop : {kPropPosition, kPropIndex, kPropOpens, kPropState, kPropSpeed, kPropMarker,
                                kPropFramesShown, kPropFramesDropped}) {
      ::RemovePropW(m_hWnd, prop);
    }
  }
}

void CtavrinDlg::JoinPlaybackWorkers() {
  JoinWorker(m_hOpenThread);
  DropPreparedMovies();
  JoinWorker(m_hPreOpenThread);
  DropPreparedMovies();
}

void CtavrinDlg::DropPreparedMovies() {
  for (int k = 0; k < kPlayerCount; ++k) playcore::PlayerInstance::DropPreparedMovie(&g_PlayerInstance[k]);
}

bool CtavrinDlg::IsOpenInProgress() { return m_bOpenBusy != FALSE; }
