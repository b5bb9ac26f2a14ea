// The info panel's value texts and the date arithmetic.
#include "tavrin/driveviews/info_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quill::driveviews {

namespace {

// Far below one hundredth and far above the error of a thousandth read from text.
constexpr double kCutTolerance = 1e-9;
constexpr int64_t kFileTimePerMs = 10000;

std::wstring Printf(const wchar_t* format, double value) {
  wchar_t buf[64];
  swprintf(buf, 64, format, value);
  return buf;
}

}  // namespace

const wchar_t kGPlaceholder[] = L"-0.00G";
const wchar_t kDatePlaceholder[] = L"0000/00/00 00:00:00";
const wchar_t kSpeedUnit[] = L"km/h";

bool HasGValue(double g) { return g > kNoGValue; }

std::wstring FormatGValue(double g) {
  if (!std::isfinite(g)) return kGPlaceholder;
  const double cut = std::trunc(g * 100.0 + std::copysign(kCutTolerance, g)) / 100.0;
  return Printf(L"%.2fG", cut);
}

bool HasSpeed(int gpsFix, double speed) { return gpsFix != 0 && speed >= 0.0; }

std::wstring FormatSpeed(double speed) {
  if (!(speed <= kSpeedShownLimit)) speed = kSpeedShownLimit;  // also NaN
  return Printf(L"%.0f ", speed);
}

bool PositionTime(const SYSTEMTIME& start, int index, float msPerSample, SYSTEMTIME* out) {
  if (index < 0 || !out) return false;
  FILETIME ft;
  if (!SystemTimeToFileTime(&start, &ft)) return false;
  const float offset = static_cast<float>(index) * msPerSample * static_cast<float>(kFileTimePerMs);
  // A 100-year span keeps the sum inside FILETIME.
  if (!std::isfinite(offset) || offset < 0.0f || offset > 3.2e18f) return false;
  ULARGE_INTEGER t;
  t.LowPart = ft.dwLowDateTime;
  t.HighPart = ft.dwHighDateTime;
  t.QuadPart += static_cast<uint64_t>(offset);
  ft.dwLowDateTime = t.LowPart;
  ft.dwHighDateTime = t.HighPart;
  return FileTimeToSystemTime(&ft, out) != FALSE;
}

std::wstring FormatDateTime(const SYSTEMTIME& t) {
  int year = t.wYear;
  if (year >= kLateYear) year -= kLateYearShift;
  wchar_t buf[64];
  swprintf(buf, 64, L"%02d/%02d/%02d %02d:%02d:%02d", year, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond);
  return buf;
}

std::vector<std::wstring> PlaceholderRuns(const std::wstring& text) {
  std::vector<std::wstring> runs;
  size_t i = 0;
  while (i < text.size() && text[i] != L'G') {
    size_t end = i;
    while (end < text.size() && (text[end] == L'-' || text[end] == L'0')) ++end;
    if (end == i) end = i + 1;
    runs.push_back(text.substr(i, end - i));
    i = end;
  }
  return runs;
}

}  // namespace quill::driveviews
