// CtavrinDlg: the steps that the windows of the drive-data views, the controller pad, the settings
// and update-check windows and the playback work fill in. Each is called at its place in the start-up
// or shut-down; until its window exists it does nothing, and the main window runs without it.
#include <algorithm>

#include "playcore/instances/dispatchers.h"
#include "playcore/instances/global_gps.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/driveviews/map_setup.h"
#include "tavrin/skin/app_fonts.h"

using namespace quill::app;

namespace {

// The map dialog in the map frame: below the frame's caption strip, the logo window's place.
constexpr int kMapCaptionHeight = 20;
constexpr int kMapWidth = 370;
constexpr int kMapHeight = 406;

}  // namespace

// CreateChildWindows step 4: the map dialog of `variant` on the heap, kept by the map wrapper, with
// the map frame as its parent and the main dialog as the wrapper's owner; placed below the frame's
// 20-pixel caption strip. Then the connectivity watch, whose results the page's connection test reads.
// Without a map (no browser control, no WebView2 runtime) the wrapper answers for an empty map.
void CtavrinDlg::CreateMapDialog(driveviews::MapVariant variant) {
  // Every refill of the file list (a folder, a filter) makes the kept recordings the map's whole-list
  // track: the global GPS copy is replaced by theirs.
  m_browser.m_list.m_pfnRefilled = [](const RecordingList& shown) {
    // The former list's points go first: a list whose reading fails leaves none of another list's.
    playcore::FreeGlobalGpsPoints();
    playcore::PlayerInstance::LoadRecorderDataOf(shown);
  };
  if (!m_mapFrame.m_hWnd) return;
  driveviews::CreateMapDialog(&m_map, &m_mapFrame, m_hWnd, kMapCaptionHeight, variant);
  if (driveviews::IMapDialog* map = m_map.Dialog()) {
    ::MoveWindow(map->Window(), 0, kMapCaptionHeight, kMapWidth, kMapHeight, FALSE);
  }
  m_inet.StartConnectivity(ConnectivitySinkFor(m_map.Connectivity()));
}

// CreateChildWindows step 9: the G-sensor dialog (template 136), attached to the off-screen surface.
void CtavrinDlg::CreateGSensorDialog() {
  if (!m_graph.Create(CGSensorDlg::kTemplateId, this)) return;
  m_graph.m_pOffScreen = m_offscreen.IsValid() ? &m_offscreen : nullptr;
  m_graph.m_nLeftMargin = CGSensorDlg::kLeftMargin;
  m_graph.m_nTileStep = std::max(0, m_graph.BackgroundWidth() - CGSensorDlg::kLeftMargin);
  if (m_offscreen.IsValid()) {
    ::SetBkMode(m_offscreen.m_dc.m_hDC, TRANSPARENT);
    if (g_hFont10) ::SelectObject(m_offscreen.m_dc.m_hDC, g_hFont10);
  }
  m_graph.ShowWindow(SW_SHOW);
}

// CreateChildWindows steps 10 and 12: the info panel (template 135) with the skin images; its text is
// drawn on the off-screen surface in white with the 13-point font.
void CtavrinDlg::CreateInfoPanel() {
  m_info.m_pImages = &m_skin;
  if (!m_info.Create(CInfoDlg::kTemplateId, this)) return;
  m_info.m_pOffScreen = m_offscreen.IsValid() ? &m_offscreen : nullptr;
  if (m_offscreen.IsValid()) {
    ::SetTextColor(m_offscreen.m_dc.m_hDC, 0xFFFFFF);
    ::SetBkMode(m_offscreen.m_dc.m_hDC, TRANSPARENT);
    if (g_hFont13) ::SelectObject(m_offscreen.m_dc.m_hDC, g_hFont13);
  }
  m_info.SetLayout(0);
  m_info.ClearValues();
  m_info.ShowWindow(SW_SHOW);
}

// CreateChildWindows step 11: the controller pad (template 355), its pane and drag record, its worker.
void CtavrinDlg::CreateControllerPad() { CreatePad(); }

// OnInitDialog step 18: the settings dialog (template 175), modeless and hidden; its option changes
// come back as kSettingChanged.
void CtavrinDlg::CreateSettingsDialog() {
  if (!m_settingDlg.m_hWnd) m_settingDlg.CreateHidden(this);
}

// OnAfterInit step 3: the update-check thread with the card's firmware version (empty when the
// source is not a card: only the viewer is checked).
void CtavrinDlg::StartUpdateCheck() {
  m_inet.StartUpdateCheck(std::wstring(m_browser.m_strFirmwareVersion.GetString()));
}

// ShutdownPlayback: stops the open, pre-open and tool workers, the panes' inertia threads, the
// controller's worker and the update check before the players are released. The update and
// connectivity threads end here, before the map wrapper can go (the watch writes its flags).
void CtavrinDlg::StopViewWorkers() {
  m_bNetworkStopped = m_inet.Stop() ? TRUE : FALSE;
}

// quill::msg::kRearrange from the movie window: the main window takes the movie window's new size step, as the
// caption's size button gives it (the pair plays on).
void CtavrinDlg::RearrangeForMovieFrame() {
  if (m_bFullScreen) {
    m_movieDlg.m_nSizeStep = m_nSizeStep;  // full screen has no steps: the button's step goes back
    return;
  }
  GoToSizeStep(m_movieDlg.m_nSizeStep);
}

// The stored volume to the players and the volume slider: only the followed camera is heard (the
// dispatcher gives the other one 0), so a pair never plays both soundtracks at once.
void CtavrinDlg::ApplyVolume() {
  if (m_volume.m_hWnd) m_volume.Redraw(m_nVolume);
  playcore::PlayerCall_SetVolume(TransportSelector(), m_nVolume);
}
