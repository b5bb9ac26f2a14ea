// Switch, load, hand-over, lock and release hammered from several threads at once: no crash, no
// deadlock (every thread ends within the time bound) and no handle or GDI object left behind.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"

#include "tests/instances/instance_test_util.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <functional>
#include <process.h>
#include <vector>

namespace playcore {
namespace {

using namespace playcore::test;

constexpr DWORD kHammerMs = 3000;
constexpr DWORD kJoinBoundMs = 60000;

int64_t FakeDuration(sPLAYERINSTANCE*) { return 60; }

// Threads that run their loop until told to stop.
class Hammer {
 public:
  Hammer() : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Hammer() {
    for (HANDLE t : threads_) CloseHandle(t);
    CloseHandle(stop_);
  }
  Hammer(const Hammer&) = delete;
  Hammer& operator=(const Hammer&) = delete;

  void Start(std::function<void(int round)> body) {
    bodies_.push_back(std::move(body));
  }
  // Runs every body on its own thread for `ms`; true when all of them ended within the bound.
  bool RunFor(DWORD ms) {
    for (auto& body : bodies_) {
      auto* arg = new Arg{&body, stop_};
      threads_.push_back(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, arg, 0, nullptr)));
    }
    Sleep(ms);
    SetEvent(stop_);
    DWORD r = WaitForMultipleObjects(static_cast<DWORD>(threads_.size()), threads_.data(), TRUE, kJoinBoundMs);
    return r != WAIT_TIMEOUT && r != WAIT_FAILED;
  }

 private:
  struct Arg {
    std::function<void(int)>* body;
    HANDLE stop;
  };
  static unsigned __stdcall Run(void* p) {
    Arg arg = *static_cast<Arg*>(p);
    delete static_cast<Arg*>(p);
    for (int round = 0; WaitForSingleObject(arg.stop, 0) == WAIT_TIMEOUT; ++round) (*arg.body)(round);
    return 0;
  }
  HANDLE stop_;
  std::vector<std::function<void(int)>> bodies_;
  std::vector<HANDLE> threads_;
};

TEST(InstanceStress, ConcurrentSwitchLoadLockAndReleaseEndCleanlyWithoutLeaks) {
  std::string dir = quill::test::RecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_RECORDINGS is not set";
  std::vector<Row> files = ReadManifestFiles(dir);
  ASSERT_GE(files.size(), 4u);
  std::wstring paths[4];
  for (int i = 0; i < 4; ++i) paths[i] = WindowsPathOf(dir, files[i].at("path"));
  // Under Wine the count comes from a walk of the handle table (GetProcessHandleCount answers 0).
  ASSERT_TRUE(HandleCountingWorks());
  { LiveInstances warmUp; }
  DWORD handlesBefore = 0;
  ProcessHandleCount(&handlesBefore);
  DWORD gdiBefore = GdiObjectCount();
  {
    LiveInstances live;
    for (int i = 0; i < kPlayerCount; ++i) {
      g_PlayerFuncs[i].GetDuration = FakeDuration;
      g_PlayerInstance[i].timeScale = 33.0f;
    }
    sPLAYERINSTANCE* i0 = &g_PlayerInstance[0];
    sPLAYERINSTANCE* i1 = &g_PlayerInstance[1];
    Hammer hammer;
    volatile LONG switched = 0, opened = 0;
    hammer.Start([&](int round) {  // the pre-open worker of instance 0
      if (PlayerInstance::SwitchDataFile(paths[round % 2].c_str(), nullptr)) InterlockedIncrement(&switched);
    });
    hammer.Start([&](int round) {  // the open worker's own pre-load of the current recording
      PlayerInstance::SwitchDataFile(paths[(round + 1) % 2].c_str(), nullptr);
    });
    hammer.Start([&](int round) {  // the open worker of instance 0, then the hand-over and close
      if (PlayerInstance::OpenDataFile(i0, paths[(round / 2) % 2].c_str())) InterlockedIncrement(&opened);
      PlayerInstance::CommitDataFile(i0);
      if (round % 3 == 0) PlayerInstance::CloseDataFile(i0);
    });
    hammer.Start([&](int round) {  // both workers of instance 1
      if (round % 2) {
        PlayerInstance::SwitchDataFile(nullptr, paths[2 + round % 2].c_str());
      } else {
        PlayerInstance::OpenDataFile(i1, paths[3].c_str());
        PlayerInstance::CommitDataFile(i1);
      }
    });
    hammer.Start([&](int) {  // the map views and the graph
      PlayerCall_LockAll();
      std::vector<sGPSPOINT>* points = PlayerCall_GetGpsPoints();
      volatile size_t n = points ? points->size() : 0;
      (void)n;
      PlayerCall_UnlockAll();
    });
    hammer.Start([&](int round) {  // the UI thread: transport calls, and now and then a restart
      PlayerCall_Play(0);
      PlayerCall_Seek(kSelectorAll, 100);
      PlayerCall_SetVolume(kSelectorAll, 1000);
      if (round % 20 == 19) {
        g_PlayerFuncs[0].Release(i0);
        g_PlayerFuncs[0].Init(i0, nullptr, L"MS Gothic");
        i0->timeScale = 33.0f;
      }
      Sleep(1);
    });
    ASSERT_TRUE(hammer.RunFor(kHammerMs)) << "a thread did not end: deadlock";
    EXPECT_GT(switched, 0);  // the threads really worked on the instances
    EXPECT_GT(opened, 0);
  }
  DWORD handlesAfter = 0;
  ProcessHandleCount(&handlesAfter);
  EXPECT_EQ(handlesAfter, handlesBefore);
  EXPECT_EQ(GdiObjectCount(), gdiBefore);
}

}  // namespace
}  // namespace playcore
