// The G-sensor graph's arithmetic: channels and their side effect, run starts and the marks for the
// map, bar steps, band geometry, step widths, scrolling and the drawing pass.
#include "tavrin/driveviews/gsensor_model.h"
#include "tavrin/driveviews/gsensor_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace quill::driveviews;
using playcore::sEVENTRECORD;

sEVENTRECORD Record(int number, int type = -1, int axis = 0) {
  sEVENTRECORD r{};
  r.recordNumber = number;
  r.type = type;
  r.axis = axis;
  return r;
}

struct ClassifyCase {
  const char* name;
  int channel;
  int type, third, axis, high, low;
  int marks;
  int category;
  int kindAfter;
};

TEST(GraphChannels, ClassifyEachRecordAndConsumeOnlyWhereTheChannelSaysSo) {
  const ClassifyCase cases[] = {
      {"Z axis", 0, 5, 0, 1, 0, 0, 1, 0, -1},
      {"Z axis without marks", 0, 5, 0, 1, 0, 0, 0, -1, 5},
      {"X axis", 1, 7, 0, 2, 0, 0, 1, 2, -1},
      {"Y axis", 2, 5, 0, 3, 0, 0, 1, 3, -1},
      {"Y axis on the X channel", 1, 5, 0, 3, 0, 0, 1, -1, 5},
      {"kind 5", 3, 5, 0, 0, 0, 0, 0, 5, 5},
      {"kind 6", 4, 6, 0, 0, 0, 0, 0, 6, 6},
      {"kind 7", 5, 7, 0, 0, 0, 0, 1, 7, 7},
      {"kind 7 without marks", 5, 7, 0, 0, 0, 0, 0, -1, 7},
      {"third word 8", 6, 5, 8, 0, 0, 0, 0, 8, -1},
      {"nibbles 10 and 9", 7, 5, 0, 0, 10, 9, 1, 9, -1},
      {"nibbles 8 and 8", 8, 5, 0, 0, 8, 8, 1, 10, -1},
      {"nibbles 9 and 8", 8, 5, 0, 0, 9, 8, 1, 10, -1},
      {"nibbles 9 and 9", 8, 5, 0, 0, 9, 9, 1, -1, 5},
      {"kind 12", 9, 12, 0, 0, 0, 0, 0, 12, 12},
      {"kind 14", 9, 14, 0, 0, 0, 0, 0, -1, 14},
      {"negative kind never matches", 3, -1, 0, 0, 0, 0, 1, -1, -1},
      {"channel out of range", 10, 5, 8, 1, 10, 9, 1, -1, 5},
      {"negative channel", -1, 5, 8, 1, 10, 9, 1, -1, 5},
  };
  for (const ClassifyCase& c : cases) {
    sEVENTRECORD r = Record(0, c.type, c.axis);
    r.reserved1 = c.third;
    r.highNibble = c.high;
    r.lowNibble = c.low;
    EXPECT_EQ(ClassifyRecord(c.channel, &r, c.marks), c.category) << c.name;
    EXPECT_EQ(r.type, c.kindAfter) << c.name;
  }
  EXPECT_EQ(ClassifyRecord(0, nullptr, 1), kNoCategory);
}

TEST(GraphChannels, ARecordClaimedByAnAxisChannelNoLongerMatchesItsKind) {
  sEVENTRECORD r = Record(0, 5, 1);
  EXPECT_EQ(ClassifyRecord(3, &r, 1), 5);
  EXPECT_EQ(ClassifyRecord(0, &r, 1), 0);
  EXPECT_EQ(ClassifyRecord(3, &r, 1), kNoCategory);
}

struct RunCase {
  const char* name;
  std::vector<int> axes;        // axis code per record
  int channel;
  std::vector<int> markedAt;    // record numbers that yield a mark
  std::vector<int> answers;     // CollectEventMark's answer per record
};

TEST(GraphRuns, ARunGivesOneMarkAtItsFirstRecord) {
  const RunCase cases[] = {
      {"one run", {1, 1, 1, 1, 1}, 0, {0}, {0, 0, 0, 0, 0}},
      {"two runs with a gap", {1, 1, 2, 2, 1}, 0, {0, 4}, {0, 0, 1, 1, 0}},
      {"alternating", {2, 3, 2, 3}, 1, {0, 2}, {0, 1, 0, 1}},
      {"nothing to mark", {0, 0}, 2, {}, {1, 1}},
  };
  for (const RunCase& c : cases) {
    std::vector<sEVENTRECORD> records;
    for (size_t i = 0; i < c.axes.size(); ++i) records.push_back(Record(static_cast<int>(i), -1, c.axes[i]));
    RecordSequence seq;
    seq.records = &records;
    std::vector<EventMark> marks;
    std::vector<int> answers;
    for (size_t i = 0; i < records.size(); ++i) {
      answers.push_back(CollectEventMark(&marks, seq, static_cast<int>(i), c.channel, 1, 1));
    }
    std::vector<int> markedAt;
    for (const EventMark& m : marks) {
      markedAt.push_back(m.recordNumber);
      EXPECT_EQ(m.channel, c.channel) << c.name;
      EXPECT_EQ(m.record, &records[m.recordNumber]) << c.name;
    }
    EXPECT_EQ(markedAt, c.markedAt) << c.name;
    EXPECT_EQ(answers, c.answers) << c.name;
  }
}

// Regression: the record number and the position come from the main dialog unchecked; a number past
// the list, a position past the table or a table entry without a record must not be read.
TEST(GraphRuns, NumbersOutsideTheListAndMissingEntriesAnswerNoCategory) {
  std::vector<sEVENTRECORD> records = {Record(0, 5), Record(1, 5)};
  std::vector<sEVENTRECORD*> table = {&records[0], nullptr, &records[1]};
  RecordSequence byNumber;
  byNumber.records = &records;
  RecordSequence byPosition;
  byPosition.records = &records;
  byPosition.table = &table;
  RecordSequence empty;
  std::vector<EventMark> marks;
  const struct {
    const RecordSequence* seq;
    int index;
  } cases[] = {{&byNumber, 2}, {&byNumber, -1}, {&byNumber, 1 << 30}, {&byPosition, 1},
               {&byPosition, 3}, {&empty, 0}};
  for (const auto& c : cases) EXPECT_EQ(CollectEventMark(&marks, *c.seq, c.index, 3, 1, 1), 1) << c.index;
  EXPECT_TRUE(marks.empty());
  // The record after a missing entry starts a run of its own.
  EXPECT_EQ(CollectEventMark(&marks, byPosition, 2, 3, 1, 1), 0);
  EXPECT_EQ(marks.size(), 1u);
}

TEST(GraphBars, ValuesStepBy0_1GAndStopAt2G) {
  const int amplitude = 27;
  const struct {
    double g;
    int height;
  } cases[] = {{3.5, 54}, {2.0, 54}, {-3.5, -54}, {-0.27, -5}, {0.3, 8}, {0.7, 18},
               {0.29999, 5}, {0.05, 0}, {-0.05, 0}, {NAN, 0}};
  for (const auto& c : cases) EXPECT_EQ(BarHeight(c.g, amplitude), c.height) << c.g;
  // The bands of the 80-pixel background: zero lines 15, 40 and 65, bars at most 12 pixels.
  const BandGeometry g = BandsForHeight(80);
  EXPECT_EQ(g.centre[2], 65);
  EXPECT_EQ(LimitBar(54, g.limit), 12);
  EXPECT_EQ(LimitBar(-54, g.limit), -12);
  EXPECT_EQ(LimitBar(5, -1), 0);
}

// The widths and places themselves are checked against the painted pixels; here the guards.
TEST(GraphGeometry, NoPlotOrNoPositionsGiveZeroWidthsAndPlacesStayInside) {
  const struct {
    int client, margin;
    size_t n;
  } zero[] = {{732, 50, 0}, {0, 50, 10}, {40, 50, 10}, {50, 50, 10}, {-5, 0, 10}};
  for (const auto& c : zero) {
    EXPECT_EQ(StepWidth(c.client, c.margin, c.n, 1.0f), 0.0) << c.client << " " << c.n;
    EXPECT_EQ(RecordStepWidth(c.client, c.margin, c.n), 0.0) << c.client << " " << c.n;
  }
  EXPECT_NEAR(StepWidth(732, 50, 100, 0.0f), 6.82, 1e-6);  // a zero factor counts as 1
  EXPECT_EQ(ScrollStart(0.5, -4), 0);
  EXPECT_EQ(ScrollStart(2.0, 100), 0);
  EXPECT_EQ(CursorX(50, 1970, 2000000, 2000000), 1970);
  EXPECT_EQ(CursorX(50, 732, 5, 0), 50);
}

GraphPassInput PassOver(std::vector<sEVENTRECORD>* records, const std::vector<sEVENTRECORD*>* table,
                        double w, int plot) {
  GraphPassInput in;
  in.sequence.records = records;
  in.sequence.table = table;
  in.stepWidth = w;
  in.leftMargin = 50;
  in.plotWidth = plot;
  in.bands = BandsForHeight(80);
  in.flags = DefaultChannelFlags();
  return in;
}

// Wide steps: bars at the step columns when the 0.1 G step changes, highlight columns between the
// steps of a running highlight, a mark at each run start.
TEST(GraphPass, WideStepsDrawBarsAtTheStepsAndHighlightBetweenThem) {
  std::vector<sEVENTRECORD> records(4);
  for (int i = 0; i < 4; ++i) records[i] = Record(i);
  records[1].value1 = 1.0;
  records[2].value1 = 1.04;  // the same 0.1 G step: no new line
  records[3].value2 = -0.5;
  records[2].reserved1 = 8;
  records[3].reserved1 = 8;
  std::vector<sEVENTRECORD*> table = {&records[0], &records[1], &records[2], &records[3]};
  const GraphPassResult pass = ComputeGraphPass(PassOver(&records, &table, 10.0, 100));
  ASSERT_EQ(pass.bars.size(), 3u);
  EXPECT_EQ(pass.bars[0].band, 0);
  EXPECT_EQ(pass.bars[0].x, 50 + 10 + 1);
  EXPECT_EQ(pass.bars[0].to, 15 - 12);  // 1 G is 27 pixels, limited to the band
  EXPECT_EQ(pass.bars[1].x, 50 + 30 + 1);  // band 0 back to 0
  EXPECT_EQ(pass.bars[2].band, 1);
  EXPECT_EQ(pass.bars[2].to, 40 + 12);
  // Category 8 starts at position 2 (a mark, a highlight bar) and runs on at 3: the nine columns
  // between them, the bar at 3, and after the end the columns 0 to 10 past it and one more bar.
  ASSERT_EQ(pass.marks[kHighlightChannel].size(), 1u);
  EXPECT_EQ(pass.marks[kHighlightChannel][0].x, 70);
  std::vector<int> expected = {70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80};
  for (int j = 0; j <= 10; ++j) expected.push_back(80 + j);
  expected.push_back(81);
  EXPECT_EQ(pass.highlights, expected);
  EXPECT_EQ(pass.shownSteps, 4);
}

TEST(GraphPass, NarrowStepsStartAtTheScrolledPositionAndSkipMissingEntries) {
  std::vector<sEVENTRECORD> records(400);
  for (int i = 0; i < 400; ++i) records[i] = Record(i, -1, i >= 300 ? 1 : 0);
  std::vector<sEVENTRECORD*> table;
  for (int i = 0; i < 400; ++i) table.push_back(i % 7 == 3 && i < 300 ? nullptr : &records[i]);
  GraphPassInput in = PassOver(&records, &table, 0.25, 100);
  in.cursor = 320;
  const GraphPassResult pass = ComputeGraphPass(in);
  // First shown position (1 - 0.25) x 320 = 240; the Z-axis run starts at 300, 60 pixels on.
  ASSERT_EQ(pass.marks[0].size(), 1u);
  EXPECT_EQ(pass.marks[0][0].x, 50 + 60);
  EXPECT_EQ(pass.shownSteps, 100);
}

// The indexed form on the 732-wide graph (plot 682): with no more positions than plot pixels, every
// position gets its step, the last one included. A width rounded up to single precision lost it
// for 327 of these counts (100 positions showed 99).
TEST(GraphPass, EveryPositionOfAShortRecordingIsDrawnUpToTheLast) {
  int lost = 0;
  for (int n = 1; n <= 682; ++n) {
    std::vector<sEVENTRECORD> records(n);
    std::vector<sEVENTRECORD*> table;
    for (int i = 0; i < n; ++i) {
      records[i] = Record(i);
      table.push_back(&records[i]);
    }
    const double w = StepWidth(732, 50, static_cast<size_t>(n), 1.0f);
    EXPECT_LE(w, 682.0 / n) << n;
    EXPECT_NEAR(w, 682.0 / n, 682.0 / n * 1e-6) << n;
    const GraphPassResult pass = ComputeGraphPass(PassOver(&records, &table, w, 682));
    if (pass.shownSteps != n) ++lost;
  }
  EXPECT_EQ(lost, 0);
}

// Step widths by the formula, with the horizontal factor: width x factor, never above it.
TEST(GraphGeometry, StepWidthsFollowThePlotThePositionsAndTheFactor) {
  const struct {
    int client;
    size_t n;
    float factor;
    double exact;
  } cases[] = {
      {732, 100, 1.0f, 6.82},          // the 327-count case: 682 / 100
      {732, 682, 1.0f, 1.0},           // one pixel per position
      {732, 1364, 1.0f, 0.5},          // narrower than a pixel: the plot scrolls
      {732, 60, 0.5f, 682.0 / 60 * 0.5},
      {732, 3, 1.2f, 682.0 / 3 * 1.2f},
      {1024, 7, 1.0f, 974.0 / 7},
  };
  for (const auto& c : cases) {
    const double w = StepWidth(c.client, 50, c.n, c.factor);
    EXPECT_LE(w, c.exact) << c.client << " " << c.n;
    EXPECT_NEAR(w, c.exact, c.exact * 1e-6) << c.client << " " << c.n;
  }
  EXPECT_DOUBLE_EQ(RecordStepWidth(732, 50, 300), 682.0 / 300 / 6);
}

// The by-record form while scrolling: 300 records on a plot of 682 are 0.379 pixels each, so the
// steps are one pixel wide, six pixels apart, and the first shown record is (1 - 0.379) x cursor.
// Up to plot / 1 = 682 steps are shown, so from record 93 (cursor 150) the pass runs to the end of
// the list: 207 records, not the 114 whose x lies inside the plot.
TEST(GraphPass, TheByRecordFormRunsToTheEndOfTheListWhileScrolling) {
  const struct {
    int records, cursor, first, shown;
  } cases[] = {
      {300, 150, 93, 207},
      {300, 0, 0, 300},
      {300, 299, 185, 115},
      {2000, 1000, 943, 682},  // 0.0568 pixels each: capped by plot / 1
  };
  for (const auto& c : cases) {
    std::vector<sEVENTRECORD> records(c.records);
    for (int i = 0; i < c.records; ++i) records[i] = Record(i, -1, i == c.first ? 1 : 0);
    GraphPassInput in = PassOver(&records, nullptr, RecordStepWidth(732, 50, c.records), 682);
    in.direct = true;
    in.cursor = c.cursor;
    const GraphPassResult pass = ComputeGraphPass(in);
    EXPECT_EQ(pass.shownSteps, c.shown) << c.records << " " << c.cursor;
    // The first shown record is the scroll start: its Z-axis mark sits at the margin.
    ASSERT_FALSE(pass.marks[0].empty()) << c.records << " " << c.cursor;
    EXPECT_EQ(pass.marks[0][0].x, 50) << c.records << " " << c.cursor;
  }
}

}  // namespace
