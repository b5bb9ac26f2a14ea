// The start-up marks: kept in counter ticks, published as microseconds from the entry.
#include "tavrin/app/main/start_marks.h"

#include <string>

namespace quill::app {

namespace {

constexpr size_t kSteps = static_cast<size_t>(StartStep::kCount);

std::array<int64_t, kSteps> g_ticks = {};
int64_t g_beforeEntryMicros = -1;

int64_t Now() {
  LARGE_INTEGER now = {};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t TicksPerSecond() {
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

int64_t FileTimeValue(const FILETIME& t) {
  return static_cast<int64_t>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

// The microseconds from the process's creation to now; -1 when the system does not say.
int64_t MicrosSinceProcessCreation() {
  FILETIME created, exited, kernel, user, now;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
  GetSystemTimePreciseAsFileTime(&now);
  const int64_t span = FileTimeValue(now) - FileTimeValue(created);
  return span >= 0 ? span / 10 : -1;
}

void SetValue(HWND window, const wchar_t* name, uintptr_t value) {
  const std::wstring property = std::wstring(kStartPropPrefix) + name;
  if (value) ::SetPropW(window, property.c_str(), reinterpret_cast<HANDLE>(value));
}

}  // namespace

void MarkStart(StartStep step) {
  const size_t i = static_cast<size_t>(step);
  if (i >= kSteps || g_ticks[i] != 0) return;
  g_ticks[i] = Now();
  if (step == StartStep::kEntry) g_beforeEntryMicros = MicrosSinceProcessCreation();
}

bool StartMarked(StartStep step) {
  const size_t i = static_cast<size_t>(step);
  return i < kSteps && g_ticks[i] != 0;
}

uintptr_t MicrosValue(int64_t span, int64_t ticksPerSecond) {
  if (span < 0 || ticksPerSecond <= 0) return 0;
  // Split so that the product cannot overflow for any counter rate.
  const int64_t micros = span / ticksPerSecond * 1000000 + span % ticksPerSecond * 1000000 / ticksPerSecond;
  // A value that does not fit the property (over an hour on 32 bits) is left out.
  if (micros >= static_cast<int64_t>(UINTPTR_MAX)) return 0;
  return static_cast<uintptr_t>(micros) + 1;
}

std::array<uintptr_t, kSteps> StartPropertyValues(const std::array<int64_t, kSteps>& ticks,
                                                  int64_t ticksPerSecond) {
  std::array<uintptr_t, kSteps> values = {};
  const int64_t entry = ticks[static_cast<size_t>(StartStep::kEntry)];
  if (entry == 0 || ticksPerSecond <= 0) return values;
  for (size_t i = 0; i < kSteps; ++i) {
    if (ticks[i] == 0 || ticks[i] < entry) continue;
    values[i] = MicrosValue(ticks[i] - entry, ticksPerSecond);
  }
  return values;
}

void PublishStartMarks(HWND window) {
  if (!window) return;
  const auto values = StartPropertyValues(g_ticks, TicksPerSecond());
  for (size_t i = 0; i < kSteps; ++i) SetValue(window, kStartStepNames[i], values[i]);
  if (g_beforeEntryMicros >= 0 && g_beforeEntryMicros < static_cast<int64_t>(UINTPTR_MAX)) {
    SetValue(window, kStartBeforeEntryName, static_cast<uintptr_t>(g_beforeEntryMicros) + 1);
  }
}

namespace {

constexpr size_t kOpenSteps = static_cast<size_t>(OpenStep::kCount);
int64_t g_openBegin = 0;
std::array<bool, kOpenSteps> g_openMarked = {};

std::wstring OpenProperty(size_t i) { return std::wstring(kOpenPropPrefix) + kOpenStepNames[i]; }

}  // namespace

void MarkOpen(HWND window, OpenStep step) {
  const size_t i = static_cast<size_t>(step);
  if (!window || i >= kOpenSteps) return;
  const int64_t now = Now();
  if (step == OpenStep::kPrepared) {
    for (size_t k = 0; k < kOpenSteps; ++k) ::RemovePropW(window, OpenProperty(k).c_str());
    g_openMarked = {};
    g_openBegin = now;
  }
  if (g_openBegin == 0 || g_openMarked[i] || (i > 0 && !g_openMarked[i - 1])) return;
  g_openMarked[i] = true;
  const uintptr_t value = MicrosValue(now - g_openBegin, TicksPerSecond());
  if (value) ::SetPropW(window, OpenProperty(i).c_str(), reinterpret_cast<HANDLE>(value));
}

}  // namespace quill::app
