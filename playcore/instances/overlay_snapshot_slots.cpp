// The overlay text and snapshot slots (27, 28, 38): green text on black handed to the mixer as its
// alpha bitmap in the bottom right corner of the picture (Media Foundation's mixer, or the video
// mixing renderer's on the DirectShow path), and the current picture saved as JPEG.
// Every platform failure answers 0 without a message box.
#include "playcore/dshow/graph_session.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/instances/snapshot_image.h"
#include "playcore/player/mf_player.h"

namespace playcore {
namespace PlayerInstance {

namespace {

constexpr COLORREF kOverlayTextColour = RGB(0, 255, 0);
constexpr COLORREF kOverlayKeyColour = RGB(0, 0, 0);
constexpr float kOverlayAlpha = 0.8f;

// Selects a GDI object into a DC for a scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~Selected() {
    if (previous_) SelectObject(dc_, previous_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;
  bool ok() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

int SetMixerBitmap(CPlayer* player, HDC source, const NormalizedRect& place);

// Draws the text into the overlay bitmap (DC B holds it, and gets it back on every path).
bool DrawOverlayText(sRENDERERSTATE& r, HFONT font, const wchar_t* text) {
  RECT area = {0, 0, kOverlayBitmapWidth, kOverlayBitmapHeight};
  Selected chosenFont(r.overlayBitmapDC, font);
  FillRect(r.overlayBitmapDC, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SetBkColor(r.overlayBitmapDC, kOverlayKeyColour);
  SetTextColor(r.overlayBitmapDC, kOverlayTextColour);
  return DrawTextW(r.overlayBitmapDC, text ? text : L"", -1, &area, DT_WORDBREAK) != 0;
}

// Where the overlay goes on the instance's picture of this native size (false: nowhere).
bool OverlayPlace(sPLAYERINSTANCE* instance, LONG nativeWidth, LONG nativeHeight, NormalizedRect* place) {
  RECT client = {};
  if (!GetClientRect(instance->videoWindow, &client)) return false;
  return OverlayDestination(client.right, client.bottom, nativeWidth, nativeHeight,
                            OverlayUsesOneFactor(*instance), place);
}

// Runs `hand` with the overlay bitmap selected into DC A (taken out of DC B meanwhile: a bitmap is
// selected into one DC at a time); both come back when it returns.
template <class Hand>
int WithOverlayInDcA(sRENDERERSTATE& r, Hand hand) {
  HBITMAP placeholder = CreateCompatibleBitmap(r.overlayBitmapDC, 1, 1);
  if (!placeholder) return 0;
  int answer = 0;
  {
    Selected blank(r.overlayBitmapDC, placeholder);
    Selected held(r.overlayDC, r.overlayBitmap);
    if (blank.ok() && held.ok()) answer = hand();
  }
  DeleteObject(placeholder);
  return answer;
}

// The DirectShow path: the same bitmap through the video mixing renderer's mixer, fully opaque.
int HandOverlayToGraph(sPLAYERINSTANCE* instance, dshow::GraphSession* graph) {
  sRENDERERSTATE& r = instance->renderer;
  LONG nativeWidth = 0, nativeHeight = 0;
  if (FAILED(graph->GetNativeSize(&nativeWidth, &nativeHeight))) return 0;
  NormalizedRect place;
  if (!OverlayPlace(instance, nativeWidth, nativeHeight, &place)) return 0;
  const RECT source = {0, 0, kOverlayBitmapWidth, kOverlayBitmapHeight};
  const float rect[4] = {place.left, place.top, place.right, place.bottom};
  return WithOverlayInDcA(r, [&] { return SUCCEEDED(graph->SetOverlayBitmap(r.overlayDC, source, rect)) ? 1 : 0; });
}

int HandOverlayToMixer(sPLAYERINSTANCE* instance, CPlayer* player) {
  sRENDERERSTATE& r = instance->renderer;
  LONG nativeWidth = 0, nativeHeight = 0;
  if (FAILED(player->GetNativeSize(&nativeWidth, &nativeHeight))) return 0;
  NormalizedRect place;
  if (!OverlayPlace(instance, nativeWidth, nativeHeight, &place)) return 0;
  player->ClearAlphaBitmap();
  return WithOverlayInDcA(r, [&] { return SetMixerBitmap(player, r.overlayDC, place); });
}

int SetMixerBitmap(CPlayer* player, HDC source, const NormalizedRect& place) {
  MFVideoAlphaBitmap bitmap = {};
  bitmap.GetBitmapFromDC = TRUE;
  bitmap.bitmap.hdc = source;
  bitmap.params.dwFlags = MFVideoAlphaBitmap_SrcColorKey | MFVideoAlphaBitmap_DestRect | MFVideoAlphaBitmap_Alpha;
  bitmap.params.clrSrcKey = kOverlayKeyColour;
  bitmap.params.rcSrc = {0, 0, kOverlayBitmapWidth, kOverlayBitmapHeight};
  bitmap.params.nrcDest = {place.left, place.top, place.right, place.bottom};
  bitmap.params.fAlpha = kOverlayAlpha;
  return SUCCEEDED(player->SetAlphaBitmap(&bitmap)) ? 1 : 0;
}

}  // namespace

int ShowOverlayText(sPLAYERINSTANCE* instance, const wchar_t* text) {
  InstanceUse use(instance);
  if (!use.entered()) return 0;
  MutexLock lock(instance->instanceMutex);
  sRENDERERSTATE& r = instance->renderer;
  CPlayer* player = bridge::PlayerOf(instance);
  dshow::GraphSession* graph = r.directShow.session;
  if ((!player && !graph) || !r.overlayDC || !r.overlayBitmapDC || !r.overlayBitmap) return 0;
  if (!DrawOverlayText(r, instance->overlayFont, text)) return 0;
  return player ? HandOverlayToMixer(instance, player) : HandOverlayToGraph(instance, graph);
}

int ClearOverlay(sPLAYERINSTANCE* instance) {
  InstanceUse use(instance);
  if (!use.entered()) return 1;
  MutexLock lock(instance->instanceMutex);
  if (CPlayer* player = bridge::PlayerOf(instance)) player->ClearAlphaBitmap();
  if (dshow::GraphSession* graph = instance->renderer.directShow.session) {
    const RECT none = {};
    const float nowhere[4] = {};
    graph->SetOverlayBitmap(nullptr, none, nowhere);
  }
  return 1;
}

int SaveSnapshot(sPLAYERINSTANCE* instance, const wchar_t* jpegPath) {
  InstanceUse use(instance);
  if (!use.entered() || !jpegPath || !jpegPath[0]) return 0;
  MutexLock lock(instance->instanceMutex);
  CurrentImage image;
  if (!GetCurrentImage(instance, &image)) return 0;
  GdiplusSession gdiplus;
  if (!gdiplus.ok()) return 0;
  return WriteJpegFile(image, jpegPath) ? 1 : 0;
}

}  // namespace PlayerInstance
}  // namespace playcore
