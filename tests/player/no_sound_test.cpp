// A machine without a sound device (this test's Wine has no audio output): the session refuses the
// topology with the audio renderer, the player builds it again without sound, and the refused
// topology's renderer and presenter are shut down and let go once the rebuilt topology is ready.
#include <windows.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/com/com_object.h"
#include "platform/com/com_ptr.h"
#include "playcore/player/mf_activate.h"
#include "playcore/player/mf_player.h"
#include "tests/player/player_test_util.h"
#include "tests/support/wait.h"

namespace {

constexpr DWORD kReadyBoundMs = 15000;
// The program's own objects one video branch keeps: the activation object and its presenter.
constexpr LONG kObjectsOfOneBranch = 2;

// The presenters made, in order (held, so that the refused one can still be asked its state).
std::vector<quill::com::ComPtr<playcore::EVRCustomPresenter>>* g_made = nullptr;
void KeepPresenter(playcore::EVRCustomPresenter* presenter, const playcore::sVIEWSETTINGS*) {
  g_made->push_back(quill::com::ComPtr<playcore::EVRCustomPresenter>::Borrow(presenter));
}

LONG LiveObjects() { return quill::com::_pAtlModule->GetLockCount(); }

// Regression: the refused topology's renderer, presenter and Direct3D device were kept, running,
// until the movie closed: two of each per pane for the whole movie.
TEST(PlayerWithoutSound, TheRefusedTopologysRendererAndPresenterAreShutDownAtTheRebuildsReadiness) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<quill::com::ComPtr<playcore::EVRCustomPresenter>> made;
  g_made = &made;
  const playcore::PresenterCreatedHook oldHook = playcore::SetPresenterCreatedHook(KeepPresenter);
  const playcore::test::RecordingPair pair = playcore::test::FirstPair();
  ASSERT_FALSE(pair.main.empty()) << "no main/rear pair in the recordings";
  auto windows = std::make_unique<playcore::test::PaneWindows>(0, 480, 360);
  const LONG objectsBefore = LiveObjects();
  CPlayer* player = nullptr;
  ASSERT_HRESULT_SUCCEEDED(CPlayer::Create(windows->pane(), nullptr, &player));
  ASSERT_TRUE(player->OpenURL(pair.main.c_str()));
  ASSERT_TRUE(playcore::test::WaitForMessage(*windows, playcore::kMsgPlayerReady, 1, kReadyBoundMs));
  EXPECT_TRUE(player->audioRefused()) << "this test's Wine has a sound output";
  EXPECT_FALSE(player->hasAudioVolume());
  ASSERT_EQ(2u, made.size()) << "one presenter for the refused topology, one for the rebuilt";
  EXPECT_EQ(made[1].get(), player->presenter().get());
  // Its renderer was shut down, which let the presenter's services and samples go.
  EXPECT_TRUE(quill::test::WaitUntil([&] { return made[0]->renderState() == playcore::kRenderShutdown; }));
  EXPECT_NE(playcore::kRenderShutdown, made[1]->renderState());
  // The refused activation object is gone; Wine's session keeps the refused renderer it was given,
  // and with it that presenter's object, until the session itself is shut down.
  EXPECT_TRUE(quill::test::WaitUntil([&] { return LiveObjects() == objectsBefore + kObjectsOfOneBranch + 1; }))
      << LiveObjects() - objectsBefore << " objects alive";
  EXPECT_HRESULT_SUCCEEDED(player->Shutdown());
  player->Release();
  made.clear();
  EXPECT_TRUE(quill::test::WaitUntil([&] { return LiveObjects() == objectsBefore; }));
  playcore::SetPresenterCreatedHook(oldHook);
  g_made = nullptr;
  CoUninitialize();
}

}  // namespace
