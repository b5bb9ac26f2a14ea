// CtavrinDlg: the map in the main window. The map frame holds the map dialog and the logo window; the
// map-or-logo rule decides which of them shows. The open, the start of playback, the tick and the
// seeks hand the map its page-ready word, its position and the marker status. UI thread only.
#include <algorithm>

#include "playcore/instances/dispatchers.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/map_view_rules.h"
#include "tavrin/browser/recording_names.h"

using namespace quill::app;
using playcore::g_PlayerInstance;

namespace {

constexpr wchar_t kMoveMarker[] = L"orbitgrplist.MoveMarker()";

// What the open recording's drive data says for the map, read under both instance locks.
struct MapRecordingFacts {
  bool hasGps = false;
  bool parking = false;
};

MapRecordingFacts ReadMapRecordingFacts() {
  MapRecordingFacts f;
  playcore::PlayerCall_LockAll();
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[playcore::DataSourceIndex()];
  if (inst.active && inst.dataMap.loaded) {
    if (const std::vector<playcore::sGPSPOINT>* gps = inst.dataMap.gpsPoints) {
      f.hasGps = std::any_of(gps->begin(), gps->end(), [](const playcore::sGPSPOINT& p) { return p.valid != 0; });
    }
    const int trigger = ClassifyEventLetter(inst.dataMap.path);
    f.parking = trigger == kTriggerParking || trigger == kTriggerParkingShock || trigger == kTriggerParkingLapse ||
                trigger == kTriggerParkingShock2;
  }
  playcore::PlayerCall_UnlockAll();
  return f;
}

}  // namespace

void CtavrinDlg::UpdateMapOrLogo() {
  const MapFrameFacts facts{m_map.PageInitialised(), m_map.Online(), m_bMapHasGps != FALSE, m_bMapParking != FALSE};
  const bool showMap = ChooseMapFrameContent(facts) == MapFrameContent::kMap;
  bool changed = m_map.Show(showMap);
  if (!m_logo.m_hWnd) return;
  const int picture = LogoPicture(facts);
  if (!showMap && m_logo.m_nPicture != picture) {
    m_logo.m_nPicture = picture;
    changed = true;
  }
  m_logo.ShowLogo(showMap ? FALSE : TRUE, FALSE);
  if (changed && !showMap) m_logo.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
}

void CtavrinDlg::MapOnOpen() {
  // Until the new recording plays, the map draws nothing of the old one at a position of the new one.
  m_map.SetPageReady(false);
  m_map.SetPositionKey(-1);
  m_map.SetPosition(0.0, 0.0);
  m_bMapHasGps = FALSE;
  m_bMapParking = FALSE;
}

void CtavrinDlg::MapOnDriveData() {
  const MapRecordingFacts facts = ReadMapRecordingFacts();
  m_bMapHasGps = facts.hasGps ? TRUE : FALSE;
  m_bMapParking = facts.parking ? TRUE : FALSE;
  // The new track goes to a page that is (still) initialised.
  m_map.SetPageReady(true);
  UpdateMapOrLogo();
}

void CtavrinDlg::MapMoveMarker() { m_map.ExecScript(kMoveMarker); }

void CtavrinDlg::MapOnTick(bool active, int playState) {
  // While nothing plays, the tick is what notices the connection coming and going.
  if (active && (playState == playcore::kPlayStopped || playState == playcore::kPlayPaused)) m_map.CheckConnection();
  const int marker = MarkerStatusForPlayState(active, playState);
  if (marker != m_map.MarkerState()) m_map.UpdateMarker(marker);
  UpdateMapOrLogo();
}
