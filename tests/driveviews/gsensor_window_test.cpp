// The G-sensor graph window in a host window: what it paints for a generated recording's events and
// for a highlight run (pixels of a memory DC the window paints into), the step widths without data,
// and the click messages.
#include "tavrin/driveviews/gsensor_dlg.h"

#include "platform/framework/private_messages.h"
#include "playcore/recorder/file_map.h"
#include "tests/driveviews/view_host.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

namespace {

using namespace quill::test;
using namespace quill::driveviews;
using playcore::sEVENTRECORD;

constexpr int kGraphWidth = 732;
constexpr int kGraphHeight = 110;
constexpr COLORREF kCanvasFill = RGB(0x12, 0x34, 0x56);

int Red(COLORREF c) { return GetRValue(c); }
int Green(COLORREF c) { return GetGValue(c); }
int Blue(COLORREF c) { return GetBValue(c); }

class GraphWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(graph.Create(CGSensorDlg::kTemplateId, &Host()));
    graph.MoveWindow(0, 0, kGraphWidth, kGraphHeight);
    graph.ShowWindow(SW_SHOW);
    ASSERT_EQ(graph.BackgroundHeight(), 80);
    graph.m_pOffScreen = &Host().surface;
    graph.m_nLeftMargin = CGSensorDlg::kLeftMargin;
    graph.m_nTileStep = graph.BackgroundWidth() - CGSensorDlg::kLeftMargin;
    graph.m_nGraphFlag = 1;
  }
  void TearDown() override { graph.DestroyWindow(); }

  // The window paints into the canvas as into its own DC.
  void Paint(PixelCanvas& canvas) { graph.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0); }

  GraphPassInput ExpectedPass(std::vector<sEVENTRECORD>* copy, std::vector<sEVENTRECORD*>* table) {
    table->clear();
    for (sEVENTRECORD* p : source.table) table->push_back(p ? &(*copy)[p - source.records.data()] : nullptr);
    GraphPassInput in;
    in.sequence.records = copy;
    in.sequence.table = table;
    in.stepWidth = graph.GetStepWidth();
    in.cursor = graph.m_nCursor;
    in.leftMargin = graph.m_nLeftMargin;
    in.plotWidth = kGraphWidth - graph.m_nLeftMargin;
    in.bands = BandsForHeight(80);
    in.flags = graph.m_channels;
    return in;
  }

  FakeGraphSource source;
  CGSensorDlg graph{&source};
};

TEST_F(GraphWindow, WithoutDataOnlyTheBackgroundAndTheCursorAreDrawn) {
  source.active = false;
  graph.m_nStepCount = 100;
  graph.m_nCursor = 50;
  PixelCanvas canvas(kGraphWidth, kGraphHeight, kCanvasFill);
  Paint(canvas);
  const int x = 50 + 50 * 682 / 100;
  EXPECT_EQ(canvas.At(x, 3), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(x, kGraphHeight - 1), RGB(255, 255, 255));
  EXPECT_NE(canvas.At(x - 1, 3), RGB(255, 255, 255));
  // The background's band line of the first band, and black below the picture.
  EXPECT_LE(ColourDistance(canvas.At(200, 15), RGB(0x1d, 0x4a, 0x2a)), 4);
  EXPECT_EQ(canvas.At(200, 100), RGB(0, 0, 0));
}

TEST_F(GraphWindow, StepWidthsAreZeroWithoutAnInstanceATableOrAClientArea) {
  source.records.resize(10);
  source.LinkPositions(6);
  const struct {
    const char* name;
    bool active, records, table;
    int width;
    double step, recordStep;
  } cases[] = {
      {"all there", true, true, true, kGraphWidth, 682.0 / 60, 682.0 / 10 / 6},
      {"instance not active", false, true, true, kGraphWidth, 0.0, 0.0},
      {"no table", true, true, false, kGraphWidth, 0.0, 682.0 / 10 / 6},
      {"empty client area", true, true, true, 0, 0.0, 0.0},
  };
  for (const auto& c : cases) {
    source.active = c.active;
    source.hasRecords = c.records;
    source.hasTable = c.table;
    graph.MoveWindow(0, 0, c.width, kGraphHeight);
    EXPECT_LE(graph.GetStepWidth(), c.step) << c.name;  // never rounded up
    EXPECT_NEAR(graph.GetStepWidth(), c.step, 1e-6) << c.name;
    EXPECT_NEAR(graph.GetRecordStepWidth(), c.recordStep, 1e-9) << c.name;
    PixelCanvas canvas(kGraphWidth, kGraphHeight, kCanvasFill);
    Paint(canvas);  // must not divide by a zero width
  }
  EXPECT_EQ(source.depth, 0);
}

TEST_F(GraphWindow, ClicksPostExactlyOneMessageToTheParent) {
  const struct {
    UINT button;
    UINT message;
  } cases[] = {{WM_LBUTTONUP, quill::msg::kGraphPreviousEvent}, {WM_RBUTTONUP, quill::msg::kGraphNextEvent}};
  Host().TakePosted();
  for (const auto& c : cases) {
    graph.PostMessage(c.button, 0, MAKELPARAM(100, 30));
    const std::vector<Posted> posted = Host().TakePosted();
    ASSERT_EQ(posted.size(), 1u) << c.message;
    EXPECT_EQ(posted[0], (Posted{c.message, 0, 0}));
  }
}

TEST_F(GraphWindow, AHighlightRunLaysARedStripBetweenItsSteps) {
  source.records.resize(10);
  for (int i = 0; i < 10; ++i) source.records[i].recordNumber = i;
  for (int i = 3; i <= 6; ++i) source.records[i].reserved1 = 8;
  source.LinkPositions(6);
  graph.m_nStepCount = 60;
  PixelCanvas canvas(kGraphWidth, kGraphHeight, kCanvasFill);
  Paint(canvas);
  const double w = 682.0 / 60;
  const int top = HighlightTop(kGraphHeight);
  const int inRun = 50 + static_cast<int>(25 * w) + 3;   // position 25: record 4
  const int beforeRun = 50 + static_cast<int>(5 * w) + 3;
  EXPECT_GE(Red(canvas.At(inRun, top + 10)), 0x40);
  EXPECT_EQ(Green(canvas.At(inRun, top + 10)), 0);
  EXPECT_EQ(canvas.At(beforeRun, top + 10), RGB(0, 0, 0));
  // The run's start (position 18) is marked "#" with a white line from the bottom to the top.
  const int start = 50 + static_cast<int>(18 * w);
  EXPECT_EQ(canvas.At(start, 2), RGB(255, 255, 255));
}

// Category 11 is a picture, drawn masked one pixel right of its line, four rows below the base.
TEST_F(GraphWindow, TheAssistMarkIsDrawnAsItsPicture) {
  source.records.resize(10);
  for (int i = 0; i < 10; ++i) source.records[i].recordNumber = i;
  source.records[4].type = 11;
  source.LinkPositions(6);
  graph.m_nStepCount = 60;
  PixelCanvas canvas(kGraphWidth, kGraphHeight, kCanvasFill);
  Paint(canvas);
  const int x = 50 + static_cast<int>(24 * (682.0 / 60));
  const int row = 80 - 5 + 4 * MarkRowStep(1.0);
  EXPECT_EQ(Red(canvas.At(x, 2)), 0xFF);  // the line in the category's colour, merged
  EXPECT_EQ(Green(canvas.At(x, 2)), 0xFF);
  EXPECT_EQ(canvas.At(x + 1 + 4, row + 4), RGB(0xFF, 0xFF, 0x00));  // the picture's middle
  EXPECT_EQ(canvas.At(x + 1, row), RGB(0, 0, 0));                   // its white corner left out
}

// The recording with two Z-axis shocks and a manual mark, through the per-position pass as the
// player builds it.
TEST_F(GraphWindow, AGeneratedRecordingsEventsArePaintedWhereThePassPutsThem) {
  const std::wstring dir = RecordingsDir();
  if (dir.empty()) GTEST_SKIP() << "QUILL_RECORDINGS not set";
  playcore::ScopedFileMap map;
  ASSERT_EQ(map->Load((dir + L"card\\20240315_001\\004_093200M_M.MP4").c_str()), 1);
  map->timeScale = 1000.0f / 30;  // 30 frames a second, 60 positions
  ASSERT_EQ(map->BuildPositionTable(60), 1);
  source.records = *map->events;
  source.table.clear();
  for (sEVENTRECORD* p : *map->positionTable) {
    source.table.push_back(p ? &source.records[p - map->events->data()] : nullptr);
  }
  graph.m_nStepCount = 60;
  graph.m_nCursor = 30;
  std::vector<sEVENTRECORD> copy = source.records;
  std::vector<sEVENTRECORD*> table;
  const GraphPassResult expected = ComputeGraphPass(ExpectedPass(&copy, &table));
  ASSERT_FALSE(expected.bars.empty());
  ASSERT_EQ(expected.marks[0].size(), 1u);  // two shocks in a row: one run
  ASSERT_EQ(expected.marks[3].size(), 1u);  // the manual mark

  PixelCanvas canvas(kGraphWidth, kGraphHeight, kCanvasFill);
  Paint(canvas);
  int checked = 0;
  for (const BarLine& bar : expected.bars) {
    if (std::abs(bar.to - bar.from) < 2) continue;
    const COLORREF c = canvas.At(bar.x, bar.from + (bar.to > bar.from ? 1 : -1));
    const int channel = bar.band == 0 ? Green(c) : bar.band == 1 ? Red(c) : Blue(c);
    EXPECT_EQ(channel, 0xFF) << "band " << bar.band << " at x " << bar.x;
    ++checked;
  }
  EXPECT_GT(checked, 3);
  for (const MarkPoint& m : expected.marks[0]) {
    EXPECT_EQ(Green(canvas.At(m.x, 1)), 0xFF) << m.x;
    EXPECT_EQ(Red(canvas.At(m.x, 1)) & 0x80, 0) << m.x;
  }
  EXPECT_EQ(canvas.At(expected.marks[3][0].x, 1), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(CursorX(50, kGraphWidth, 30, 60), 40), RGB(255, 255, 255));
  EXPECT_EQ(source.depth, 0);

  const double share = SaveAndCompare(canvas.Capture(), L"graph.png");
  EXPECT_LE(share, 0.02);
}

}  // namespace
