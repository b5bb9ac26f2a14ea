// The drive data of the instances on generated recordings: a fresh load, the pre-load and its
// take-over without a second read, cancelling a running pre-load, the global GPS copy and the
// one-off readers.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/global_gps.h"
#include "playcore/instances/instance_gate.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/list_track_loader.h"

#include "tests/instances/instance_test_util.h"
#include "tests/support/test_env.h"
#include "tests/support/wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <process.h>

namespace playcore {
namespace {

using namespace playcore::test;

constexpr int64_t kFakeDuration = 60;
constexpr uint32_t kSlowFreeBoxes = 4u << 20;  // 32 MB of empty boxes: a pre-load that takes a while

int64_t FakeDuration(sPLAYERINSTANCE*) { return kFakeDuration; }

long Int(const Row& row, const char* column) { return std::strtol(row.at(column).c_str(), nullptr, 10); }

sPLAYERINSTANCE* I0() { return &g_PlayerInstance[0]; }
sPLAYERINSTANCE* I1() { return &g_PlayerInstance[1]; }

// A pre-load run on a worker thread, as the main dialog's pre-open worker does.
class PreloadWorker {
 public:
  explicit PreloadWorker(const std::wstring& path) : path_(path) {
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr));
  }
  ~PreloadWorker() { Join(); }
  PreloadWorker(const PreloadWorker&) = delete;
  PreloadWorker& operator=(const PreloadWorker&) = delete;
  int Join() {
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    return answer_;
  }

 private:
  static unsigned __stdcall Run(void* self) {
    auto* w = static_cast<PreloadWorker*>(self);
    w->answer_ = PlayerInstance::SwitchDataFile(w->path_.c_str(), nullptr);
    return 0;
  }
  std::wstring path_;
  HANDLE thread_ = nullptr;
  volatile int answer_ = -1;
};

class InstanceDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = quill::test::RecordingsDirUnix();
    ASSERT_FALSE(dir_.empty()) << "QUILL_RECORDINGS is not set";
    files_ = ReadManifestFiles(dir_);
    ASSERT_GE(files_.size(), 3u);
    for (int i = 0; i < kPlayerCount; ++i) {
      g_PlayerFuncs[i].GetDuration = FakeDuration;
      g_PlayerInstance[i].timeScale = 33.0f;
      g_PlayerInstance[i].movieOpen = 1;
    }
  }

  std::wstring PathOf(size_t k) const { return WindowsPathOf(dir_, files_[k].at("path")); }
  size_t RecordsOf(size_t k) const { return static_cast<size_t>(Int(files_[k], "records")); }
  std::string UnixPathOf(size_t k) const { return dir_ + "/" + files_.at(k).at("path"); }

  // The slow copy of recording 0 (its drive data behind many empty boxes).
  std::wstring MakeSlow(const wchar_t* name) {
    std::wstring path = temp_.path() + name;
    EXPECT_TRUE(WriteSlowRecording(path, UnixPathOf(0), Int(files_[0], "box_offset"),
                                   Int(files_[0], "box_size"), kSlowFreeBoxes));
    return path;
  }

  // Waits until the running pre-load has mapped its first view: it is inside its walk.
  static bool WaitForPreloadWalk() {
    return quill::test::WaitUntil([] { return I0()->preloadMap.viewCount > 0; });
  }

  LiveInstances live_;
  quill::test::TempDir temp_;
  std::string dir_;
  std::vector<Row> files_;
};

TEST_F(InstanceDataTest, OpenDataFileLoadsTheRecordsAndCommitHandsThemToTheViews) {
  EXPECT_EQ(PlayerCall_OpenDataFile(PathOf(0).c_str(), PathOf(1).c_str()), 1);
  EXPECT_EQ(I0()->dataSource, 1);
  ASSERT_NE(I0()->loadMap.gpsPoints, nullptr);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
  EXPECT_GT(I0()->loadMap.viewCount, 0u);
  ASSERT_NE(I0()->loadMap.positionTable, nullptr);
  EXPECT_EQ(I0()->loadMap.positionTable->size(), static_cast<size_t>(kFakeDuration));
  EXPECT_EQ(PlayerCall_GetGpsPoints(), nullptr);  // not handed over yet

  EXPECT_EQ(PlayerInstance::CommitDataFile(I0()), 1);
  EXPECT_EQ(I0()->loadMap.gpsPoints, nullptr);
  PlayerCall_LockAll();
  std::vector<sGPSPOINT>* points = PlayerCall_GetGpsPoints();
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(points->size(), RecordsOf(0));
  PlayerCall_UnlockAll();

  EXPECT_EQ(PlayerCall_CloseDataFileAll(), 1);
  EXPECT_EQ(I0()->dataMap.gpsPoints, nullptr);
  EXPECT_EQ(I0()->dataMap.path[0], L'\0');
}

TEST_F(InstanceDataTest, APreloadIsTakenOverWithoutReadingTheFileAgain) {
  std::wstring copy = temp_.path() + L"next.mp4";
  ASSERT_TRUE(CopyFileW(PathOf(0).c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(PlayerInstance::SwitchDataFile(copy.c_str(), nullptr), 1);
  EXPECT_EQ(I0()->preloadReady, 1);
  // The file goes away: only the pre-loaded data can answer now.
  ASSERT_TRUE(MoveFileW(copy.c_str(), (temp_.path() + L"moved.mp4").c_str()));
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), copy.c_str()), 1);
  ASSERT_NE(I0()->loadMap.gpsPoints, nullptr);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
  EXPECT_EQ(I0()->loadMap.viewCount, 0u);
  EXPECT_EQ(I0()->preloadReady, 0);
  EXPECT_EQ(I0()->preloadMap.gpsPoints, nullptr);
  EXPECT_EQ(std::wstring(I0()->dataMap.path), copy);
}

TEST_F(InstanceDataTest, APreloadOfAnotherPathIsNotTakenOver) {
  EXPECT_EQ(PlayerInstance::SwitchDataFile(PathOf(2).c_str(), nullptr), 1);
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), PathOf(0).c_str()), 1);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
  EXPECT_GT(I0()->loadMap.viewCount, 0u);
  EXPECT_EQ(I0()->preloadReady, 0);
  EXPECT_EQ(I0()->preloadMap.gpsPoints, nullptr);
}

// Regression: taking over the pre-load answered 1 only with GPS points while a fresh read answers 1
// without, so which instance became the data source depended on timing.
TEST_F(InstanceDataTest, TakingOverARecordingWithoutPointsAnswersLikeAFreshRead) {
  std::wstring empty = temp_.path() + L"nopoints.mp4";
  ASSERT_TRUE(WriteRecordingWithoutPoints(empty, UnixPathOf(0), Int(files_[0], "box_offset"),
                                          Int(files_[0], "box_size")));
  int fresh = 0, takenOver = 0;
  {
    MutexLock lock(I0()->instanceMutex);
    fresh = PlayerInstance::LoadDataFile(I0(), empty.c_str());
  }
  EXPECT_EQ(PlayerInstance::SwitchDataFile(empty.c_str(), nullptr), 1);
  {
    MutexLock lock(I0()->instanceMutex);
    I0()->loadMap.viewCount = 0;
    takenOver = PlayerInstance::LoadDataFile(I0(), empty.c_str());
  }
  EXPECT_EQ(fresh, 1);
  EXPECT_EQ(takenOver, fresh);
  EXPECT_EQ(I0()->loadMap.viewCount, 0u);  // it was the take-over
  ASSERT_NE(I0()->loadMap.gpsPoints, nullptr);
  EXPECT_TRUE(I0()->loadMap.gpsPoints->empty());
}

TEST_F(InstanceDataTest, ASwitchToAnotherPathCancelsTheRunningPreload) {
  std::wstring slow = MakeSlow(L"slow.mp4");
  I0()->preloadMap.viewCount = 0;
  PreloadWorker worker(slow);
  ASSERT_TRUE(WaitForPreloadWalk());
  EXPECT_EQ(PlayerInstance::SwitchDataFile(PathOf(2).c_str(), nullptr), 1);
  EXPECT_EQ(worker.Join(), 0);
  EXPECT_EQ(I0()->preloadReady, 1);
  EXPECT_EQ(std::wstring(I0()->preloadMap.path), PathOf(2));
  EXPECT_EQ(I0()->preloadMap.gpsPoints->size(), RecordsOf(2));
  EXPECT_EQ(I0()->cancelWord, 0);
}

// The close stops the read-ahead before it joins the worker: the running pre-load ends at its next
// step, and one that comes after (the same path or another) is refused instead of running whole.
TEST_F(InstanceDataTest, StoppingTheReadAheadEndsTheRunningPreloadAndRefusesLaterOnes) {
  const std::wstring slow = MakeSlow(L"slow.mp4");
  const std::wstring later[] = {slow, PathOf(2)};
  I0()->preloadMap.viewCount = 0;
  PreloadWorker worker(slow);
  ASSERT_TRUE(WaitForPreloadWalk());
  EXPECT_EQ(PlayerInstance::StopReadAhead(I0()), 1);
  EXPECT_EQ(worker.Join(), 0);
  for (const std::wstring& path : later) {
    EXPECT_EQ(PlayerInstance::SwitchDataFile(path.c_str(), nullptr), 0);
    EXPECT_EQ(I0()->preloadReady, 0);
    EXPECT_EQ(I0()->preloadMap.path[0], L'\0');
  }
  // The open's own read is no read-ahead: it still loads.
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), PathOf(0).c_str()), 1);
}

TEST_F(InstanceDataTest, OpeningAnotherPathCancelsTheRunningPreloadAndReadsItsOwn) {
  std::wstring slow = MakeSlow(L"slow.mp4");
  I0()->preloadMap.viewCount = 0;
  PreloadWorker worker(slow);
  ASSERT_TRUE(WaitForPreloadWalk());
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), PathOf(0).c_str()), 1);
  EXPECT_EQ(worker.Join(), 0);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
  EXPECT_EQ(I0()->preloadReady, 0);
}

TEST_F(InstanceDataTest, OpeningTheSamePathWaitsForTheRunningPreloadAndTakesItsData) {
  std::wstring slow = MakeSlow(L"slow.mp4");
  I0()->preloadMap.viewCount = 0;
  I0()->loadMap.viewCount = 0;
  PreloadWorker worker(slow);
  ASSERT_TRUE(WaitForPreloadWalk());
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), slow.c_str()), 1);
  EXPECT_EQ(worker.Join(), 1);
  ASSERT_NE(I0()->loadMap.gpsPoints, nullptr);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
  EXPECT_EQ(I0()->loadMap.viewCount, 0u);  // the file was not read a second time
}

// Regression: the open worker's switch to the entry the pre-open worker had read ahead cleared that
// data and read the file again.
TEST_F(InstanceDataTest, ASwitchToThePathReadAheadKeepsItsDataForTheOpen) {
  std::wstring copy = temp_.path() + L"ahead.mp4";
  ASSERT_TRUE(CopyFileW(PathOf(0).c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(PlayerInstance::SwitchDataFile(copy.c_str(), nullptr), 1);
  // The file goes away: a second read would fail.
  ASSERT_TRUE(MoveFileW(copy.c_str(), (temp_.path() + L"gone.mp4").c_str()));
  EXPECT_EQ(PlayerInstance::SwitchDataFile(copy.c_str(), nullptr), 1);
  EXPECT_EQ(I0()->preloadReady, 1);
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), copy.c_str()), 1);
  ASSERT_NE(I0()->loadMap.gpsPoints, nullptr);
  EXPECT_EQ(I0()->loadMap.gpsPoints->size(), RecordsOf(0));
}

// A pair without a main file is read ahead by the rear instance, which opens its data.
TEST_F(InstanceDataTest, APairWithoutAMainFileIsReadAheadByTheRearInstance) {
  EXPECT_EQ(PlayerInstance::SwitchDataFile(L"", PathOf(2).c_str()), 1);
  EXPECT_EQ(I1()->preloadReady, 1);
  EXPECT_EQ(std::wstring(I1()->preloadMap.path), PathOf(2));
  EXPECT_EQ(I0()->preloadReady, 0);
}

TEST_F(InstanceDataTest, PathsThatDoNotFitTheirFieldsFailTheOperation) {
  std::wstring tooLong = temp_.path() + std::wstring(kPlayerPathLength, L'a') + L".mp4";
  EXPECT_EQ(PlayerInstance::SwitchDataFile(tooLong.c_str(), nullptr), 0);
  EXPECT_EQ(PlayerInstance::OpenDataFile(I0(), tooLong.c_str()), 0);
  EXPECT_EQ(PlayerInstance::SwitchDataFile(nullptr, nullptr), 1);  // instance 1, nothing to read
}

struct PairRecord {  // the shape of the recording list's records, for the adaptor
  wchar_t mainPath[kPlayerPathLength];
  wchar_t rearPath[kPlayerPathLength];
};

TEST_F(InstanceDataTest, LoadRecorderDataCopiesEveryRecordingsPointsInListOrder) {
  ASSERT_EQ(InitGlobalGps(), 1);
  std::wstring p0 = PathOf(0), p1 = PathOf(1), p2 = PathOf(2);
  std::vector<PairRecord> list(3);
  wcscpy(list[0].mainPath, p0.c_str());
  wcscpy(list[0].rearPath, p1.c_str());
  list[1].mainPath[0] = L'\0';  // rear only: the rear file is read
  wcscpy(list[1].rearPath, p1.c_str());
  wcscpy(list[2].mainPath, p2.c_str());
  EXPECT_EQ(PlayerInstance::LoadRecorderDataOf(list), 1);
  {
    MutexLock lock(GlobalGpsMutex());
    std::vector<sGPSPOINT>* all = GlobalGpsPoints();
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(all->size(), RecordsOf(0) + RecordsOf(1) + RecordsOf(2));
    EXPECT_EQ((*all)[0].recordNumber, 0);
    EXPECT_EQ((*all)[RecordsOf(0)].recordNumber, 0);  // numbers restart for each file
    EXPECT_EQ((*all)[RecordsOf(0) - 1].recordNumber, static_cast<int32_t>(RecordsOf(0) - 1));
  }
  // A file that cannot be opened fails the pass but keeps the files after it in the track.
  wcscpy(list[1].rearPath, (temp_.path() + L"missing.mp4").c_str());
  EXPECT_EQ(PlayerInstance::LoadRecorderDataOf(list), 0);
  {
    MutexLock lock(GlobalGpsMutex());
    ASSERT_NE(GlobalGpsPoints(), nullptr);
    EXPECT_EQ(GlobalGpsPoints()->size(), RecordsOf(0) + RecordsOf(2));
  }
  EXPECT_EQ(FreeGlobalGpsPoints(), 1);
  EXPECT_EQ(GlobalGpsPoints(), nullptr);
}

size_t GlobalPointCount() {
  MutexLock lock(GlobalGpsMutex());
  const std::vector<sGPSPOINT>* all = GlobalGpsPoints();
  return all ? all->size() : 0;
}

// The main window's whole-list track, read on the loader's thread: every readable file in list order,
// past one that cannot be opened; a list replaced while it is read leaves nothing of itself.
TEST_F(InstanceDataTest, TheListTrackLoaderReadsEveryReadableFileAndOnlyTheCurrentList) {
  ASSERT_EQ(InitGlobalGps(), 1);
  std::mutex reportsLock;
  std::vector<std::pair<unsigned, bool>> reports;
  ListTrackLoader loader([&](unsigned generation, bool done) {
    std::lock_guard<std::mutex> lock(reportsLock);
    reports.emplace_back(generation, done);
  });
  const std::wstring missing = temp_.path() + L"missing.mp4";
  struct Case {
    std::vector<std::wstring> files;
    size_t points;
  } cases[] = {
      {{PathOf(0), PathOf(1), PathOf(2)}, RecordsOf(0) + RecordsOf(1) + RecordsOf(2)},
      {{missing, PathOf(1), L"", PathOf(2)}, RecordsOf(1) + RecordsOf(2)},  // the first file unreadable
      {{}, 0},
  };
  for (const Case& c : cases) {
    const unsigned generation = loader.Start(c.files);
    ASSERT_TRUE(loader.WaitIdle(20000));
    EXPECT_EQ(GlobalPointCount(), c.points) << c.files.size();
    std::lock_guard<std::mutex> lock(reportsLock);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), std::make_pair(generation, true)) << "the read-through is reported";
  }
  {
    MutexLock lock(GlobalGpsMutex());
    ASSERT_NE(GlobalGpsPoints(), nullptr);
  }
  // A long list of slow files, replaced by a short one while it is read.
  const std::wstring slow = MakeSlow(L"slow.mp4");
  const unsigned first = loader.Start(std::vector<std::wstring>(400, slow));
  const unsigned second = loader.Start({PathOf(2)});
  EXPECT_NE(first, second);
  EXPECT_EQ(loader.Generation(), second);
  ASSERT_TRUE(loader.WaitIdle(60000));
  EXPECT_EQ(GlobalPointCount(), RecordsOf(2));
  {
    std::lock_guard<std::mutex> lock(reportsLock);
    EXPECT_EQ(std::count(reports.begin(), reports.end(), std::make_pair(first, true)), 0)
        << "an abandoned list is never reported read through";
  }
  FreeGlobalGpsPoints();
}

TEST_F(InstanceDataTest, HeaderSampleAndSampleCountAreReadFromTheFile) {
  sGSENSORSAMPLE sample = {};
  EXPECT_EQ(PlayerInstance::ReadRecorderData(I0(), &sample, PathOf(0).c_str()), 1);
  EXPECT_EQ(sample.tag, files_[0].at("tag")[0]);
  EXPECT_EQ(GetMovieSampleCount(PathOf(0).c_str()), static_cast<uint32_t>(Int(files_[0], "frames")));
  EXPECT_EQ(GetMovieSampleCount((temp_.path() + L"missing.mp4").c_str()), 0u);
}

}  // namespace
}  // namespace playcore
