// The player's close against what other threads do meanwhile: readers are answered at once (and
// refused) while the close waits for the session, and a rebuild of the topology racing the close
// (as the audio-less rebuild on a session thread does) makes no presenter.
#include <windows.h>
#include <mfapi.h>
#include <mfidl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include "platform/com/com_ptr.h"
#include "platform/com/message_wait.h"
#include "playcore/player/mf_activate.h"
#include "playcore/player/mf_player.h"
#include "playcore/player/source_shutdown.h"
#include "tests/player/fake_source.h"
#include "tests/player/player_test_util.h"

namespace {

using playcore::test::PaneWindows;

// A bound against a hang only: a thread that cannot answer within it is held by the close.
constexpr DWORD kAnswerBoundMs = 10000;
constexpr DWORD kReadyBoundMs = 15000;

std::atomic<int> g_presentersMade{0};
void CountPresenter(playcore::EVRCustomPresenter*, const playcore::sVIEWSETTINGS*) { ++g_presentersMade; }

DWORD WINAPI RunWork(void* work) {
  std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(work));
  (*run)();
  return 0;
}

// Runs `work` on a thread of its own; true when it ended within the bound. Sent messages are
// dispatched meanwhile: the caller is the windows' thread, which a new presenter may need.
bool RunOnAThread(std::function<void()> work) {
  auto* owned = new std::function<void()>(std::move(work));
  const HANDLE thread = CreateThread(nullptr, 0, RunWork, owned, 0, nullptr);
  if (thread == nullptr) return false;
  const bool ended = quill::com::WaitDispatchingSentMessages(thread, kAnswerBoundMs) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

class ClosingPlayer : public CPlayer {
 public:
  explicit ClosingPlayer(HWND window) : CPlayer(window, nullptr) {}
  using CPlayer::StartPlatform;
  std::function<void(ClosingPlayer*)> duringCloseWait;

  // The topology the session runs, kept for a readiness reported late (below).
  void KeepTopology() {
    topology_.reset();
    const quill::com::ComPtr<IMFMediaSession> current = session();
    if (current) current->GetFullTopology(MFSESSION_GETFULLTOPOLOGY_CURRENT, 0, topology_.put());
  }
  // What a session thread does with the topology's readiness (the kept topology's).
  HRESULT ReportTopologyReady() {
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UNKNOWN;
    value.punkVal = topology_.get();
    quill::com::ComPtr<IMFMediaEvent> event;
    HRESULT hr = MFCreateMediaEvent(MESessionTopologyStatus, GUID_NULL, S_OK, &value, event.put());
    if (SUCCEEDED(hr)) hr = event->SetUINT32(MF_EVENT_TOPOLOGY_STATUS, MF_TOPOSTATUS_READY);
    if (SUCCEEDED(hr)) hr = OnTopologyStatus(event.get());
    return hr;
  }

  // The close shuts `stuck` down in place of the movie's source (which it shuts down itself), and
  // waits for that at most `boundMs`.
  void ReplaceSourceAtClose(quill::com::ComPtr<IMFMediaSource> stuck, DWORD boundMs) {
    replacement_ = std::move(stuck);
    sourceShutdownBoundMs_ = boundMs;
  }

  // What a session thread does on a new presentation: a topology built for it.
  void Rebuild(IMFPresentationDescriptor* pd) {
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_UNKNOWN;
    value.punkVal = pd;
    quill::com::ComPtr<IMFMediaEvent> event;
    if (SUCCEEDED(MFCreateMediaEvent(MENewPresentation, GUID_NULL, S_OK, &value, event.put()))) {
      OnNewPresentation(event.get());
    }
  }

 protected:
  void OnCloseWaitBegins() override {
    if (duringCloseWait) duringCloseWait(this);
  }
  void OnSourceShutdown(quill::com::ComPtr<IMFMediaSource>* source) override {
    if (!replacement_ || !*source) return;
    (*source)->Shutdown();
    *source = std::move(replacement_);
  }

 private:
  quill::com::ComPtr<IMFMediaSource> replacement_;
  quill::com::ComPtr<IMFTopology> topology_;
};

class PlayerClose : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    oldHook_ = playcore::SetPresenterCreatedHook(CountPresenter);
    pair_ = playcore::test::FirstPair();
    ASSERT_FALSE(pair_.main.empty()) << "no main/rear pair in the recordings";
    windows_ = std::make_unique<PaneWindows>(0, 480, 360);
    player_ = new ClosingPlayer(windows_->pane());
    ASSERT_HRESULT_SUCCEEDED(player_->StartPlatform());
    ASSERT_TRUE(player_->OpenURL(pair_.main.c_str()));
    ASSERT_TRUE(playcore::test::WaitForMessage(*windows_, playcore::kMsgPlayerReady, 1, kReadyBoundMs));
    // The reads answer before the close: their refusals below are the close's doing.
    ASSERT_TRUE(player_->ready());
    ASSERT_TRUE(player_->presenter());
  }

  void TearDown() override {
    if (player_) player_->Release();
    windows_.reset();
    playcore::SetPresenterCreatedHook(oldHook_);
    CoUninitialize();
  }

  // The presentation of the same file, from a source of the test's own.
  quill::com::ComPtr<IMFPresentationDescriptor> Presentation() {
    quill::com::ComPtr<IMFSourceResolver> resolver;
    quill::com::ComPtr<IUnknown> object;
    quill::com::ComPtr<IMFPresentationDescriptor> pd;
    MF_OBJECT_TYPE type = MF_OBJECT_INVALID;
    if (SUCCEEDED(MFCreateSourceResolver(resolver.put())) &&
        SUCCEEDED(resolver->CreateObjectFromURL(pair_.main.c_str(), MF_RESOLUTION_MEDIASOURCE, nullptr,
                                                &type, object.put())) &&
        SUCCEEDED(object.As(&source_))) {
      source_->CreatePresentationDescriptor(pd.put());
    }
    return pd;
  }

  ~PlayerClose() override {
    if (source_) source_->Shutdown();
  }

  playcore::PresenterCreatedHook oldHook_ = nullptr;
  playcore::test::RecordingPair pair_;
  std::unique_ptr<PaneWindows> windows_;
  ClosingPlayer* player_ = nullptr;
  quill::com::ComPtr<IMFMediaSource> source_;
};

struct Reads {
  LONG state = -1;
  bool ready = true;
  bool presenter = true;
  HRESULT position = S_OK;
  HRESULT size = S_OK;
  HRESULT repaint = S_OK;
};

TEST_F(PlayerClose, ReadersOnOtherThreadsAreAnsweredAndRefusedWhileTheCloseWaits) {
  auto reads = std::make_shared<Reads>();
  bool answered = false;
  player_->duringCloseWait = [&](ClosingPlayer* player) {
    answered = RunOnAThread([player, reads] {
      reads->ready = player->ready();
      reads->presenter = static_cast<bool>(player->presenter());
      reads->position = player->SetVideoPosition(0, 0, 10, 10);
      LONG width = 0;
      LONG height = 0;
      reads->size = player->GetNativeSize(&width, &height);
      reads->repaint = player->RepaintVideo();
      reads->state = player->state();
    });
  };
  player_->Shutdown();
  ASSERT_TRUE(answered) << "a reader waited for the close to end";
  EXPECT_EQ(playcore::kPlayerClosing, reads->state);
  EXPECT_FALSE(reads->ready);
  EXPECT_FALSE(reads->presenter);
  EXPECT_EQ(E_POINTER, reads->position);
  EXPECT_EQ(E_UNEXPECTED, reads->size);
  EXPECT_EQ(E_UNEXPECTED, reads->repaint);
}

// Regression: a session thread that reported the topology's readiness just as the close began took
// the display control again, and the readers answered (reaching a renderer being shut down) instead
// of being refused.
TEST_F(PlayerClose, AReadinessReportedAsTheCloseBeginsIsRefused) {
  player_->KeepTopology();
  HRESULT reported = S_OK;
  bool readyDuringClose = true;
  player_->duringCloseWait = [&](ClosingPlayer* player) {
    reported = player->ReportTopologyReady();
    readyDuringClose = player->ready();
  };
  player_->Shutdown();
  EXPECT_EQ(MF_E_SHUTDOWN, reported);
  EXPECT_FALSE(readyDuringClose) << "the readiness gave the closing player its display control again";
}

TEST_F(PlayerClose, ARebuildDuringOrAfterTheCloseMakesNoPresenter) {
  const quill::com::ComPtr<IMFPresentationDescriptor> pd = Presentation();
  ASSERT_TRUE(pd);
  const int before = g_presentersMade.load();
  bool rebuilt = false;
  player_->duringCloseWait = [&](ClosingPlayer* player) {
    IMFPresentationDescriptor* presentation = pd.get();
    rebuilt = RunOnAThread([player, presentation] { player->Rebuild(presentation); });
  };
  player_->Shutdown();
  EXPECT_TRUE(rebuilt) << "the rebuild waited for the close to end";
  player_->Rebuild(pd.get());  // a session thread's late event after the close
  EXPECT_EQ(before, g_presentersMade.load());
  EXPECT_FALSE(player_->presenter());
}

// Regression: under Wine the source's shut-down can wait for ever on its own command thread, and
// the close (and the program's exit) waited with it. The close now goes on after its bound, and the
// player opens the next movie.
TEST_F(PlayerClose, ASourceWhoseShutdownNeverReturnsHoldsNeitherTheCloseNorTheNextOpen) {
  const quill::com::ComPtr<playcore::test::FakeSource> stuck =
      playcore::test::FakeSource::Make(playcore::test::FakeSource::Behaviour::kHangsUntilLetGo);
  struct LetGoAtTheEnd {
    playcore::test::FakeSource* source;
    ~LetGoAtTheEnd() { source->LetGo(); }
  } letGo{stuck.get()};
  player_->ReplaceSourceAtClose(quill::com::ComPtr<IMFMediaSource>::Borrow(stuck.get()), 500);
  const LONG abandonedBefore = playcore::AbandonedSourceShutdowns();
  ClosingPlayer* player = player_;
  const bool closed = RunOnAThread([player] { player->Shutdown(); });
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(stuck->entered(), kAnswerBoundMs));
  ASSERT_TRUE(closed) << "the close waited for the source's shut-down";
  EXPECT_EQ(playcore::kPlayerClosed, player_->state());
  EXPECT_EQ(abandonedBefore + 1, playcore::AbandonedSourceShutdowns());
  windows_->Clear();
  ASSERT_TRUE(player_->OpenURL(pair_.main.c_str()));
  EXPECT_TRUE(playcore::test::WaitForMessage(*windows_, playcore::kMsgPlayerReady, 1, kReadyBoundMs));
  EXPECT_TRUE(player_->ready());
  stuck->LetGo();
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(stuck->backToOneReference(), kAnswerBoundMs));
}

}  // namespace
