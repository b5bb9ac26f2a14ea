// Benchmark: the time to probe a recording and read everything the player reads from it when a
// movie is opened (Load, the "mvhd" scan and the "stts" path walk) for a recording whose "mdat" is
// 4 GB, against the same recording with a 4 MB "mdat", measured in one run. Both files are sparse
// and are made beside this program and deleted afterwards. Last line: "recorder-load: <ratio>".
#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/file_map.h"
#include "playcore/recorder/recorder_probe.h"
#include "tests/recorder/recorder_fixture.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace playcore;
using namespace quill::test;

constexpr int kRounds = 40;
constexpr int kRecords = 600;  // a minute of drive data
constexpr uint64_t kLargeMdat = 4ull << 30;
constexpr uint64_t kSmallMdat = 4ull << 20;

double NowMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// One full reading; false when anything failed (the benchmark then means nothing).
bool ReadRecording(const std::wstring& path) {
  if (!ProbeRecorderFile(path.c_str())) return false;
  ScopedFileMap data;
  if (!data->Load(path.c_str()) || data->gpsPoints->size() != kRecords) return false;
  ScopedFileMap movie;
  if (!movie->OpenFile(path.c_str())) return false;
  sTAGENTRY mvhd = MvhdEntry(), moov = MoovEntry(), stts = SttsEntry();
  float seconds = 0.0f;
  return movie->ScanForTag(&mvhd, &moov, &seconds) == 1 && seconds > 1.5f &&
         movie->WalkBoxPath(&stts) == 1 && movie->timeScale > 0.0f;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::wstring Beside(const wchar_t* name) {
  wchar_t exe[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring dir(exe, n);
  return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

}  // namespace

int main() {
  std::wstring large = Beside(L"bench_recorder_4g.mp4"), small = Beside(L"bench_recorder_4m.mp4");
  std::string tail = MoovBox(1000, 60000, {33333, 33334, 33333}, 3) +
                     GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(kRecords));
  bool made = WriteSparseMovie(large, FtypBox(), kLargeMdat, tail) &&
              WriteSparseMovie(small, FtypBox(), kSmallMdat, tail);
  std::vector<double> largeMs, smallMs;
  bool ok = made && ReadRecording(large) && ReadRecording(small);  // warm-up, and a check
  for (int i = 0; ok && i < kRounds; ++i) {
    double t0 = NowMs();
    ok = ReadRecording(large);
    double t1 = NowMs();
    ok = ok && ReadRecording(small);
    double t2 = NowMs();
    largeMs.push_back(t1 - t0);
    smallMs.push_back(t2 - t1);
  }
  DeleteFileW(large.c_str());
  DeleteFileW(small.c_str());
  if (!ok) {
    fprintf(stderr, "recorder-load: the test recordings could not be %s\n", made ? "read" : "made");
    return 1;
  }
  double l = Median(largeMs), s = Median(smallMs);
  printf("probe + Load + time scale, median of %d: 4 GB mdat %.3f ms, 4 MB mdat %.3f ms\n", kRounds, l, s);
  printf("recorder-load: %.3f\n", s > 0 ? l / s : 0.0);
  return 0;
}
