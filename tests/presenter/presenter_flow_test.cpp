// The presenter's output loop against fakes: preroll, throttle, pacing against the clock at several
// rates, flush, frame stepping, the end of the stream, samples of an old type, repaints and device loss.
#include <mferror.h>

#include <algorithm>
#include <cmath>

#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

TEST_F(PresenterTest, ProducesExactlyOnePrerollFrameBeforeTheClockStarts) {
  Build();
  Negotiate();
  mixer_->AddFrames(0, kFrame, 5);
  for (int i = 0; i < 3; ++i) presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  Sleep(100);
  EXPECT_EQ(1, mixer_->processCalls.load());
  EXPECT_EQ(1u, renderer_->Frames().size());
}

TEST_F(PresenterTest, WithTheSchedulerRunningOneNotificationYieldsOneFrame) {
  Build();
  Negotiate();
  presenter_->SetSeekMark(false);  // returned samples do not pull more frames
  StartStreaming(0, 0.0);
  mixer_->AddFrames(100 * kMs, kFrame, 5);
  const int before = mixer_->processCalls.load();
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_EQ(before + 1, mixer_->processCalls.load());
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_EQ(before + 2, mixer_->processCalls.load());
}

struct PacingCase {
  float rate;
  int frames;
};

TEST_F(PresenterTest, PresentsEveryFrameInOrderAndOnTimeAtEachRate) {
  Build();
  Negotiate();
  const PacingCase cases[] = {{1.0f, 20}, {0.5f, 10}, {2.0f, 24}, {4.0f, 32}};
  LONGLONG base = 0;
  size_t drawnBefore = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    presenter_->OnClockSetRate(0, c.rate);
    base += 100000 * kMs;
    mixer_->AddFrames(base, kFrame, c.frames);
    const LONGLONG startQpc = QpcNow100ns();
    clock_->Set(base, c.rate);
    if (!presenter_->scheduler().IsRunning()) StartStreaming(base, c.rate);
    ASSERT_TRUE(PumpUntilDrawn(drawnBefore + c.frames, 8000));
    const auto frames = renderer_->Frames();
    double sum = 0;
    double worst = 0;
    for (size_t i = drawnBefore; i < drawnBefore + c.frames; ++i) {
      EXPECT_EQ(base + static_cast<LONGLONG>(i - drawnBefore) * kFrame, frames[i].time);
      const double due = static_cast<double>(startQpc) +
                         static_cast<double>(frames[i].time - base) / c.rate;
      const double lateMs = (static_cast<double>(frames[i].drawnAt) - due) / kMs;
      // Never earlier than three quarters of a frame (at the rate) before its time.
      EXPECT_GE(lateMs, -0.75 * kFrame / kMs / c.rate - 3.0) << i;
      sum += lateMs;
      worst = std::max(worst, lateMs);
    }
    EXPECT_LT(sum / c.frames, 30.0);
    drawnBefore += c.frames;
  }
  EXPECT_EQ(0, mixer_->overlaps.load());  // no surface was written while still waiting to be shown
}

TEST_F(PresenterTest, AtRateZeroFramesAreShownAtOnce) {
  Build();
  Negotiate();
  presenter_->OnClockSetRate(0, 0.0f);
  StartStreaming(0, 0.0);
  mixer_->AddFrames(50000 * kMs, kFrame, 6);  // far in the future of a frozen clock
  EXPECT_TRUE(PumpUntilDrawn(6, 3000));
}

TEST_F(PresenterTest, VeryLateFramesAreShownAtOnceInOrder) {
  Build();
  Negotiate();
  StartStreaming(60000 * kMs, 1.0);
  mixer_->AddFrames(0, kFrame, 8);
  ASSERT_TRUE(PumpUntilDrawn(8, 3000));
  const auto frames = renderer_->Frames();
  for (size_t i = 1; i < 8; ++i) EXPECT_LT(frames[i - 1].time, frames[i].time);
}

TEST_F(PresenterTest, FlushDropsQueuedFramesAndTheirSamplesComeBack) {
  Build();
  Negotiate();
  StartStreaming(0, 0.0);
  mixer_->AddFrames(5000 * kMs, kFrame, 2);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  Sleep(50);
  EXPECT_EQ(2u, presenter_->scheduler().QueuedCount());
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_FLUSH, 0));
  EXPECT_EQ(0u, presenter_->scheduler().QueuedCount());
  Sleep(200);
  EXPECT_TRUE(renderer_->Frames().empty());
  // Only the kept sample (for repaints) stays out.
  EXPECT_LE(presenter_->pooledPendingCount(), 1u);
}

TEST_F(PresenterTest, AStepOfThreeShowsTheThirdFrameAndCompletesWhenItComesBack) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 12);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_STEP, 3));
  const DWORD start = GetTickCount();
  while (sink_->Count(kEcStepComplete) == 0 && GetTickCount() - start < 5000) {
    presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
    Sleep(5);
  }
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
  ASSERT_TRUE(PumpUntilDrawn(6, 4000));
  ASSERT_TRUE(sink_->WaitFor(kEcComplete, 1, 3000));
  Sleep(100);
  EXPECT_EQ(1, sink_->Count(kEcComplete));
  const auto frames = renderer_->Frames();
  ASSERT_EQ(6u, frames.size());
  for (const auto& e : sink_->Events()) {
    if (e.code == kEcComplete) {
      EXPECT_GE(e.at, frames.back().drawnAt);  // not before the last frame was shown
      EXPECT_EQ(S_OK, static_cast<HRESULT>(e.p1));
    }
  }
  EXPECT_EQ(0u, presenter_->pooledPendingCount());
}

TEST_F(PresenterTest, SamplesOfAReplacedTypeAreNotPutBackIntoThePool) {
  Build();
  Negotiate();
  StartStreaming(0, 0.0);
  mixer_->AddFrames(5000 * kMs, kFrame, 2);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  mixer_->offered.clear();
  mixer_->offered.push_back(MakeVideoType(MFVideoFormat_RGB32, 128, 64, 2, false));
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_INVALIDATEMEDIATYPE, 0));
  Sleep(300);  // the old samples come back through the callback
  EXPECT_EQ(2u, presenter_->pooledFreeCount());
  EXPECT_EQ(0u, presenter_->pooledPendingCount());
}

TEST_F(PresenterTest, AFailedRepaintNeverPutsTheKeptSampleIntoTheFreeList) {
  // Regression: a failing repaint pass returned the kept sample, still queued in the scheduler, to
  // the free list, so one surface was later handed out twice.
  Build();
  Negotiate();
  StartStreaming(0, 0.0);
  mixer_->AddFrames(5000 * kMs, kFrame, 2);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  ASSERT_EQ(0u, presenter_->pooledFreeCount());
  mixer_->ForceResult(E_FAIL);
  ASSERT_EQ(S_OK, presenter_->RepaintVideo());
  EXPECT_EQ(0u, presenter_->pooledFreeCount());
  EXPECT_EQ(2u, presenter_->pooledPendingCount());
}

TEST_F(PresenterTest, RepaintDrawsTheCurrentFrameAgain) {
  Build();
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 1);
  ASSERT_TRUE(PumpUntilDrawn(1, 2000));
  ASSERT_EQ(S_OK, presenter_->RepaintVideo());
  EXPECT_TRUE(renderer_->WaitForFrames(2, 2000));
}

TEST_F(PresenterTest, ALostExtendedDeviceIsCreatedAnewAndPlaybackGoesOnOnTheNewDevice) {
  Build(true, false, /*losingEngine=*/true);
  if (!presenter_->engine()->isExtended()) GTEST_SKIP() << "no extended Direct3D here";
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 20);
  ASSERT_TRUE(PumpUntilDrawn(2, 3000));
  const int displayChanges = sink_->Count(kEcDisplayChanged);
  const int releases = renderer_->releases.load();
  losing_->nextState = D3DERR_DEVICELOST;
  ASSERT_TRUE(PumpUntilDrawn(6, 5000));
  EXPECT_EQ(displayChanges + 1, sink_->Count(kEcDisplayChanged));
  EXPECT_GT(renderer_->releases.load(), releases);  // the scene let go of the old device
  EXPECT_GE(mixer_->finalSets.load(), 2);           // samples and type were made anew
  EXPECT_EQ(0, sink_->Count(kEcErrorAbort));
}

TEST_F(PresenterTest, APlainDeviceThatNeedsAResetIsResetAndTheDisplayChangeSentOnce) {
  Build(true, /*plainDevice=*/true, true);
  ASSERT_FALSE(presenter_->engine()->isExtended());
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 20);
  ASSERT_TRUE(PumpUntilDrawn(2, 3000));
  const int displayChanges = sink_->Count(kEcDisplayChanged);
  losing_->nextState = D3DERR_DEVICENOTRESET;
  ASSERT_TRUE(PumpUntilDrawn(6, 5000));
  EXPECT_EQ(displayChanges + 1, sink_->Count(kEcDisplayChanged));
}

TEST_F(PresenterTest, ARemovedDeviceIsReportedAsAnAbort) {
  Build(true, false, true);
  Negotiate();
  StartStreaming(0, 1.0);
  mixer_->AddFrames(0, kFrame, 4);
  losing_->nextState = D3DERR_DEVICEREMOVED;
  presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0);
  ASSERT_EQ(1, sink_->Count(kEcErrorAbort));
  EXPECT_EQ(static_cast<LONG_PTR>(D3DERR_DEVICEREMOVED), sink_->Events().back().p1);
}

TEST_F(PresenterTest, GetCurrentImageReturnsTheShownFrameAtTheWindowSize) {
  Build();
  presenter_->engine()->SetRenderer(CreateCopyRenderer());
  renderer_ = nullptr;
  Negotiate();
  mixer_->fillColour = 0xFF20C040;
  mixer_->AddFrames(0, kFrame, 1);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  BYTE* dib = nullptr;
  DWORD size = 0;
  LONGLONG stamp = 0;
  ASSERT_EQ(S_OK, presenter_->GetCurrentImage(&header, &dib, &size, &stamp));
  EXPECT_EQ(320, header.biWidth);
  EXPECT_EQ(240, header.biHeight);
  ASSERT_EQ(320u * 240u * 4u, size);
  const auto* pixels = reinterpret_cast<const DWORD*>(dib);
  int matching = 0;
  for (int i = 0; i < 320 * 240; ++i) matching += (pixels[i] & 0xFFFFFF) == 0x20C040 ? 1 : 0;
  const DWORD centre = pixels[120 * 320 + 160];
  CoTaskMemFree(dib);
  EXPECT_GT(matching, 320 * 240 * 9 / 10) << std::hex << centre;
}

}  // namespace
}  // namespace playcore::test

namespace playcore::test {
namespace {

TEST_F(PresenterTest, GetCurrentImageOfAWindowWiderThanTheSnapshotBitmapIsNotClipped) {
  // Regression: a fixed 2500-pixel bitmap clipped wider windows and left the rest uninitialised.
  Build();
  TestWindow wide(2600, 40);
  ASSERT_EQ(S_OK, presenter_->SetVideoWindow(wide.hwnd()));
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
  ASSERT_EQ(2600, header.biWidth);
  const auto* pixels = reinterpret_cast<const DWORD*>(dib);
  const DWORD farRight = pixels[20 * 2600 + 2590] & 0xFFFFFF;
  CoTaskMemFree(dib);
  EXPECT_EQ(0x20C040u, farRight);
}

TEST_F(PresenterTest, GetCurrentImageOfAnEmptyWindowFailsWithoutAllocating) {
  Build();
  TestWindow empty(0, 0);
  ASSERT_EQ(S_OK, presenter_->SetVideoWindow(empty.hwnd()));
  BYTE* dib = reinterpret_cast<BYTE*>(1);
  EXPECT_EQ(E_FAIL, presenter_->GetCurrentImage(nullptr, &dib, nullptr, nullptr));
  EXPECT_EQ(nullptr, dib);
}

}  // namespace
}  // namespace playcore::test
