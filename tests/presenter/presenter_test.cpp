// The presenter's interfaces against fakes of the EVR side: messages, service lookup, negotiation,
// rate support and display control.
#include <cfloat>
#include <mferror.h>

#include "tests/presenter/presenter_fixture.h"

namespace playcore::test {
namespace {

TEST_F(PresenterTest, RefusesUnknownMessagesAndEveryMessageAfterReleasingItsServices) {
  Build();
  EXPECT_EQ(E_INVALIDARG, presenter_->ProcessMessage(static_cast<MFVP_MESSAGE_TYPE>(8), 0));
  ASSERT_EQ(S_OK, presenter_->ReleaseServicePointers());
  for (int m = 0; m <= 8; ++m) {
    EXPECT_EQ(MF_E_SHUTDOWN, presenter_->ProcessMessage(static_cast<MFVP_MESSAGE_TYPE>(m), 0)) << m;
  }
  IMFVideoMediaType* type = nullptr;
  EXPECT_EQ(MF_E_SHUTDOWN, presenter_->GetCurrentMediaType(&type));
  EXPECT_EQ(MF_E_SHUTDOWN, presenter_->RepaintVideo());
  // Regression: the slowest rate answered S_OK without writing it.
  float rate = 5.0f;
  EXPECT_EQ(MF_E_SHUTDOWN, presenter_->GetSlowestRate(MFRATE_FORWARD, FALSE, &rate));
  EXPECT_EQ(MF_E_SHUTDOWN, presenter_->GetFastestRate(MFRATE_FORWARD, FALSE, &rate));
  EXPECT_EQ(5.0f, rate);
}

TEST_F(PresenterTest, AnswersTheDeviceManagerThroughBothRenderServices) {
  Build();
  for (const GUID* service : {&MR_VIDEO_RENDER_SERVICE, &MR_VIDEO_ACCELERATION_SERVICE}) {
    ComPtr<IDirect3DDeviceManager9> manager;
    EXPECT_EQ(S_OK, presenter_->GetService(*service, __uuidof(IDirect3DDeviceManager9),
                                           manager.putVoid()));
    EXPECT_TRUE(manager);
  }
  ComPtr<IMFVideoDisplayControl> display;
  EXPECT_EQ(S_OK, presenter_->GetService(MR_VIDEO_RENDER_SERVICE, __uuidof(IMFVideoDisplayControl),
                                         display.putVoid()));
  void* p = nullptr;
  EXPECT_EQ(MF_E_UNSUPPORTED_SERVICE,
            presenter_->GetService(MR_VIDEO_MIXER_SERVICE, __uuidof(IMFTransform), &p));
  IID id = IID_NULL;
  EXPECT_EQ(S_OK, presenter_->GetDeviceID(&id));
  EXPECT_TRUE(IsEqualIID(id, __uuidof(IDirect3DDevice9)));
}

TEST_F(PresenterTest, AcceptsAMissingClockAsWinesFirstLookupHasNone) {
  Build(/*withClock=*/false);
  Negotiate();
  ASSERT_EQ(S_OK, presenter_->OnClockStart(0, 0));
  mixer_->AddFrames(0, kFrame, 1);
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_TRUE(renderer_->WaitForFrames(1));  // shown at once without a clock
}

TEST_F(PresenterTest, NegotiatesTheFirstUncompressedProgressiveTypeTheDeviceTakes) {
  mixer_->offered.clear();
  mixer_->offered.push_back(MakeVideoType(MFVideoFormat_H264, 64, 64, 2, true));
  mixer_->offered.push_back(
      MakeVideoType(MFVideoFormat_RGB32, 64, 64, MFVideoInterlace_FieldInterleavedUpperFirst, false));
  GUID unknown = MFVideoFormat_RGB32;
  unknown.Data1 = MAKEFOURCC('Q', 'Z', 'X', 'W');
  mixer_->offered.push_back(MakeVideoType(unknown, 64, 64, 2, false));
  mixer_->offered.push_back(MakeVideoType(MFVideoFormat_RGB32, 96, 64, 2, false));
  Build();
  Negotiate();
  EXPECT_EQ(1, mixer_->finalSets.load());
  ComPtr<IMFVideoMediaType> type;
  ASSERT_EQ(S_OK, presenter_->GetCurrentMediaType(type.put()));
  struct Expect {
    const GUID* key;
    UINT32 value;
  } const expected[] = {{&MF_MT_YUV_MATRIX, 1},         {&MF_MT_TRANSFER_FUNCTION, 5},
                        {&MF_MT_VIDEO_PRIMARIES, 2},    {&MF_MT_VIDEO_NOMINAL_RANGE, 2},
                        {&MF_MT_VIDEO_LIGHTING, 3},     {&MF_MT_PAN_SCAN_ENABLED, 0}};
  for (const auto& e : expected) EXPECT_EQ(e.value, MFGetAttributeUINT32(type.get(), *e.key, 99));
  UINT32 a = 0, b = 0;
  MFGetAttributeRatio(type.get(), MF_MT_PIXEL_ASPECT_RATIO, &a, &b);
  EXPECT_EQ(1u, a);
  EXPECT_EQ(1u, b);
  MFGetAttributeSize(type.get(), MF_MT_FRAME_SIZE, &a, &b);
  EXPECT_EQ(96u, a);
  EXPECT_EQ(64u, b);
  for (const GUID* key : {&MF_MT_GEOMETRIC_APERTURE, &MF_MT_PAN_SCAN_APERTURE,
                          &MF_MT_MINIMUM_DISPLAY_APERTURE}) {
    MFVideoArea area = {};
    UINT32 size = 0;
    ASSERT_EQ(S_OK, type->GetBlob(*key, reinterpret_cast<UINT8*>(&area), sizeof(area), &size));
    EXPECT_EQ(96, area.Area.cx);
    EXPECT_EQ(64, area.Area.cy);
  }
  EXPECT_EQ(2u, presenter_->pooledFreeCount());
}

TEST_F(PresenterTest, AMixerRefusingTheFinalSetLeavesNoTypeAndNoSamples) {
  mixer_->finalSetResult = MF_E_INVALIDMEDIATYPE;
  Build();
  EXPECT_EQ(MF_E_NO_MORE_TYPES, presenter_->ProcessMessage(MFVP_MESSAGE_INVALIDATEMEDIATYPE, 0));
  IMFVideoMediaType* type = nullptr;
  EXPECT_EQ(MF_E_NOT_INITIALIZED, presenter_->GetCurrentMediaType(&type));
  EXPECT_EQ(0u, presenter_->pooledFreeCount());
  EXPECT_EQ(MF_E_TRANSFORM_TYPE_NOT_SET,
            presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
}

TEST_F(PresenterTest, NegotiatesOnInputWhenItHasNoTypeAsWineAsksOnlyOnce) {
  Build();
  // No INVALIDATEMEDIATYPE: the first input notification negotiates.
  mixer_->AddFrames(0, kFrame, 1);
  EXPECT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_PROCESSINPUTNOTIFY, 0));
  EXPECT_EQ(1, mixer_->finalSets.load());
  EXPECT_TRUE(renderer_->WaitForFrames(1));
}

TEST(PresenterRates, TheFastestRateIsOneFramePerDisplayRefreshUnlessThinned) {
  struct Case {
    BOOL thin;
    UINT32 num, den;
    UINT refresh;
    float expected;
  } const cases[] = {
      {FALSE, 30, 1, 60, 2.0f},       {FALSE, 30000, 1001, 60, 2.0f}, {FALSE, 15, 1, 60, 4.0f},
      {TRUE, 30, 1, 60, FLT_MAX},     {FALSE, 30, 1, 0, FLT_MAX},     {FALSE, 0, 1, 60, FLT_MAX},
      {FALSE, 30, 0, 60, FLT_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, MaxPlaybackRate(c.thin, c.num, c.den, c.refresh))
        << c.num << "/" << c.den << " at " << c.refresh << " Hz";
  }
}

TEST_F(PresenterTest, NativeSizeIsZeroBeforeATypeAndThenReducedByTheGcd) {
  // Regression: the aspect ratio was reduced by gcd(0, 0).
  Build();
  SIZE size = {1, 1};
  SIZE aspect = {1, 1};
  EXPECT_EQ(S_OK, presenter_->GetNativeVideoSize(&size, &aspect));
  EXPECT_EQ(0, size.cx);
  EXPECT_EQ(0, aspect.cx);
  EXPECT_EQ(0, aspect.cy);
  EXPECT_EQ(S_OK, presenter_->GetNativeVideoSize(nullptr, &aspect));
  EXPECT_EQ(S_OK, presenter_->GetNativeVideoSize(&size, nullptr));
  mixer_->offered.clear();
  mixer_->offered.push_back(MakeVideoType(MFVideoFormat_RGB32, 1920, 1080, 2, false));
  Negotiate();
  EXPECT_EQ(S_OK, presenter_->GetNativeVideoSize(&size, &aspect));
  EXPECT_EQ(1920, size.cx);
  EXPECT_EQ(1080, size.cy);
  EXPECT_EQ(16, aspect.cx);
  EXPECT_EQ(9, aspect.cy);
}

TEST_F(PresenterTest, SetVideoPositionValidatesAndRenegotiatesOnlyForANewDestination) {
  Build();
  Negotiate();
  MFVideoNormalizedRect bad = {0.0f, 0.0f, 1.5f, 1.0f};
  EXPECT_EQ(E_INVALIDARG, presenter_->SetVideoPosition(&bad, nullptr));
  EXPECT_EQ(E_POINTER, presenter_->SetVideoPosition(nullptr, nullptr));
  RECT inverted = {10, 10, 5, 20};
  EXPECT_EQ(E_INVALIDARG, presenter_->SetVideoPosition(nullptr, &inverted));
  MFVideoNormalizedRect source = {};
  RECT dest = {};
  ASSERT_EQ(S_OK, presenter_->GetVideoPosition(&source, &dest));
  EXPECT_EQ(1.0f, source.right);  // the bad rectangle changed nothing
  const int sets = mixer_->finalSets.load();
  const int calls = mixer_->processCalls.load();
  RECT newDest = {0, 0, 320, 240};
  ASSERT_EQ(S_OK, presenter_->SetVideoPosition(nullptr, &newDest));
  EXPECT_EQ(sets + 1, mixer_->finalSets.load());
  EXPECT_EQ(calls + 1, mixer_->processCalls.load());
  ASSERT_EQ(S_OK, presenter_->GetVideoPosition(&source, &dest));
  EXPECT_TRUE(EqualRect(&dest, &newDest));
  ASSERT_EQ(S_OK, presenter_->SetVideoPosition(nullptr, &newDest));
  EXPECT_EQ(sets + 1, mixer_->finalSets.load());
  MFVideoNormalizedRect half = {0.0f, 0.0f, 0.5f, 1.0f};
  ASSERT_EQ(S_OK, presenter_->SetVideoPosition(&half, nullptr));
  MFVideoNormalizedRect zoom = {};
  UINT32 got = 0;
  ASSERT_EQ(S_OK, mixer_->attributes()->GetBlob(VIDEO_ZOOM_RECT, reinterpret_cast<UINT8*>(&zoom),
                                                sizeof(zoom), &got));
  EXPECT_EQ(0.5f, zoom.right);
}

TEST_F(PresenterTest, AStepWhileStoppedOnlyRecordsTheCountUntilTheClockStarts) {
  Build();
  Negotiate();
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_STEP, 3));
  EXPECT_EQ(kStepRequested, presenter_->frameStepState());
  EXPECT_EQ(0, mixer_->processCalls.load());
  ASSERT_EQ(S_OK, presenter_->ProcessMessage(MFVP_MESSAGE_CANCELSTEP, 0));
  EXPECT_EQ(kStepIdle, presenter_->frameStepState());
  ASSERT_EQ(1, sink_->Count(kEcStepComplete));
  EXPECT_EQ(TRUE, sink_->Events().back().p1);  // cancelled
}

}  // namespace
}  // namespace playcore::test
