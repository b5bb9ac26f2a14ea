// The order of the session calls for resume, seek and restart, on Windows and under Wine, against a
// fake session; and the player's refusals before anything is open.
#include <gtest/gtest.h>

#include <mferror.h>

#include <string>
#include <vector>

#include "playcore/player/mf_player.h"
#include "playcore/player/session_transport.h"
#include "playcore/presenter/wine_host.h"
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
  HRESULT SetRate(BOOL thin, float rate) override {
    calls.push_back(std::string(thin ? "SetRate(thin " : "SetRate(") + std::to_string(static_cast<int>(rate)) + ")");
    return rateResult;
  }
  void WaitRateSettled() override { calls.push_back("WaitRate"); }
  std::vector<std::string> calls;
  HRESULT startResult = S_OK;
  HRESULT stopResult = S_OK;
  HRESULT rateResult = S_OK;
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

TEST(SessionTransport, ARateChangeStopsAPlayingSessionOnlyUnderWine) {
  struct RateCase {
    const char* name;
    bool wine;
    bool playing;
    HRESULT stop, rate;
    HRESULT result;
    Calls calls;
  };
  const RateCase cases[] = {
      {"windows playing", false, true, S_OK, S_OK, S_OK, {"SetRate(thin 4)"}},
      {"windows paused", false, false, S_OK, S_OK, S_OK, {"SetRate(thin 4)"}},
      {"wine paused", true, false, S_OK, S_OK, S_OK, {"SetRate(thin 4)"}},
      // Never a rate request to a running session: stopped and waited for, the report waited for,
      // then started again where it stood.
      {"wine playing", true, true, S_OK, S_OK, S_OK,
       {"Stop", "WaitStopped", "SetRate(thin 4)", "WaitRate", "Start(900)"}},
      // A refused rate reports nothing to wait for; the movie plays on at the old rate.
      {"wine refused", true, true, S_OK, MF_E_UNSUPPORTED_RATE, MF_E_UNSUPPORTED_RATE,
       {"Stop", "WaitStopped", "SetRate(thin 4)", "Start(900)"}},
      {"wine stop fails", true, true, MF_E_INVALIDREQUEST, S_OK, MF_E_INVALIDREQUEST, {"Stop"}},
  };
  for (const RateCase& c : cases) {
    FakeSession session;
    session.stopResult = c.stop;
    session.rateResult = c.rate;
    EXPECT_EQ(c.result, ChangeSessionRate(session, c.wine, c.playing, 900, TRUE, 4.0f)) << c.name;
    EXPECT_EQ(c.calls, session.calls) << c.name;
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
