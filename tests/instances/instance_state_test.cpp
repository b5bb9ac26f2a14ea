// What an instance keeps when an operation fails or runs beside another: a failed open leaves the
// previous movie or a cleanly closed instance, the data source's points go only to a holder of the
// instance locks, Release cancels a pre-load that starts while it waits, every record keeps its own
// view state, and the global GPS copy reads the recording list's own records.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/global_gps.h"
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge.h"
#include "tavrin/browser/recording_pair.h"

#include "tests/instances/instance_test_util.h"
#include "tests/instances/mp4_bytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <functional>
#include <memory>
#include <thread>

namespace playcore {
namespace {

using namespace playcore::test;

int WINAPI AnswerBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

// Regression: a failed OpenMovie overwrote the time scale and freed the current drive data (it read
// the boxes on the data map), and after the player had been shut it kept the old play state, so that
// Play answered 1 with no player behind it.
TEST(InstanceState, FailedOpenLeavesThePreviousMovieOrACleanlyClosedInstance) {
  LiveInstances live;
  MessageBoxHook previousHook = SetMessageBoxHook(AnswerBox);
  quill::test::TempDir temp;
  const struct {
    const wchar_t* name;
    Bytes bytes;
    bool closed;  // false: everything as before the call
  } cases[] = {
      // 1 s at 20 ms a frame is not trusted and the media detector cannot open it: no movie at all.
      {L"untrusted.mp4", MovieWithStts(1000, 1000, 50, 20000), false},
      // Its time scale reads, but the player cannot be set up: the previous player is gone by then.
      {L"noplay.mp4", MovieWithStts(1000, 60000, 1800, 33000), true},
  };
  sPLAYERINSTANCE* inst = &g_PlayerInstance[0];
  // The pane's window is gone, so the player's set-up fails before it would read the file.
  HWND gone = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  inst->videoWindow = gone;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    std::wstring path = temp.path() + c.name;
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    inst->timeScale = 40.0f;
    inst->playState = kPlayPlaying;
    inst->dataMap.Clear();
    inst->dataMap.gpsPoints = new std::vector<sGPSPOINT>(3);
    inst->dataMap.loaded = 1;

    EXPECT_EQ(g_PlayerFuncs[0].OpenMovie(inst, path.c_str()), 0);
    ASSERT_NE(inst->dataMap.gpsPoints, nullptr);  // the drive data shown so far stays
    EXPECT_EQ(inst->dataMap.gpsPoints->size(), 3u);
    EXPECT_EQ(inst->dataMap.loaded, 1);
    EXPECT_EQ(inst->renderer.player, nullptr);
    EXPECT_FLOAT_EQ(inst->timeScale, c.closed ? 0.0f : 40.0f);
    EXPECT_EQ(inst->playState, c.closed ? kPlayClosed : kPlayPlaying);
    if (c.closed) {
      EXPECT_EQ(g_PlayerFuncs[0].Play(inst), 0);
    }
  }
  inst->playState = kPlayClosed;
  SetMessageBoxHook(previousHook);
}

// Regression: the adapter over the recording list named fields its records do not have, so no list
// could be handed to it. An entry without a main file gives its rear file's points.
TEST(InstanceState, GlobalGpsCopyReadsTheRecordingListsOwnRecords) {
  std::string dir = quill::test::RecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_RECORDINGS is not set";
  std::vector<Row> files = ReadManifestFiles(dir);
  ASSERT_GE(files.size(), 2u);
  std::vector<sRECORDINGPAIR> list(2);
  wcsncpy(list[0].szMainPath, WindowsPathOf(dir, files[0].at("path")).c_str(), kRecordingPathChars - 1);
  wcsncpy(list[1].szRearPath, WindowsPathOf(dir, files[1].at("path")).c_str(), kRecordingPathChars - 1);
  const size_t first = std::atoi(files[0].at("records").c_str());
  const size_t second = std::atoi(files[1].at("records").c_str());
  ASSERT_GT(first, 0u);

  ASSERT_EQ(PlayerInstance::LoadRecorderDataOf(list), 1);
  std::vector<sGPSPOINT>* points = GlobalGpsPoints();
  ASSERT_NE(points, nullptr);
  ASSERT_EQ(points->size(), first + second);
  EXPECT_EQ((*points)[first].recordNumber, 0);  // numbered afresh for each file
  FreeGlobalGpsPoints();
}

// Regression: the points were handed out after the lock taken for the call had been released, so a
// caller without PlayerCall_LockAll could read a vector that CommitDataFile had just freed.
TEST(InstanceState, DataSourcePointsGoOnlyToAHolderOfTheInstanceLocks) {
  LiveInstances live;
  sPLAYERINSTANCE* inst = &g_PlayerInstance[0];
  inst->dataSource = 1;
  inst->dataMap.gpsPoints = new std::vector<sGPSPOINT>(4);
  inst->dataMap.loaded = 1;
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked);
    if (locked) PlayerCall_LockAll();
    std::vector<sGPSPOINT>* points = PlayerCall_GetGpsPoints();
    EXPECT_EQ(points, locked ? inst->dataMap.gpsPoints : nullptr);
    if (locked) PlayerCall_UnlockAll();
  }
}

// A LockAll inside another of the same thread only counts a level: the instances stay locked for every
// other thread until the outermost UnlockAll, which lets them go (and leaves each instance's entry).
TEST(InstanceState, ANestedLockAllHoldsTheInstancesUntilTheOutermostUnlock) {
  LiveInstances live;
  auto takenElsewhere = [] {
    bool taken[kPlayerCount] = {};
    std::thread other([&] {
      for (int i = 0; i < kPlayerCount; ++i) {
        taken[i] = WaitForSingleObject(g_PlayerInstance[i].instanceMutex, 0) == WAIT_OBJECT_0;
        if (taken[i]) ReleaseMutex(g_PlayerInstance[i].instanceMutex);
      }
    });
    other.join();
    return taken[0] || taken[1];
  };
  for (int depth : {1, 2, 3}) {
    SCOPED_TRACE(depth);
    for (int d = 0; d < depth; ++d) PlayerCall_LockAll();
    EXPECT_TRUE(PlayerCall_HoldsThroughLockAll(&g_PlayerInstance[0]));
    for (int d = 1; d < depth; ++d) {
      PlayerCall_UnlockAll();
      EXPECT_FALSE(takenElsewhere()) << "an inner unlock lets nothing go";
    }
    EXPECT_FALSE(takenElsewhere());
    PlayerCall_UnlockAll();
    EXPECT_TRUE(takenElsewhere()) << "the outermost unlock lets the instances go";
    EXPECT_FALSE(PlayerCall_HoldsThroughLockAll(&g_PlayerInstance[0]));
    PlayerCall_UnlockAll();  // one too many: nothing to let go
    EXPECT_TRUE(takenElsewhere());
  }
}

// Waits until `ready` holds, reading it under the instance's gate lock (a safety bound, not a budget).
bool WaitForGate(sPLAYERINSTANCE* inst, const std::function<bool()>& ready) {
  const int kMostRounds = 30000;
  for (int i = 0; i < kMostRounds; ++i) {
    AcquireSRWLockExclusive(&inst->gateLock);
    bool done = ready();
    ReleaseSRWLockExclusive(&inst->gateLock);
    if (done) return true;
    Sleep(1);
  }
  return false;
}

// Regression: a pre-load that entered the instance before Release closed it lowered the cancel word
// Release had raised (its own "stop the previous pre-load" step) and then read its whole file while
// Release waited. Here the pre-load is held at that step until Release is waiting.
TEST(InstanceState, PreloadStartingWhileReleaseWaitsIsCancelled) {
  std::string dir = quill::test::RecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_RECORDINGS is not set";
  const std::wstring path = WindowsPathOf(dir, ReadManifestFiles(dir).at(0).at("path"));
  LiveInstances live;
  sPLAYERINSTANCE* inst = &g_PlayerInstance[0];
  int preloaded = -1;
  std::thread preload, release;
  {
    MutexLock hold(inst->dataMutex);  // the pre-load stops at its wait for this mutex
    preload = std::thread([&] { preloaded = PlayerInstance::SwitchDataFile(path.c_str(), nullptr); });
    ASSERT_TRUE(WaitForGate(inst, [&] { return inst->users == 1 && inst->cancelWord == 1; }));
    release = std::thread([&] { g_PlayerFuncs[0].Release(inst); });
    ASSERT_TRUE(WaitForGate(inst, [&] { return inst->active == 0; }));
  }
  preload.join();
  release.join();
  EXPECT_EQ(preloaded, 0);
  EXPECT_EQ(inst->preloadReady, 0);
}

// Regression: the kept view state lived in a file-scope table indexed by the two global instances, and
// every other record shared one slot, so one pane's view could follow another's.
TEST(InstanceState, EachInstanceRecordKeepsItsOwnViewState) {
  auto extraA = std::make_unique<sPLAYERINSTANCE>(), extraB = std::make_unique<sPLAYERINSTANCE>();
  sPLAYERINSTANCE* records[] = {&g_PlayerInstance[0], &g_PlayerInstance[1], extraA.get(), extraB.get()};
  for (size_t i = 0; i < 4; ++i) bridge::ViewSettings(records[i])->sphereUp = 10.0f + i;
  for (size_t i = 0; i < 4; ++i) {
    sVIEWSETTINGS* kept = bridge::ViewSettings(records[i]);
    EXPECT_FLOAT_EQ(kept->sphereUp, 10.0f + i) << i;
    EXPECT_EQ(kept->viewMode, DefaultViewSettings().viewMode) << i;
  }
  for (sPLAYERINSTANCE* r : records) *bridge::ViewSettings(r) = DefaultViewSettings();
}

}  // namespace
}  // namespace playcore
