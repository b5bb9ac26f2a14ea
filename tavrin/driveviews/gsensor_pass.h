// One drawing pass of the G-sensor graph, computed apart from the window: which bar lines, highlight
// columns and event marks the shown stretch of records gives. The graph window draws the result.
// Computing the pass classifies the records, so it has the channels' side effect on them (kind -1).
#pragma once

#include "tavrin/driveviews/gsensor_model.h"

#include <vector>

namespace quill::driveviews {

struct GraphPassInput {
  RecordSequence sequence;  // by position (indexed pass) or by record number (direct pass)
  bool direct = false;      // steps 6 x the step width apart
  double stepWidth = 0.0;   // GetStepWidth or GetRecordStepWidth
  int cursor = 0;           // the cursor's step, for scrolling
  int leftMargin = 0;
  int plotWidth = 0;        // client width - left margin
  BandGeometry bands{};
  ChannelFlags flags{};
};

// A bar: a vertical line at x from the band's zero line `from` to `to`.
struct BarLine {
  int band;
  int x;
  int from;
  int to;
};

struct MarkPoint {
  int x;
  int category;
};

struct GraphPassResult {
  std::vector<BarLine> bars;
  std::vector<int> highlights;  // x of each highlight bar (a strip one step wide)
  std::vector<MarkPoint> marks[kChannelCount];
  int shownSteps = 0;
};

// Nothing when the step width is not above 0 or the sequence is empty.
GraphPassResult ComputeGraphPass(const GraphPassInput& in);

}  // namespace quill::driveviews
