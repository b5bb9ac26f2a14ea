// The movie slots: open and close, transport, position, duration, rate and volume. Each takes the
// gate and the instance mutex, keeps the instance's own words and leaves the player's part to
// player_bridge.h, or to dshow_bridge.h when the instance plays through a DirectShow graph.
#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/instances/speed_codes.h"

namespace playcore {
namespace PlayerInstance {

namespace {

// Runs `step` under the gate and the instance mutex; `refused` when the instance cannot be entered.
template <class R, class Step>
R Locked(sPLAYERINSTANCE* instance, R refused, Step step) {
  InstanceUse use(instance);
  if (!use.entered()) return refused;
  MutexLock lock(instance->instanceMutex);
  return step();
}

// Pause and Stop: both pause a Media Foundation session; the state tells them apart.
int PauseOrStop(sPLAYERINSTANCE* instance, bool stop) {
  return Locked(instance, 0, [&] {
    LONG target = stop ? kPlayStopped : kPlayPaused;
    if (instance->playState == target) return 1;
    if (!(dsbridge::UsesGraph(instance) ? dsbridge::Pause(instance, stop) : bridge::Pause(instance, stop))) return 0;
    InterlockedExchange(&instance->playState, target);
    return 1;
  });
}

}  // namespace

// A failed open leaves the instance as it was (the file is no usable movie) or cleanly closed (the
// previous player was already shut on the way), never a state word without a player behind it.
int OpenMovie(sPLAYERINSTANCE* instance, const wchar_t* path) {
  return Locked(instance, 0, [&] {
    const float previousScale = instance->timeScale;
    if (!ReadMovieTimeScale(instance, path)) {
      instance->timeScale = previousScale;
      return 0;
    }
    if (!bridge::OpenPlayer(instance, path)) {
      instance->timeScale = 0.0f;
      InterlockedExchange(&instance->playState, kPlayClosed);
      return 0;
    }
    InterlockedExchange(&instance->playState, kPlayStopped);
    return 1;
  });
}

int CloseMovie(sPLAYERINSTANCE* instance) {
  return Locked(instance, 0, [&] {
    bridge::ClosePlayer(instance);  // closing with nothing open is fine
    // No movie, no time scale: a position asked of a closed instance is not converted with the
    // closed movie's.
    instance->timeScale = 0.0f;
    InterlockedExchange(&instance->playState, kPlayClosed);
    return 1;
  });
}

int Play(sPLAYERINSTANCE* instance) {
  return Locked(instance, 0, [&] {
    // A movie that reached its end (or a seek) leaves the session at rest while the instance still
    // reads playing: a Play then starts it again rather than answering that it plays. A graph cannot
    // be asked whether it runs, and a run of a running graph changes nothing: it is always run.
    const bool graph = dsbridge::UsesGraph(instance);
    if (instance->playState == kPlayPlaying && !graph && !bridge::AtRest(instance)) return 1;
    if (!(dsbridge::UsesGraph(instance) ? dsbridge::Play(instance) : bridge::Play(instance))) return 0;
    InterlockedExchange(&instance->playState, kPlayPlaying);
    return 1;
  });
}

int PlayFrom(sPLAYERINSTANCE* instance, int64_t position) {
  return Locked(instance, 0, [&] {
    return dsbridge::UsesGraph(instance) ? dsbridge::PlayFrom(instance, position) : bridge::PlayFrom(instance, position);
  });
}

int Pause(sPLAYERINSTANCE* instance) { return PauseOrStop(instance, false); }
int Stop(sPLAYERINSTANCE* instance) { return PauseOrStop(instance, true); }

int64_t GetPosition(sPLAYERINSTANCE* instance) {
  return Locked(instance, int64_t{0}, [&] {
    int64_t position = dsbridge::UsesGraph(instance) ? dsbridge::GetPosition(instance) : bridge::GetPosition(instance);
    instance->lastPosition = position;
    return position;
  });
}

int Seek(sPLAYERINSTANCE* instance, int64_t position) {
  return Locked(instance, 0, [&] {
    return dsbridge::UsesGraph(instance) ? dsbridge::Seek(instance, position) : bridge::Seek(instance, position);
  });
}

int SetPosition(sPLAYERINSTANCE* instance, int64_t position) { return Seek(instance, position); }

int SetRate(sPLAYERINSTANCE* instance, int32_t speedCode) {
  return Locked(instance, 0, [&] {
    sSPEEDCHOICE choice = ResolveSpeedCode(instance->speedCode, speedCode, instance->reverse);
    instance->speedCode = choice.code;
    const bool sound = choice.code == kSpeedNormal;
    return dsbridge::UsesGraph(instance) ? dsbridge::SetRate(instance, choice.rate, sound) : bridge::SetRate(instance, choice.rate, sound);
  });
}

int SetVolume(sPLAYERINSTANCE* instance, int32_t volume) {
  return Locked(instance, 0, [&] {
    instance->volume = ClampVolume(volume);
    // Only normal speed plays sound; the volume is kept for the return to it.
    const int32_t heard = instance->speedCode == kSpeedNormal ? instance->volume : 0;
    return dsbridge::UsesGraph(instance) ? dsbridge::SetVolume(instance, heard) : bridge::SetVolume(instance, heard);
  });
}

int SetStepMode(sPLAYERINSTANCE* instance, int32_t on) {
  return Locked(instance, 0, [&] {
    if (on && !(instance->timeScale > 0.0f)) return 0;
    return dsbridge::UsesGraph(instance) ? dsbridge::SetStepMode(instance, on != 0) : bridge::SetStepMode(instance, on != 0);
  });
}

int64_t GetDuration(sPLAYERINSTANCE* instance) {
  return Locked(instance, int64_t{0}, [&] {
    return dsbridge::UsesGraph(instance) ? dsbridge::GetDuration(instance) : bridge::GetDuration(instance);
  });
}

int64_t GetDuration2(sPLAYERINSTANCE* instance) { return GetDuration(instance); }

int64_t GetZero(sPLAYERINSTANCE*) { return 0; }

float GetTimeScale(sPLAYERINSTANCE* instance) {
  return Locked(instance, 0.0f, [&] { return instance->timeScale; });
}

int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height) {
  if (width) *width = 0;
  if (height) *height = 0;
  return Locked(instance, 0, [&] {
    return dsbridge::UsesGraph(instance) ? dsbridge::GetNativeSize(instance, width, height) : bridge::GetNativeSize(instance, width, height);
  });
}

int32_t SpeedStep(sPLAYERINSTANCE* instance, int32_t up) {
  return Locked(instance, kSpeedNormal, [&] {
    if (instance->playState != kPlayPlaying) return kSpeedNormal;
    return NextSpeedCode(instance->speedCode, up != 0, instance->reverse,
                         bridge::UsesMediaFoundation(instance));
  });
}

}  // namespace PlayerInstance
}  // namespace playcore
