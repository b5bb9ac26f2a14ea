// The presenter's output loop against fakes: preroll, pacing against the clock at several rates,
// flush, frame stepping, the end of the stream, samples of an old type, repaints, device loss and
// the current image.
#include <mferror.h>

#include <algorithm>

#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

TEST_F(PresenterTest, ProducesExactlyOnePrerollFrameBeforeTheClockStarts) {
  Build();
  Negotiate();
  mixer_->AddFrames(0, kFrame, 5);
  for (int i = 0; i < 3; ++i) presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  ASSERT_TRUE(renderer_->WaitForFrames(1));
  EXPECT_EQ(1, mixer_->processCalls.load());
  EXPECT_EQ(4, mixer_->FramesLeft());
}

// Every frame in order, never shown earlier than three quarters of a frame (at the rate) before its
// time, and no surface written while still waiting to be shown; at rate 0 a frame far in the future
// of a frozen clock, and very late frames, are shown at once. Lateness is not timed.
TEST_F(PresenterTest, PresentsEveryFrameInOrderAndNeverEarlyAtEachRate) {
  Build();
  Negotiate();
  const struct {
    float rate;
    int frames;
    LONGLONG clockAhead;  // the clock's start past the first frame's time
  } cases[] = {{1.0f, 20, 0}, {0.5f, 10, 0}, {2.0f, 24, 0}, {4.0f, 32, 0}, {1.0f, 8, 60000 * kMs},
               {0.0f, 6, -50000 * kMs}};
  LONGLONG base = 0;
  size_t drawnBefore = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "rate " << c.rate << " ahead " << c.clockAhead);
    presenter_->OnClockSetRate(0, c.rate);
    base += 100000 * kMs;
    mixer_->AddFrames(base, kFrame, c.frames);
    const LONGLONG startQpc = QpcNow100ns();
    clock_->Set(base + c.clockAhead, c.rate);
    if (!presenter_->scheduler().IsRunning()) StartStreaming(base + c.clockAhead, c.rate);
    ASSERT_TRUE(PumpUntilDrawn(drawnBefore + c.frames));
    const auto frames = renderer_->Frames();
    for (size_t i = drawnBefore; i < drawnBefore + c.frames; ++i) {
      EXPECT_EQ(base + static_cast<LONGLONG>(i - drawnBefore) * kFrame, frames[i].time);
      if (c.clockAhead != 0 || c.rate == 0.0f) continue;
      const double due = static_cast<double>(startQpc) +
                         static_cast<double>(frames[i].time - base) / c.rate;
      EXPECT_GE((static_cast<double>(frames[i].drawnAt) - due) / kMs,
                -0.75 * kFrame / kMs / c.rate - 3.0) << i;
    }
    drawnBefore += c.frames;
  }
  EXPECT_EQ(0, mixer_->overlaps.load());
}

// Two frames held for a future time: a flush drops them unseen; a new type keeps their samples
// out of the new pool; a failed repaint never frees the kept sample, still queued in the scheduler
// (it was once handed out twice).
TEST_F(PresenterTest, QueuedSamplesAreDroppedByAFlushAndNeverPooledTwice) {
  enum Then { kFlush, kNewType, kFailedRepaint };
  for (Then then : {kFlush, kNewType, kFailedRepaint}) {
    SCOPED_TRACE(then);
    if (then != kFlush) Restart();
    Build();
    Negotiate();
    StartStreaming(0, 0.0);
    mixer_->AddFrames(5000 * kMs, kFrame, 2);
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    ASSERT_TRUE(WaitUntil([&] { return presenter_->scheduler().QueuedCount() == 2; }));
    ASSERT_EQ(0u, presenter_->pooledFreeCount());
    if (then == kFlush) {
      ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_FLUSH, 0));
      EXPECT_EQ(0u, presenter_->scheduler().QueuedCount());
      // Only the kept sample (for repaints) stays out.
      EXPECT_TRUE(WaitUntil([&] { return presenter_->pooledPendingCount() <= 1; }));
      EXPECT_TRUE(renderer_->Frames().empty());
    } else if (then == kNewType) {
      mixer_->offered.clear();
      mixer_->offered.push_back(MakeVideoType(MFVideoFormat_RGB32, 128, 64, 2, false));
      ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_INVALIDATEMEDIATYPE, 0));
      EXPECT_TRUE(WaitUntil([&] { return presenter_->pooledPendingCount() == 0; }));
      EXPECT_EQ(2u, presenter_->pooledFreeCount());
    } else {
      mixer_->ForceResult(E_FAIL);
      ASSERT_EQ(S_OK, presenter_->RepaintVideo());
      EXPECT_EQ(0u, presenter_->pooledFreeCount());
      EXPECT_EQ(2u, presenter_->pooledPendingCount());
    }
  }
}

TEST_F(PresenterTest, AStepOfThreeShowsTheThirdFrameAndCompletesWhenItComesBack) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 12);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_STEP, 3));
  ASSERT_TRUE(WaitUntil([&] {
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    return sink_->Count(kEcStepComplete) > 0;
  }));
  ASSERT_EQ(1, sink_->Count(kEcStepComplete));
  for (const auto& e : sink_->Events()) {
    if (e.code == kEcStepComplete) {
      EXPECT_EQ(FALSE, e.p1);
    }
  }
  EXPECT_EQ(kStepDone, presenter_->frameStepState());
  const auto frames = renderer_->Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(2 * kFrame, frames.front().time);  // frames 0 and 1 were counted down, not shown
}

TEST_F(PresenterTest, ReportsTheEndOfTheStreamOnceAfterTheLastFrameWasShown) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 6);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_ENDOFSTREAM, 0));
  EXPECT_EQ(0, sink_->Count(kEcComplete));  // frames are still waiting in the mixer
  ASSERT_TRUE(PumpUntilDrawn(6));
  ASSERT_TRUE(sink_->WaitFor(kEcComplete, 1));
  EXPECT_EQ(1, sink_->Count(kEcComplete));
  const auto frames = renderer_->Frames();
  for (const auto& e : sink_->Events()) {
    if (e.code != kEcComplete) continue;
    EXPECT_GE(e.at, frames[5].drawnAt);  // not before the last frame was shown
    EXPECT_EQ(S_OK, static_cast<HRESULT>(e.p1));
  }
}

// A lost 9Ex device is created anew, a plain one that needs a reset is reset; either way the
// display change is sent once and playback goes on. A removed device is an abort and is kept.
// The loss is met by the next delivery's device check, while frames already queued to the scheduler
// are drawn without one: the test waits for the check's outcome, not for a number of frames. Samples
// coming back pull on the work queue's threads, so events from their passes may follow the abort
// (the fake's device answers well again after one check): the abort itself is what is checked.
TEST_F(PresenterTest, DeviceLossIsRecoveredOnceAndARemovedDeviceAborts) {
  const struct {
    bool plain;
    HRESULT state;
  } cases[] = {{false, D3DERR_DEVICELOST}, {true, D3DERR_DEVICENOTRESET}, {false, D3DERR_DEVICEREMOVED}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.state);
    if (&c != cases) Restart();
    Build(true, c.plain, /*losingEngine=*/true);
    Negotiate();
    StartStreaming(0, 1.0);
    mixer_->AddFrames(0, kFrame, 20);
    ASSERT_TRUE(PumpUntilDrawn(2));
    const int displayChanges = sink_->Count(kEcDisplayChanged);
    const int releases = renderer_->releases.load();
    losing_->nextState = c.state;
    const long awaited = c.state == D3DERR_DEVICEREMOVED ? kEcErrorAbort : kEcDisplayChanged;
    const int before = sink_->Count(awaited);
    ASSERT_TRUE(WaitUntil([&] {
      presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
      return sink_->Count(awaited) > before;
    }));
    if (c.state == D3DERR_DEVICEREMOVED) {
      const auto events = sink_->Events();
      const auto abort = std::find_if(events.begin(), events.end(),
                                      [](const SinkEvent& e) { return e.code == kEcErrorAbort; });
      ASSERT_NE(events.end(), abort);
      EXPECT_EQ(static_cast<LONG_PTR>(D3DERR_DEVICEREMOVED), abort->p1);
      EXPECT_EQ(displayChanges, sink_->Count(kEcDisplayChanged));
      EXPECT_EQ(releases, renderer_->releases.load());  // the device was not made anew
    } else {
      ASSERT_TRUE(PumpUntilDrawn(renderer_->Frames().size() + 2));  // frames after the change
      EXPECT_EQ(displayChanges + 1, sink_->Count(kEcDisplayChanged));
      EXPECT_EQ(0, sink_->Count(kEcErrorAbort));
      if (!c.plain && presenter_->engine()->isExtended()) {
        EXPECT_GT(renderer_->releases.load(), releases);  // the scene let go of the old device
        EXPECT_GE(mixer_->finalSets.load(), 2);           // samples and type were made anew
      }
    }
  }
}

// The shown frame at the window's size, also for a window wider than a fixed bitmap once held (it
// clipped and left the rest uninitialised); an empty window fails without allocating.
TEST_F(PresenterTest, GetCurrentImageReturnsTheShownFrameAtTheWindowSize) {
  for (const int width : {320, 2600, 0}) {
    SCOPED_TRACE(width);
    if (width != 320) Restart();
    Build();
    TestWindow other(width, width ? 40 : 0);
    if (width != 320) {
      ASSERT_EQ(S_OK, presenter_->SetVideoWindow(other.hwnd()));
    }
    RECT client;
    GetClientRect(width != 320 ? other.hwnd() : window_->hwnd(), &client);
    if (width == 0) {
      BYTE* dib = reinterpret_cast<BYTE*>(1);
      EXPECT_EQ(E_FAIL, presenter_->GetCurrentImage(nullptr, &dib, nullptr, nullptr));
      EXPECT_EQ(nullptr, dib);
      continue;
    }
    presenter_->engine()->SetRenderer(CreateCopyRenderer());
    renderer_ = nullptr;
    Negotiate();
    mixer_->fillColour = 0xFF20C040;
    mixer_->AddFrames(0, kFrame, 1);
    ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
    BITMAPINFOHEADER header = {};
    BYTE* dib = nullptr;
    DWORD size = 0;
    LONGLONG stamp = 0;
    ASSERT_EQ(S_OK, presenter_->GetCurrentImage(&header, &dib, &size, &stamp));
    ASSERT_EQ(client.right, header.biWidth);
    ASSERT_EQ(client.bottom, header.biHeight);
    ASSERT_EQ(static_cast<DWORD>(client.right * client.bottom * 4), size);
    const auto* pixels = reinterpret_cast<const DWORD*>(dib);
    int matching = 0;
    for (LONG i = 0; i < client.right * client.bottom; ++i) matching += (pixels[i] & 0xFFFFFF) == 0x20C040;
    const DWORD farRight = pixels[(client.bottom / 2) * client.right + client.right - 10] & 0xFFFFFF;
    CoTaskMemFree(dib);
    EXPECT_GT(matching, client.right * client.bottom * 9 / 10);
    EXPECT_EQ(0x20C040u, farRight);
  }
}

}  // namespace
}  // namespace playcore::test
