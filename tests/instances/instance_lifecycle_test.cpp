// Init and Release through the real operation table, the slots on instances that are not active,
// the words the slots keep without a player, and handle counts over Init/Release cycles.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"

#include "tests/instances/instance_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace playcore {
namespace {

using test::LiveInstances;

sPLAYERINSTANCE* I0() { return &g_PlayerInstance[0]; }
sPLAYERFUNCS& F0() { return g_PlayerFuncs[0]; }

TEST(InstanceLifecycle, InitMakesTheMutexesAndFontAndReleaseLeavesNullHandles) {
  LiveInstances live;
  sPLAYERINSTANCE* inst = I0();
  EXPECT_EQ(inst->active, 1);
  EXPECT_NE(inst->instanceMutex, nullptr);
  EXPECT_NE(inst->dataMutex, nullptr);
  EXPECT_NE(inst->overlayFont, nullptr);
  EXPECT_NE(inst->dataMap.mutex, nullptr);
  EXPECT_NE(inst->preloadMap.mutex, nullptr);
  EXPECT_EQ(inst->loadMap.mutex, nullptr);
  EXPECT_EQ(inst->speedCode, 1);
  EXPECT_EQ(inst->playState, kPlayClosed);

  EXPECT_EQ(F0().Release(inst), 1);
  EXPECT_EQ(inst->active, 0);
  EXPECT_EQ(inst->instanceMutex, nullptr);
  EXPECT_EQ(inst->dataMutex, nullptr);
  EXPECT_EQ(inst->overlayFont, nullptr);
  EXPECT_EQ(inst->dataMap.mutex, nullptr);
  EXPECT_EQ(inst->preloadMap.mutex, nullptr);
  EXPECT_EQ(F0().Release(inst), 1);  // twice is harmless
}

TEST(InstanceLifecycle, OverlayFaceNameIsCutToWhatLogfontHolds) {
  LiveInstances live;
  std::wstring longName(40, L'F');
  ASSERT_EQ(F0().Init(I0(), nullptr, longName.c_str()), 1);
  LOGFONTW font = {};
  ASSERT_NE(GetObjectW(I0()->overlayFont, sizeof font, &font), 0);
  EXPECT_EQ(std::wstring(font.lfFaceName), std::wstring(31, L'F'));
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_LT(font.lfHeight, 0);
}

// Regression: selectors 0 and 1 are not tested for active by the dispatchers; the slots themselves
// must refuse an instance that was never initialised or was released (its handles are gone).
TEST(InstanceLifecycle, SlotsOnAnInstanceThatIsNotActiveAnswerZeroAndTouchNothing) {
  for (int released = 0; released < 2; ++released) {
    LiveInstances live;
    if (released) {
      F0().Release(I0());
    } else {
      F0().Release(I0());
      ClearInstanceRecord(I0());  // as before Init
    }
    sPLAYERINSTANCE* inst = I0();
    EXPECT_EQ(PlayerCall_Play(0), 0);
    EXPECT_EQ(PlayerCall_Pause(0), 0);
    EXPECT_EQ(PlayerCall_Stop(0), 0);
    EXPECT_EQ(PlayerCall_Seek(0, 100), 0);
    EXPECT_EQ(PlayerCall_SetPosition(0, 100), 0);
    EXPECT_FLOAT_EQ(PlayerCall_GetTimeScale(0), 0.0f);
    EXPECT_EQ(F0().OpenMovie(inst, L"Z:\\nothing.mp4"), 0);
    EXPECT_EQ(F0().CloseMovie(inst), 0);
    EXPECT_EQ(F0().OpenDataFile(inst, L"Z:\\nothing.mp4"), 0);
    EXPECT_EQ(F0().CloseDataFile(inst), 0);
    EXPECT_EQ(F0().ProbeFile(inst, L"Z:\\nothing.mp4"), 0);
    EXPECT_EQ(F0().SetRate(inst, 2), 0);
    EXPECT_EQ(F0().SetVolume(inst, 100), 0);
    EXPECT_EQ(F0().SetOption1(inst, 5), 0);
    EXPECT_EQ(F0().GetPosition(inst), 0);
    EXPECT_EQ(F0().Repaint(inst), 0);
    EXPECT_EQ(PlayerInstance::SwitchDataFile(L"Z:\\nothing.mp4", nullptr), 0);
    EXPECT_EQ(inst->speedCode, released ? 1 : 0);
    EXPECT_EQ(inst->volume, 0);
    EXPECT_EQ(inst->option1, 0);
  }
}

TEST(InstanceLifecycle, SlotsWithoutAPlayerKeepTheirWordsAndAnswerZeroForThePlayersPart) {
  LiveInstances live;
  sPLAYERINSTANCE* inst = I0();
  // SetRate stores the code through the -1 toggle even though no player takes the rate yet.
  EXPECT_EQ(F0().SetRate(inst, -1), 0);
  EXPECT_EQ(inst->speedCode, -2);
  F0().SetRate(inst, -1);
  EXPECT_EQ(inst->speedCode, 1);
  EXPECT_EQ(F0().SetVolume(inst, 70000), 0);
  EXPECT_EQ(inst->volume, 65535);
  EXPECT_EQ(F0().SetOption1(inst, 7), 1);
  EXPECT_EQ(inst->option1, 7);
  EXPECT_EQ(F0().SetHwDecode(inst, 1), 1);
  EXPECT_EQ(inst->hwDecode, 1);
  EXPECT_EQ(F0().NoOperation15(inst), 0);
  EXPECT_EQ(F0().NoOperation17(inst), 0);
  EXPECT_EQ(F0().GetZero(inst), 0);
  EXPECT_EQ(F0().GetDuration(inst), 0);
  EXPECT_EQ(F0().Play(inst), 0);
  EXPECT_EQ(inst->playState, kPlayClosed);
  EXPECT_EQ(F0().CloseMovie(inst), 1);
  EXPECT_EQ(F0().SetStepMode(inst, 1), 0);  // no time scale yet
  int32_t w = -1, h = -1;
  EXPECT_EQ(F0().GetNativeSize(inst, &w, &h), 0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST(InstanceLifecycle, SpeedStepFollowsTheInstancesPathAndAnswersOneWhenNotPlaying) {
  LiveInstances live;
  sPLAYERINSTANCE* inst = I0();
  inst->speedCode = 4;
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), 1);  // not playing
  inst->playState = kPlayPlaying;
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), 2);
  inst->speedCode = 1;
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), -1);  // DirectShow path (no player)
  inst->speedCode = -2;
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), -4);
  // The Media Foundation path is the one with a player; only the pointer's presence is read.
  alignas(8) static char fakePlayer[8];
  inst->renderer.player = reinterpret_cast<CPlayer*>(fakePlayer);
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), -2);
  inst->speedCode = 1;
  EXPECT_EQ(PlayerInstance::SpeedStep(inst, 0), -1);
  inst->renderer.player = nullptr;
  inst->playState = kPlayClosed;
}

TEST(InstanceLifecycle, InitAndReleaseCyclesLeakNoHandlesOrGdiObjects) {
  DWORD before = 0;
  // Under Wine the count comes from a walk of the handle table (GetProcessHandleCount answers 0).
  ASSERT_TRUE(test::HandleCountingWorks());
  {
    LiveInstances warmUp;  // first use loads what stays loaded
  }
  test::ProcessHandleCount(&before);
  DWORD gdiBefore = test::GdiObjectCount();
  for (int round = 0; round < 20; ++round) {
    LiveInstances live;
    F0().Init(I0(), nullptr, L"MS Gothic");  // Init over Init releases first
    F0().Release(I0());
    F0().Release(I0());
  }
  DWORD after = 0;
  ASSERT_TRUE(test::ProcessHandleCount(&after));
  EXPECT_EQ(after, before);
  EXPECT_EQ(test::GdiObjectCount(), gdiBefore);
}

}  // namespace
}  // namespace playcore
