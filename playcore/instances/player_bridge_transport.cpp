// The player's part of the transport slots: play, pause, seek, position, rate, volume and the
// one-second step mode with its thread.
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/instances/position_units.h"
#include "playcore/instances/speed_codes.h"
#include "playcore/player/mf_player.h"
#include "playcore/player/session_transport.h"

#include <mferror.h>

#include <new>

#include "platform/com/com_ptr.h"

namespace playcore {
namespace bridge {

// The step thread of an instance and the event that ends it.
struct StepThread {
  quill::com::Handle stop;  // manual-reset
  quill::com::Handle thread;
};

namespace {

// GetPosition: a started clock reads 0 for a moment after a start; it is asked again this often.
constexpr int kClockReadTries = 10;
constexpr DWORD kClockReadPauseMs = 10;
// The step thread: one step per second.
constexpr DWORD kStepIntervalMs = 1000;
// The step thread ends as soon as its stop event is set; this bounds the wait for it all the same.
constexpr DWORD kStepThreadWaitMs = 5000;

// A Media Foundation player whose topology is not ready yet refuses every transport call.
CPlayer* ReadyPlayer(sPLAYERINSTANCE* instance) {
  CPlayer* player = PlayerOf(instance);
  return player && player->ready() ? player : nullptr;
}

DWORD WINAPI RunStepThread(void* parameter) {
  auto* instance = static_cast<sPLAYERINSTANCE*>(parameter);
  sSTEPSTATE& step = instance->step;
  const HANDLE stop = step.thread->stop.get();
  for (;;) {
    if (WaitForSingleObject(stop, kStepIntervalMs) != WAIT_TIMEOUT) return 0;
    if (instance->playState == kPlayPaused) continue;
    PostMessageW(step.target, kMsgStepTick, 0, static_cast<LPARAM>(step.position));
    ++step.position;
    if (step.position >= step.duration) {
      PostMessageW(step.target, kMsgStepEnd, 0, static_cast<LPARAM>(step.position));
      step.position = 0;
      return 0;
    }
  }
}

}  // namespace

void StopStepThread(sPLAYERINSTANCE* instance) {
  StepThread* running = instance->step.thread;
  if (!running) return;
  instance->step.thread = nullptr;
  SetEvent(running->stop.get());
  // A thread that has not ended keeps its record (it still reads the stop event): it is left behind
  // rather than freed under it.
  if (WaitForSingleObject(running->thread.get(), kStepThreadWaitMs) == WAIT_OBJECT_0) {
    delete running;
  }
}

int Play(sPLAYERINSTANCE* instance) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  return ShowHResultError(player->Play());
}

bool AtRest(sPLAYERINSTANCE* instance) {
  CPlayer* player = PlayerOf(instance);
  if (!player) return false;
  const LONG state = player->state();
  return state == kPlayerStopped || state == kPlayerPaused;
}

int PlayFrom(sPLAYERINSTANCE* instance, int64_t position) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  if (instance->playState != kPlayPlaying) return 1;
  return ShowHResultError(player->StartAt(PositionToMediaTime(position, instance->timeScale)));
}

int Pause(sPLAYERINSTANCE* instance, bool) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  // Pause and Stop both pause a started session: a stopped session would lose its picture.
  if (player->state() != kPlayerStarted) return 1;
  return ShowHResultError(player->Pause());
}

int64_t GetPosition(sPLAYERINSTANCE* instance) {
  CPlayer* player = PlayerOf(instance);
  if (!player) return 0;
  if (!player->ready()) return 0;
  LONGLONG time = 0;
  HRESULT hr = S_OK;
  for (int i = 0; i < kClockReadTries; ++i) {
    hr = player->GetTime(&time);
    if (FAILED(hr)) break;
    bool retry = false;
    const LONG state = player->state();
    time = AnswerClockRead(time, state == kPlayerStarted, state == kPlayerPaused,
                           player->knownTime(), &retry);
    if (!retry) break;
    Sleep(kClockReadPauseMs);
  }
  if (FAILED(hr) || time < 0) return -1;
  return MediaTimeToPosition(time, instance->timeScale);
}

int Seek(sPLAYERINSTANCE* instance, int64_t position) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  if (!ShowHResultError(player->SeekTo(PositionToMediaTime(position, instance->timeScale)))) return 0;
  // A paused picture is repainted at once; with a render interval the presenter skips frames, so
  // a second repaint makes sure the new one is drawn.
  if (SUCCEEDED(player->RepaintVideo()) && player->renderInterval() != 0) player->RepaintVideo();
  return 1;
}

int64_t GetDuration(sPLAYERINSTANCE* instance) {
  CPlayer* player = PlayerOf(instance);
  if (!player) return 0;
  return MediaTimeToPosition(player->duration(), instance->timeScale);
}

int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  LONG w = 0;
  LONG h = 0;
  if (!ShowHResultError(player->GetNativeSize(&w, &h))) return 0;
  if (width) *width = w;
  if (height) *height = h;
  return 1;
}

int SetRate(sPLAYERINSTANCE* instance, float rate, bool sound) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  // A movie without sound has no volume to set; that is no error.
  player->SetVolume(sound ? instance->volume : 0);
  return ShowHResultError(player->SetRate(rate));
}

int SetVolume(sPLAYERINSTANCE* instance, int32_t volume) {
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  if (!player->hasAudioVolume()) return 1;  // nothing to hear: the volume is kept for the next movie
  return ShowHResultError(player->SetVolume(volume));
}

int SetStepMode(sPLAYERINSTANCE* instance, bool on) {
  StopStepThread(instance);
  CPlayer* player = ReadyPlayer(instance);
  if (!player) return 0;
  if (!on) {
    player->Play();
    const sSPEEDCHOICE choice = ResolveSpeedCode(instance->speedCode, instance->speedCode, instance->reverse);
    player->SetVolume(choice.code == kSpeedNormal ? instance->volume : 0);
    player->SetRate(choice.rate);
    return 1;
  }
  player->SetVolume(0);
  sSTEPSTATE& step = instance->step;
  step.duration = GetDuration(instance);
  // The run starts where the movie stands, read with the movie held still. Letting it play first
  // (to pause it again after the read) lets a loaded machine run it into its end, or read the clock
  // of a session that has just restarted, which answers 0: the run then started after the last
  // position or at the very first, and its end came a whole movie later or never.
  if (player->state() == kPlayerStarted) player->Pause();
  step.position = GetPosition(instance);
  if (step.position < 0) step.position = 0;
  // A stopped session (just opened, or at its end) shows the frame the run starts from, paused, as
  // a paused one already does.
  if (player->state() == kPlayerStopped) {
    player->SeekTo(PositionToMediaTime(step.position, instance->timeScale));
  }
  step.target = GetParent(instance->videoWindow);
  auto* running = new (std::nothrow) StepThread;
  if (!running) return 0;
  running->stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  // The record is in place before the thread starts: the thread reads its stop event from it.
  step.thread = running;
  if (running->stop) {
    running->thread.reset(CreateThread(nullptr, 0, RunStepThread, instance, 0, nullptr));
  }
  if (!running->thread) {
    step.thread = nullptr;
    delete running;
    return 0;
  }
  return 1;
}

}  // namespace bridge
}  // namespace playcore
