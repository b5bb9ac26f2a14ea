// The two global instances, Init and Release, and the slots that only store a word.
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/instances/prepared_movies.h"
#include "playcore/presenter/device_pool.h"
#include "playcore/recorder/recorder_probe.h"

#include <cstring>
#include <cwchar>

namespace playcore {

sPLAYERINSTANCE g_PlayerInstance[kPlayerCount];
sPLAYERFUNCS g_PlayerFuncs[kPlayerCount];

namespace {

// The overlay font: 42 points at the screen's DPI, bold, Shift-JIS, default quality, fixed pitch.
constexpr int kOverlayFontPoints = 42;
constexpr int kPointsPerInch = 72;
constexpr LONG kOverlayFontWeight = FW_BOLD;
constexpr BYTE kOverlayCharSet = SHIFTJIS_CHARSET;
constexpr BYTE kOverlayQuality = DEFAULT_QUALITY;
constexpr BYTE kOverlayPitch = FIXED_PITCH;

HFONT MakeOverlayFont(HWND window, const wchar_t* faceName) {
  LOGFONTW font = {};
  HDC dc = GetDC(window);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : kPointsPerInch;
  if (dc) ReleaseDC(window, dc);
  font.lfHeight = -MulDiv(kOverlayFontPoints, dpi, kPointsPerInch);
  font.lfWeight = kOverlayFontWeight;
  font.lfCharSet = kOverlayCharSet;
  font.lfQuality = kOverlayQuality;
  font.lfPitchAndFamily = kOverlayPitch;
  // LOGFONT holds 31 characters and the terminator: a longer face name is cut.
  if (faceName) wcsncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
  font.lfFaceName[LF_FACESIZE - 1] = L'\0';
  return CreateFontIndirectW(&font);
}

void CloseMutexHandle(HANDLE* mutex) {
  if (!*mutex) return;
  WaitOutMutex(*mutex);  // a holder finishes first
  CloseHandle(*mutex);
  *mutex = nullptr;
}

// The load map never gets a mutex: it is only used under the instance and data mutexes.
void ResetLoadMap(sMP4FILEMAP* map) {
  map->Clear();
  map->CloseHandles();
  std::memset(static_cast<void*>(map), 0, sizeof *map);
}

}  // namespace

sPLAYERFUNCS* FuncsOf(sPLAYERINSTANCE* instance) {
  for (int i = 0; i < kPlayerCount; ++i) {
    if (instance == &g_PlayerInstance[i]) return &g_PlayerFuncs[i];
  }
  return nullptr;
}

void ClearInstanceRecord(sPLAYERINSTANCE* instance) {
  std::memset(static_cast<void*>(instance), 0, kInstanceClearedBytes);
}

namespace PlayerInstance {

int Init(sPLAYERINSTANCE* instance, HWND videoWindow, const wchar_t* faceName) {
  if (!instance) return 0;
  Release(instance);
  InterlockedExchange(&instance->readAheadStopped, 0);
  instance->instanceMutex = CreateMutexW(nullptr, FALSE, nullptr);
  instance->dataMutex = CreateMutexW(nullptr, FALSE, nullptr);
  if (!instance->instanceMutex || !instance->dataMutex) {
    CloseMutexHandle(&instance->instanceMutex);
    CloseMutexHandle(&instance->dataMutex);
    return 0;
  }
  {
    MutexLock lock(instance->instanceMutex);
    instance->videoWindow = videoWindow;
    instance->speedCode = 1;
    instance->panX = 0;
    instance->panY = 0;
    InterlockedExchange(&instance->playState, kPlayClosed);
    std::memset(&instance->step, 0, sizeof instance->step);
    instance->renderer.player = nullptr;
    instance->gpsPoints = nullptr;
    instance->overlayFont = MakeOverlayFont(videoWindow, faceName);
  }
  ResetLoadMap(&instance->loadMap);
  if (!instance->dataMap.Init() || !instance->preloadMap.Init()) {
    Release(instance);
    return 0;
  }
  // A pre-load is stopped through the instance's cancel word (Release, SwitchDataFile, LoadDataFile).
  instance->preloadMap.WatchCancelWord(&instance->cancelWord);
  std::memset(&instance->renderer.directShow, 0, sizeof instance->renderer.directShow);
  OpenInstanceGate(instance);
  return 1;
}

int Release(sPLAYERINSTANCE* instance) {
  if (!instance) return 1;
  CloseInstanceGate(instance);  // from here no operation runs on the instance
  PlayerInstance::DropPreparedMovie(instance);
  WaitOutMutex(instance->dataMutex);
  {
    MutexLock instanceLock(instance->instanceMutex);
    MutexLock dataLock(instance->dataMutex);
    bridge::ReleaseRenderer(instance);
    delete instance->gpsPoints;
    instance->gpsPoints = nullptr;
    if (instance->overlayFont) DeleteObject(instance->overlayFont);
    instance->overlayFont = nullptr;
    InterlockedExchange(&instance->playState, kPlayClosed);
    InterlockedExchange(&instance->preloadReady, 0);
  }
  CloseMutexHandle(&instance->instanceMutex);
  CloseMutexHandle(&instance->dataMutex);
  instance->preloadMap.Close();
  instance->dataMap.Close();
  ResetLoadMap(&instance->loadMap);
  // The devices the panes kept from their last movies go with the players, before the windows do.
  ProcessDevicePool().Clear();
  return 1;
}

int ProbeFile(sPLAYERINSTANCE* instance, const wchar_t* path) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  return ProbeRecorderFile(path);
}

int SetOption1(sPLAYERINSTANCE* instance, int32_t value) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  instance->option1 = value;
  return 1;
}

int NoOperation(sPLAYERINSTANCE*) { return 0; }

int SetHwDecode(sPLAYERINSTANCE* instance, int32_t value) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  instance->hwDecode = value;
  return 1;
}

void FillFuncs(sPLAYERFUNCS* f) {
  *f = sPLAYERFUNCS{Init,         Release,         ProbeFile,     OpenMovie,       CloseMovie,
                    OpenDataFile, CloseDataFile,   Play,          PlayFrom,        Pause,
                    Stop,         GetPosition,     Seek,          SetPosition,     SetOption1,
                    NoOperation,  SetHwDecode,     NoOperation,   SetRate,         SetStepMode,
                    ApplyAspectMode, GetDuration,  GetDuration2,  GetZero,         GetTimeScale,
                    GetNativeSize, SetVolume,      ShowOverlayText, ClearOverlay,  SetFrameMode,
                    SetZoom,      MoveView,        ApplyCamera,   ToggleFlip,      SetViewMode,
                    SetViewAspect, ResetView,      SetRenderInterval, SaveSnapshot, Repaint,
                    UpdateVideoRect};
}

}  // namespace PlayerInstance
}  // namespace playcore
