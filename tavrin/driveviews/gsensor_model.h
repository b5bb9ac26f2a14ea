// The G-sensor graph's arithmetic, apart from any window: the ten event channels that classify a G
// record into a category (some of them mark the record as consumed by setting its kind to -1), run
// starts, the 0.1 G bar steps, the band geometry taken from the background picture, the step widths
// and the scrolling start, and the rows of the event marks. The graph window and the main dialog's
// event list only draw or collect what these functions decide.
#pragma once

#include "playcore/recorder/drive_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quill::driveviews {

constexpr int kChannelCount = 10;
constexpr int kCategoryCount = 14;
constexpr int kNoCategory = -1;
// The channel whose category 8 lays the red highlight under the graph.
constexpr int kHighlightChannel = 6;
constexpr int kHighlightCategory = 8;
// Bars stop at +-2 G and move in steps of 0.1 G.
constexpr double kBarLimitG = 2.0;

// The channel flags the graph and the main dialog keep: the graph classifies only through enabled
// channels; the visible flag gates the marks handed to the map. `marks` is the recording's marks flag
// (0 for trigger classes that carry no axis or assist marks).
struct ChannelFlags {
  int enabled[kChannelCount];
  int visible[kChannelCount];
  int marks;
};
ChannelFlags DefaultChannelFlags();

// The category `channel` gives the record, or kNoCategory; channels 0-2 and 6-8 set the record's kind
// to -1 when they match. A channel outside 0-9 or a null record gives kNoCategory.
int ClassifyRecord(int channel, playcore::sEVENTRECORD* record, int marksFlag);

// Whether a category found through `channel` may be marked: categories 0 to 5 always, the others only
// when the channel's flag is set.
bool CategoryMarkable(int category, int channelFlag);

// Whether the record at `index` starts a run of `category` in `channel`: the first record, a missing
// previous record, or a previous record that classifies differently through the same channel.
bool StartsRun(int channel, int category, int index, playcore::sEVENTRECORD* previous, int marksFlag);

// An event mark for the map: the record's number, its category, the channel and the record itself.
struct EventMark {
  int recordNumber;
  int category;
  int channel;
  playcore::sEVENTRECORD* record;
};

// The G records in one of two orders: by record number (the G list itself) or by playback position
// (the per-position table, whose entries lead into the list and may be null).
struct RecordSequence {
  std::vector<playcore::sEVENTRECORD>* records = nullptr;
  const std::vector<playcore::sEVENTRECORD*>* table = nullptr;  // set: by position

  size_t size() const;
  // The record at `index`, or null outside the sequence or for a missing entry.
  playcore::sEVENTRECORD* At(int index) const;
};

// Classifies the record at `index` of `sequence` through `channel` and appends a mark (with
// `markFlag` as the channel's flag) when it starts a markable run. 1 when the category is -1, also
// for an index outside the sequence or a missing entry (nothing is read past the end), else 0.
int CollectEventMark(std::vector<EventMark>* marks, const RecordSequence& sequence, int index,
                     int channel, int markFlag, int marksFlag);

// Band geometry from the background picture's height.
struct BandGeometry {
  int centre[3];   // y of each band's zero line
  int limit;       // bars reach at most this many pixels from their zero line
  int amplitude;   // pixels per G
};
BandGeometry BandsForHeight(int bitmapHeight);

// The bar of a value in G: clamped to +-2 G, stepped down to 0.1 G toward zero, times the amplitude.
int BarHeight(double valueG, int amplitude);
// A bar height limited to the band.
int LimitBar(int height, int limit);

// Pixels per position: (client width - margin) / positions, times the horizontal factor when it is
// above 0, that product cut toward zero to single precision (never above the exact width, so every
// position fits the plot); 0.0 for an empty plot or no positions.
double StepWidth(int clientWidth, int leftMargin, size_t positions, float factor);
// Pixels per record of the direct form: (client width - margin) / records / 6; 0.0 likewise.
double RecordStepWidth(int clientWidth, int leftMargin, size_t records);
// The first shown step: the plot scrolls with the cursor when steps are narrower than a pixel.
int ScrollStart(double stepWidth, int cursor);
// The cursor's x: margin + cursor x plot width / step count (the margin alone for no steps).
int CursorX(int leftMargin, int clientWidth, int cursor, int stepCount);

// The mark drawn for a category: its text (empty for the picture of category 11) and its row.
struct MarkStyle {
  const wchar_t* text;
  int rowSteps;  // rows below the base, in row steps
};
MarkStyle MarkStyleOf(int category);
// The row step of the marks at a DPI factor: (int)(10 / factor) / 3.
int MarkRowStep(double dpiScale);
// The bottom of the mark lines and the top of the highlight strip for a client height.
int MarkLineBottom(int clientHeight);
int HighlightTop(int clientHeight);

// The pens of the fourteen categories (COLORREF) and of the three bands.
uint32_t CategoryColour(int category);
uint32_t BandColour(int band);

}  // namespace quill::driveviews
