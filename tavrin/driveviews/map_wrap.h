// CGoogleMapDlgWrap: the one object through which the main dialog drives the map and through which
// both map pages reach the program (IHostWebViewFuncs). It owns whichever map dialog the main dialog
// created and the connectivity flags the page's connection test reads.
//
// Threads: every member runs on the UI thread, except MapConnectivity::Set (the connectivity watcher's
// thread; interlocked). The track copies take the global GPS mutex, or both player-instance locks,
// while they read, because the player's worker threads replace those vectors.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "tavrin/driveviews/map_dialog.h"
#include "tavrin/driveviews/map_host_funcs.h"

namespace driveviews {

// What the connectivity watcher knows: whether it has tested the connection yet, and the result.
class MapConnectivity {
 public:
  void Set(bool known, bool online) {
    InterlockedExchange(&online_, online ? 1 : 0);
    InterlockedExchange(&known_, known ? 1 : 0);
  }
  bool Known() const { return InterlockedCompareExchange(const_cast<LONG*>(&known_), 0, 0) != 0; }
  bool Online() const { return InterlockedCompareExchange(const_cast<LONG*>(&online_), 0, 0) != 0; }

 private:
  LONG known_ = 0;
  LONG online_ = 0;
};

// Where the tracks come from; the default reads the playback core's copies under their locks.
class IMapTrackSource {
 public:
  virtual ~IMapTrackSource() = default;
  // The recording's track (the global GPS copy) as the page's flat array.
  virtual VARIANT RecordingTrack() = 0;
  // The data-source player's points as the same array; VT_EMPTY when the player has none.
  virtual VARIANT PlayerTrack() = 0;
};
std::unique_ptr<IMapTrackSource> MakePlaycoreTrackSource();

// One event marker for the page (cplist.AddCrashPos).
struct MapEventPoint {
  int icon;                    // event colour index 0..13
  double levelX, levelY, levelZ;
  int grid;                    // the grid number of the load
  int positionKey;
  double latitude, longitude;
  int valid;
  double speed;                // the point's number field
  double direction;            // the point's reserved field
};

// Playback states of UpdateMarker.
enum MapPlayState { kMapPlaying = 0, kMapPaused = 1, kMapStopped = 2 };

class CGoogleMapDlgWrap : public IHostWebViewFuncs {
 public:
  explicit CGoogleMapDlgWrap(std::unique_ptr<IMapTrackSource> source = MakePlaycoreTrackSource());
  ~CGoogleMapDlgWrap() override;
  CGoogleMapDlgWrap(const CGoogleMapDlgWrap&) = delete;
  CGoogleMapDlgWrap& operator=(const CGoogleMapDlgWrap&) = delete;

  // The main dialog: the window the two messages go to (kMapReadyMessage, kMapSeekMessage).
  void SetOwner(HWND owner) { owner_ = owner; }
  // Takes the dialog the main dialog created and points its host calls here (null: no map).
  void Attach(std::unique_ptr<IMapDialog> dialog);
  IMapDialog* Dialog() const { return dialog_.get(); }
  MapConnectivity& Connectivity() { return connectivity_; }

  // Runs one statement in the page (nothing without a dialog or before its page exists).
  void ExecScript(const std::wstring& statement);
  // A new recording's track: only once the page is ready, the four statements in order.
  void ResetTrack(int grid);
  // Draws the whole-list track again from JS2C_GetGPSData (its points landed since); only when ready.
  void RedrawListTrack();
  // Adds one event marker (after ResetTrack; the main dialog skips points at 0, 0).
  void AddEventPoint(const MapEventPoint& event);
  // The playback state: status text "", "pause" or "stop" (the last also redraws the progress); any
  // other state keeps the text. Then hands the state to the page.
  void UpdateMarker(int state);
  // The current position: the GPS point (into the dialog, handed to the page when it changed) and the
  // position key (for the page's JS2C_GetRelJpgNum; -1 means none).
  void SetPosition(double latitude, double longitude);
  void SetPositionKey(int32_t key) { positionKey_ = key; }
  int32_t PositionKey() const { return positionKey_; }
  // Shows or hides the map dialog; true when something changed.
  bool Show(bool show);
  bool Visible() const { return visible_ != 0; }
  // The page-ready word: the main dialog clears it while a recording opens and sets it again once the
  // new recording plays; it can only be set while the page is initialised (it reported itself ready
  // and has not found the program offline since).
  bool PageReady() const { return pageReady_ != 0; }
  void SetPageReady(bool ready) { pageReady_ = ready && pageInitialised_ ? 1 : 0; }
  // Play and pause re-arm the page-ready word whatever the page last reported: the page's own
  // statements do nothing while it has no map.
  void RearmPageReady() { pageReady_ = 1; }
  // The program's own look at the connection (the tick while nothing plays): offline clears the
  // page-ready word only. The page-initialised word goes only when the page itself finds the program
  // offline (JS2C_ConnectTest), because only then does it drop its map and make a new one, reporting
  // itself ready again; a short outage its poll did not see leaves its map in place.
  bool CheckConnection();
  bool PageInitialised() const { return pageInitialised_ != 0; }
  // The connectivity watch has tested the connection and found it up (no side effect on the page words).
  bool Online() const { return connectivity_.Known() && connectivity_.Online(); }
  // The state last handed to UpdateMarker (kMapStopped before the first).
  int MarkerState() const { return markerState_; }

  // IHostWebViewFuncs
  BOOL JS2C_ConnectTest() override;
  void JS2C_OnInitHtml() override;
  VARIANT JS2C_GetGPSData() override;
  VARIANT JS2C_GetGridData(const wchar_t* grid) override;
  BSTR JS2C_GetMarkName(int index) override;
  BSTR JS2C_GetRcString(int index) override;
  BSTR JS2C_GetRelJpgNum() override;
  void JS2C_DEBLOG(const wchar_t* text) override;
  void JS2C_OnClickCrashPoint(int ifile, int igrid, int ipos, int valid, double lat, double lng, double speed,
                              double direction) override;
  BSTR JS2C_GetMapURL() override;
  void JS2C_SetSend() override;

 private:
  std::unique_ptr<IMapTrackSource> source_;
  std::unique_ptr<IMapDialog> dialog_;
  MapConnectivity connectivity_;
  LONG pageReady_ = 0;
  LONG pageInitialised_ = 0;
  LONG visible_ = 0;
  int markerState_ = kMapStopped;
  int32_t positionKey_ = -1;
  double handedLatitude_ = 0.0;   // the position last handed to the page by SetPosition
  double handedLongitude_ = 0.0;
  HWND owner_ = nullptr;
};

}  // namespace driveviews
