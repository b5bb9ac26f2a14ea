#include "playcore/instances/dshow_bridge.h"

#include "playcore/dshow/graph_transport.h"
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/instances/position_units.h"
#include "playcore/instances/speed_codes.h"

namespace playcore {
namespace dsbridge {

namespace {

constexpr UINT kMsgMovieReady = quill::msg::kPlayerReady;
constexpr float kBitsPerByte = 8.0f;
constexpr float kMillisecondsPerSecond = 1000.0f;

dshow::GraphSession* GraphOf(const sPLAYERINSTANCE* instance) { return instance->renderer.directShow.session; }

// A graph that cannot tell its position or length fails again at every tick of the main window: the
// first failure of a movie is shown, the later ones only answer.
int ShowFirstReadFailure(sPLAYERINSTANCE* instance, HRESULT hr) {
  if (SUCCEEDED(hr)) return 1;
  if (InterlockedExchange(&instance->renderer.directShow.readFailureShown, 1) == 0) ShowHResultError(hr);
  return 0;
}

}  // namespace

bool UsesGraph(const sPLAYERINSTANCE* instance) { return GraphOf(instance) != nullptr; }

int OpenGraph(sPLAYERINSTANCE* instance, const wchar_t* path) {
  CloseGraph(instance);
  dshow::GraphSession* graph = dshow::NewGraphSession();
  if (!graph) return ShowHResultError(E_OUTOFMEMORY);
  instance->renderer.directShow.session = graph;
  InterlockedExchange(&instance->renderer.directShow.readFailureShown, 0);
  const HWND window = instance->videoWindow;
  // One box for the first failing step; what was made so far is released with the graph.
  int64_t length = 0;
  DWORD capabilities = 0;
  if (!ShowHResultError(graph->Create(window)) ||
      !ShowHResultError(bridge::MakeOverlaySurfaces(&instance->renderer, window) ? S_OK : E_OUTOFMEMORY) ||
      !ShowHResultError(graph->Render(path)) || !ShowHResultError(graph->SetUp(window, kMsgGraphEvent)) ||
      !ShowHResultError(dshow::GetDuration(graph, &length))) {
    CloseGraph(instance);
    return 0;
  }
  // Positions count the movie's frames on this path too: the lap time, the drive-data table and the
  // pair's seek factor all read them with the movie's time scale.
  const int64_t duration = MediaTimeToPosition(length, instance->timeScale);
  if (duration <= 0) {
    CloseGraph(instance);
    return 0;
  }
  instance->reverse = SUCCEEDED(graph->GetCapabilities(&capabilities)) &&
                      (capabilities & dshow::kCanPlayBackwards) ? 1 : 0;
  instance->averageBitRate = instance->loadMap.mdatSizeFloat * kBitsPerByte * kMillisecondsPerSecond /
                             (static_cast<float>(duration) * instance->timeScale);
  PostMessageW(window, kMsgMovieReady, 0, 0);
  return 1;
}

void CloseGraph(sPLAYERINSTANCE* instance) {
  dshow::GraphSession* graph = GraphOf(instance);
  if (!graph) return;
  instance->renderer.directShow.session = nullptr;
  graph->Close();
  delete graph;
  bridge::ReleaseOverlaySurfaces(&instance->renderer);
}

int Play(sPLAYERINSTANCE* instance) { return ShowHResultError(GraphOf(instance)->Run()); }

int PlayFrom(sPLAYERINSTANCE* instance, int64_t position) {
  if (instance->playState != kPlayPlaying) return 1;
  return Seek(instance, position);
}

int Pause(sPLAYERINSTANCE* instance, bool stop) {
  dshow::GraphSession* graph = GraphOf(instance);
  return ShowHResultError(stop ? graph->StopWhenReady() : graph->Pause());
}

int64_t GetPosition(sPLAYERINSTANCE* instance) {
  int64_t time = 0;
  if (!ShowFirstReadFailure(instance, dshow::GetPosition(GraphOf(instance), &time))) return -1;
  return MediaTimeToPosition(time, instance->timeScale);
}

int Seek(sPLAYERINSTANCE* instance, int64_t position) {
  const int64_t time = position > 0 ? PositionToMediaTime(position, instance->timeScale) : 0;
  return ShowHResultError(dshow::Seek(GraphOf(instance), time));
}

int64_t GetDuration(sPLAYERINSTANCE* instance) {
  int64_t length = 0;
  if (!ShowFirstReadFailure(instance, dshow::GetDuration(GraphOf(instance), &length))) return 0;
  return MediaTimeToPosition(length, instance->timeScale);
}

int GetNativeSize(sPLAYERINSTANCE* instance, int32_t* width, int32_t* height) {
  LONG w = 0;
  LONG h = 0;
  if (!ShowHResultError(GraphOf(instance)->GetNativeSize(&w, &h))) return 0;
  if (width) *width = w;
  if (height) *height = h;
  return 1;
}

int SetRate(sPLAYERINSTANCE* instance, float rate, bool sound) {
  const long volume = VolumeToAttenuation(sound ? instance->volume : 0);
  return ShowHResultError(dshow::SetRate(GraphOf(instance), rate, volume));
}

int SetVolume(sPLAYERINSTANCE* instance, int32_t volume) {
  dshow::GraphSession* graph = GraphOf(instance);
  if (!graph->hasAudio()) return 1;  // nothing to hear: the volume is kept for the next movie
  return ShowHResultError(graph->PutVolume(VolumeToAttenuation(volume)));
}

int SetStepMode(sPLAYERINSTANCE* instance, bool on) {
  dshow::GraphSession* graph = GraphOf(instance);
  if (on) return ShowHResultError(dshow::StartStepMode(graph, instance->timeScale));
  if (!ShowHResultError(graph->Run())) return 0;
  const sSPEEDCHOICE choice = ResolveSpeedCode(instance->speedCode, instance->speedCode, instance->reverse);
  return SetRate(instance, choice.rate, choice.code == kSpeedNormal);
}

int Repaint(sPLAYERINSTANCE* instance) {
  const bool still = instance->playState == kPlayStopped || instance->playState == kPlayPaused;
  return ShowHResultError(dshow::Repaint(GraphOf(instance), still));
}

bool DrawsWindowless(const sPLAYERINSTANCE* instance) {
  const dshow::GraphSession* graph = GraphOf(instance);
  return graph && (graph->renderer() == dshow::kRendererVmr9 || graph->renderer() == dshow::kRendererVmr7);
}

int PlaceVideo(sPLAYERINSTANCE* instance, const RECT& dest, bool keepAspect, bool repaint) {
  dshow::GraphSession* graph = GraphOf(instance);
  if (!ShowHResultError(graph->PlaceVideo(dest, keepAspect))) return 0;
  // The redraw is a courtesy to the eye: a renderer that cannot do it still shows the next frame in
  // the new place, so its answer is not an error.
  if (graph->renderer() == dshow::kRendererVideoWindow) {
    // A moved video window shows a frame again only when the stopped or paused graph is cued anew.
    if (instance->playState == kPlayStopped) graph->StopWhenReady();
    if (instance->playState == kPlayPaused) graph->Pause();
  } else if (repaint) {
    graph->RepaintVideo(instance->videoWindow);
  }
  return 1;
}

}  // namespace dsbridge

namespace PlayerInstance {

int TakeGraphEvents(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  dshow::GraphSession* graph = instance->renderer.directShow.session;
  return graph ? dshow::TakeEvents(graph) : 0;
}

}  // namespace PlayerInstance
}  // namespace playcore
