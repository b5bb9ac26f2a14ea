// The G-sensor graph's drawing pass: bars by 0.1 G step, highlight columns and run-start marks.
#include "tavrin/driveviews/gsensor_pass.h"

#include <algorithm>

namespace quill::driveviews {

using playcore::sEVENTRECORD;

namespace {

// Steps of the direct pass stand this many step widths apart.
constexpr double kDirectSpacing = 6.0;

double ValueOf(const sEVENTRECORD& r, int band) {
  return band == 0 ? r.value1 : band == 1 ? r.value2 : r.value3;
}

class PassBuilder {
 public:
  PassBuilder(const GraphPassInput& in, GraphPassResult* out) : in_(in), out_(out) {}

  // A highlight column for the record at `index`: channel 6 gives it category 8 and it does not
  // start the run there.
  void HighlightColumn(sEVENTRECORD* r, int index, int x) {
    const int marks = in_.flags.marks;
    if (!in_.flags.enabled[kHighlightChannel]) return;
    if (ClassifyRecord(kHighlightChannel, r, marks) != kHighlightCategory) return;
    if (StartsRun(kHighlightChannel, kHighlightCategory, index, in_.sequence.At(index - 1), marks)) return;
    out_->highlights.push_back(x);
  }

  // Channel 6 first, then the other enabled channels in order; the first category found is marked
  // at the start of its run.
  void CollectMarks(sEVENTRECORD* r, int index, int x) {
    const int marks = in_.flags.marks;
    sEVENTRECORD* previous = in_.sequence.At(index - 1);
    if (in_.flags.enabled[kHighlightChannel] &&
        ClassifyRecord(kHighlightChannel, r, marks) == kHighlightCategory) {
      if (StartsRun(kHighlightChannel, kHighlightCategory, index, previous, marks)) {
        out_->marks[kHighlightChannel].push_back({x, kHighlightCategory});
      }
      out_->highlights.push_back(x);
      return;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
      if (ch == kHighlightChannel || !in_.flags.enabled[ch]) continue;
      const int category = ClassifyRecord(ch, r, marks);
      if (category == kNoCategory) continue;
      if (StartsRun(ch, category, index, previous, marks)) out_->marks[ch].push_back({x, category});
      return;
    }
  }

  void Bars(const sEVENTRECORD& r, int x, int last[3]) {
    for (int band = 0; band < 3; ++band) {
      if (!in_.flags.enabled[band]) continue;
      const int y = BarHeight(ValueOf(r, band), in_.bands.amplitude);
      if (y == last[band]) continue;
      const int c = in_.bands.centre[band];
      out_->bars.push_back({band, x, c, c - LimitBar(y, in_.bands.limit)});
      last[band] = y;
    }
  }

 private:
  const GraphPassInput& in_;
  GraphPassResult* out_;
};

}  // namespace

GraphPassResult ComputeGraphPass(const GraphPassInput& in) {
  GraphPassResult out;
  const double w = in.stepWidth;
  const int count = static_cast<int>(std::min<size_t>(in.sequence.size(), 0x7FFFFFFF));
  if (!(w > 0.0) || count == 0 || in.plotWidth <= 0) return out;
  const double step = std::max(w, 1.0);
  const double spacing = in.direct ? step * kDirectSpacing : step;
  const int first = ScrollStart(w, in.cursor);
  const int shown = static_cast<int>(in.plotWidth / step);
  PassBuilder builder(in, &out);

  int last[3] = {0, 0, 0};
  if (const sEVENTRECORD* r0 = in.sequence.At(first)) {
    for (int band = 0; band < 3; ++band) {
      last[band] = static_cast<int>(in.bands.amplitude * ValueOf(*r0, band));
    }
  }

  int previousX = 0;
  int lastIndex = -1, lastX = 0;
  for (int k = 0; k < shown; ++k) {
    const int index = first + k;
    if (index >= count) break;
    // In the by-record form the steps lie six widths apart, so the later ones fall right of the
    // plot; the pass still runs on to the end of the list, as the scroll start assumes.
    const int x = static_cast<int>(k * spacing);
    out.shownSteps = k + 1;
    sEVENTRECORD* r = in.sequence.At(index);
    if (!r) {
      previousX = x;
      continue;
    }
    if (k > 0 && x - previousX > 1) {
      for (int column = previousX + 1; column < x; ++column) {
        builder.HighlightColumn(r, index, in.leftMargin + column);
      }
    }
    builder.Bars(*r, in.leftMargin + x + 1, last);
    builder.CollectMarks(r, index, in.leftMargin + x);
    previousX = x;
    lastIndex = index;
    lastX = x;
  }

  if (sEVENTRECORD* r = in.sequence.At(lastIndex)) {
    if (step > 1.0) {
      for (int j = 0; j <= static_cast<int>(step); ++j) {
        builder.HighlightColumn(r, lastIndex, in.leftMargin + lastX + j);
      }
    }
    builder.CollectMarks(r, lastIndex, in.leftMargin + lastX + 1);
  }
  return out;
}

}  // namespace quill::driveviews
