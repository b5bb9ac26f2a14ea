// The order of the session calls for resume, seek and restart, on Windows and under Wine, against a
// fake session; and the player's refusals before anything is open.
#include <gtest/gtest.h>

#include <mferror.h>

#include <string>
#include <vector>

#include "playcore/player/mf_player.h"
#include "playcore/player/session_transport.h"
#include "playcore/player/wine_host.h"
#include "tests/support/wait.h"

namespace playcore {
namespace {

class FakeSession : public SessionControl {
 public:
  HRESULT Start(LONGLONG position) override {
    calls.push_back(position < 0 ? "Start(current)" : "Start(" + std::to_string(position) + ")");
    return startResult;
  }
  HRESULT Pause() override {
    calls.push_back("Pause");
    return S_OK;
  }
  HRESULT Stop() override {
    calls.push_back("Stop");
    return stopResult;
  }
  void WaitStopped() override { calls.push_back("WaitStopped"); }
  std::vector<std::string> calls;
  HRESULT startResult = S_OK;
  HRESULT stopResult = S_OK;
};

using Calls = std::vector<std::string>;

struct TransportCase {
  const char* name;
  bool wine;
  bool paused;
  Calls resume;
  Calls seek;
};

TEST(SessionTransport, ResumeAndSeekUseTheCallsOfEachPlatform) {
  const TransportCase cases[] = {
      // Windows: a paused session resumes with Start from where it is and seeks with Start(pos)+Pause.
      {"windows paused", false, true, {"Start(current)"}, {"Start(500)", "Pause"}},
      {"windows stopped", false, false, {"Start(current)"}, {"Start(500)", "Pause"}},
      // Wine: never a Start on a paused or started session.
      {"wine paused", true, true, {"Stop", "WaitStopped", "Start(700)"},
       {"Stop", "WaitStopped", "Start(500)", "Pause"}},
      {"wine stopped", true, false, {"Start(current)"}, {"Stop", "WaitStopped", "Start(500)", "Pause"}},
  };
  for (const TransportCase& c : cases) {
    FakeSession resume;
    EXPECT_EQ(S_OK, ResumeSession(resume, c.wine, c.paused, 700)) << c.name;
    EXPECT_EQ(c.resume, resume.calls) << c.name;
    FakeSession seek;
    EXPECT_EQ(S_OK, SeekSession(seek, c.wine, 500)) << c.name;
    EXPECT_EQ(c.seek, seek.calls) << c.name;
  }
}

TEST(SessionTransport, AFailedStepEndsTheSequenceWithItsResult) {
  FakeSession stopFails;
  stopFails.stopResult = MF_E_INVALIDREQUEST;
  EXPECT_EQ(MF_E_INVALIDREQUEST, SeekSession(stopFails, true, 10));
  EXPECT_EQ(Calls{"Stop"}, stopFails.calls);
  FakeSession startFails;
  startFails.startResult = E_FAIL;
  EXPECT_EQ(E_FAIL, SeekSession(startFails, false, 10));
  EXPECT_EQ(Calls{"Start(10)"}, startFails.calls) << "no Pause after a failed Start";
  FakeSession restart;
  EXPECT_EQ(S_OK, RestartSessionAt(restart, false, 42));
  EXPECT_EQ((Calls{"Stop", "Start(42)"}), restart.calls);
  FakeSession wineRestart;
  EXPECT_EQ(S_OK, RestartSessionAt(wineRestart, true, 42));
  EXPECT_EQ((Calls{"Stop", "WaitStopped", "Start(42)"}), wineRestart.calls);
}

class FakeRateChange : public RateChange {
 public:
  HRESULT SetRate(BOOL thin, float rate) override {
    calls.push_back("SetRate(" + std::to_string(thin) + ", " + std::to_string(static_cast<int>(rate * 10)) + ")");
    return result;
  }
  void HoldPulls(bool hold) override { calls.push_back(hold ? "Hold" : "LetGo"); }
  bool WaitRateChanged() override {
    calls.push_back("WaitRateChanged");
    return reported;
  }
  void LetGoOnReport() override { calls.push_back("LetGoOnReport"); }
  void Withdraw() override { calls.push_back("Withdraw"); }
  std::vector<std::string> calls;
  HRESULT result = S_OK;
  bool reported = true;
};

// Under Wine the session's check of the renderer's rate support must never meet a frame pulled on
// another thread (the two deadlock inside Wine's renderer and mixer): the pulls are held from before
// the request until the session reported it. A report that comes after the wait lets them go itself
// (letting go at the end of the wait reopened the deadlock for a session busy with earlier commands).
TEST(SessionTransport, ARateChangeUnderWineHoldsThePullsUntilTheSessionReportedIt) {
  struct RateCase {
    const char* name;
    bool wine;
    HRESULT result;
    bool reported;
    Calls calls;
  };
  const RateCase cases[] = {
      {"windows", false, S_OK, true, {"SetRate(1, 40)"}},
      {"windows refused", false, MF_E_INVALIDREQUEST, true, {"SetRate(1, 40)"}},
      {"wine", true, S_OK, true, {"Hold", "SetRate(1, 40)", "WaitRateChanged", "LetGo"}},
      {"wine late report", true, S_OK, false, {"Hold", "SetRate(1, 40)", "WaitRateChanged", "LetGoOnReport"}},
      {"wine refused", true, MF_E_INVALIDREQUEST, true, {"Hold", "SetRate(1, 40)", "Withdraw", "LetGo"}},
  };
  for (const RateCase& c : cases) {
    FakeRateChange change;
    change.result = c.result;
    change.reported = c.reported;
    EXPECT_EQ(c.result, ChangeSessionRate(change, c.wine, TRUE, 4.0f)) << c.name;
    EXPECT_EQ(c.calls, change.calls) << c.name;
  }
}

// The session reports each request it took once, in order. A wait ends only when every request so
// far was reported (a late report of an earlier request must not end the wait for a later one), and
// the holds left to the reports are let go together once they all came.
TEST(SessionTransport, RateReportsMatchTheRequestsBeforeTheHoldsGo) {
  struct Step {
    char what;  // 'q' request, 'w' withdrawn, 'r' report, 'd' defer a hold
    bool caught;  // Caught() after the step
    int value;  // 'r': holds to let go; 'd': 1 when deferred, 0 when the caller lets go itself
  };
  struct ReportCase {
    const char* name;
    std::vector<Step> steps;
  };
  const ReportCase cases[] = {
      {"reported in the wait", {{'q', false, 0}, {'r', true, 0}, {'d', true, 0}}},
      {"reported after the wait", {{'q', false, 0}, {'d', false, 1}, {'r', true, 1}}},
      {"a late report of the first does not end the second's wait",
       {{'q', false, 0}, {'d', false, 1}, {'q', false, 0}, {'r', false, 0}, {'d', false, 1}, {'r', true, 2}}},
      {"refused at once", {{'q', false, 0}, {'w', true, 0}, {'q', false, 0}, {'r', true, 0}}},
      {"an uncounted report does not count ahead", {{'r', true, 0}, {'q', false, 0}, {'r', true, 0}}},
  };
  for (const ReportCase& c : cases) {
    RateReports reports;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      int value = 0;
      switch (step.what) {
        case 'q': reports.Requested(); break;
        case 'w': reports.Withdrawn(); break;
        case 'r': value = reports.Reported(); break;
        case 'd': value = reports.DeferLetGo() ? 1 : 0; break;
      }
      EXPECT_EQ(step.value, value) << c.name << " step " << i;
      EXPECT_EQ(step.caught, reports.Caught()) << c.name << " step " << i;
    }
  }
}

class PlayerOpen : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(PlayerOpen, TransportBeforeAnOpenIsRefusedWithoutChangingTheState) {
  CPlayer* player = nullptr;
  ASSERT_EQ(S_OK, CPlayer::Create(nullptr, nullptr, &player));
  EXPECT_EQ(MF_E_INVALIDREQUEST, player->Play());
  EXPECT_EQ(S_OK, player->Pause());
  EXPECT_EQ(E_POINTER, player->SetVolume(65535));
  EXPECT_EQ(0, player->volume()) << "a volume that could not be set is not stored";
  EXPECT_EQ(S_OK, player->Shutdown()) << "shut-down without a session only releases";
  EXPECT_EQ(kPlayerClosed, player->state());
  player->Release();
}

// Pins the leak of a failed open: the session's pending event request kept the player alive.
TEST_F(PlayerOpen, AFailedOpenLeavesThePlayerClosedAndFreesIt) {
  const LONG before = CPlayer::liveCount();
  CPlayer* player = nullptr;
  ASSERT_EQ(S_OK, CPlayer::Create(nullptr, nullptr, &player));
  EXPECT_FALSE(player->OpenURL(L"Z:\\no\\such\\recording.mp4"));
  EXPECT_EQ(kPlayerClosed, player->state());
  EXPECT_FALSE(player->OpenURL(nullptr));
  player->Release();
  quill::test::WaitUntil([&] { return CPlayer::liveCount() == before; });
  EXPECT_EQ(before, CPlayer::liveCount());
}

}  // namespace
}  // namespace playcore
