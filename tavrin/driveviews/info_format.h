// The info panel's texts, apart from any window: the G value, the speed, the date and time of a
// playback position, and the runs a placeholder text is drawn in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quill::driveviews {

// A G value at or below this means "no value".
constexpr double kNoGValue = -5.0;
constexpr double kSpeedShownLimit = 999.0;
// Years the recorder writes from 2050 on are shown this much earlier.
constexpr int kLateYear = 2050;
constexpr int kLateYearShift = 35;

extern const wchar_t kGPlaceholder[];     // "-0.00G"
extern const wchar_t kDatePlaceholder[];  // "0000/00/00 00:00:00"
extern const wchar_t kSpeedUnit[];        // "km/h"

bool HasGValue(double g);
// "%.2fG" of the value cut toward zero to 0.01 G. The cut allows for the float error of values read
// as thousandths (0.29 is 0.28999... in binary and must still show "0.29G").
std::wstring FormatGValue(double g);
// Whether the speed is shown: a GPS fix and a speed of 0 or more.
bool HasSpeed(int gpsFix, double speed);
// "%.0f " of the speed limited to 999.
std::wstring FormatSpeed(double speed);

// The time of the sample `index`: start + index x milliseconds per sample, the product taken in
// float. False when the start is not a valid date, the index is negative or the offset is not a
// finite number of 100-ns units: the caller shows the placeholder.
bool PositionTime(const SYSTEMTIME& start, int index, float msPerSample, SYSTEMTIME* out);
// "YYYY/MM/DD hh:mm:ss", a year of 2050 or later shown 35 years earlier.
std::wstring FormatDateTime(const SYSTEMTIME& t);

// The runs a placeholder text is drawn in: the leading stretch of '-' and '0' characters, or one
// other character; the text ends at a 'G'.
std::vector<std::wstring> PlaceholderRuns(const std::wstring& text);

}  // namespace quill::driveviews
