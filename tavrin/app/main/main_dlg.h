// CtavrinDlg: the main window. It owns every other window of the program as a member, makes them in
// OnInitDialog, fills the player instances' operation tables, applies the settings file and then runs
// in the modal loop of the application's start-up (app_startup.h).
//
// The work is split by role over these files:
//   main_dlg.cpp           members, message map, painting, the browser's and the panes' calls
//   main_dlg_init.cpp      OnInitDialog, the operating mode, OnAfterInit
//   main_dlg_children.cpp  the child windows, the panes and the tool buttons
//   main_dlg_buttons.cpp   the button states (button_rules.h applied to the windows)
//   main_dlg_close.cpp     the close paths and the stop of everything before the dialog ends
//   main_dlg_views.cpp     the steps the map, G-sensor graph, info panel, controller pad, settings and
//                          update-check windows fill in, and the playback calls of the panes
//   main_dlg_snapshot.cpp  the snapshot command and its pane sizing
//   main_dlg_driveviews.cpp the drive-data views driven from the playback position, their messages,
//                          the settings and source commands
//
// Threads: the dialog runs on the UI thread. m_hPlayMutex guards the current index and the file list's
// rows: the open and pre-open workers take it to copy the current entry's paths (CopyEntryPaths), the
// UI thread (the file list too) when it changes them. m_hDataMutex guards m_driveEvents; only the UI
// thread takes it.
// m_inet runs the connectivity and update-check threads; the connectivity thread writes only the map
// wrapper's connectivity flags (interlocked). StopViewWorkers ends them before the map wrapper goes.
// m_listTrack reads the shown list's GPS data into the global copy on its own thread and posts
// kListTrackRead; StopViewWorkers ends it too.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "playcore/bytes/unique_handle.h"
#include "playcore/instances/list_track_loader.h"
#include "playcore/instances/player_instance.h"
#include "tavrin/app/main/button_rules.h"
#include "tavrin/app/web/connectivity_watch.h"
#include "tavrin/app/main/context_menu.h"
#include "tavrin/app/main/controller_pad.h"
#include "tavrin/app/main/d3dx_probe.h"
#include "tavrin/app/main/source_search.h"
#include "tavrin/app/main/layout_geometry.h"
#include "tavrin/app/main/movie_pane.h"
#include "tavrin/app/main/playback_rules.h"
#include "tavrin/app/dialogs/settings_dlg.h"
#include "tavrin/app/main/small_windows.h"
#include "tavrin/browser/browser_owner.h"
#include "tavrin/browser/filer_container.h"
#include "tavrin/driveviews/gsensor_dlg.h"
#include "tavrin/driveviews/info_dlg.h"
#include "tavrin/driveviews/map_choice.h"
#include "tavrin/driveviews/map_wrap.h"
#include "tavrin/skin/offscreen_dc.h"
#include "tavrin/skin/resource_image.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_progress.h"
#include "tavrin/skin/skin_slider.h"

namespace quill::app {

// The places the start-up asks the system, replaceable by tests: a test sets them before it makes the
// main dialog (no thread of the dialog reads them earlier); the program leaves them empty.
struct StartupHooks {
  // Whether the D3DX 9 library can be loaded (from the system folder only).
  bool (*probeD3dx)() = nullptr;
  // Shows a start-up message (the DirectX notice, a failed start) with its caption; null: the
  // skinned box for the notice, the system's box for a start that cannot go on.
  void (*showMessage)(CWnd* owner, const wchar_t* text, const wchar_t* caption) = nullptr;
  // The map dialog to make; null: the system's choice (driveviews::ChooseMapVariantOnThisSystem).
  ::driveviews::MapVariant (*mapVariant)() = nullptr;
  // The update check's and connectivity watch's addresses and network functions; null: the program's.
  CInetConnectionAsync::Config (*inetConfig)() = nullptr;
  // Creates a mutex; null: CreateMutexW.
  HANDLE (*createMutex)() = nullptr;
};
StartupHooks& Hooks();

// The percentage of a progress report: done x 100 / total in 64 bits, limited to 0..100; 100 when the
// total is not above 0.
int ProgressPercent(WPARAM done, LPARAM total);

// The movie window's geometry for the rear movie's native size and the browser pane's width at size
// step 0 (steps 1 and 2 use 732 and 1106 as the reference): the frame's size and the sub pane's
// rectangle in it. A browser pane without width keeps the factor 1.
struct MovieFrameGeometry {
  SIZE frame;
  RECT pane;
};
MovieFrameGeometry ComputeMovieFrame(int nativeWidth, int nativeHeight, int browserWidth, int sizeStep);

// The zoom block of a pane by size step (full screen: the work area's centre).
playcore::sZOOMBLOCK ZoomBlockFor(int sizeStep, bool fullScreen, const RECT& workArea);

// One G-sensor event of the current recording: its category, its G record and its playback position.
struct DriveEvent {
  int category;
  int channel;
  playcore::sEVENTRECORD* record;
  int position;
};

// The position the graph's clicks go to among the enabled events' positions (in list order): the last
// one before `cursor` (previous), or the first one after it (next); when there is none, the last
// (previous) or the first (next) of all. -1 for no events.
int GraphEventTarget(const std::vector<int>& positions, int cursor, bool next);

// The info panel's trigger picture (1-6, 0 none) for a recording's trigger class.
int TriggerPictureCode(int triggerClass);

// Whether the main window still handles a message once everything is stopped and the players are
// released: the system's close posts its quit behind what is already queued, and the commands, timers,
// mouse input and private messages among them would drive the released players. The close commands
// and the window's own upkeep still run.
bool HandledAfterShutdown(UINT message, WPARAM wp);

}  // namespace quill::app

class CtavrinDlg : public CDialog, public IBrowserOwner, public IPaneOwner {
 public:
  static constexpr UINT kTemplateId = 102;
  static constexpr int kWidth = 1120;
  static constexpr int kHeight = 700;
  static constexpr RECT kPaneRect = {7, 26, 739, 437};  // the primary pane at size step 0
  static constexpr int kToolButtonCount = 18;
  static constexpr int kCaptionButtonCount = 3;
  static constexpr UINT kSeekBarId = 38100;
  static constexpr UINT kVolumeId = 38101;
  static constexpr UINT kProgressId = 38102;
  static constexpr UINT kBlankId = 1002;
  static constexpr UINT kPaneId = 1000;
  static constexpr UINT_PTR kTimerSecond = 103;
  static constexpr UINT_PTR kTimerDisplayOn = 107;  // the redraw after the display came on

  explicit CtavrinDlg(CWnd* parent = nullptr);
  ~CtavrinDlg() override;

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnOK() override {}         // Enter never closes the main window
  void OnCancel() override;       // Escape takes the same path as the close button

  // Start-up steps (main_dlg_init.cpp, main_dlg_children.cpp).
  void CreateChildWindows();
  void CreateMoviePanes(const RECT& rect);
  void CreateSkinButtons();
  void InitPlayerInstances();   // OnInitDialog steps 9-14
  void InitControlsAtStart();   // steps 15-25
  void OpenStartSource();       // step 26
  void ApplyEdition();
  void LoadOperatingMode(const CString& sourceFolder);
  LRESULT OnAfterInit(WPARAM wp, LPARAM lp);
  void ResetZoomParams(int pane);
  void GetPaneRect(RECT* rect, int pane);
  // The browser pane's rectangle in the arrangement of size step 0 (beside the primary pane).
  RECT BrowserRectAtStep0();
  void PlaceMovieFrame();

  // Button states (main_dlg_buttons.cpp).
  quill::app::ButtonState CurrentButtonState();
  // The state the rules see while the buttons are made (CreateSkinButtons).
  quill::app::ButtonState BirthButtonState();
  void UpdateButtons();
  void EnableToolButtons(int first);
  void DisableAllButtons();
  void SetPadMode(int mode);
  void EnableViewControls(BOOL on);
  void ApplyButtonSet(const quill::app::ButtonSet& set);

  // The close paths (main_dlg_close.cpp).
  void OnCloseCommand();
  void ShutdownPlayback();

  // Steps other windows fill in (main_dlg_views.cpp).
  void CreateMapDialog(driveviews::MapVariant variant);
  void CreateGSensorDialog();
  void CreateInfoPanel();
  void CreateControllerPad();
  void CreateSettingsDialog();
  void StartUpdateCheck();
  void StopViewWorkers();
  void RearrangeForMovieFrame();
  void SetTrackIndex(int64_t position);
  void ApplyVolume();

  // Playback driving (main_dlg_playback.cpp: the open sequence and the end of a movie;
  // main_dlg_playback_tick.cpp: the tick, seeking and the transport).
  int OpenCurrent();
  void OpenNext();
  void GotoNextFolder();
  // A folder chosen in the tree: playback of the old list stops, the folder's recordings are listed
  // and its first row is opened (played unless the list had ended, which the open then continues).
  void PlayFolder(HTREEITEM item);
  void LoadDriveData();
  // The data-source movie's duration to the info panel (-1 without one).
  void ShowDurationInInfo();
  // The local time of the data-source movie's first GPS point; false when there is none or it is no
  // time.
  bool FirstFixTime(SYSTEMTIME* start);
  void StartPlayback();
  void StopPlayback();
  // The drive-data views and the seek bar back to "no recording".
  void ResetDriveViews();
  // Stops the playback timers and joins the panes' inertia threads (they turn the players' views).
  void StopPlaybackWorkers();
  // Joins the open and pre-open workers.
  void JoinPlaybackWorkers();
  // Shuts down the next pair's movie sources resolved ahead (tools, stop, close).
  void DropPreparedMovies();
  void Stop();
  void PauseShow();
  BOOL Resume();
  void SeekTo(int selector, int64_t position);
  void OnSeekBarReleased(int64_t position);
  void UpdateSpeedLabel();
  BOOL CheckMovieEnd();
  int GetFrameMargin();
  void OnPlayPause();
  void OnToStart();
  void OnFastForward();
  void OnSlow();
  void OnPlaybackTimer(UINT_PTR id);
  void OnTick();
  // The end of a pair waiting for its other camera (OnEndOfMovie): whether a camera still shows
  // new frames, and the tick's follow-up that moves on once none of them does.
  bool EndWaitsForOtherCamera();
  void FollowEndWait();
  void SetPlayButtonFace(bool playing);
  // The selector the transport hands to the dispatchers: every instance while both have a movie open.
  int TransportSelector();
  // The lap time ("m:ss / m:ss" of the position and the duration) beside the seek bar.
  RECT LapTimeRect();
  void DrawLapTime();
  void EnablePanesAfterOpen();
  // The playback state as properties of the main window (value + 1, 0 when unset): the position
  // shown, the current index, the opens started, the leading instance's play state and the speed.
  static constexpr const wchar_t* kPropPosition = L"QuillmereX.Position";
  static constexpr const wchar_t* kPropIndex = L"QuillmereX.Index";
  static constexpr const wchar_t* kPropOpens = L"QuillmereX.Opens";
  static constexpr const wchar_t* kPropState = L"QuillmereX.State";
  static constexpr const wchar_t* kPropSpeed = L"QuillmereX.Speed";  // speed code + 100
  static constexpr const wchar_t* kPropMarker = L"QuillmereX.Marker";  // the last queue marker's wParam
  // The leading instance's frames shown and found missing since its movie was opened (absent while
  // no presenter shows it).
  static constexpr const wchar_t* kPropFramesShown = L"QuillmereX.FramesShown";
  static constexpr const wchar_t* kPropFramesDropped = L"QuillmereX.FramesDropped";
  void PublishPlaybackState();
  // The current entry's two paths under m_hPlayMutex; false for an invalid index.
  bool CopyEntryPaths(int index, wchar_t* mainPath, wchar_t* rearPath);
  bool NextFolderItem(HTREEITEM* next);
  void JoinWorker(playcore::UniqueHandle& worker);
  void StartWorker(playcore::UniqueHandle& worker, int index);
  LRESULT OnDriveDataLoaded(WPARAM wp, LPARAM lp);
  LRESULT OnSeekPress(WPARAM wp, LPARAM lp);
  LRESULT OnSeekTrack(WPARAM wp, LPARAM lp);
  LRESULT OnSeekRelease(WPARAM wp, LPARAM lp);
  LRESULT OnStepTick(WPARAM wp, LPARAM lp);
  LRESULT OnStepEnd(WPARAM wp, LPARAM lp);

  // The map (main_dlg_map.cpp).
  // The map frame's content by the map-or-logo rule: the map dialog, or the logo in its place.
  void UpdateMapOrLogo();
  // A recording starts opening: page-ready word cleared, no position, no GPS known.
  void MapOnOpen();
  // The recording's drive data is open: whether it has GPS points and is a parking recording, the
  // page-ready word back (while the page is initialised), the frame's content.
  void MapOnDriveData();
  // The marker goes to the current position (playback started, a seek landed, the frame shown).
  void MapMoveMarker();
  // The 100 ms tick: the connection test while stopped or paused, the marker status following the
  // leading instance's state, the frame's content.
  void MapOnTick(bool active, int playState);

  // The drive-data views (main_dlg_driveviews.cpp).
  // From the selected instance's current position: the graph's cursor, the info panel's values, the
  // map's position key and marker. Called on every playback tick and after a seek.
  void RefreshDriveViews();
  // A recording's drive data has been opened into the players: the graph takes the player and the
  // recording's marks, the event list is rebuilt and sent to the map, the views show the position.
  void OnDriveDataOpened();
  // Rebuilds the current recording's event list and, when the map page is ready, sends the track and
  // the event points to the map. `index` is the list entry (the map's grid number).
  void SendEventsToMap(int index);
  // Seeks the players of `selector` (2: both) to `position` and moves the views there.
  void SeekViewsTo(int selector, int64_t position);
  void OnSettings();
  void OnSourceOpen();
  LRESULT OnMapReady(WPARAM, LPARAM);
  // The shown list's track: handed to the reader at every refill; drawn again as its points land.
  void LoadListTrack(const RecordingList& shown);
  LRESULT OnListTrackRead(WPARAM generation, LPARAM done);
  LRESULT OnMapSeek(WPARAM, LPARAM position);
  LRESULT OnGraphPrevEvent(WPARAM, LPARAM);
  LRESULT OnGraphNextEvent(WPARAM, LPARAM);
  LRESULT OnInfoItem(WPARAM item, LPARAM state);
  LRESULT OnSettingChanged(WPARAM item, LPARAM value);
  void GoToGraphEvent(bool next);
  // The browser pane's opened source applied to the buttons (after start-up and the source command).
  void ApplyOpenedSource();

  // IBrowserOwner
  HWND OwnerWindow() override { return m_hWnd; }
  HANDLE PlayMutex() override { return m_hPlayMutex.get(); }
  int CurrentIndex() override { return m_nCurIndex; }
  void SetCurrentIndex(int index) override { m_nCurIndex = index; }
  bool IsListEnd() override { return m_bListEnd; }
  void SetPlayAfterOpen(bool play) override { m_bPlayAfterOpen = play; }
  void ClearPlaybackDisplayFlags() override {}
  int PrepareOpenCurrent(int a, int b, int c) override;
  // Under Wine, the players' Direct3D object made ahead of the first open (see m_direct3dAhead).
  void PrepareVideoAhead();
  bool IsDataSourceAtNormalSpeed() override;
  void SetNormalRate() override;
  void OnFolderSelChanged(NMHDR* hdr, LRESULT* result) override;
  void OnFilterCommand(int index) override;
  bool ReadRecorderVersion(const wchar_t* path, int& major, int& minor, CString& build,
                           CString& suffix) override;

  // IPaneOwner
  void ShowContextMenu(POINT screenPt, int pane) override;
  void OnPaneClickZoom(int player, POINT clientPt) override;
  void OnDialogDoubleClick(int player) override;
  void OnEndOfMovie(WPARAM wp, int player) override;
  void OnMovieReady(WPARAM wp, int player) override;
  void OnGraphEvent(WPARAM wp, LPARAM player) override;

  // The data-source player instance: 0 when its data-source word is set, else 1.
  static int DataSourceIndex();

  // List navigation, the vanished source and the tool frame (main_dlg_list_commands.cpp).
  void OnPrevFile();
  void OnNextFile();
  void OnReloadSource();
  void ResetAfterSourceChange();
  void StartToolThread(UINT (*proc)(LPVOID));
  void FinishTool();
  // The to-start button while a tool runs: the tool is told to stop; it ends by its finish message.
  void StopRunningTool();
  void EnableToolControls(BOOL on);
  LRESULT OnToolDone(WPARAM, LPARAM);
  void StopCommandWorkers();
  // The tool commands (main_dlg_tool_commands.cpp).
  bool PrepareToolStart();
  void CancelRunningTool();
  void OnCsvExport();
  LRESULT OnRunOnUiThread(WPARAM call, LPARAM);
  void OnDeleteRecordings();
  LRESULT OnDeletionDone(WPARAM, LPARAM);
  // The window with no recording left to show (players closed, drive views and panes cleared).
  void ShowEmptyState();
  void OnJoinCommand();
  void OnSnapshot();
  // The snapshot's pane sizing (main_dlg_snapshot.cpp).
  void PrepareSnapshotPanes();
  void RestoreSnapshotPanes();
  // View and window commands (main_dlg_view_commands.cpp).
  void OnNextSizeStep();
  void GoToSizeStep(int step);
  void ArrangeStep(int step);
  void ApplyFullScreen(BOOL on);
  void RelayoutAll(BOOL toggle);
  void SetPrimaryPane(int pane);
  void OnToggleZoomMode();
  void SetZoomMode(BOOL on);
  void LeaveZoomMode();
  void ShowClickZoom(int player);
  void OnDisplayMode();
  void OnFlipMain();
  void OnMirrorRear();
  void OnMapDisplay();
  void OnDisplaySwitch();
  void OnToggleAspect();
  void OnResetView();
  void OnViewCommand(UINT id);
  void RefreshVideo();
  void ApplyPaneMode(int pane);
  void ShowMapFrame(BOOL show);
  quill::app::MenuState MenuStateFor(int pane);
  void CreatePad();
  void OnDisplayOnTimer();
  void PaintWideBands(HDC dc, const RECT& client);
  // An open of the current pair runs (wait cursor, buttons off): the commands leave the panes alone.
  bool IsOpenInProgress();

  // Members, in construction order.
  HICON m_hIcon = nullptr;
  CResourceImage m_skin;
  COffScreenDC m_offscreen;
  CMoment m_moment[2];
  CContainerDialog m_mapFrame;
  CMovieDialog m_movieDlg;
  driveviews::MapVariant m_mapVariant = driveviews::MapVariant::kInternetExplorer;  // the map wrapper's choice
  driveviews::CGoogleMapDlgWrap m_map;
  quill::app::CInetConnectionAsync m_inet;  // after m_map: its sink writes the map's flags
  std::unique_ptr<playcore::ListTrackLoader> m_listTrack;  // null until the map's hook-up
  CInfoDlg m_info;
  CGSensorDlg m_graph;
  quill::app::CSettingDlg m_settingDlg;
  CMovieStatic m_pane[2];
  CBlankStatic m_blank;
  CSkinSliderCtrl m_seekBar;
  CSkinSliderCtrl m_volume;
  CSkinProgressBarCtrl m_progress;
  CLapTimeArea m_lapTime;
  CFilerContainerDlg m_browser;
  CLogoDlg m_logo;
  CToolTipCtrl m_toolTip;
  CSkinButton m_tool[kToolButtonCount];
  CSkinButton m_caption[kCaptionButtonCount];  // 18 close, 20 next size, 19 minimise
  std::vector<quill::app::DriveEvent> m_driveEvents;  // the events SendEventsToMap found (m_hDataMutex)

  // Scalar state.
  HPOWERNOTIFY m_hPowerNotify = nullptr;
  playcore::UniqueHandle m_hPlayMutex;
  playcore::UniqueHandle m_hDataMutex;
  int m_nCurIndex = -1;
  int m_nVolume = 65535;
  int m_nPlayerSel = 0;
  int m_nEdition = 2;
  int m_nToolButtons = 18;
  int m_nMainPane = 0;
  int m_nSubPane = 1;
  int m_nSizeStep = 0;
  BOOL m_bFullScreen = FALSE;
  BOOL m_bIniExisted = FALSE;
  int m_nOperatingMode = 0;
  BOOL m_bD3dxPresent = FALSE;
  BOOL m_bUpdateStarted = FALSE;
  BOOL m_bInitDone = FALSE;
  BOOL m_bVideoRefreshedOnce = FALSE;  // the first background after the start-up drew the pictures
  BOOL m_bStarted = FALSE;
  BOOL m_bCsvLocked = TRUE;
  BOOL m_bMapOff = FALSE;
  BOOL m_bMapShown = FALSE;
  BOOL m_bJoinFace = TRUE;
  BOOL m_bListEnd = FALSE;
  BOOL m_bPlayAfterOpen = FALSE;
  BOOL m_bShutDown = FALSE;
  BOOL m_bNetworkStopped = FALSE;  // the update and connectivity threads ended within their time
  int m_nPaneMode[2] = {3, 3};
  int m_nProgress = 0;
  int m_nBrowserMode = 0;
  int m_nD3dxMessages = 0;  // how often the D3DX notice was shown
  quill::app::D3dxProbe m_d3dxProbe;  // started with OnInitDialog, taken by the after-start steps
  quill::app::SourceSearch m_sourceSearch;  // started after the settings file, taken by the source step
  // Under Wine the players' shared Direct3D object, made on a thread of its own while the first open
  // waits for its timer, so that the open does not wait for Wine's adapter probe; never taken (the
  // object is kept by the player core), only waited for when the window goes.
  quill::app::StartupWork<bool> m_direct3dAhead;
  RECT m_rcRestore = {};
  RECT m_rcMapHome = {};
  playcore::sZOOMBLOCK m_aZoom[2] = {};
  // The commands' state.
  quill::app::CControllerDlg m_pad;
  std::thread m_toolThread;
  // A tool runs: set and cleared by the UI thread, cleared by the tool's worker at its end and read by
  // it between records, so every access is atomic.
  std::atomic<bool> m_bToolRunning{false};
  BOOL m_bToolSucceeded = FALSE;  // set by a tool that finished its work; a failed or cancelled one leaves it
  BOOL m_bSkipButtonUpdate = FALSE;
  BOOL m_bToolLock = FALSE;
  // A snapshot's capture: each pane's place while it has its capture size.
  struct SnapshotPane {
    bool moved = false;
    bool visible = false;
    RECT rect = {};  // in its parent's client coordinates
    bool aspectSwitched = false;  // the picture was made to fill the capture size
    int32_t aspect = 1;           // the instance's aspect word before
  };
  SnapshotPane m_snapshotPane[2];
  BOOL m_bCapturing = FALSE;
  int m_nMovieFrameStep = -1;  // the size step the movie window was last placed for (-1: never)
  // A snapshot is being taken (its folder question, repaints and capture): the command, the context
  // menu and user input wait for its end.
  BOOL m_bSnapshotBusy = FALSE;
  BOOL m_bMapShownSaved = FALSE;
  BOOL m_bZoomMode = FALSE;
  BOOL m_bKeepRestoreRect = FALSE;  // a pane change in full screen lays it out again, keeping m_rcRestore
  int m_nAspect = 1;
  int m_nMenuPane = -1;
  BOOL m_bDragging = FALSE;
  POINT m_ptDrag = {};
  POINT m_ptZoomOrigin[2] = {};
  UINT_PTR m_nPowerTimer = 0;   // kTimerDisplayOn, armed by a display-on notification
  int m_nDisplayRefreshes = 0;

  // Playback driving state (UI thread only, except the workers' copies taken under m_hPlayMutex).
  BOOL m_bOpened = FALSE;      // the pair's drive data is loaded; playback may run
  BOOL m_bAutoOpen = TRUE;     // timer 101 may open the current entry
  BOOL m_bOpenBusy = FALSE;    // an open runs: wait cursor, buttons off, watchdog armed
  BOOL m_bAtEnd = FALSE;       // the end guard fired for this movie
  BOOL m_bEndShown = FALSE;    // the tick disabled the seek bar at the end
  BOOL m_bEndHandled = FALSE;  // the end of the list was reached; further end reports are ignored
  BOOL m_bEndRunning = FALSE;  // an end-of-movie handler runs
  // The end of a pair waiting for its other camera's last frames (EndWaitsFor): which cameras
  // reported their end, and per camera the frames shown when last seen and when that count changed.
  BOOL m_bEndWaiting = FALSE;
  BOOL m_bEndReported[2] = {FALSE, FALSE};
  uint32_t m_uEndShown[2] = {0, 0};
  DWORD m_dwEndShownAt[2] = {0, 0};
  BOOL m_bEventsSent = FALSE;  // the current movie's events reached the map
  BOOL m_bMapHasGps = FALSE;   // the open recording has valid GPS points (MapOnDriveData)
  BOOL m_bMapParking = FALSE;  // the open recording is a parking recording
  BOOL m_bSeekPressed = FALSE; // a seek-bar drag runs (the players are muted)
  int m_nSeekPlayState = 0;    // the play state at the press
  int64_t m_nSeekTarget = -1;
  int m_nFadeVolume = 0;
  int64_t m_nCursor = 0;       // the position shown by the seek bar and the drive views
  int m_nOpenReason = 0;       // the browser asked for the open (1 or 2), read and cleared when ready
  unsigned m_uOpenGeneration = 0;  // tells a worker's report of an abandoned open from the current
  unsigned m_uOpenCount = 0;       // opens started (tests and the benchmark read it)
  unsigned m_uPrepareCount = 0;    // opens prepared
  CString m_strLapTime;
  quill::app::ReadyCount m_readyCount;
  playcore::UniqueHandle m_hOpenThread;
  playcore::UniqueHandle m_hPreOpenThread;

 protected:
  void OnPaint();
  BOOL OnEraseBkgnd(CDC* dc);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  LRESULT OnGraphEventMsg(WPARAM wp, LPARAM lp);
  HCURSOR OnQueryDragIcon() { return m_hIcon; }
  void OnTimer(UINT_PTR id);
  void OnSysCommand(UINT id, LPARAM lp);
  void OnMinimise();
  void OnNextSize();
  void OnDestroy();
  // Window commands (main_dlg_view_commands.cpp).
  void OnLButtonDown(UINT flags, CPoint pt);
  void OnMouseMove(UINT flags, CPoint pt);
  void OnLButtonUp(UINT flags, CPoint pt);
  void OnCaptureChanged(CWnd* newCapture);
  void OnLButtonDblClk(UINT flags, CPoint pt);
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message);
  void OnSize(UINT type, int cx, int cy);
  void OnMove(int x, int y);
  void OnContextMenu(CWnd* wnd, CPoint pt);
  UINT OnPowerBroadcast(UINT event, LPARAM lp);
  void OnFilterRange(UINT id);
  LRESULT OnProgress(WPARAM wp, LPARAM lp);
  LRESULT OnIgnored(WPARAM, LPARAM) { return 0; }
  LRESULT OnRearrangeMsg(WPARAM, LPARAM);
  LRESULT OnQueueMarker(WPARAM marker, LPARAM);
  LRESULT OnSourceVanished(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  static RECT ChildRect(CWnd& child);
  void PlaceChild(CWnd& child, const RECT& rect, bool shown);
  void MoveChildTo(CWnd& child, const RECT& rect);
  void PlaceDriveViews(const quill::app::StepLayout& l);
  void PlaceButtonRow(const quill::app::StepLayout& l, const quill::app::Visibility& v);
  void PaintBackdrop(HDC dc, const RECT& client);
  void PaintInfoBand(CDC& dc);
 public:
  // Where the info panel's layout 2 is drawn in the client area.
  RECT InfoBandRect();
};
