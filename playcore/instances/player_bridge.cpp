// The player's part of opening and closing a movie: the Media Foundation player with its filter graph
// and overlay surfaces, and the view state kept from one movie to the next.
#include "playcore/instances/player_bridge.h"

#include <dshow.h>

#include "playcore/instances/dshow_bridge.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/instances/player_start.h"
#include "playcore/instances/position_units.h"
#include "playcore/instances/prepared_movies.h"
#include "playcore/player/mf_player.h"
#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"

namespace playcore {
namespace bridge {

namespace {

// The overlay text is drawn into a bitmap of this size (then blended over the picture).
constexpr int kOverlayWidth = 300;
constexpr int kOverlayHeight = 120;
// The graph's capability of playing backwards (AM_SEEKING_CanPlayBackwards).
constexpr DWORD kCanPlayBackwards = 0x40;
constexpr float kBitsPerByte = 8.0f;
constexpr float kMillisecondsPerSecond = 1000.0f;

template <class T>
void ReleaseInto(T** pointer) {
  if (*pointer) (*pointer)->Release();
  *pointer = nullptr;
}

void ReleaseGraph(sDIRECTSHOWSET* set) {
  ReleaseInto(&set->mediaSeeking);
  ReleaseInto(&set->graph);
}

// The graph is kept on both paths. Its seeking capabilities decide the reverse word; an empty graph
// (the Media Foundation path) may not answer, which quietly means "no capabilities".
DWORD QueryGraphCapabilities(sDIRECTSHOWSET* set) {
  if (!set->graph) return 0;
  if (!set->mediaSeeking &&
      FAILED(set->graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&set->mediaSeeking)))) {
    return 0;
  }
  DWORD capabilities = 0;
  if (FAILED(set->mediaSeeking->GetCapabilities(&capabilities))) return 0;
  return capabilities;
}

// The frame mode of the engine: the one the main dialog chose for the pane, when it chose one.
void ApplyEngineMode(sPLAYERINSTANCE* instance, sVIEWSETTINGS* settings) {
  const int32_t mode = instance->renderer.engineViewMode;
  if (mode >= kViewDivided && mode <= kViewFlat) settings->viewMode = mode;
}

// The view of the presenter that is going away, kept in the instance for the next movie.
void KeepViewState(sPLAYERINSTANCE* instance, CPlayer* player) {
  quill::com::ComPtr<EVRCustomPresenter> presenter = player->presenter();
  D3DPresentEngine* engine = presenter ? presenter->engine() : nullptr;
  FrameRenderer* renderer = engine ? engine->renderer() : nullptr;
  if (!renderer) return;
  sVIEWSETTINGS* kept = ViewSettings(instance);
  if (engine->viewMode() == kViewFlat) {
    D3DRawObj2* flat = renderer->flat();
    if (!flat) return;
    quill::com::ScopedLock hold(flat->lock());
    kept->viewMode = kViewFlat;
    kept->word3 = flat->mirrored() ? 1 : 0;
    return;
  }
  CSphereModel* scene = renderer->scene();
  if (!scene || !scene->created()) return;
  sVIEWSETTINGS state = scene->Snapshot();
  state.word3 = kept->word3;  // the instance's own words are not the scene's
  state.word5 = kept->word5;
  *kept = state;
}

}  // namespace

sVIEWSETTINGS* ViewSettings(sPLAYERINSTANCE* instance) {
  sRENDERERSTATE* renderer = &instance->renderer;
  if (!renderer->keptViewSet) {
    renderer->keptView = DefaultViewSettings();
    renderer->keptViewSet = 1;
  }
  return &renderer->keptView;
}

sVIEWSETTINGS NextMovieView(sPLAYERINSTANCE* instance) {
  sVIEWSETTINGS view = *ViewSettings(instance);
  ApplyEngineMode(instance, &view);
  return view;
}

CPlayer* PlayerOf(const sPLAYERINSTANCE* instance) { return instance->renderer.player; }

void ReleaseOverlaySurfaces(sRENDERERSTATE* renderer) {
  if (renderer->overlayBitmapDC) DeleteDC(renderer->overlayBitmapDC);
  if (renderer->overlayBitmap) DeleteObject(renderer->overlayBitmap);
  if (renderer->overlayDC) DeleteDC(renderer->overlayDC);
  renderer->overlayBitmapDC = nullptr;
  renderer->overlayBitmap = nullptr;
  renderer->overlayDC = nullptr;
}

bool MakeOverlaySurfaces(sRENDERERSTATE* renderer, HWND window) {
  HDC windowDc = GetDC(window);
  if (!windowDc) return false;
  renderer->overlayDC = CreateCompatibleDC(windowDc);
  renderer->overlayBitmap = CreateCompatibleBitmap(windowDc, kOverlayWidth, kOverlayHeight);
  ReleaseDC(window, windowDc);
  if (renderer->overlayDC && renderer->overlayBitmap) {
    renderer->overlayBitmapDC = CreateCompatibleDC(renderer->overlayDC);
    if (renderer->overlayBitmapDC) SelectObject(renderer->overlayBitmapDC, renderer->overlayBitmap);
  }
  return renderer->overlayBitmapDC != nullptr;
}

// The player prepared ahead for the file, taken over as the instance's: from here it is driven on
// this thread under the instance mutex, shows the view of now, and its held ready report (or the one
// still to come) reaches the window. False, with the player shut down, when it cannot be used.
bool TakeOverPlayer(sPLAYERINSTANCE* instance, quill::com::ComPtr<IUnknown> prepared, const sVIEWSETTINGS* settings) {
  CPlayer* player = CPlayer::FromUnknown(prepared.get());
  prepared.reset();
  if (!player) return false;
  sRENDERERSTATE* renderer = &instance->renderer;
  HRESULT hr = S_OK;
  if (!renderer->directShow.graph) {
    hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                          reinterpret_cast<void**>(&renderer->directShow.graph));
  }
  if (!SucceededQuietly(hr) || !MakeOverlaySurfaces(renderer, instance->videoWindow)) {
    ReleaseOverlaySurfaces(renderer);
    player->Shutdown();
    player->Release();
    return false;
  }
  renderer->player = player;
  player->AdoptView(settings);
  player->DeliverMessages(instance->videoWindow);
  return true;
}

int OpenPlayer(sPLAYERINSTANCE* instance, const wchar_t* path) {
  ClosePlayer(instance);  // whatever the previous movie left
  sRENDERERSTATE* renderer = &instance->renderer;
  sVIEWSETTINGS* settings = ViewSettings(instance);
  ApplyEngineMode(instance, settings);
  CPlayer* player = nullptr;
  // The player opened ahead while the previous movie played, when it is this file's.
  if (quill::com::ComPtr<IUnknown> ahead = PlayerInstance::TakePreparedPlayer(instance, path)) {
    if (!TakeOverPlayer(instance, std::move(ahead), settings)) return 0;
    player = renderer->player;
  } else {
    // Without Media Foundation the instance plays through a DirectShow graph.
    if (FAILED(StartMediaFoundationPlayer(instance->videoWindow, settings, &player))) {
      PlayerInstance::DropPreparedMovie(instance);
      return dsbridge::OpenGraph(instance, path);
    }
    // The graph stays empty on this path: one per instance serves every movie (a filter graph made
    // and released for each movie left a handle behind each time under Wine).
    HRESULT hr = S_OK;
    if (!renderer->directShow.graph) {
      hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                            reinterpret_cast<void**>(&renderer->directShow.graph));
    }
    if (!SucceededQuietly(hr) || !MakeOverlaySurfaces(renderer, instance->videoWindow)) {
      player->Release();
      ClosePlayer(instance);
      return 0;
    }
    renderer->player = player;
    // The source resolved ahead while the previous movie played, when it is this file's (OpenURL
    // takes it over, also when it fails).
    quill::com::ComPtr<IMFMediaSource> prepared;
    if (quill::com::ComPtr<IUnknown> source = PlayerInstance::TakePreparedMovie(instance, path)) source.As(&prepared);
    if (!player->OpenURL(path, prepared.get())) {
      ClosePlayer(instance);
      // A source resolved ahead may have gone stale (the card was taken out meanwhile): the file is
      // opened once more the ordinary way before the open counts as failed.
      return prepared ? OpenPlayer(instance, path) : 0;
    }
  }
  instance->reverse = (QueryGraphCapabilities(&renderer->directShow) & kCanPlayBackwards) ? 1 : 0;
  const int64_t duration = MediaTimeToPosition(player->duration(), instance->timeScale);
  if (duration <= 0) {
    ClosePlayer(instance);
    return 0;
  }
  instance->averageBitRate = instance->loadMap.mdatSizeFloat * kBitsPerByte * kMillisecondsPerSecond /
                             (static_cast<float>(duration) * instance->timeScale);
  return 1;
}

int ClosePlayer(sPLAYERINSTANCE* instance) {
  StopStepThread(instance);
  dsbridge::CloseGraph(instance);
  sRENDERERSTATE* renderer = &instance->renderer;
  if (CPlayer* player = renderer->player) {
    KeepViewState(instance, player);
    if (instance->playState != kPlayClosed && player->state() == kPlayerStarted) player->Pause();
    player->Shutdown();
    player->Release();
    renderer->player = nullptr;
  }
  ReleaseOverlaySurfaces(renderer);
  return 1;
}

void ReleaseRenderer(sPLAYERINSTANCE* instance) {
  ClosePlayer(instance);
  ReleaseGraph(&instance->renderer.directShow);
}

bool UsesMediaFoundation(const sPLAYERINSTANCE* instance) { return instance->renderer.player != nullptr; }

}  // namespace bridge
}  // namespace playcore
