// A player prepared ahead, as the pre-open worker makes it: opened on another thread with its
// messages held, it reports nothing and shows nothing while it waits (its first frame drawn ahead
// goes into a hidden window); once taken over its ready report reaches the window and it plays there.
#include <windows.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/com/message_wait.h"
#include "playcore/player/mf_player.h"
#include "tests/player/player_test_util.h"

namespace {

using playcore::test::PaneWindows;

// Bounds against a hang only.
constexpr DWORD kOpenBoundMs = 15000;
constexpr DWORD kReadyBoundMs = 15000;
constexpr DWORD kFramesBoundMs = 10000;

DWORD WINAPI RunWork(void* work) {
  std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(work));
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  (*run)();
  CoUninitialize();
  return 0;
}

// Runs `work` on a thread of its own (as the pre-open worker), dispatching sent messages meanwhile.
bool RunOnAThread(std::function<void()> work) {
  auto* owned = new std::function<void()>(std::move(work));
  const HANDLE thread = CreateThread(nullptr, 0, RunWork, owned, 0, nullptr);
  if (thread == nullptr) return false;
  const bool ended = quill::com::WaitDispatchingSentMessages(thread, kOpenBoundMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

uint32_t Presented(CPlayer* player) {
  quill::com::ComPtr<playcore::EVRCustomPresenter> presenter = player->presenter();
  return presenter ? presenter->scheduler().frameCounts().presented : 0;
}

TEST(PreparedPlayer, HoldsItsReadyAndShowsNothingUntilTakenOverThenPlaysInTheWindow) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const playcore::test::RecordingPair pair = playcore::test::FirstPair();
  ASSERT_FALSE(pair.main.empty()) << "no main/rear pair in the recordings";
  auto windows = std::make_unique<PaneWindows>(0, 480, 360);
  const LONG before = CPlayer::liveCount();
  CPlayer* player = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CPlayer::Create(windows->pane(), nullptr, &player));
  player->HoldMessages();
  player->KeepOwnView(playcore::DefaultViewSettings());
  BOOL opened = FALSE;
  ASSERT_TRUE(RunOnAThread([&] { opened = player->OpenURL(pair.main.c_str()); }));
  ASSERT_TRUE(opened);
  ASSERT_TRUE(playcore::test::PumpUntil(kReadyBoundMs, [&] { return player->ready(); }));
  // The report would have been posted under the same lock that ready() waits for: whatever was
  // posted is in the queue now.
  playcore::test::Pump(0);
  EXPECT_TRUE(windows->messages(playcore::kMsgPlayerReady).empty()) << "a prepared player reports nothing";
  EXPECT_EQ(player->state(), playcore::kPlayerStopped);
  EXPECT_EQ(Presented(player), 0u) << "a prepared player draws nothing";
  // Once ready it draws its first frame ahead on the preparing thread, into a window of that thread's
  // own: still no report, and no frame of its in the pane.
  HRESULT drawn = E_FAIL;
  ASSERT_TRUE(RunOnAThread([&] {
    EXPECT_TRUE(player->WaitUntilReady(kReadyBoundMs));
    drawn = player->DrawAhead();
  }));
  EXPECT_EQ(drawn, S_OK);
  playcore::test::Pump(0);
  EXPECT_TRUE(windows->messages(playcore::kMsgPlayerReady).empty()) << "drawing ahead reports nothing";
  EXPECT_EQ(Presented(player), 0u) << "drawing ahead shows nothing in the pane";

  const playcore::sVIEWSETTINGS now = playcore::DefaultViewSettings();
  player->AdoptView(&now);
  player->DeliverMessages(windows->pane());
  EXPECT_TRUE(playcore::test::WaitForMessage(*windows, playcore::kMsgPlayerReady, 1, kReadyBoundMs));
  EXPECT_EQ(windows->messages(playcore::kMsgPlayerReady).size(), 1u) << "delivered once";
  ASSERT_HRESULT_SUCCEEDED(player->Play());
  EXPECT_TRUE(playcore::test::PumpUntil(kFramesBoundMs, [&] { return Presented(player) > 0; }));
  player->Shutdown();
  player->Release();
  EXPECT_EQ(CPlayer::liveCount(), before);
  windows.reset();
  CoUninitialize();
}

}  // namespace
