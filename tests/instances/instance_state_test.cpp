// What an instance keeps when an operation fails or runs beside another: a failed open leaves the
// previous movie's state or a cleanly closed instance.
#include "playcore/instances/hresult_error.h"
#include "playcore/instances/instance_ops.h"

#include "tests/instances/instance_test_util.h"
#include "tests/instances/mp4_bytes.h"

#include <gtest/gtest.h>

namespace playcore {
namespace {

using namespace playcore::test;

int WINAPI AnswerBox(HWND, LPCWSTR, LPCWSTR, UINT) { return IDOK; }

// Regression: a failed OpenMovie overwrote the time scale and freed the current drive data (it read
// the boxes on the data map), and after the player had been shut it kept the old play state, so that
// Play answered 1 with no player behind it.
TEST(InstanceState, FailedOpenLeavesThePreviousMovieOrACleanlyClosedInstance) {
  LiveInstances live;
  MessageBoxHook previousHook = SetMessageBoxHook(AnswerBox);
  quill::test::TempDir temp;
  const struct {
    const wchar_t* name;
    Bytes bytes;
    bool closed;  // false: everything as before the call
  } cases[] = {
      // 1 s at 20 ms a frame is not trusted and the media detector cannot open it: no movie at all.
      {L"untrusted.mp4", MovieWithStts(1000, 1000, 50, 20000), false},
      // Its time scale reads, but there is nothing to play: the previous player is gone by then.
      {L"noplay.mp4", MovieWithStts(1000, 60000, 1800, 33000), true},
  };
  sPLAYERINSTANCE* inst = &g_PlayerInstance[0];
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    std::wstring path = temp.path() + c.name;
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    inst->timeScale = 40.0f;
    inst->playState = kPlayPlaying;
    inst->dataMap.Clear();
    inst->dataMap.gpsPoints = new std::vector<sGPSPOINT>(3);
    inst->dataMap.loaded = 1;

    EXPECT_EQ(g_PlayerFuncs[0].OpenMovie(inst, path.c_str()), 0);
    ASSERT_NE(inst->dataMap.gpsPoints, nullptr);  // the drive data shown so far stays
    EXPECT_EQ(inst->dataMap.gpsPoints->size(), 3u);
    EXPECT_EQ(inst->dataMap.loaded, 1);
    EXPECT_EQ(inst->renderer.player, nullptr);
    EXPECT_FLOAT_EQ(inst->timeScale, c.closed ? 0.0f : 40.0f);
    EXPECT_EQ(inst->playState, c.closed ? kPlayClosed : kPlayPlaying);
    if (c.closed) {
      EXPECT_EQ(g_PlayerFuncs[0].Play(inst), 0);
    }
  }
  inst->playState = kPlayClosed;
  SetMessageBoxHook(previousHook);
}

}  // namespace
}  // namespace playcore
