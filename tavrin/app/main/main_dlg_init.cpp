// CtavrinDlg: OnInitDialog, the operating mode and the after-start steps.
#include <algorithm>
#include <cstring>

#include "platform/framework/private_messages.h"
#include "platform/imports/system_library.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/mp4/box_name_tree.h"
#include "playcore/scene/trackball.h"
#include "tavrin/app/main/app_startup.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/main/start_marks.h"
#include "tavrin/browser/recording_probe.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/settings_ini.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerInstance;
using playcore::g_PlayerFuncs;

namespace {

constexpr unsigned kTextPlay = 12;            // "再生"
constexpr unsigned kTextJoin = 1;             // "結合"
constexpr unsigned kTextUploadConvert = 170;  // "アップロード変換"
constexpr unsigned kTextInstallDirectX = 154;
constexpr unsigned kTextInstallCodecs = 114;  // "コーデックとスプリッターをインストールしてください。"
constexpr UINT kFaceUpload = 368;
constexpr UINT kFaceJoin = 150;
constexpr UINT kFacePlay = 148;
constexpr int kMapFrameWidth = 374;
constexpr int kMapFrameHeight = 430;

bool ProbeD3dxFromSystem() {
  // Only the system folder: the program may be started from a card, whose folder is not trusted.
  HMODULE d3dx = quill::imports::LoadSystemLibrary(L"d3dx9_41.dll");
  if (!d3dx) return false;
  FreeLibrary(d3dx);
  return true;
}

void ShowSkinnedMessage(CWnd* owner, const wchar_t* text, const wchar_t* caption) {
  CMsgBox box(owner);
  box.Show(text, caption, CMsgBox::kTypeOk);
}

HANDLE MakeMutex() {
  if (Hooks().createMutex) return Hooks().createMutex();
  return CreateMutexW(nullptr, FALSE, L"");
}

// Windows 6.0 and 6.1 report the monitor's power, later versions the console display's state.
HPOWERNOTIFY RegisterDisplayPowerNotification(HWND hwnd) {
  using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  // The true version: GetVersionEx is capped at 6.2 for programs without a manifest entry for later
  // versions, and the kernel's own call is not.
  HMODULE ntdll = GetModuleHandleW(L"ntdll");
  auto rtlGetVersion = ntdll ? reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
  if (!rtlGetVersion || rtlGetVersion(&info) != 0) return nullptr;
  if (info.dwMajorVersion < 6) return nullptr;
  const bool vistaOr7 = info.dwMajorVersion == 6 && info.dwMinorVersion <= 1;
  return RegisterPowerSettingNotification(hwnd, vistaOr7 ? &kMonitorPowerOn : &kConsoleDisplayState,
                                          DEVICE_NOTIFY_WINDOW_HANDLE);
}

// The D3DX probe in use: the test hook's or the system folder's.
D3dxProbe::WorkFn D3dxProbeInUse() { return Hooks().probeD3dx ? Hooks().probeD3dx : &ProbeD3dxFromSystem; }

}  // namespace

BOOL CtavrinDlg::OnInitDialog() {
  MarkStart(StartStep::kDialogCreated);
  // 1. Base initialisation and the large icon.
  CDialog::OnInitDialog();
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  // 2. Display power notifications.
  m_hPowerNotify = RegisterDisplayPowerNotification(m_hWnd);
  // 3. The two mutexes. Without them nothing else can run safely: say so and end the dialog.
  m_hPlayMutex.Reset(MakeMutex());
  m_hDataMutex.Reset(MakeMutex());
  if (!m_hPlayMutex || !m_hDataMutex) {
    const wchar_t* text = L"QuillmereX cannot start: the system refused a synchronisation object.";
    if (Hooks().showMessage) {
      Hooks().showMessage(nullptr, text, L"ERROR");
    } else {
      ::MessageBoxW(nullptr, text, L"ERROR", MB_ICONERROR);
    }
    EndDialog(IDCANCEL);
    return TRUE;
  }
  MarkStart(StartStep::kBase);
  // 4. Fonts, DPI and language.
  InitAppFontsAndLanguage(this);
  MarkStart(StartStep::kFonts);
  // 5. Title, size and the restore rectangle.
  SetWindowText(L"QuillmereX");
  {
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + std::max(0L, ((work.right - work.left) - kWidth) / 2);
    MoveWindow(x, work.top, kWidth, kHeight, FALSE);
  }
  GetWindowRect(&m_rcRestore);
  MarkStart(StartStep::kTitleAndSize);
  // 6. The skin images.
  m_skin.Load(this);
  MarkStart(StartStep::kSkinImages);
  // 7. The child windows.
  CreateChildWindows();
  MarkStart(StartStep::kChildWindows);
  // 8. The settings file: the three defaults when it is missing.
  m_bIniExisted = !GetIniFilePath().IsEmpty() && ::GetFileAttributesW(GetIniFilePath()) != INVALID_FILE_ATTRIBUTES;
  if (!m_bIniExisted) WriteIniDefaultsIfMissing();
  // The source step's search for the default source (the card's drives) runs meanwhile.
  m_sourceSearch.Start(&SearchDefaultSource);
  MarkStart(StartStep::kSettingsFile);
  // 9-14. The player core's notice and both player instances.
  InitPlayerInstances();
  MarkStart(StartStep::kPlayers);
  // 15-25. Buttons, volume, settings dialog, lap-time area, logo, progress bar, zoom.
  InitControlsAtStart();
  MarkStart(StartStep::kControls);
  // 26. The source.
  OpenStartSource();
  MarkStart(StartStep::kSource);
  // 27. The map switch starts from whether the map shows; the movie window's caption.
  m_bMapOff = m_bMapShown ? FALSE : TRUE;
  if (CSkinButton& mapButton = m_tool[kCmdMap - kToolFirst]; mapButton.m_hWnd && m_nSizeStep == 0) {
    mapButton.m_bPressed = m_bMapOff;
    mapButton.Invalidate(FALSE);
  }
  UpdateButtons();
  m_movieDlg.SetCaption(kTextRearCamera);
  // 28. The one-second timer.
  SetTimer(kTimerSecond, 1000);
  // 29. Start-up done: the after-start steps run from the loop.
  m_bInitDone = TRUE;
  // The D3DX probe of the after-start steps starts loading now, while the window is shown.
  m_d3dxProbe.Start(D3dxProbeInUse());
  PostMessage(quill::msg::kAfterInit, 0, 0);
  MarkStart(StartStep::kInitDone);
  return TRUE;
}

void CtavrinDlg::InitPlayerInstances() {
  // 9. The player core's notice when no decoder takes a stream: UI text 114.
  playcore::SetCodecMissingText(UIText(kTextInstallCodecs));
  // The player core's error boxes belong to this window: it is disabled while one is up, so neither a
  // click on another row nor the close can start while the box's loop runs.
  playcore::SetErrorBoxOwner(m_hWnd);
  // 10. DECODE/INNER is read and not used further.
  ReadIni(L"DECODE", L"INNER");
  // 11. Both player instances: cleared, their tables filled, the preset directions copied.
  for (int i = 0; i < playcore::kPlayerCount; ++i) {
    playcore::ClearInstanceRecord(&g_PlayerInstance[i]);
    playcore::PlayerInstance::FillFuncs(&g_PlayerFuncs[i]);
    g_PlayerInstance[i].renderer.engineViewMode = 3;
    // The scene's own table of the eight directions (the one its trackball seeds from).
    const playcore::ReferenceDirections& presets = playcore::PresetDirections();
    static_assert(sizeof presets == sizeof g_PlayerInstance[i].renderer.presetViews);
    std::memcpy(g_PlayerInstance[i].renderer.presetViews, presets.data(), sizeof presets);
  }
  // 12. Init with the panes' windows.
  for (int i = 0; i < playcore::kPlayerCount; ++i) {
    if (g_PlayerFuncs[i].Init(&g_PlayerInstance[i], m_pane[i].m_hWnd, UIText(kUITextFontFace))) {
      g_PlayerInstance[i].active = 1;
      g_PlayerInstance[i].dataSource = 0;
    }
  }
  // The browser asks the players whether a file is a recording (each answers under its own lock).
  SetRecordingProbe(&playcore::PlayerCall_ProbeFile);
  // 13. The scratch instance of the player core is its own static record, cleared where it is used.
  // 14. Hardware decoding: exactly "on" switches it on.
  {
    const int src = DataSourceIndex();
    if (g_PlayerInstance[src].active) {
      g_PlayerFuncs[src].SetHwDecode(&g_PlayerInstance[src], ReadIni(L"DECODE", L"HW") == L"on" ? 1 : 0);
    }
  }
}

void CtavrinDlg::InitControlsAtStart() {
  // 15. The tool and caption buttons.
  CreateSkinButtons();
  // 16. The MP4 container-name table, filled before any worker reads a movie's boxes.
  playcore::BoxNameTree::AddKnownBoxNames();
  // 17. The stored volume.
  {
    const CString volume = ReadIni(L"DISPLAY", L"VOLUME");
    m_nVolume = volume.IsEmpty() ? 65535 : std::clamp(_wtoi(volume), 0, 65535);
    // The stored aspect: letter-boxing unless switched off.
    m_nAspect = ReadIni(L"DISPLAY", L"ASPECT") == L"off" ? 0 : 1;
  }
  // 18. The settings dialog (modeless).
  CreateSettingsDialog();
  // 19. The lap-time area draws on the off-screen surface in white with the 10-point font.
  if (m_offscreen.IsValid()) {
    ::SetBkMode(m_offscreen.m_dc.m_hDC, TRANSPARENT);
    ::SetTextColor(m_offscreen.m_dc.m_hDC, m_lapTime.m_crBack);
    m_lapTime.Attach(&m_offscreen.m_dc, g_hFont10);
  }
  // 20. No map at start; the logo hidden through its own request.
  m_bMapShown = FALSE;
  if (m_logo.m_hWnd) {
    m_logo.m_bShown = FALSE;
    m_logo.PostMessage(quill::msg::kLogoShow, 0, 0);
  }
  // 21. Logo hidden, the first position, the volume.
  m_logo.ShowWindow(SW_HIDE);
  SetTrackIndex(0);
  ApplyVolume();
  // 22. The play button's face and tip.
  if (!m_bFullScreen && m_tool[kCmdPlay - kToolFirst].m_hWnd) {
    m_toolTip.UpdateTipText(UIText(kTextPlay), &m_tool[kCmdPlay - kToolFirst]);
    m_tool[kCmdPlay - kToolFirst].SetImages(kFacePlay);
    m_tool[kCmdPlay - kToolFirst].Invalidate(TRUE);
  }
  UpdateButtons();
  // 23. The progress bar along the bottom of the primary pane, hidden.
  if (m_progress.m_hWnd) {
    RECT pane;
    GetPaneRect(&pane, m_nMainPane);
    m_progress.MoveWindow(pane.left, pane.bottom - 22, pane.right - pane.left, 22, TRUE);
    m_progress.m_nMin = 0;
    m_progress.m_nMax = 100;
    m_progress.m_nPos = 0;
    m_progress.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_progress.ShowWindow(SW_HIDE);
  }
  // 24. Both panes' zoom, and the view mode of active instances.
  for (int k = 0; k < playcore::kPlayerCount; ++k) {
    ResetZoomParams(k);
    if (g_PlayerInstance[k].active) g_PlayerFuncs[k].SetViewMode(&g_PlayerInstance[k], 0);
  }
  // 25. The controller pad starts in mode 0 (made with the controller pad).
}

void CtavrinDlg::OpenStartSource() {
  // 26. The source: the default source, the operating mode, the edition's arrangement, the browser.
  {
    const SourceAnswer found = m_sourceSearch.Take(&SearchDefaultSource);
    const CString& folder = found.path;
    const int kind = found.kind;
    LoadOperatingMode(folder);
    ApplyEdition();
    ArrangeStep(m_nSizeStep);
    m_browser.m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    if (kind != 0 && !folder.IsEmpty()) m_browser.OpenSource(folder, kind);
    ApplyOpenedSource();
  }
}

// The browser pane's freshly opened source: the list redrawn, the play button's tip, the browser's
// mode, and the join or upload-conversion face of button 38007.
void CtavrinDlg::ApplyOpenedSource() {
  if (!m_browser.m_tree.GetRootItem()) return;
  m_browser.m_list.Invalidate(TRUE);
  if (m_tool[kCmdPlay - kToolFirst].m_hWnd) {
    m_toolTip.UpdateTipText(UIText(kTextPlay), &m_tool[kCmdPlay - kToolFirst]);
  }
  m_nBrowserMode = m_browser.m_nSourceKind;
  if (m_nBrowserMode == 1) m_bCsvLocked = FALSE;
  CSkinButton& join = m_tool[kCmdJoin - kToolFirst];
  const bool upload = m_nBrowserMode == 2 || m_nBrowserMode == 3;
  if (join.m_hWnd) {
    m_toolTip.UpdateTipText(UIText(upload ? kTextUploadConvert : kTextJoin), &join);
    join.SetImages(upload ? kFaceUpload : kFaceJoin);
  }
  m_bJoinFace = upload ? FALSE : TRUE;
  UpdateButtons();
}

void CtavrinDlg::ApplyEdition() {
  // The edition word is fixed at 2: selector 0, both panes in mode 3.
  m_nPlayerSel = 0;
  m_nToolButtons = 18;
  m_nPaneMode[0] = m_nPaneMode[1] = 3;
  m_pane[0].m_nViewMode = m_pane[1].m_nViewMode = 3;
}

void CtavrinDlg::LoadOperatingMode(const CString&) {
  // A file without the answer (the first start was ended while it asked) asks again.
  const CString stored = ReadIni(L"DISPLAY", L"MODELSELECT");
  if (m_bIniExisted && !stored.IsEmpty()) {
    const int mode = _wtoi(stored);
    if (mode >= 0 && mode <= 2) m_nOperatingMode = mode;
    return;
  }
  m_bIniExisted = TRUE;
  CModelSelectDlg dlg(this);
  const INT_PTR result = dlg.DoModal();
  int mode = 0;
  if (result == IDOK) mode = 1;
  if (result == IDCANCEL) mode = 2;
  if (mode == 0) {
    // The question could not be asked: the system's reason, and nothing written, so that the next
    // start asks again.
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, GetLastError(), 0x400,
                   reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    ::MessageBoxW(nullptr, text ? text : L"", L"Error Message", MB_ICONERROR);
    if (text) LocalFree(text);
    return;
  }
  m_nOperatingMode = mode;
  CString value;
  value.Format(L"%d", mode);
  WriteIni(L"DISPLAY", L"MODELSELECT", value);
}

LRESULT CtavrinDlg::OnAfterInit(WPARAM, LPARAM) {
  if (IsWindowVisible()) MarkStart(StartStep::kShown);
  // 1. The map frame's home beside the primary pane.
  {
    RECT window, pane;
    GetWindowRect(&window);
    GetPaneRect(&pane, m_nMainPane);
    m_rcMapHome = RECT{pane.right, pane.top, pane.right + kMapFrameWidth, pane.top + kMapFrameHeight};
    if (m_mapFrame.m_hWnd) m_mapFrame.MoveWindow(&m_rcMapHome, FALSE);
    ArrangeStep(m_nSizeStep);
  }
  // 2. The D3DX 9 library: the 360-degree views need it; without it, say so once.
  const bool d3dx = m_d3dxProbe.Take(D3dxProbeInUse());
  m_bD3dxPresent = d3dx ? TRUE : FALSE;
  m_pane[0].m_bD3dx = m_pane[1].m_bD3dx = m_bD3dxPresent;
  UpdateButtons();
  if (!d3dx && m_nD3dxMessages == 0) {
    ++m_nD3dxMessages;
    auto show = Hooks().showMessage ? Hooks().showMessage : &ShowSkinnedMessage;
    show(this, UIText(kTextInstallDirectX), L"ERROR");
  }
  // 3. The update check, once.
  if (!m_bUpdateStarted) {
    StartUpdateCheck();
    m_bUpdateStarted = TRUE;
    BringWindowToTop();
  }
  // 4. The movie window to the front; started.
  m_movieDlg.SetForegroundWindow();
  m_bStarted = TRUE;
  PrepareVideoAhead();
  MarkStart(StartStep::kAfterInit);
  return 0;
}
