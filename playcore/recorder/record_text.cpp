#include "playcore/recorder/record_text.h"

#include "playcore/recorder/gps_box_format.h"

#include <cmath>

namespace playcore {
namespace {

constexpr int kMaxExponent = 330;         // beyond this every double is 0 or infinite anyway
constexpr int kMaxMantissaDigits = 19;    // digits kept exactly in 64 bits; later ones only scale
constexpr int kFixYearBase = 2000;
constexpr int64_t kTicksPerSecond = 10000000;

bool IsBlank(uint8_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }

double PowerOfTen(int e) {
  double r = 1.0;
  double base = 10.0;
  for (int n = e < 0 ? -e : e; n > 0; n >>= 1, base *= base) {
    if (n & 1) r *= base;
  }
  return r;
}

// Two decimal digits of the time text; -1 when they are not two digits.
int TwoDigits(const uint8_t* p) {
  if (!IsDigit(p[0]) || !IsDigit(p[1])) return -1;
  return (p[0] - '0') * 10 + (p[1] - '0');
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// The fix time text as a calendar time, checked field by field (what mktime would have to bend is
// no calendar time).
bool ReadCalendarTime(const uint8_t* text, SYSTEMTIME* st) {
  int f[6];
  for (int i = 0; i < 6; ++i) {
    f[i] = TwoDigits(text + 2 * i);
    if (f[i] < 0) return false;
  }
  int year = kFixYearBase + f[0];
  if (f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > DaysInMonth(year, f[1])) return false;
  if (f[3] > 23 || f[4] > 59 || f[5] > 59) return false;
  *st = SYSTEMTIME{};
  st->wYear = static_cast<WORD>(year);
  st->wMonth = static_cast<WORD>(f[1]);
  st->wDay = static_cast<WORD>(f[2]);
  st->wHour = static_cast<WORD>(f[3]);
  st->wMinute = static_cast<WORD>(f[4]);
  st->wSecond = static_cast<WORD>(f[5]);
  return true;
}

int64_t FileTimeTicks(const FILETIME& ft) {
  return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

FILETIME TicksToFileTime(int64_t ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks));
  ft.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return ft;
}

// 0 seconds since 1970 as local time, the answer for a text that forms no time.
bool EpochLocalTime(SYSTEMTIME* out) {
  const int64_t kEpochTicks = 11644473600LL * kTicksPerSecond;
  FILETIME utc = TicksToFileTime(kEpochTicks), local;
  return FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, out);
}

}  // namespace

double ParseDecimalText(const uint8_t* field, size_t width) {
  size_t i = 0;
  while (i < width && IsBlank(field[i])) ++i;
  bool negative = false;
  if (i < width && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  uint64_t mantissa = 0;
  int digits = 0, scale = 0;
  bool any = false, point = false;
  for (; i < width; ++i) {
    uint8_t c = field[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(c)) break;
    any = true;
    if (digits < kMaxMantissaDigits) {
      if (mantissa != 0 || c != '0') ++digits;
      mantissa = mantissa * 10 + (c - '0');
      if (point) --scale;
    } else if (!point) {
      ++scale;
    }
  }
  if (!any) return 0.0;
  if (i + 1 < width && (field[i] == 'e' || field[i] == 'E')) {
    size_t j = i + 1;
    bool expNegative = false;
    if (j < width && (field[j] == '+' || field[j] == '-')) expNegative = field[j++] == '-';
    if (j < width && IsDigit(field[j])) {
      int e = 0;
      for (; j < width && IsDigit(field[j]); ++j) e = e < kMaxExponent ? e * 10 + (field[j] - '0') : e;
      scale += expNegative ? -e : e;
    }
  }
  if (scale < -kMaxExponent) scale = -kMaxExponent;
  if (scale > kMaxExponent) scale = kMaxExponent;
  double v = static_cast<double>(mantissa);
  v = scale < 0 ? v / PowerOfTen(scale) : v * PowerOfTen(scale);
  return negative ? -v : v;
}

int32_t ParseIntText(const uint8_t* field, size_t width) {
  size_t i = 0;
  while (i < width && IsBlank(field[i])) ++i;
  bool negative = false;
  if (i < width && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  int64_t v = 0;
  for (; i < width && IsDigit(field[i]); ++i) {
    if (v < INT32_MAX) v = v * 10 + (field[i] - '0');
  }
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<int32_t>(negative ? -v : v);
}

double DegreesFromText(const uint8_t* field, size_t width, uint8_t hemisphere) {
  double v = ParseDecimalText(field, width);
  if (!std::isfinite(v)) return 0.0;
  // Integer division toward zero of the truncated value; trunc keeps it exact without a cast that
  // could overflow for damaged texts.
  double degrees = std::trunc(std::trunc(v) / 100.0) + std::fmod(v, 100.0) / 60.0;
  return hemisphere != 0 ? degrees : -degrees;
}

bool ParseRecordTime(const uint8_t* record, size_t length, SYSTEMTIME* localTime) {
  if (length < gpsbox::kRecordSize) return false;
  SYSTEMTIME calendar;
  FILETIME ft;
  if (!ReadCalendarTime(record + gpsbox::kTimeOffset, &calendar) ||
      !SystemTimeToFileTime(&calendar, &ft)) {
    return EpochLocalTime(localTime);
  }
  // The text is already local time: shift it by the seconds offset as calendar arithmetic, with no
  // round trip through UTC (that would move the time by the current daylight-saving bias).
  int64_t ticks = FileTimeTicks(ft);
  if (record[gpsbox::kSecondsShiftOffset] != gpsbox::kNoSecondsShift) {
    int32_t shift = ParseIntText(record + gpsbox::kSecondsShiftOffset, gpsbox::kSecondsShiftWidth);
    ticks += static_cast<int64_t>(shift) * kTicksPerSecond;
  }
  FILETIME shifted = TicksToFileTime(ticks);
  return FileTimeToSystemTime(&shifted, localTime) != 0;
}

}  // namespace playcore
