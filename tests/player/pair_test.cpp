// The main and rear recordings of one pair in two instances, driven through the dispatchers.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/player/mf_player.h"
#include "playcore/scene/view_settings.h"
#include "tests/player/player_test_util.h"

namespace playcore::test {
namespace {

constexpr UINT kReady = quill::msg::kPlayerReady;

TEST(PlaybackPair, BothCamerasPlayTogetherAndSeekToTheSameMoment) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallProbes();
  UseSceneInProbes(true);
  const RecordingPair pair = FirstPair();
  ASSERT_FALSE(pair.main.empty());
  PaneWindows mainPane(0, 400, 400);
  PaneWindows rearPane(420, 400, 240);
  ASSERT_TRUE(InitInstance(0, mainPane.pane(), kViewSphere));
  ASSERT_TRUE(InitInstance(1, rearPane.pane(), kViewFlat));
  ASSERT_EQ(1, g_PlayerFuncs[0].OpenMovie(&g_PlayerInstance[0], pair.main.c_str()));
  ASSERT_EQ(1, g_PlayerFuncs[1].OpenMovie(&g_PlayerInstance[1], pair.rear.c_str()));
  g_PlayerInstance[0].movieOpen = 1;
  g_PlayerInstance[1].movieOpen = 1;
  ASSERT_TRUE(PumpUntil(10000, [&] {
    return !mainPane.messages(kReady).empty() && !rearPane.messages(kReady).empty();
  }));
  ASSERT_EQ(1, PlayerCall_Play(kSelectorAll));
  // Both advance (a loaded machine may take a while to show the first frames).
  PumpUntil(10000, [] { return LastFrame(0) >= 5 && LastFrame(1) >= 5; });
  EXPECT_GE(LastFrame(0), 5);
  EXPECT_GE(LastFrame(1), 5);
  EXPECT_NEAR(LastFrame(0), LastFrame(1), 4) << "the two play side by side";
  ASSERT_EQ(1, PlayerCall_Seek(kSelectorAll, 40));
  PumpUntil(10000, [] { return std::abs(LastFrame(0) - 40) <= 1 && std::abs(LastFrame(1) - 40) <= 1; });
  EXPECT_NEAR(LastFrame(0), 40, 1);
  EXPECT_NEAR(LastFrame(1), 40, 1);
  EXPECT_EQ(1, PlayerCall_CloseMovieAll());
  ReleaseInstances();
  EXPECT_EQ(0, CPlayer::liveCount());
  UseSceneInProbes(false);
  CoUninitialize();
}

}  // namespace
}  // namespace playcore::test
