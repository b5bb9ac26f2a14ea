// The G-sensor graph's classification, run starts, bar steps and geometry.
#include "tavrin/driveviews/gsensor_model.h"

#include <cmath>

namespace quill::driveviews {

using playcore::sEVENTRECORD;

namespace {

// Record fields the channels test.
constexpr int32_t kAxisZ = 1, kAxisX = 2, kAxisY = 3;
constexpr int32_t kKindShock = 5, kKindSix = 6, kKindSeven = 7;
constexpr int32_t kThirdWordHighlight = 8;
// A hair above the float error of values such as 0.3 x 10, so they do not fall one step short.
constexpr double kStepTolerance = 1e-9;
// The marks' rows are laid out on a 10-pixel grid at 96 DPI, three rows to the grid.
constexpr int kMarkGrid = 10;
constexpr int kMarkRowsPerGrid = 3;
// The highlight and the mark lines sit on a 35-pixel grid below a 15-pixel head.
constexpr int kLineHead = 15;
constexpr double kLineGrid = 35.0;
constexpr int kHighlightLift = 6;

}  // namespace

ChannelFlags DefaultChannelFlags() {
  ChannelFlags f;
  for (int i = 0; i < kChannelCount; ++i) {
    f.enabled[i] = 1;
    f.visible[i] = 1;
  }
  f.marks = 1;
  return f;
}

int ClassifyRecord(int channel, sEVENTRECORD* r, int marksFlag) {
  if (!r) return kNoCategory;
  int category = kNoCategory;
  bool consume = false;
  switch (channel) {
    case 0: if (marksFlag && r->axis == kAxisZ) { category = 0; consume = true; } break;
    case 1: if (marksFlag && r->axis == kAxisX) { category = 2; consume = true; } break;
    case 2: if (marksFlag && r->axis == kAxisY) { category = 3; consume = true; } break;
    case 3: if (r->type == kKindShock) category = 5; break;
    case 4: if (r->type == kKindSix) category = 6; break;
    case 5: if (marksFlag && r->type == kKindSeven) category = 7; break;
    case 6: if (r->reserved1 == kThirdWordHighlight) { category = 8; consume = true; } break;
    case 7:
      if (marksFlag && r->highNibble == 10 && r->lowNibble == 9) { category = 9; consume = true; }
      break;
    case 8:
      if (marksFlag && (r->highNibble == 8 || r->highNibble == 9) && r->lowNibble == 8) {
        category = 10;
        consume = true;
      }
      break;
    case 9: if (r->type >= 11 && r->type <= 13) category = r->type; break;
    default: break;
  }
  if (consume) r->type = playcore::kEventTypeNone;
  return category;
}

bool CategoryMarkable(int category, int channelFlag) {
  if (category < 0) return false;
  return category <= 5 || channelFlag != 0;
}

bool StartsRun(int channel, int category, int index, sEVENTRECORD* previous, int marksFlag) {
  if (index <= 0 || !previous) return true;
  return ClassifyRecord(channel, previous, marksFlag) != category;
}

size_t RecordSequence::size() const {
  if (table) return table->size();
  return records ? records->size() : 0;
}

sEVENTRECORD* RecordSequence::At(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= size()) return nullptr;
  if (table) return (*table)[index];
  return &(*records)[index];
}

int CollectEventMark(std::vector<EventMark>* marks, const RecordSequence& sequence, int index,
                     int channel, int markFlag, int marksFlag) {
  sEVENTRECORD* record = sequence.At(index);
  if (!record) return 1;
  const int category = ClassifyRecord(channel, record, marksFlag);
  if (category == kNoCategory) return 1;
  if (marks && StartsRun(channel, category, index, sequence.At(index - 1), marksFlag) &&
      CategoryMarkable(category, markFlag)) {
    marks->push_back({record->recordNumber, category, channel, record});
  }
  return 0;
}

BandGeometry BandsForHeight(int bitmapHeight) {
  const int half = bitmapHeight / 2;
  const int third = half / 3;
  const int twoThirds = (2 * half) / 3;
  BandGeometry g;
  g.centre[0] = third + 2;
  g.centre[1] = third + 1 + twoThirds;
  g.centre[2] = third + 2 * twoThirds;
  g.limit = g.centre[0] - 3;
  g.amplitude = static_cast<int>(0.8 * (half - 6));
  return g;
}

int BarHeight(double valueG, int amplitude) {
  if (std::isnan(valueG)) return 0;
  double magnitude = std::fabs(valueG);
  if (magnitude > kBarLimitG) magnitude = kBarLimitG;
  const double stepped = std::floor(magnitude * 10.0 + kStepTolerance) / 10.0;
  const double sign = valueG < 0 ? -1.0 : 1.0;
  return static_cast<int>(sign * stepped * amplitude);
}

int LimitBar(int height, int limit) {
  if (limit < 0) limit = 0;
  if (height > limit) return limit;
  if (height < -limit) return -limit;
  return height;
}

// The width is kept in single precision, cut toward zero: rounded to the nearest single it can come
// out a hair above plot / n, and then plot / width falls short of n and the last position is lost.
static double TruncateToSingle(double value) {
  float f = static_cast<float>(value);
  if (static_cast<double>(f) > value && value >= 0.0) f = std::nextafter(f, 0.0f);
  return static_cast<double>(f);
}

double StepWidth(int clientWidth, int leftMargin, size_t positions, float factor) {
  const int plot = clientWidth - leftMargin;
  if (clientWidth <= 0 || plot <= 0 || positions == 0) return 0.0;
  double w = static_cast<double>(plot) / static_cast<double>(positions);
  if (factor > 0) w = TruncateToSingle(w * factor);
  return w;
}

double RecordStepWidth(int clientWidth, int leftMargin, size_t records) {
  const int plot = clientWidth - leftMargin;
  if (clientWidth <= 0 || plot <= 0 || records == 0) return 0.0;
  return static_cast<double>(plot) / static_cast<double>(records) / 6.0;
}

int ScrollStart(double stepWidth, int cursor) {
  if (stepWidth >= 1.0 || cursor <= 0) return 0;
  return static_cast<int>((1.0 - stepWidth) * cursor);
}

int CursorX(int leftMargin, int clientWidth, int cursor, int stepCount) {
  if (stepCount <= 0) return leftMargin;
  const int64_t plot = clientWidth - leftMargin;
  return leftMargin + static_cast<int>(static_cast<int64_t>(cursor) * plot / stepCount);
}

MarkStyle MarkStyleOf(int category) {
  static const MarkStyle kStyles[kCategoryCount] = {
      {L"G", 1}, {L"G", 1}, {L"G", 0}, {L"G", 2}, {L"G", 2}, {L"M", 3}, {L"\u203B", 3},
      {L"P", 3}, {L"#", 3}, {L"O", 3}, {L"R", 3}, {L"", 4}, {L"\u25B2", 5}, {L"\u25BC", 6}};
  if (category < 0 || category >= kCategoryCount) return {L"", 0};
  return kStyles[category];
}

int MarkRowStep(double dpiScale) {
  if (!(dpiScale > 0)) dpiScale = 1.0;
  return static_cast<int>(kMarkGrid / dpiScale) / kMarkRowsPerGrid;
}

int MarkLineBottom(int clientHeight) {
  return kLineHead + static_cast<int>((clientHeight - kLineHead) / kLineGrid * kLineGrid);
}

int HighlightTop(int clientHeight) {
  return -kHighlightLift - static_cast<int>((clientHeight - kLineHead) / kLineGrid * -kLineGrid);
}

uint32_t CategoryColour(int category) {
  static const uint32_t kColours[kCategoryCount] = {
      0x00FF00, 0x00FF00, 0x0000FF, 0xFF8080, 0xFF8080, 0xFFFFFF, 0xFFFFFF,
      0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x00FFFF, 0xFF00FF, 0xFFFF00};
  if (category < 0 || category >= kCategoryCount) return 0xFFFFFF;
  return kColours[category];
}

uint32_t BandColour(int band) {
  static const uint32_t kColours[3] = {0x00FF00, 0x0000FF, 0xFF8080};
  return band >= 0 && band < 3 ? kColours[band] : 0xFFFFFF;
}

}  // namespace quill::driveviews
