// CtavrinDlg: the drive-data views driven from the playback position (the G-sensor graph's cursor, the
// info panel's values, the map's position and marker), the current recording's event list and its
// points on the map, the views' messages (graph clicks, info toggles, the map page's ready and seek,
// the settings' option) and the settings and source commands.
#include <shlwapi.h>

#include <algorithm>
#include <climits>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_gate.h"
#include "tavrin/app/main/main_dlg.h"
#include "tavrin/app/dialogs/source_dlg.h"
#include "tavrin/browser/recording_names.h"
#include "tavrin/driveviews/info_format.h"
#include "tavrin/skin/msg_box.h"
#include "tavrin/skin/ui_texts.h"

using namespace quill::app;
using playcore::g_PlayerFuncs;
using playcore::g_PlayerInstance;

namespace quill::app {

int GraphEventTarget(const std::vector<int>& positions, int cursor, bool next) {
  if (positions.empty()) return -1;
  if (next) {
    for (int p : positions) {
      if (p > cursor) return p;
    }
    return positions.front();
  }
  for (auto it = positions.rbegin(); it != positions.rend(); ++it) {
    if (*it < cursor) return *it;
  }
  return positions.back();
}

int TriggerPictureCode(int triggerClass) {
  // Pictures 0-5: parking shock, radar, shock, parking, continuous, manual.
  switch (triggerClass) {
    case kTriggerParkingShock:
    case kTriggerParkingShock2:
      return 1;
    case kTriggerRadar:
    case kTriggerSpeedCamera:
      return 2;
    case kTriggerShock:
      return 3;
    case kTriggerParking:
    case kTriggerParkingLapse:
      return 4;
    case kTriggerContinuous:
      return 5;
    case kTriggerManual:
      return 6;
    default:
      return 0;
  }
}

}  // namespace quill::app

namespace {

constexpr unsigned kTextSettingsCaption = 189;  // "設定の変更"
constexpr unsigned kTextRestartQuestion = 190;  // "再起動して、変更を有効にしますか？"
constexpr int kParkingShockChannel = 5;
// The order the graph classifies a record in: the highlight channel first, then the others.
constexpr int kChannelOrder[quill::driveviews::kChannelCount] = {6, 0, 1, 2, 3, 4, 5, 7, 8, 9};

// What the drive data says about one playback position, copied under the players' locks.
struct DriveSample {
  bool loaded = false;     // the data-source instance holds drive data
  int positions = 0;       // entries of the per-position table
  bool haveRecord = false;
  double g[3] = {quill::driveviews::kNoGValue, quill::driveviews::kNoGValue, quill::driveviews::kNoGValue};
  bool haveGps = false;
  int gpsValid = 0;
  double latitude = 0, longitude = 0, speed = -1.0;
  SYSTEMTIME start = {};
  bool startValid = false;
  float msPerSample = 0.0f;
  int speedCode = 0;
};

class PlayersLock {
 public:
  PlayersLock() { playcore::PlayerCall_LockAll(); }
  ~PlayersLock() { playcore::PlayerCall_UnlockAll(); }
  PlayersLock(const PlayersLock&) = delete;
  PlayersLock& operator=(const PlayersLock&) = delete;
};

DriveSample ReadDriveSample(int64_t position) {
  DriveSample s;
  PlayersLock lock;
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[playcore::DataSourceIndex()];
  if (!inst.active) return s;
  s.speedCode = inst.speedCode;
  s.msPerSample = inst.timeScale > 0.0f ? inst.timeScale : 0.0f;
  const std::vector<playcore::sEVENTRECORD*>* table = inst.dataMap.positionTable;
  const std::vector<playcore::sGPSPOINT>* gps = inst.dataMap.gpsPoints;
  if (!inst.dataMap.loaded || !table) return s;
  s.loaded = true;
  s.positions = static_cast<int>(std::min<size_t>(table->size(), INT_MAX));
  if (gps && !gps->empty()) {
    s.start = gps->front().localTime;
    FILETIME ft;
    s.startValid = ::SystemTimeToFileTime(&s.start, &ft) != FALSE;
  }
  if (position < 0 || position >= s.positions) return s;
  const playcore::sEVENTRECORD* record = (*table)[static_cast<size_t>(position)];
  if (!record) return s;
  s.haveRecord = true;
  s.g[0] = record->value1;
  s.g[1] = record->value2;
  s.g[2] = record->value3;
  if (const playcore::sGPSPOINT* point = record->gpsLink) {
    s.haveGps = true;
    s.gpsValid = point->valid;
    s.latitude = point->latitude;
    s.longitude = point->longitude;
    s.speed = point->number;
  }
  return s;
}

// The instance whose position the views follow: the selected one, the data source for "both".
int FollowedInstance(int selector) {
  return selector == playcore::kSelectorAll ? playcore::DataSourceIndex() : std::clamp(selector, 0, 1);
}

// The trigger class of the recording the drive data was read from.
int DataTriggerClass() {
  PlayersLock lock;
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[playcore::DataSourceIndex()];
  return inst.active ? ClassifyEventLetter(inst.dataMap.path) : kTriggerUnknown;
}

}  // namespace

void CtavrinDlg::RefreshDriveViews() {
  // The views show the cursor (the position the seek bar shows), while a movie is open.
  const int followed = FollowedInstance(m_nPlayerSel);
  const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[followed];
  const int64_t position = inst.active && inst.movieOpen ? m_nCursor : -1;
  const DriveSample sample = ReadDriveSample(position);
  if (m_graph.m_hWnd) {
    const int range = m_seekBar.m_nMax - m_seekBar.m_nMin;
    m_graph.m_nStepCount = range > 0 ? range : sample.positions;
    m_graph.m_nCursor = static_cast<int>(std::clamp<int64_t>(position, 0, std::max(0, m_graph.m_nStepCount)));
    m_graph.Refresh();
  }
  if (m_info.m_hWnd) {
    // Layout 2 is drawn by the main window along its bottom edge: that band is drawn again.
    if (m_info.m_nLayout == 2 && !m_bFullScreen) {
      const RECT band = InfoBandRect();
      InvalidateRect(&band, TRUE);
    }
    if (!sample.loaded || position < 0) {
      // The position's values go; the movie's duration stays while the movie does.
      const int64_t duration = m_info.m_nDuration;
      m_info.ClearValues();
      m_info.m_nDuration = duration;
    } else {
      for (int a = 0; a < 3; ++a) m_info.m_dG[a] = sample.g[a];
      m_info.m_nGpsFix = sample.haveGps ? sample.gpsValid : 0;
      m_info.m_dSpeed = sample.haveGps ? sample.speed : -1.0;
      const unsigned label = SpeedLabelText(sample.speedCode);
      m_info.m_strSpeedLabel = label ? CString(UIText(label)) : CString();
      m_info.m_nTrigger = TriggerPictureCode(DataTriggerClass());
      m_info.m_nCamera = m_nMainPane == 0 ? 'M' : 'R';
      m_info.m_stStart = sample.start;
      m_info.m_bStartValid = sample.startValid ? TRUE : FALSE;
      m_info.m_nSampleIndex = static_cast<int>(std::min<int64_t>(position, INT_MAX));
      m_info.m_fMsPerSample = sample.msPerSample;
      m_info.Refresh();
    }
  }
  m_map.SetPositionKey(sample.haveRecord ? static_cast<int32_t>(std::min<int64_t>(position, INT32_MAX)) : -1);
  if (sample.haveGps && sample.gpsValid) m_map.SetPosition(sample.latitude, sample.longitude);
}

void CtavrinDlg::OnDriveDataOpened() {
  if (m_graph.m_hWnd) {
    const int trigger = DataTriggerClass();
    m_graph.m_nGraphFlag = 1;
    m_graph.m_channels.marks =
        (trigger == kTriggerContinuous || trigger == kTriggerParking || trigger == kTriggerParkingLapse) ? 0 : 1;
    m_graph.SetPlayer(m_nPlayerSel);
  }
  // The position first: the page draws the new track at the new recording's position, not the old one's.
  RefreshDriveViews();
  MapOnDriveData();
  SendEventsToMap(m_nCurIndex);
}

void CtavrinDlg::SendEventsToMap(int index) {
  // The map asks again when its page becomes ready (OnMapReady): once per movie is enough here.
  m_bEventsSent = TRUE;
  std::vector<DriveEvent> events;
  if (m_graph.m_hWnd) {
    // The graph's own order: by record when the per-position table is the shorter list, else by
    // position; each record classified through the channels in the graph's order until one matches.
    // One hold of the players' locks for the whole list: the graph's look-ups inside only nest in it,
    // and the list cannot change between its count and its records.
    PlayersLock lock;
    const bool byRecord = m_graph.IsSampleListShorter();
    size_t count = 0;
    const playcore::sPLAYERINSTANCE& inst = g_PlayerInstance[playcore::DataSourceIndex()];
    if (inst.active) {
      const auto* list = byRecord ? nullptr : inst.dataMap.positionTable;
      count = byRecord ? (inst.dataMap.events ? inst.dataMap.events->size() : 0) : (list ? list->size() : 0);
    }
    std::vector<quill::driveviews::EventMark> marks;
    for (size_t i = 0; i < count && i <= static_cast<size_t>(INT_MAX); ++i) {
      for (int channel : kChannelOrder) {
        const size_t before = marks.size();
        const int none = byRecord ? m_graph.AddEventA(&marks, static_cast<int>(i), channel)
                                  : m_graph.AddEventB(&marks, static_cast<int>(i), channel);
        if (marks.size() > before) {
          const quill::driveviews::EventMark& m = marks.back();
          events.push_back({m.category, m.channel, m.record,
                            byRecord ? m.record->positionKey : static_cast<int>(i)});
        }
        if (!none) break;
      }
    }
  }
  {
    playcore::MutexLock lock(m_hDataMutex.get());
    m_driveEvents.swap(events);
  }
  if (!m_map.PageReady()) return;
  m_map.ResetTrack(index);
  // Last to first; events of switched-off channels are left out; the points stop at the first event
  // without a GPS point, and points at (0, 0) are no place.
  PlayersLock lock;
  for (auto it = m_driveEvents.rbegin(); it != m_driveEvents.rend(); ++it) {
    const DriveEvent& e = *it;
    if (!m_graph.m_channels.enabled[e.channel]) continue;
    const playcore::sGPSPOINT* point = e.record ? e.record->gpsLink : nullptr;
    if (!point) break;
    if (point->latitude == 0.0 && point->longitude == 0.0) continue;
    m_map.AddEventPoint({e.category, e.record->value1, e.record->value2, e.record->value3, index, e.position,
                         point->latitude, point->longitude, point->valid, point->number, point->reserved2});
  }
}

void CtavrinDlg::SeekViewsTo(int selector, int64_t position) {
  // The seek bar's own seek: the same end clamps, and its target replaces any seek still pending.
  if (position < 0) return;
  SeekTo(selector, position);  // which moves the map's marker too
}

void CtavrinDlg::GoToGraphEvent(bool next) {
  std::vector<int> positions;
  {
    playcore::MutexLock lock(m_hDataMutex.get());
    for (const DriveEvent& e : m_driveEvents) {
      if (m_graph.m_channels.enabled[e.channel]) positions.push_back(e.position);
    }
  }
  const int target = GraphEventTarget(positions, m_graph.m_nCursor, next);
  if (target < 0) return;
  SeekViewsTo(m_nPlayerSel, target);
  const int followed = FollowedInstance(m_nPlayerSel);
  if (g_PlayerInstance[followed].active && g_PlayerInstance[followed].playState == playcore::kPlayStopped) {
    playcore::PlayerCall_Pause(m_nPlayerSel);
  }
  UpdateButtons();
}

LRESULT CtavrinDlg::OnGraphPrevEvent(WPARAM, LPARAM) {
  GoToGraphEvent(false);
  return 0;
}

LRESULT CtavrinDlg::OnGraphNextEvent(WPARAM, LPARAM) {
  GoToGraphEvent(true);
  return 0;
}

LRESULT CtavrinDlg::OnMapReady(WPARAM, LPARAM) {
  m_map.SetPageReady(true);
  UpdateMapOrLogo();
  SendEventsToMap(m_nCurIndex);
  RefreshDriveViews();
  Invalidate(FALSE);
  return 0;
}

void CtavrinDlg::LoadListTrack(const RecordingList& shown) {
  if (m_listTrack) m_listTrack->Start(playcore::ListTrackFilesOf(shown));
}

LRESULT CtavrinDlg::OnListTrackRead(WPARAM generation, LPARAM) {
  // A report about a list that was replaced since shows nothing: the new list's reads are under way.
  if (!m_listTrack || static_cast<unsigned>(generation) != m_listTrack->Generation()) return 0;
  m_map.RedrawListTrack();
  return 0;
}

LRESULT CtavrinDlg::OnMapSeek(WPARAM, LPARAM position) {
  SeekViewsTo(playcore::kSelectorAll, position);
  return 0;
}

LRESULT CtavrinDlg::OnInfoItem(WPARAM item, LPARAM state) {
  if (item > 2) return 0;
  m_graph.SetChannelShown(static_cast<int>(item), state ? 1 : 0);
  m_graph.Refresh();
  SendEventsToMap(m_nCurIndex);
  return 0;
}

LRESULT CtavrinDlg::OnSettingChanged(WPARAM item, LPARAM value) {
  if (item == kOptionParkingShock) {
    m_graph.SetChannelShown(kParkingShockChannel, value ? 1 : 0);
  } else if (item >= 1 && item <= 3) {
    // The edition cannot change while the program runs: the question is asked, the answer kept.
    if (static_cast<int>(item) - 1 != m_nEdition) {
      CMsgBox box(this);
      box.Show(UIText(kTextRestartQuestion), UIText(kTextSettingsCaption), CMsgBox::kTypeYesNo);
    }
  } else {
    return 0;
  }
  m_graph.Refresh();
  SendEventsToMap(m_nCurIndex);
  return 0;
}

void CtavrinDlg::OnSettings() {
  CreateSettingsDialog();
  if (m_settingDlg.m_hWnd) m_settingDlg.Show();
}

void CtavrinDlg::OnSourceOpen() {
  CSourceOpenDlg dlg(this);
  if (dlg.DoModal() != IDOK) return;
  const CString path = dlg.ChosenSourcePath();
  // A chosen file or folder that is gone leaves the current source as it is.
  if (path.IsEmpty() || (dlg.m_nKind != kSourceSd && !::PathFileExistsW(path))) return;
  ResetAfterSourceChange();
  m_browser.m_tree.SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  m_browser.OpenSource(path, dlg.m_nKind);
  m_bCsvLocked = TRUE;
  ApplyOpenedSource();
  GoToSizeStep(m_nSizeStep);  // the step again, with the new source's file list laid out
  if (m_browser.m_hWnd) m_browser.FitListColumn();
  SendEventsToMap(m_nCurIndex);  // the map shows the new source's state
  UpdateButtons();
}
