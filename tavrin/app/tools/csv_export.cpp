// The lines of the CSV export: what is read from a recording's files and how a line is formed.
#include "tavrin/app/tools/csv_export.h"

#include <cmath>
#include <cstdio>

#include "playcore/bytes/unique_handle.h"
#include "playcore/mp4/mp4_movie.h"
#include "tavrin/skin/ui_texts.h"

namespace tools {

namespace {

// Column titles of the header, in column order (UI text indices); the last one ends the line.
constexpr unsigned kHeaderTexts[] = {181, 182, 33, 41, 40, 42, 176, 36, 167, 168};
// A movie of this length or less (seconds) gives the fallback line.
constexpr double kShortestMovieSeconds = 1.5;
// The track header's width (16.16 fixed point, big-endian) lies at these payload bytes.
constexpr size_t kTkhdWidthOffset = 76;
constexpr int kFullHdWidth = 1920;
constexpr int kHdWidth = 1280;
constexpr int kBytesPerMbShift = 20;
constexpr double kLengthToleranceFrames = 0.5;

struct SnapRange {
  float low, high, value;  // [low, high) -> value
};
constexpr SnapRange kSnaps[] = {{4.75f, 5.25f, 5.0f}, {27.25f, 27.75f, 27.5f}, {27.75f, 28.25f, 28.0f}};

const wchar_t* OrDash(const wchar_t* name) { return name[0] ? name : L"-"; }

const wchar_t* MoviePath(const sRECORDINGPAIR& record) {
  return record.szMainPath[0] ? record.szMainPath : record.szRearPath;
}

// A time the file name and the date columns may show: a real calendar moment.
bool IsShowableTime(const SYSTEMTIME& t) {
  if (t.wYear == 0 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31) return false;
  if (t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59) return false;
  FILETIME ft;
  return SystemTimeToFileTime(&t, &ft) != FALSE;
}

int RearTrackWidth(const wchar_t* rearPath) {
  if (!rearPath[0]) return -1;
  std::unique_ptr<playcore::sMP4MOVIE> rear = playcore::sMP4MOVIE::Load(rearPath);
  if (!rear || rear->Index(playcore::kIdxTkhd).empty()) return -1;
  const std::vector<uint8_t>& p = rear->Index(playcore::kIdxTkhd).front()->payload;
  // A short track header names no width (it is never read past its end).
  if (p.size() < kTkhdWidthOffset + 2) return -1;
  return (p[kTkhdWidthOffset] << 8) | p[kTkhdWidthOffset + 1];
}

uint64_t FileBytes(const wchar_t* path) {
  if (!path[0]) return 0;
  const playcore::UniqueHandle file(CreateFileW(path, GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  LARGE_INTEGER size = {};
  const BOOL ok = GetFileSizeEx(file.get(), &size);
  return ok ? static_cast<uint64_t>(size.QuadPart) : 0;
}

std::wstring Format(const wchar_t* pattern, ...) {
  wchar_t buffer[512];
  va_list args;
  va_start(args, pattern);
  const int n = _vsnwprintf(buffer, sizeof buffer / sizeof buffer[0] - 1, pattern, args);
  va_end(args);
  buffer[sizeof buffer / sizeof buffer[0] - 1] = 0;
  return n < 0 ? std::wstring() : std::wstring(buffer, n);
}

}  // namespace

float SnapFrameRate(float rate) {
  for (const SnapRange& s : kSnaps) {
    if (rate >= s.low && rate < s.high) return s.value;
  }
  return rate;
}

bool ReadRecordTime(const sRECORDINGPAIR& record, SYSTEMTIME* time) {
  std::unique_ptr<playcore::sMP4MOVIE> movie = playcore::sMP4MOVIE::Load(MoviePath(record));
  if (!movie) return false;
  SYSTEMTIME t = {};
  if (!movie->GetRecordTime(&t) || !IsShowableTime(t)) return false;
  *time = t;
  return true;
}

CsvRecordFacts ReadCsvFacts(const sRECORDINGPAIR& record) {
  CsvRecordFacts facts;
  {
    std::unique_ptr<playcore::sMP4MOVIE> movie = playcore::sMP4MOVIE::Load(MoviePath(record));
    int width = 0;
    int height = 0;
    if (movie && movie->GetVideoSize(&width, &height)) {
      facts.movieRead = true;
      facts.samples = movie->GetSampleCount();
      facts.frameRate = movie->GetFrameRate();
      SYSTEMTIME t = {};
      if (movie->GetRecordTime(&t)) {
        facts.timeRead = true;
        facts.time = t;
      }
    }
  }
  facts.rearWidth = RearTrackWidth(record.szRearPath);
  facts.mainBytes = FileBytes(record.szMainPath);
  facts.rearBytes = FileBytes(record.szRearPath);
  return facts;
}

std::wstring FormatCsvFallbackLine(const sRECORDINGPAIR& record) {
  return Format(L"%ls,%ls,-,-,-,-,-,fps,0MB,0MB\r\n", OrDash(record.szMainName), OrDash(record.szRearName));
}

std::wstring FormatCsvLine(const sRECORDINGPAIR& record, const CsvRecordFacts& facts) {
  if (!facts.movieRead || !facts.timeRead || facts.samples <= 0) return FormatCsvFallbackLine(record);
  const double samples = static_cast<double>(facts.samples);
  const float rate = SnapFrameRate(facts.frameRate);
  // A rate of 0, below 0 or not a number would make the length meaningless.
  if (!std::isfinite(rate) || rate <= 0.0f) return FormatCsvFallbackLine(record);
  if (!(samples / facts.frameRate > kShortestMovieSeconds)) return FormatCsvFallbackLine(record);
  // The rate comes from the whole-microsecond mean frame length (33333 for 30 fps), a shade off, so
  // a length is counted to the nearest half frame before it is cut to whole seconds: 60 frames at
  // "30.0003" fps last 2 seconds, not 1.
  const double seconds = (samples + kLengthToleranceFrames) / rate;
  if (!(seconds < 2147483647.0)) return FormatCsvFallbackLine(record);
  const int s = static_cast<int>(seconds);

  std::wstring date = L"--/--/--";
  std::wstring start = L"--:--:--";
  if (IsShowableTime(facts.time)) {
    date = Format(L"%04u/%02u/%02u", facts.time.wYear, facts.time.wMonth, facts.time.wDay);
    start = Format(L"%02u:%02u:%02u", facts.time.wHour, facts.time.wMinute, facts.time.wSecond);
  }
  const wchar_t* rearSize = facts.rearWidth == kFullHdWidth ? L"Full HD"
                            : facts.rearWidth == kHdWidth   ? L"HD"
                                                            : L"-";
  const std::wstring trigger = GetTriggerText(record.szMainPath[0] ? record.szMainName : record.szRearName);
  return Format(L"%ls,%ls,%ls,%ls,%02d:%02d:%02d,%ls,%ls,%.1ffps,%I64uMB,%I64uMB\r\n",
                OrDash(record.szMainName), OrDash(record.szRearName), date.c_str(), start.c_str(), s / 3600,
                (s / 60) % 60, s % 60, trigger.c_str(), rearSize, static_cast<double>(rate),
                facts.mainBytes >> kBytesPerMbShift, facts.rearBytes >> kBytesPerMbShift);
}

std::wstring CsvHeaderLine() {
  std::wstring line;
  for (unsigned index : kHeaderTexts) line += UIText(index);
  return line + L"\r\n";
}

std::wstring CsvFileName(const SYSTEMTIME& t) {
  if (!IsShowableTime(t)) return std::wstring();
  return Format(L"Dv_%04u%02u%02u_%02u%02u%02u.csv", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

bool ToAnsi(const std::wstring& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return false;
  out->resize(n);
  return WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &(*out)[0], n, nullptr,
                             nullptr) == n;
}

}  // namespace tools
