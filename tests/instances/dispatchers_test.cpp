// The selector dispatchers over fake operation tables: which instances are called, with what, and the
// OR of their answers.
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace playcore {
namespace {

struct Call {
  int instance;
  std::string slot;
  int64_t value;
};

std::vector<Call> g_calls;
int g_answer[kPlayerCount];  // what each fake instance answers

int IndexOf(sPLAYERINSTANCE* instance) { return static_cast<int>(instance - g_PlayerInstance); }

int Record(sPLAYERINSTANCE* instance, const char* slot, int64_t value = 0) {
  g_calls.push_back({IndexOf(instance), slot, value});
  return g_answer[IndexOf(instance)];
}

int FakePlay(sPLAYERINSTANCE* i) { return Record(i, "play"); }
int FakePause(sPLAYERINSTANCE* i) { return Record(i, "pause"); }
int FakeStop(sPLAYERINSTANCE* i) { return Record(i, "stop"); }
int FakeSeek(sPLAYERINSTANCE* i, int64_t p) { return Record(i, "seek", p); }
int FakeSetPosition(sPLAYERINSTANCE* i, int64_t p) { return Record(i, "setposition", p); }
int FakeVolume(sPLAYERINSTANCE* i, int32_t v) { return Record(i, "volume", v); }
int FakeRate(sPLAYERINSTANCE* i, int32_t c) { return Record(i, "rate", c); }
int FakeOpenData(sPLAYERINSTANCE* i, const wchar_t* path) { return Record(i, "opendata", wcslen(path)); }
int FakeCloseData(sPLAYERINSTANCE* i) { return Record(i, "closedata"); }
int FakeCloseMovie(sPLAYERINSTANCE* i) { return Record(i, "closemovie"); }
int FakeProbe(sPLAYERINSTANCE* i, const wchar_t*) { return Record(i, "probe"); }
int FakeRepaint(sPLAYERINSTANCE* i) { return Record(i, "repaint"); }
float FakeTimeScale(sPLAYERINSTANCE* i) {
  Record(i, "timescale");
  return i->timeScale;
}
int FakeZoom(sPLAYERINSTANCE* i, int32_t cx, int32_t cy, int32_t px, int32_t py, float zoom, int32_t layout) {
  return Record(i, "zoom", ((((cx * 10 + cy) * 10 + px) * 10 + py) * 10 + static_cast<int>(zoom)) * 10 + layout);
}

class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_calls.clear();
    for (int i = 0; i < kPlayerCount; ++i) {
      ClearInstanceRecord(&g_PlayerInstance[i]);
      PlayerInstance::FillFuncs(&g_PlayerFuncs[i]);
      sPLAYERFUNCS& f = g_PlayerFuncs[i];
      f.Play = FakePlay;
      f.Pause = FakePause;
      f.Stop = FakeStop;
      f.Seek = FakeSeek;
      f.SetPosition = FakeSetPosition;
      f.SetVolume = FakeVolume;
      f.SetRate = FakeRate;
      f.OpenDataFile = FakeOpenData;
      f.CloseDataFile = FakeCloseData;
      f.CloseMovie = FakeCloseMovie;
      f.ProbeFile = FakeProbe;
      f.Repaint = FakeRepaint;
      f.GetTimeScale = FakeTimeScale;
      f.SetZoom = FakeZoom;
      g_answer[i] = 1;
    }
  }
  void TearDown() override {
    for (int i = 0; i < kPlayerCount; ++i) ClearInstanceRecord(&g_PlayerInstance[i]);
  }
  static void Activate(int i, float timeScale = 0.0f, int movieOpen = 0) {
    g_PlayerInstance[i].active = 1;
    g_PlayerInstance[i].timeScale = timeScale;
    g_PlayerInstance[i].movieOpen = movieOpen;
  }
};

// Selector 2 calls every active instance, whatever the first answered, and answers the OR; 0 and 1
// call that instance only; others are refused.
TEST_F(DispatcherTest, SelectorsCallTheirInstancesAndAnswerTheOr) {
  const struct {
    bool active1;
    int selector, a0, a1, expected;
    std::vector<int> called;
  } cases[] = {
      {false, kSelectorAll, 0, 1, 0, {0}}, {false, kSelectorAll, 1, 1, 1, {0}},
      {true, kSelectorAll, 0, 0, 0, {0, 1}}, {true, kSelectorAll, 1, 0, 1, {0, 1}},
      {true, kSelectorAll, 0, 1, 1, {0, 1}}, {true, 1, 0, 1, 1, {1}},
      {true, 3, 1, 1, 0, {}},                {true, -1, 1, 1, 0, {}},
  };
  for (const auto& c : cases) {
    SetUp();
    Activate(0);
    if (c.active1) Activate(1);
    g_answer[0] = c.a0;
    g_answer[1] = c.a1;
    EXPECT_EQ(PlayerCall_Play(c.selector), c.expected) << c.selector;
    std::vector<int> called;
    for (const Call& call : g_calls) called.push_back(call.instance);
    EXPECT_EQ(called, c.called) << c.selector << " " << c.active1;
  }
}

TEST_F(DispatcherTest, SeekScalesThePositionIntoEachInstancesTimeScale) {
  const struct {
    float ts0, ts1;
    int open0, open1;
    int32_t position;
    int64_t expect0, expect1;
  } cases[] = {
      {1.0f, 3.0f, 1, 1, 600, 600, 200},
      {33.0f, 66.0f, 1, 1, 301, 301, 150},  // truncated, not rounded
      {3.0f, 1.0f, 1, 1, 600, 600, 1800},
      // A time scale of 0 on either instance gives factor 1, not an infinite position.
      {33.0f, 0.0f, 1, 1, 600, 600, 600},
      {0.0f, 33.0f, 1, 1, 600, 600, 600},
      // Scaling only when both movies are open.
      {1.0f, 3.0f, 1, 0, 600, 600, 600},
  };
  for (const auto& c : cases) {
    g_calls.clear();
    Activate(0, c.ts0, c.open0);
    Activate(1, c.ts1, c.open1);
    EXPECT_EQ(PlayerCall_Seek(kSelectorAll, c.position), 1);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].value, c.expect0) << c.ts0 << "/" << c.ts1;
    EXPECT_EQ(g_calls[1].value, c.expect1) << c.ts0 << "/" << c.ts1;
    g_calls.clear();
    EXPECT_EQ(PlayerCall_SetPosition(1, c.position), 1);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].slot, "setposition");
    EXPECT_EQ(g_calls[0].value, c.expect1);
  }
}

TEST_F(DispatcherTest, VolumeGoesToTheDataSourceInstanceAndZeroToTheOther) {
  Activate(0);
  Activate(1);
  g_PlayerInstance[1].dataSource = 1;
  EXPECT_EQ(PlayerCall_SetVolume(kSelectorAll, 40000), 1);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[0].instance, 0);
  EXPECT_EQ(g_calls[0].value, 0);
  EXPECT_EQ(g_calls[1].instance, 1);
  EXPECT_EQ(g_calls[1].value, 40000);

  g_calls.clear();
  g_PlayerInstance[0].dataSource = 1;  // instance 0's word wins when set
  PlayerCall_SetVolume(kSelectorAll, 500);
  EXPECT_EQ(g_calls[0].value, 500);
  EXPECT_EQ(g_calls[1].value, 0);

  g_calls.clear();
  PlayerCall_SetVolume(1, 700);
  EXPECT_EQ(g_calls[0].value, 0);
  EXPECT_EQ(g_calls[1].value, 700);

  // An inactive instance is skipped.
  g_calls.clear();
  g_PlayerInstance[0].active = 0;
  EXPECT_EQ(PlayerCall_SetVolume(0, 1000), 1);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].instance, 1);
  EXPECT_EQ(g_calls[0].value, 0);
}

TEST_F(DispatcherTest, OpenDataFileStopsAtTheFirstInstanceThatAnswers) {
  Activate(0, 33.0f, 1);
  Activate(1, 33.0f, 1);
  EXPECT_EQ(PlayerCall_OpenDataFile(L"main", L"rear"), 1);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].instance, 0);
  EXPECT_EQ(g_PlayerInstance[0].dataSource, 1);
  EXPECT_EQ(DataSourceIndex(), 0);

  // A second call whose first instance fails makes instance 1 the data source.
  g_calls.clear();
  g_answer[0] = 0;
  EXPECT_EQ(PlayerCall_OpenDataFile(L"main", L"rear"), 1);
  ASSERT_EQ(g_calls.size(), 2u);
  EXPECT_EQ(g_calls[1].value, 4);  // "rear"
  EXPECT_EQ(g_PlayerInstance[1].dataSource, 1);
  EXPECT_EQ(g_PlayerInstance[0].dataSource, 0);
  EXPECT_EQ(DataSourceIndex(), 1);
}

TEST_F(DispatcherTest, OpenDataFileSkipsInstancesWithoutAMovieAndRefusesOverlongPaths) {
  Activate(0, 33.0f, 0);
  Activate(1, 33.0f, 1);
  EXPECT_EQ(PlayerCall_OpenDataFile(nullptr, L"rear"), 1);
  ASSERT_EQ(g_calls.size(), 1u);
  EXPECT_EQ(g_calls[0].instance, 1);

  g_calls.clear();
  std::wstring tooLong(kPlayerPathLength, L'x');
  EXPECT_EQ(PlayerCall_OpenDataFile(L"main", tooLong.c_str()), 0);
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(DispatcherTest, CloseDispatchersClearTheDataSourceAndMovieOpenWords) {
  Activate(0, 33.0f, 1);
  Activate(1, 33.0f, 1);
  g_PlayerInstance[0].dataSource = 1;
  g_answer[0] = 0;
  g_answer[1] = 0;
  EXPECT_EQ(PlayerCall_CloseMovieAll(), 0);
  for (int i = 0; i < kPlayerCount; ++i) {
    EXPECT_EQ(g_PlayerInstance[i].dataSource, 0);
    EXPECT_EQ(g_PlayerInstance[i].movieOpen, 0);
  }
  Activate(0, 33.0f, 1);
  g_PlayerInstance[0].dataSource = 1;
  g_answer[0] = 1;
  EXPECT_EQ(PlayerCall_CloseDataFileAll(), 1);
  EXPECT_EQ(g_PlayerInstance[0].dataSource, 0);
  EXPECT_EQ(g_PlayerInstance[0].movieOpen, 0);
}

TEST_F(DispatcherTest, TimeScaleOfSelectorTwoComesFromTheDataSourceWhenActive) {
  Activate(0, 33.0f);
  Activate(1, 66.0f);
  g_PlayerInstance[1].dataSource = 1;
  EXPECT_FLOAT_EQ(PlayerCall_GetTimeScale(kSelectorAll), 66.0f);
  EXPECT_FLOAT_EQ(PlayerCall_GetTimeScale(0), 33.0f);
  g_PlayerInstance[1].active = 0;
  EXPECT_FLOAT_EQ(PlayerCall_GetTimeScale(kSelectorAll), 0.0f);
}

TEST_F(DispatcherTest, RateRepaintProbeAndZoomReachOnlyActiveInstances) {
  Activate(1);
  EXPECT_EQ(PlayerCall_SetRate(2), 1);
  EXPECT_EQ(PlayerCall_Repaint(0), 0);  // instance 0 is not active: not called
  EXPECT_EQ(PlayerCall_Repaint(kSelectorAll), 1);
  EXPECT_EQ(PlayerCall_ProbeFile(L"x"), 1);
  sZOOMBLOCK blocks[kPlayerCount] = {};
  blocks[1].word[2] = 1;
  blocks[1].word[3] = 2;
  blocks[1].word[6] = 3;
  blocks[1].word[7] = 4;
  blocks[1].zoom = 5.0f;
  EXPECT_EQ(PlayerCall_SetZoom(blocks, 1), 1);
  ASSERT_EQ(g_calls.size(), 4u);
  for (const Call& c : g_calls) EXPECT_EQ(c.instance, 1);
  EXPECT_EQ(g_calls[0].value, 2);
  EXPECT_EQ(g_calls[3].value, 123451);
}

}  // namespace
}  // namespace playcore
