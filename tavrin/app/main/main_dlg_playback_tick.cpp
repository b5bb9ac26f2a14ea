// CtavrinDlg: the 100 ms tick that follows the players, the end guard, seeking from the seek bar with
// the volume fade-in, and the transport commands (play/pause, to start, faster, slower). UI thread.
#include <algorithm>

#include "platform/framework/app.h"
#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/start_marks.h"
#include "tavrin/browser/play_mutex_wait.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;
using playcore::kPlayerCount;

namespace {

constexpr unsigned kTextPlay = 12;   // "再生"
constexpr unsigned kTextPause = 11;  // "一時停止"
constexpr UINT kFacePlay = 148;
constexpr UINT kFacePause = 147;

bool InstanceActive(int k) { return k >= 0 && k < kPlayerCount && g_PlayerInstance[k].active; }

// The instance the selector leads with (the data source for "all").
int LeadingInstance(int selector) {
  return selector == playcore::kSelectorAll ? playcore::DataSourceIndex() : std::clamp(selector, 0, 1);
}

int StateOf(int k) { return InstanceActive(k) ? static_cast<int>(g_PlayerInstance[k].playState) : 0; }

int64_t PositionOf(int k) {
  return InstanceActive(k) ? g_PlayerFuncs[k].GetPosition(&g_PlayerInstance[k]) : 0;
}

int64_t DurationOf(int k) {
  return InstanceActive(k) && g_PlayerInstance[k].movieOpen ? g_PlayerFuncs[k].GetDuration(&g_PlayerInstance[k]) : 0;
}

// "m:ss / m:ss" of a position and a duration in units of `timeScale` milliseconds.
CString LapText(int64_t position, int64_t duration, float timeScale) {
  auto seconds = [&](int64_t p) { return timeScale > 0 ? static_cast<int64_t>(p * static_cast<double>(timeScale) / 1000.0) : 0; };
  const int64_t a = seconds(position), b = seconds(duration);
  CString text;
  text.Format(L"%d:%02d / %d:%02d", static_cast<int>(a / 60), static_cast<int>(a % 60), static_cast<int>(b / 60),
              static_cast<int>(b % 60));
  return text;
}

}  // namespace

int CtavrinDlg::TransportSelector() {
  // Both cameras of a pair play, pause and stop together; a pair with one camera follows the
  // dialog's own selector.
  const bool both = InstanceActive(0) && InstanceActive(1) && g_PlayerInstance[0].movieOpen && g_PlayerInstance[1].movieOpen;
  return both ? playcore::kSelectorAll : m_nPlayerSel;
}

void CtavrinDlg::OnPlaybackTimer(UINT_PTR id) {
  switch (id) {
    case kTimerTick:
      OnTick();
      break;
    case kTimerOpen:
      KillTimer(kTimerOpen);
      if (m_bAutoOpen) {
        m_bAutoOpen = FALSE;
        if (!OpenCurrent()) {
          // Unless the failure already moved on to another entry.
          if (!m_bOpenBusy) {
            KillTimer(kTimerWatchdog);
            EnableToolButtons(0);
            UpdateButtons();
            m_bAutoOpen = TRUE;
            LeaveZoomMode();
          }
        }
      }
      AfxEndWaitCursor();
      break;
    case kTimerWatchdog:
      // The open never finished: give the controls back so that another entry can be chosen.
      KillTimer(kTimerWatchdog);
      m_bOpenBusy = FALSE;
      m_bListEnd = FALSE;
      m_bAtEnd = FALSE;
      ++m_uOpenGeneration;
      m_readyCount.Reset();
      AfxEndWaitCursor();
      UpdateButtons();
      EnablePanesAfterOpen();
      m_bAutoOpen = TRUE;
      break;
    case kTimerButtons:
      KillTimer(kTimerButtons);
      UpdateButtons();
      break;
    case kTimerStart:
      KillTimer(kTimerStart);
      StartPlayback();
      break;
    case kTimerFade: {
      const FadeStep step = NextFadeStep(m_nFadeVolume, m_nVolume);
      playcore::PlayerCall_SetVolume(m_nPlayerSel, step.apply);  // the primary camera is heard
      m_nFadeVolume = step.next;
      if (step.done) KillTimer(kTimerFade);
      break;
    }
    default:
      break;
  }
}

void CtavrinDlg::PublishPlaybackState() {
  // Read by monitoring tools and the end-to-end tests from outside the process.
  if (!m_hWnd) return;
  const int lead = LeadingInstance(TransportSelector());
  ::SetPropW(m_hWnd, kPropPosition, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_nCursor + 1)));
  ::SetPropW(m_hWnd, kPropIndex, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_nCurIndex + 1)));
  ::SetPropW(m_hWnd, kPropOpens, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(m_uOpenCount)));
  ::SetPropW(m_hWnd, kPropState, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(StateOf(lead) + 1)));
  const int src = DataSourceIndex();
  const int speed = InstanceActive(src) ? g_PlayerInstance[src].speedCode : 0;
  ::SetPropW(m_hWnd, kPropSpeed, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(speed + 100)));
  uint32_t shown = 0, dropped = 0;
  if (InstanceActive(lead) && playcore::PlayerInstance::GetFrameCounts(&g_PlayerInstance[lead], &shown, &dropped)) {
    ::SetPropW(m_hWnd, kPropFramesShown, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(shown) + 1));
    ::SetPropW(m_hWnd, kPropFramesDropped, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dropped) + 1));
  } else {
    ::RemovePropW(m_hWnd, kPropFramesShown);
    ::RemovePropW(m_hWnd, kPropFramesDropped);
  }
}

void CtavrinDlg::OnTick() {
  PublishPlaybackState();
  FollowEndWait();
  quill::app::MarkOpen(m_hWnd, quill::app::OpenStep::kFirstTick);
  const int lead = LeadingInstance(TransportSelector());
  const int state = StateOf(lead);
  MapOnTick(InstanceActive(lead), state);
  if (state != playcore::kPlayPlaying) return;
  if (CheckMovieEnd()) {
    if (!m_bEndShown) {
      m_bEndShown = TRUE;
      if (m_bSeekPressed) {
        // A drag ends here: the volume comes back before the slider lets go.
        m_bSeekPressed = FALSE;
        m_seekBar.CancelDrag();
        ApplyVolume();
      }
      if (m_seekBar.m_hWnd) m_seekBar.SetEnabled(FALSE);
      DisableAllButtons();
    }
  } else if (m_bEndShown) {
    m_bEndShown = FALSE;
    if (m_seekBar.m_hWnd) m_seekBar.SetEnabled(TRUE);
    UpdateButtons();
    EnablePanesAfterOpen();
  }
  const int64_t position = PositionOf(lead);
  if (position > 0) {
    const int64_t duration = DurationOf(lead);
    if (m_nSeekTarget < 0) {
      if (!m_bSeekPressed) SetTrackIndex(position);
    } else if (PendingSeekReached(m_nSeekTarget, position, duration)) {
      SetTrackIndex(position);
      m_nSeekTarget = -1;
    }
    const CString lap = LapText(position, duration, g_PlayerInstance[lead].timeScale);
    if (lap != m_strLapTime) {
      m_strLapTime = lap;
      DrawLapTime();
    }
  }
  if (!m_bEventsSent) SendEventsToMap(m_nCurIndex);
}

RECT CtavrinDlg::LapTimeRect() {
  // The step's strip at the left end of the button row, under the G-sensor graph.
  return quill::app::LayoutForStep(m_nSizeStep).lapTime;
}

void CtavrinDlg::DrawLapTime() {
  if (!m_hWnd || m_bFullScreen || m_nSizeStep != 0) return;
  const RECT rc = LapTimeRect();
  // The backdrop under the text first, then the text on it.
  InvalidateRect(&rc, TRUE);
  UpdateWindow();
  HDC dc = ::GetDC(m_hWnd);
  if (!dc) return;
  {
    CDCSave saved(dc);
    if (g_hFont10) ::SelectObject(dc, g_hFont10);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_lapTime.m_crBack);
    RECT text = rc;
    ::DrawTextW(dc, m_strLapTime, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  }
  ::ReleaseDC(m_hWnd, dc);
}

void CtavrinDlg::SetTrackIndex(int64_t position) {
  const int minimum = m_seekBar.m_nMin, maximum = m_seekBar.m_nMax;
  m_nCursor = ClampCursor(position, minimum, maximum);
  PublishPlaybackState();
  if (m_seekBar.m_hWnd) m_seekBar.Redraw(static_cast<int>(m_nCursor));
  RefreshDriveViews();  // at the cursor: a dragged seek bar moves the views before the players
}

BOOL CtavrinDlg::CheckMovieEnd() {
  if (m_bAtEnd) return TRUE;
  if (!m_bOpened) return FALSE;
  const int lead = LeadingInstance(TransportSelector());
  const int state = StateOf(lead);
  if (state == playcore::kPlayStopped || state == playcore::kPlayPaused || state == 0) return FALSE;
  const int64_t position = PositionOf(lead);
  const int64_t duration = DurationOf(lead);
  if (duration == 0 || position + GetFrameMargin() < duration) return FALSE;
  m_bAtEnd = TRUE;
  if (HWND menu = ::FindWindowW(L"#32768", nullptr)) {
    if (::IsWindowVisible(menu)) ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  }
  return TRUE;
}

int CtavrinDlg::GetFrameMargin() {
  const int src = DataSourceIndex();
  const int speed = InstanceActive(src) ? g_PlayerInstance[src].speedCode : 0;
  return FrameMargin(speed, playcore::PlayerCall_GetTimeScale(TransportSelector()));
}

void CtavrinDlg::SeekTo(int selector, int64_t position) {
  const int src = DataSourceIndex();
  const int speed = InstanceActive(src) ? g_PlayerInstance[src].speedCode : 1;
  const int64_t durations[2] = {DurationOf(0), DurationOf(1)};
  const SeekPlan plan = PlanSeek(position, m_seekBar.m_nMin, m_seekBar.m_nMax, speed, GetFrameMargin(), durations);
  const int lead = LeadingInstance(selector);
  const bool playing = StateOf(lead) == playcore::kPlayPlaying;
  if (playing) playcore::PlayerCall_Pause(selector);
  for (int k = 0; k < kPlayerCount; ++k) {
    if (plan.target[k] < 0 || !InstanceActive(k) || !g_PlayerInstance[k].movieOpen) continue;
    // The dispatchers scale the position into each instance's own units.
    const int32_t target = static_cast<int32_t>(plan.target[k]);
    if (playing) {
      playcore::PlayerCall_Seek(k, target);
    } else {
      playcore::PlayerCall_SetPosition(k, target);
    }
  }
  m_nSeekTarget = plan.target[lead] >= 0 ? plan.target[lead] : -1;
  SetTrackIndex(plan.cursor);
  if (playing) {
    playcore::PlayerCall_Play(selector);
  } else {
    playcore::PlayerCall_Repaint(selector);
  }
  UpdateButtons();
  MapMoveMarker();
}

LRESULT CtavrinDlg::OnSeekPress(WPARAM id, LPARAM) {
  if (m_bOpenBusy || id != kSeekBarId || !m_bOpened) return 0;
  m_bSeekPressed = TRUE;
  playcore::PlayerCall_SetVolume(TransportSelector(), 0);
  m_nSeekPlayState = StateOf(LeadingInstance(TransportSelector()));
  if (m_nSeekPlayState != playcore::kPlayPaused) playcore::PlayerCall_Pause(TransportSelector());
  return 0;
}

LRESULT CtavrinDlg::OnSeekTrack(WPARAM id, LPARAM pos) {
  if (m_bOpenBusy) return 0;
  if (id == kVolumeId) {
    m_nVolume = static_cast<int>(std::clamp<LPARAM>(pos, 0, 65535));
    ApplyVolume();
  } else if (id == kSeekBarId && m_bOpened) {
    SetTrackIndex(pos);
  }
  return 0;
}

LRESULT CtavrinDlg::OnSeekRelease(WPARAM id, LPARAM pos) {
  if (m_bOpenBusy) return 0;
  if (id == kVolumeId) {
    m_nVolume = static_cast<int>(std::clamp<LPARAM>(pos, 0, 65535));
    ApplyVolume();
    CString text;
    text.Format(L"%d", m_nVolume);
    WriteIni(L"DISPLAY", L"VOLUME", text);
    return 0;
  }
  if (id != kSeekBarId) return 0;
  const bool pressed = m_bSeekPressed != FALSE;
  m_bSeekPressed = FALSE;
  if (!m_bOpened || !m_seekBar.m_bEnabled) {
    // A drag ended by disabling the slider: only the volume comes back.
    if (pressed) ApplyVolume();
    return 0;
  }
  OnSeekBarReleased(pos);
  return 0;
}

void CtavrinDlg::OnSeekBarReleased(int64_t position) {
  const int64_t duration = DurationOf(LeadingInstance(TransportSelector()));
  SeekTo(TransportSelector(), std::min(position, duration - 2 * static_cast<int64_t>(GetFrameMargin())));
  if (m_nSeekPlayState == playcore::kPlayPlaying) playcore::PlayerCall_Play(TransportSelector());
  m_nSeekPlayState = 0;
  UpdateButtons();
  m_nFadeVolume = 0;
  KillTimer(kTimerFade);
  SetTimer(kTimerFade, Timings().fade);
}

LRESULT CtavrinDlg::OnStepTick(WPARAM, LPARAM position) {
  playcore::PlayerCall_Seek(TransportSelector(), static_cast<int32_t>(position));
  m_nSeekTarget = -1;
  SetTrackIndex(position);
  return 0;
}

LRESULT CtavrinDlg::OnStepEnd(WPARAM, LPARAM) {
  OnEndOfMovie(0, -1);  // the step thread's end, no camera's: moves on at once
  return 0;
}

void CtavrinDlg::SetPlayButtonFace(bool playing) {
  CSkinButton& button = m_tool[kCmdPlay - kToolFirst];
  if (m_bFullScreen || !button.m_hWnd) return;
  m_toolTip.UpdateTipText(UIText(playing ? kTextPause : kTextPlay), &button);
  button.SetImages(playing ? kFacePause : kFacePlay);
  button.Invalidate(TRUE);
}

void CtavrinDlg::Stop() {
  const int state = StateOf(LeadingInstance(TransportSelector()));
  if (state != playcore::kPlayPlaying && state != playcore::kPlayPaused) return;
  {
    CPlayMutexLock lock(m_hPlayMutex.get());
    playcore::PlayerCall_Stop(TransportSelector());
  }
  SetPlayButtonFace(false);
  m_map.UpdateMarker(driveviews::kMapStopped);
}

void CtavrinDlg::PauseShow() {
  if (StateOf(LeadingInstance(TransportSelector())) != playcore::kPlayPlaying) return;
  playcore::PlayerCall_Pause(TransportSelector());
  playcore::PlayerCall_Repaint(TransportSelector());
  SetPlayButtonFace(false);
  m_map.UpdateMarker(driveviews::kMapPaused);
}

BOOL CtavrinDlg::Resume() {
  const int state = StateOf(LeadingInstance(TransportSelector()));
  if (state != playcore::kPlayStopped && state != playcore::kPlayPaused) return FALSE;
  m_bEndHandled = FALSE;
  const BOOL ok = playcore::PlayerCall_Play(TransportSelector()) ? TRUE : FALSE;
  SetPlayButtonFace(ok != FALSE);
  if (ok) m_map.UpdateMarker(driveviews::kMapPlaying);
  return ok;
}

void CtavrinDlg::UpdateSpeedLabel() {
  const int src = DataSourceIndex();
  const unsigned text =
      InstanceActive(src) && g_PlayerInstance[src].movieOpen ? SpeedLabelText(g_PlayerInstance[src].speedCode) : 0;
  // Straight to the info panel: while paused no tick refreshes it.
  if (!m_info.m_hWnd) return;
  m_info.m_strSpeedLabel = text ? CString(UIText(text)) : CString();
  m_info.Refresh();
}

void CtavrinDlg::OnPlayPause() {
  m_map.RearmPageReady();
  const int lead = LeadingInstance(TransportSelector());
  if (m_bOpened && StateOf(lead) == playcore::kPlayPlaying) {
    if (!CheckMovieEnd()) {
      if (!IsDataSourceAtNormalSpeed()) playcore::PlayerCall_SetRate(1);
      PauseShow();
      UpdateSpeedLabel();
    }
  } else {
    ApplyVolume();
    m_bEndHandled = FALSE;
    if (!Resume()) m_bPlayAfterOpen = TRUE;
    UpdateSpeedLabel();
  }
  UpdateButtons();
  PublishPlaybackState();
}

void CtavrinDlg::OnToStart() {
  // While a tool runs this button is its stop: the tool ends (a list tool after the record in hand)
  // and its finish message completes the stop.
  if (m_bToolRunning || m_toolThread.joinable()) {
    StopRunningTool();
    return;
  }
  if (CheckMovieEnd()) return;
  playcore::PlayerCall_SetRate(1);
  ApplyVolume();
  UpdateSpeedLabel();
  playcore::PlayerCall_SetPosition(TransportSelector(), 0);
  // A seek still pending would hold the views until the movie got back there.
  m_nSeekTarget = -1;
  SetTrackIndex(0);
  Stop();
  UpdateButtons();
}

void CtavrinDlg::OnFastForward() {
  if (CheckMovieEnd()) return;
  const int src = DataSourceIndex();
  if (!InstanceActive(src)) return;
  const int32_t next = playcore::PlayerInstance::SpeedStep(&g_PlayerInstance[src], 1);
  if (next == g_PlayerInstance[src].speedCode) return;
  playcore::PlayerCall_SetRate(next);
  UpdateButtons();
  UpdateSpeedLabel();
  PublishPlaybackState();
}

void CtavrinDlg::OnSlow() {
  if (CheckMovieEnd()) return;
  const int src = DataSourceIndex();
  if (!InstanceActive(src)) return;
  const int32_t next = playcore::PlayerInstance::SpeedStep(&g_PlayerInstance[src], 0);
  if (next == g_PlayerInstance[src].speedCode) return;
  playcore::PlayerCall_SetRate(next);
  UpdateButtons();
  UpdateSpeedLabel();
  PublishPlaybackState();
}
