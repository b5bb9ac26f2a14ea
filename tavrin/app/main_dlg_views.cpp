// CtavrinDlg: the steps that the windows of the drive-data views, the controller pad, the settings
// and update-check windows and the playback work fill in. Each is called at its place in the start-up
// or shut-down; until its window exists it does nothing, and the main window runs without it.
#include "tavrin/app/main_dlg.h"

using namespace quill::app;

// CreateChildWindows step 4: the map dialog of `variant` on the heap, kept by the map wrapper, with
// the map frame as its parent and the main dialog as the wrapper's owner; moved to (0, 20) 370 x 406.
void CtavrinDlg::CreateMapDialog(MapVariant) {}

// CreateChildWindows step 9: the G-sensor dialog (template 136), attached to the off-screen surface.
void CtavrinDlg::CreateGSensorDialog() {}

// CreateChildWindows step 10: the info panel (template 135) with the skin images.
void CtavrinDlg::CreateInfoPanel() {}

// CreateChildWindows step 11: the controller pad (template 355), its pane and drag record, its worker.
void CtavrinDlg::CreateControllerPad() {}

// OnInitDialog step 18: the settings dialog (template 175), modeless.
void CtavrinDlg::CreateSettingsDialog() {}

// OnAfterInit step 3: the firmware version into the connectivity watcher, the update-check thread.
void CtavrinDlg::StartUpdateCheck() {}

// ShutdownPlayback: stops the open, pre-open and tool workers, the panes' inertia threads, the
// controller's worker and the update check before the players are released.
void CtavrinDlg::StopViewWorkers() {}

// WM_APP+1901 from the movie window: the arrangement for its new size step.
void CtavrinDlg::RearrangeForMovieFrame() {
  m_nSizeStep = m_movieDlg.m_nSizeStep;
  PlaceMovieFrame();
}

// The stored volume to the players and the volume slider.
void CtavrinDlg::ApplyVolume() {
  if (m_volume.m_hWnd) m_volume.Redraw(m_nVolume);
  for (int i = 0; i < playcore::kPlayerCount; ++i) {
    if (playcore::g_PlayerInstance[i].active && playcore::g_PlayerFuncs[i].SetVolume) {
      playcore::g_PlayerFuncs[i].SetVolume(&playcore::g_PlayerInstance[i], m_nVolume);
    }
  }
}

// The panes' calls: the context menu, the click zoom and the double click belong to the view
// commands (the end-of-movie, movie-ready and graph-event handlers are in main_dlg_playback.cpp).
void CtavrinDlg::ShowContextMenu(POINT, int) {}
void CtavrinDlg::OnPaneClickZoom(int, POINT) {}
void CtavrinDlg::OnDialogDoubleClick(int) {}
