// The map wrapper: the main dialog's operations on the map, and the host functions of both pages.
#include "tavrin/driveviews/map_wrap.h"

#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_script_text.h"
#include "tavrin/driveviews/map_service_key.h"

namespace driveviews {

CGoogleMapDlgWrap::CGoogleMapDlgWrap(std::unique_ptr<IMapTrackSource> source) : source_(std::move(source)) {}

CGoogleMapDlgWrap::~CGoogleMapDlgWrap() {
  // The dialog goes first: its page must not call into a half-destroyed wrapper.
  if (dialog_) dialog_->SetHostFuncs(nullptr);
  dialog_.reset();
}

void CGoogleMapDlgWrap::Attach(std::unique_ptr<IMapDialog> dialog) {
  if (dialog_) dialog_->SetHostFuncs(nullptr);
  dialog_ = std::move(dialog);
  handedLatitude_ = handedLongitude_ = 0.0;
  if (dialog_) dialog_->SetHostFuncs(this);
}

void CGoogleMapDlgWrap::ExecScript(const std::wstring& statement) {
  if (dialog_) dialog_->ExecScript(statement);
}

void CGoogleMapDlgWrap::ResetTrack(int grid) {
  if (!pageReady_) return;
  ExecScript(L"cplist.ClearCrashPos()");
  ExecScript(L"orbitgrplist.RemoveLineList()");
  ExecScript(L"orbitgrplist.CreateLine()");
  ExecScript(ScriptCall(L"orbitgrplist.CreateGridLine").Int(grid).Statement());
}

void CGoogleMapDlgWrap::RedrawListTrack() {
  if (pageReady_) ExecScript(L"orbitgrplist.CreateLine()");
}

void CGoogleMapDlgWrap::AddEventPoint(const MapEventPoint& e) {
  ExecScript(ScriptCall(L"cplist.AddCrashPos")
                 .Int(e.icon)
                 .Number(e.levelX)
                 .Number(e.levelY)
                 .Number(e.levelZ)
                 .Int(0)
                 .Int(e.grid)
                 .Int(e.positionKey)
                 .Number(e.latitude)
                 .Number(e.longitude)
                 .Int(e.valid)
                 .Number(e.speed)
                 .Number(e.direction)
                 .Statement());
}

void CGoogleMapDlgWrap::UpdateMarker(int state) {
  if (state == kMapPlaying || state == kMapPaused || state == kMapStopped) markerState_ = state;
  if (!dialog_) return;
  switch (state) {
    case kMapPlaying:
      dialog_->SetStatus(L"");
      break;
    case kMapPaused:
      dialog_->SetStatus(L"pause");
      break;
    case kMapStopped:
      dialog_->SetStatus(L"stop");
      ExecScript(L"orbitgrplist.MoveMarker()");
      break;
    default:
      break;
  }
  dialog_->TransferState();
}

void CGoogleMapDlgWrap::SetPosition(double latitude, double longitude) {
  if (!dialog_) return;
  dialog_->SetPosition(latitude, longitude);
  // The Internet Explorer page polls its inputs once a second and moves the marker only from a real
  // position: a new position is handed over when it comes, not just with the next play-state change
  // (after an automatic advance or a start without a fix that change came while it was still 0, 0).
  if (latitude == handedLatitude_ && longitude == handedLongitude_) return;
  handedLatitude_ = latitude;
  handedLongitude_ = longitude;
  dialog_->TransferState();
}

namespace {

// The dialog's own visibility: the map frame around it may be hidden (another size step, the map
// switched off) while the dialog itself is shown in it.
bool ShownInItsFrame(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

bool CGoogleMapDlgWrap::Show(bool show) {
  HWND window = dialog_ ? dialog_->Window() : nullptr;
  if (show) {
    if (visible_) return false;
    if (window) {
      if (ShownInItsFrame(window)) return false;
      ShowWindow(window, SW_SHOW);
    }
    visible_ = 1;
    return true;
  }
  if (!visible_ || !window || !ShownInItsFrame(window)) return false;
  ShowWindow(window, SW_HIDE);
  visible_ = 0;
  return true;
}

BOOL CGoogleMapDlgWrap::JS2C_ConnectTest() {
  if (!connectivity_.Known()) return FALSE;
  if (connectivity_.Online()) return TRUE;
  // Offline the page forgets its map; it reports itself ready again once it has loaded a new one.
  pageReady_ = 0;
  pageInitialised_ = 0;
  return FALSE;
}

bool CGoogleMapDlgWrap::CheckConnection() {
  if (!connectivity_.Known()) return false;
  if (connectivity_.Online()) return true;
  pageReady_ = 0;
  return false;
}

void CGoogleMapDlgWrap::JS2C_OnInitHtml() {
  pageInitialised_ = 1;
  pageReady_ = 1;
  if (owner_) PostMessageW(owner_, kMapReadyMessage, 0, 0);
}

VARIANT CGoogleMapDlgWrap::JS2C_GetGPSData() { return source_->RecordingTrack(); }

VARIANT CGoogleMapDlgWrap::JS2C_GetGridData(const wchar_t*) { return source_->PlayerTrack(); }

BSTR CGoogleMapDlgWrap::JS2C_GetMarkName(int index) { return ToBstr(MarkName(index)); }

BSTR CGoogleMapDlgWrap::JS2C_GetRcString(int index) { return ToBstr(RcString(index)); }

BSTR CGoogleMapDlgWrap::JS2C_GetRelJpgNum() { return ToBstr(std::to_wstring(positionKey_)); }

void CGoogleMapDlgWrap::JS2C_DEBLOG(const wchar_t*) {}

void CGoogleMapDlgWrap::JS2C_OnClickCrashPoint(int, int, int ipos, int, double, double, double, double) {
  if (owner_) PostMessageW(owner_, kMapSeekMessage, 0, static_cast<LPARAM>(ipos));
}

BSTR CGoogleMapDlgWrap::JS2C_GetMapURL() { return ToBstr(MapScriptUrl(MapServiceKey())); }

void CGoogleMapDlgWrap::JS2C_SetSend() {
  if (dialog_) dialog_->SendState();
}

}  // namespace driveviews
