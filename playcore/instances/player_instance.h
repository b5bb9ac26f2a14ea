// The two player instances, one per video pane (0 = the main camera's pane, 1 = the rear camera's),
// and the table of 41 operations the main dialog fills for each of them at start-up.
//
// sPLAYERINSTANCE is a plain record: the main dialog clears everything before the renderer
// sub-record with one block write and then calls Init, so that prefix stays trivially copyable (raw
// pointers to vectors, fixed arrays, handles; no owning members).
//
// Threads and locks (see also instance_gate.h):
//   - the UI thread calls every table slot and dispatcher; the open and pre-open workers call
//     OpenMovie, OpenDataFile and SwitchDataFile; the map views and the graph read the drive data.
//   - the instance mutex guards the record and the current data map; the data mutex guards loading
//     into the maps (load map and pre-load map). Lock order: gate (entry only, never held while
//     waiting), instance mutex, data mutex, then the player's own critical section.
//   - cancelWord, preloadReady, preloadRunning and readAheadStopped are atomic words: set by one
//     thread, read by the waiting side without a lock.
//   - gateLock / gateIdle / users count the operations running on the instance so that Release
//     closes the mutexes only when nobody can still be waiting on them.
#pragma once

#include <windows.h>

#include "playcore/recorder/drive_records.h"
#include "playcore/recorder/file_map.h"
#include "playcore/scene/view_settings.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

// The player of the Media Foundation path and the DirectShow interfaces: only pointers are kept here.
class CPlayer;
struct IGraphBuilder;
struct IMediaSeeking;

namespace playcore {

namespace dshow {
class GraphSession;
}

constexpr int kPlayerCount = 2;
constexpr int kSelectorAll = 2;          // a dispatcher selector naming every active instance
constexpr size_t kPlayerPathLength = 260;  // wide characters, terminator included
constexpr int kPresetViewCount = 8;

// Play state of an instance.
enum : int32_t {
  kPlayClosed = 0,
  kPlayStopped = 1,
  kPlayPlaying = 2,
  kPlayPaused = 3,
};

// The DirectShow objects. On the Media Foundation path only the (empty) graph and its seeking
// interface are kept; on the DirectShow path `session` holds the graph with every interface.
struct sDIRECTSHOWSET {
  IGraphBuilder* graph;
  IMediaSeeking* mediaSeeking;  // the graph's seeking interface: its capabilities give the reverse word
  dshow::GraphSession* session;  // the graph an instance plays through without Media Foundation
  volatile LONG readFailureShown;  // 1 once a failed position or length read of this graph was shown
};

// The renderer sub-record: view state, the DirectShow interfaces and the Media Foundation player.
// It is not part of the block clear, so the kept view state outlives Release and Init.
struct sRENDERERSTATE {
  sVIEWSETTINGS keptView;                   // the view a new presenter starts with (see ViewSettings)
  int32_t keptViewSet;                      // 0 until keptView holds the defaults or a kept state
  float presetViews[kPresetViewCount][4];  // copied in by the main dialog
  int32_t engineViewMode;                  // 1-5
  int32_t zoomSteps;
  sDIRECTSHOWSET directShow;
  CPlayer* player;                          // non-null on the Media Foundation path
  HDC overlayDC;                            // overlay drawing surfaces, made with the player
  HDC overlayBitmapDC;
  HBITMAP overlayBitmap;
};

// The step thread's state (one-second steps while the step mode is on).
namespace bridge {
struct StepThread;
}
struct sSTEPSTATE {
  int64_t duration;
  int64_t position;
  bridge::StepThread* thread;  // the running thread and its stop event (the bridge's)
  HWND target;
};

struct sPLAYERINSTANCE {
  HWND videoWindow;
  float timeScale;              // milliseconds per position; 0 when no movie is open
  int32_t displayMode;
  int32_t reverse;              // 1: negative rates are possible
  int32_t option1;
  int32_t hwDecode;
  int32_t speedCode;            // 1 = normal speed
  int32_t zoomCentreX;
  int32_t zoomCentreY;
  float zoomFactor;
  int32_t panX;
  int32_t panY;
  int32_t aspectMode;           // 1: the picture keeps its native aspect (letter-boxed)
  RECT destRect;                // where the picture was last laid out in its pane
  float averageBitRate;
  volatile LONG playState;      // kPlayClosed .. kPlayPaused
  int64_t lastPosition;
  volatile LONG active;         // 1 after a successful Init, 0 after Release
  int32_t dataSource;           // 1 on the instance whose drive data feeds the views
  int32_t movieOpen;            // OpenMovie's answer, stored by the main dialog
  int32_t volume;               // 0-65535, the last volume asked for
  HFONT overlayFont;
  HANDLE instanceMutex;
  HANDLE dataMutex;
  SRWLOCK gateLock;             // zero is the unlocked state, so the block clear initialises it
  CONDITION_VARIABLE gateIdle;  // signalled when the last running operation leaves
  int32_t users;                // operations running on the instance (under gateLock)
  volatile LONG lockAllOwner;   // thread id holding the instance mutex through PlayerCall_LockAll
  int32_t lockAllDepth;         // written only by that thread while it holds the mutex
  sMP4FILEMAP dataMap;          // current drive data; scratch map of OpenMovie
  sMP4FILEMAP loadMap;          // filled by LoadDataFile; no mutex of its own
  sMP4FILEMAP preloadMap;       // the next recording's data, read ahead
  volatile LONG cancelWord;     // set while another thread must stop a running pre-load
  volatile LONG preloadReady;   // 1 when the pre-load map holds the data of preloadPath
  volatile LONG preloadRunning; // pre-loads in flight (SwitchDataFile)
  volatile LONG readAheadStopped;  // 1 from StopReadAhead until Init: every pre-load is refused
  wchar_t preloadPath[kPlayerPathLength];  // written and read under gateLock
  // --- the block clear before Init ends here ---
  sRENDERERSTATE renderer;
  sSTEPSTATE step;
  std::vector<sGPSPOINT>* gpsPoints;  // freed by Release
};

static_assert(std::is_trivially_copyable<sPLAYERINSTANCE>::value,
              "the main dialog clears the instance with one block write");
static_assert(offsetof(sPLAYERINSTANCE, renderer) > offsetof(sPLAYERINSTANCE, preloadPath),
              "the renderer sub-record follows the cleared part");

// How far the main dialog clears the record before Init.
constexpr size_t kInstanceClearedBytes = offsetof(sPLAYERINSTANCE, renderer);

// The zoom parameter block of a pane, as the main dialog keeps it (words 2, 3, 6, 7 and 9 go to the
// instance).
struct sZOOMBLOCK {
  int32_t word[9];
  float zoom;  // word 9
};

// The operation table: slot order fixed, every operation takes its instance first.
struct sPLAYERFUNCS {
  int (*Init)(sPLAYERINSTANCE*, HWND videoWindow, const wchar_t* faceName);       // 0
  int (*Release)(sPLAYERINSTANCE*);                                                // 1
  int (*ProbeFile)(sPLAYERINSTANCE*, const wchar_t* path);                         // 2
  int (*OpenMovie)(sPLAYERINSTANCE*, const wchar_t* path);                         // 3
  int (*CloseMovie)(sPLAYERINSTANCE*);                                             // 4
  int (*OpenDataFile)(sPLAYERINSTANCE*, const wchar_t* path);                      // 5
  int (*CloseDataFile)(sPLAYERINSTANCE*);                                          // 6
  int (*Play)(sPLAYERINSTANCE*);                                                   // 7
  int (*PlayFrom)(sPLAYERINSTANCE*, int64_t position);                             // 8
  int (*Pause)(sPLAYERINSTANCE*);                                                  // 9
  int (*Stop)(sPLAYERINSTANCE*);                                                   // 10
  int64_t (*GetPosition)(sPLAYERINSTANCE*);                                        // 11
  int (*Seek)(sPLAYERINSTANCE*, int64_t position);                                 // 12
  int (*SetPosition)(sPLAYERINSTANCE*, int64_t position);                          // 13
  int (*SetOption1)(sPLAYERINSTANCE*, int32_t value);                              // 14
  int (*NoOperation15)(sPLAYERINSTANCE*);                                          // 15
  int (*SetHwDecode)(sPLAYERINSTANCE*, int32_t value);                             // 16
  int (*NoOperation17)(sPLAYERINSTANCE*);                                          // 17
  int (*SetRate)(sPLAYERINSTANCE*, int32_t speedCode);                             // 18
  int (*SetStepMode)(sPLAYERINSTANCE*, int32_t on);                                // 19
  int (*ApplyAspectMode)(sPLAYERINSTANCE*, int32_t mode);                          // 20
  int64_t (*GetDuration)(sPLAYERINSTANCE*);                                        // 21
  int64_t (*GetDuration2)(sPLAYERINSTANCE*);                                       // 22
  int64_t (*GetZero)(sPLAYERINSTANCE*);                                            // 23
  float (*GetTimeScale)(sPLAYERINSTANCE*);                                         // 24
  int (*GetNativeSize)(sPLAYERINSTANCE*, int32_t* width, int32_t* height);         // 25
  int (*SetVolume)(sPLAYERINSTANCE*, int32_t volume);                              // 26
  int (*ShowOverlayText)(sPLAYERINSTANCE*, const wchar_t* text);                   // 27
  int (*ClearOverlay)(sPLAYERINSTANCE*);                                           // 28
  int (*SetFrameMode)(sPLAYERINSTANCE*, int32_t mode);                             // 29
  int (*SetZoom)(sPLAYERINSTANCE*, int32_t centreX, int32_t centreY, int32_t panX, int32_t panY,
                 float zoom, int32_t layout);                                      // 30
  int (*MoveView)(sPLAYERINSTANCE*, float angleX, float angleY, float fieldOfView);  // 31
  int (*ApplyCamera)(sPLAYERINSTANCE*);                                            // 32
  int (*ToggleFlip)(sPLAYERINSTANCE*);                                             // 33
  int (*SetViewMode)(sPLAYERINSTANCE*, int32_t mode);                              // 34
  int (*SetViewAspect)(sPLAYERINSTANCE*, int32_t width, int32_t height);           // 35
  int (*ResetView)(sPLAYERINSTANCE*);                                              // 36
  int (*SetRenderInterval)(sPLAYERINSTANCE*, int32_t interval);                    // 37
  int (*SaveSnapshot)(sPLAYERINSTANCE*, const wchar_t* jpegPath);                  // 38
  int (*Repaint)(sPLAYERINSTANCE*);                                                // 39
  int (*UpdateVideoRect)(sPLAYERINSTANCE*);                                        // 40
};

constexpr int kPlayerSlotCount = 41;
static_assert(sizeof(sPLAYERFUNCS) == kPlayerSlotCount * sizeof(void (*)()), "41 slots, in order");

// The two global instances and their tables.
extern sPLAYERINSTANCE g_PlayerInstance[kPlayerCount];
extern sPLAYERFUNCS g_PlayerFuncs[kPlayerCount];

// The table of an instance of g_PlayerInstance; null for any other record.
sPLAYERFUNCS* FuncsOf(sPLAYERINSTANCE* instance);

// Clears an instance record the way the main dialog does before Init.
void ClearInstanceRecord(sPLAYERINSTANCE* instance);

}  // namespace playcore
