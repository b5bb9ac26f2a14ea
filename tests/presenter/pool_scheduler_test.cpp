// The sample pool and the scheduler: pool bookkeeping, the pacing decision for early, on-time, late
// and very late samples at several rates, and the scheduler thread against a fake clock.
#include <gtest/gtest.h>

#include <mfapi.h>
#include <mferror.h>

#include <mutex>
#include <vector>

#include "playcore/presenter/sample_pool.h"
#include "playcore/presenter/scheduler.h"
#include "tests/presenter/fakes.h"

namespace playcore::test {
namespace {

constexpr LONGLONG kFrame30 = 333333;  // 30 fps
constexpr LONGLONG kQuarter30 = kFrame30 / 4;
constexpr LONGLONG kMs = 10000;

class MfRuntime : public ::testing::Environment {
 public:
  void SetUp() override { MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET); }
  void TearDown() override { MFShutdown(); }
};
const auto* const g_mf = ::testing::AddGlobalTestEnvironment(new MfRuntime);

ComPtr<IMFSample> NewSample(LONGLONG time, bool withTime = true) {
  ComPtr<IMFSample> sample;
  MFCreateSample(sample.put());
  if (withTime) sample->SetSampleTime(time);
  return sample;
}

TEST(SamplePool, CountsHandedOutSamplesAndGivesNoneWhenEmpty) {
  SamplePool pool;
  auto a = NewSample(0);
  auto b = NewSample(0);
  SampleList list;
  list.InsertBack(a.get());
  list.InsertBack(b.get());
  ASSERT_EQ(S_OK, pool.Initialize(list));
  IMFSample* first = nullptr;
  IMFSample* second = nullptr;
  IMFSample* third = reinterpret_cast<IMFSample*>(1);
  ASSERT_EQ(S_OK, pool.GetSample(&first));
  ASSERT_EQ(S_OK, pool.GetSample(&second));
  ASSERT_EQ(S_OK, pool.GetSample(&third));
  EXPECT_EQ(a.get(), first);
  EXPECT_EQ(b.get(), second);
  EXPECT_EQ(nullptr, third);
  EXPECT_EQ(2u, pool.PendingCount());
  EXPECT_TRUE(pool.AreSamplesPending());
  pool.ReturnSample(first);
  first->Release();
  EXPECT_EQ(1u, pool.PendingCount());
  pool.ReturnSample(second);
  second->Release();
  EXPECT_FALSE(pool.AreSamplesPending());
  pool.Clear();
  EXPECT_FALSE(pool.IsInitialized());
  EXPECT_EQ(0u, pool.FreeCount());
}

struct DecisionCase {
  const char* name;
  LONGLONG delta;  // sample time - clock time
  float rate;
  bool presentNow;
  DWORD waitMs;
};

TEST(SchedulerDecision, PacesEarlyOnTimeLateAndVeryLateSamplesAtEachRate) {
  const DecisionCase cases[] = {
      {"200 ms early at x1", 200 * kMs, 1.0f, false, 175},
      {"200 ms early at x2", 200 * kMs, 2.0f, false, 87},
      {"200 ms early at x4", 200 * kMs, 4.0f, false, 43},
      {"200 ms early at x0.5", 200 * kMs, 0.5f, false, 350},
      {"on time", 0, 1.0f, true, 0},
      {"just inside three quarters", 3 * kQuarter30, 1.0f, true, 0},
      {"10 ms late", -10 * kMs, 1.0f, true, 0},
      {"250 ms late", -250 * kMs, 1.0f, true, 0},
      {"a future time at a negative rate counts as late", 200 * kMs, -1.0f, true, 0},
      // Regression: rate 0 divided the wait by zero.
      {"rate 0 presents at once", 200 * kMs, 0.0f, true, 0},
      // Regression: an early sample whose wait rounded to 0 ms waited forever.
      {"early by a hair waits at least 1 ms", 3 * kQuarter30 + 100, 1.0f, false, 1},
  };
  for (const auto& c : cases) {
    const ScheduleDecision d = DecideSample(1000 * kMs + c.delta, 1000 * kMs, c.rate, kQuarter30);
    EXPECT_EQ(c.presentNow, d.presentNow) << c.name;
    if (!c.presentNow) {
      EXPECT_EQ(c.waitMs, d.waitMs) << c.name;
    }
  }
}

TEST(SchedulerFrameCounts, CountsFramesMissingBetweenTwoPresentedOnes) {
  const struct {
    const char* name;
    LONGLONG previous, time;
    LONGLONG frame;
    uint32_t missing;
  } cases[] = {
      {"the next frame", 0, kFrame30, kFrame30, 0},
      {"a little late", 0, kFrame30 + kFrame30 / 3, kFrame30, 0},
      {"one frame lost", 0, 2 * kFrame30, kFrame30, 1},
      {"five frames lost", 10 * kFrame30, 16 * kFrame30, kFrame30, 5},
      {"nothing before", -1, 5 * kFrame30, kFrame30, 0},
      {"backwards", 5 * kFrame30, 2 * kFrame30, kFrame30, 0},
      {"a jump to a new position", 0, 30000 * kMs, kFrame30, 0},
      {"unknown frame duration", 0, 10 * kFrame30, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.missing, FramesMissing(c.previous, c.time, c.frame)) << c.name;
}

class RecordingCallback : public SchedulerCallback {
 public:
  HRESULT PresentSample(IMFSample* sample, LONGLONG target) override {
    std::lock_guard<std::mutex> lock(mutex);
    presented.push_back({target, QpcNow100ns()});
    blanks += sample ? 0 : 1;
    lastThread = GetCurrentThreadId();
    return S_OK;
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return presented.size();
  }
  bool WaitFor(size_t n, DWORD timeoutMs) {
    return WaitUntil([&] { return Count() >= n; }, timeoutMs);
  }
  std::mutex mutex;
  std::vector<std::pair<LONGLONG, LONGLONG>> presented;
  int blanks = 0;
  DWORD lastThread = 0;
};

class SchedulerThread : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_ = new FakeClock;
    clock_->Set(10000 * kMs, 1.0);
    scheduler_.SetCallback(&callback_);
    scheduler_.SetFrameRate(kFrame30);
    ASSERT_EQ(S_OK, scheduler_.StartScheduler(clock_));
  }
  void TearDown() override {
    scheduler_.StopScheduler();
    clock_->Release();
  }
  // Schedules a sample `aheadMs` ahead of the clock, waits (10 s at most) until it was presented and
  // returns the ms that took.
  double PresentDelayMs(LONGLONG aheadMs) {
    const size_t before = callback_.Count();
    const LONGLONG start = QpcNow100ns();
    auto s = NewSample(clock_->Now() + aheadMs * kMs);
    EXPECT_EQ(S_OK, scheduler_.ScheduleSample(s.get()));
    EXPECT_TRUE(callback_.WaitFor(before + 1, 10000)) << aheadMs << " ms ahead never presented";
    std::lock_guard<std::mutex> lock(callback_.mutex);
    return static_cast<double>(callback_.presented.back().second - start) / kMs;
  }
  FakeClock* clock_ = nullptr;
  RecordingCallback callback_;
  Scheduler scheduler_;
};

// An early sample is never shown before three quarters of a frame ahead of its time (at the rate);
// late ones, untimed ones, ones due in under a millisecond (the last frame of a stream once waited
// forever) and every sample at rate 0 are shown without a stall. Only lower bounds are timed.
TEST_F(SchedulerThread, HoldsEarlySamplesAndNeverStallsTheOthers) {
  EXPECT_GE(PresentDelayMs(200), 170.0);
  PresentDelayMs(-10);
  PresentDelayMs(-250);
  PresentDelayMs(25);  // 0.0 ms of wait after the three quarters
  auto untimed = NewSample(0, false);
  ASSERT_EQ(S_OK, scheduler_.ScheduleSample(untimed.get()));
  EXPECT_TRUE(callback_.WaitFor(5, 10000));
  scheduler_.SetClockRate(2.0f);
  clock_->Set(clock_->Now(), 2.0);
  EXPECT_GE(PresentDelayMs(200), 82.0);
  scheduler_.SetClockRate(0.0f);
  PresentDelayMs(500);
  std::lock_guard<std::mutex> lock(callback_.mutex);
  EXPECT_EQ(7u, callback_.presented.size());
}

// Samples two frames apart count one frame dropped each; the jump after a flush (a seek) counts none.
TEST_F(SchedulerThread, CountsPresentedAndDroppedFramesAndForgetsTheGapOverAFlush) {
  const LONGLONG base = clock_->Now() - 1000 * kMs;  // every sample is late: shown at once
  for (int i = 0; i < 3; ++i) {
    auto s = NewSample(base + 2 * i * kFrame30);
    ASSERT_EQ(S_OK, scheduler_.ScheduleSample(s.get()));
  }
  ASSERT_TRUE(callback_.WaitFor(3, 10000));
  FrameCounts counts = scheduler_.frameCounts();
  EXPECT_EQ(3u, counts.presented);
  EXPECT_EQ(2u, counts.dropped);
  EXPECT_EQ(S_OK, scheduler_.Flush());
  auto after = NewSample(base + 20 * kFrame30);
  ASSERT_EQ(S_OK, scheduler_.ScheduleSample(after.get()));
  ASSERT_TRUE(callback_.WaitFor(4, 10000));
  counts = scheduler_.frameCounts();
  EXPECT_EQ(4u, counts.presented);
  EXPECT_EQ(2u, counts.dropped);
}

TEST_F(SchedulerThread, FlushDropsWaitingSamplesWithoutPresentingThem) {
  auto a = NewSample(clock_->Now() + 5000 * kMs);
  auto b = NewSample(clock_->Now() + 6000 * kMs);
  scheduler_.ScheduleSample(a.get());
  scheduler_.ScheduleSample(b.get());
  EXPECT_EQ(S_OK, scheduler_.Flush());
  EXPECT_EQ(0u, scheduler_.QueuedCount());
  EXPECT_EQ(0u, callback_.Count());
  PresentDelayMs(0);  // after the flush the thread still presents new samples
}

// The empty frame of a stop is drawn by the scheduler's thread once the flush has been answered: a
// stop arrives holding the renderer's and the clock's locks, and a present there could block them.
TEST_F(SchedulerThread, FlushOfAStopPresentsTheBlankOnItsOwnThreadAfterAnswering) {
  auto waiting = NewSample(clock_->Now() + 5000 * kMs);
  scheduler_.ScheduleSample(waiting.get());
  EXPECT_EQ(S_OK, scheduler_.Flush(true));
  EXPECT_TRUE(callback_.WaitFor(1, 10000));
  std::lock_guard<std::mutex> lock(callback_.mutex);
  EXPECT_EQ(1, callback_.blanks) << "only the blank, never the flushed sample";
  EXPECT_EQ(1u, callback_.presented.size());
  EXPECT_NE(GetCurrentThreadId(), callback_.lastThread);
}

TEST(SchedulerStopped, FlushWithoutTheThreadLeavesTheBlankToTheCaller) {
  Scheduler idle;
  EXPECT_EQ(S_FALSE, idle.Flush(true));
}

TEST_F(SchedulerThread, RefusesASecondStartAndStartsAgainAfterStop) {
  EXPECT_EQ(E_UNEXPECTED, scheduler_.StartScheduler(clock_));
  EXPECT_EQ(S_OK, scheduler_.StopScheduler());
  EXPECT_FALSE(scheduler_.IsRunning());
  auto s = NewSample(0);
  EXPECT_TRUE(FAILED(scheduler_.ScheduleSample(s.get())));
  EXPECT_EQ(S_OK, scheduler_.StartScheduler(nullptr));
  EXPECT_TRUE(scheduler_.IsRunning());
  // Without a clock every sample is presented at once.
  auto late = NewSample(99999 * kMs);
  EXPECT_EQ(S_OK, scheduler_.ScheduleSample(late.get()));
  EXPECT_TRUE(callback_.WaitFor(1, 10000));
}

}  // namespace
}  // namespace playcore::test
