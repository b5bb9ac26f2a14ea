// The scan benchmark (bench/scan-vs-walk.sh): a card of 10,000 recordings (20,000 tiny files in day
// folders) collected into the pair list, against a bare walk of the same tree that opens every file and
// reads its first 260 and last 85 bytes, the least any probe reads. Both run several times in one
// process, alternately, and the best time of each counts. Last line: "scan-vs-walk: <ratio>".
#include "tavrin/browser/recording_pair.h"
#include "tavrin/browser/recording_probe.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kDefaultRecordings = 10000;
constexpr int kPerDay = 500;
int kRecordings = kDefaultRecordings;  // argv[1] may ask for fewer, for quick looks
constexpr int kRounds = 3;
constexpr DWORD kHeadBytes = 260;
constexpr LONGLONG kTailBytes = 85;

bool MakeCard(const std::wstring& root) {
  const std::string bytes = quill::test::TinyRecordingBytes(64);
  for (int i = 0; i < kRecordings; ++i) {
    const int day = i / kPerDay, n = i % kPerDay;
    wchar_t folder[MAX_PATH], main[MAX_PATH], rear[MAX_PATH];
    swprintf(folder, MAX_PATH, L"%ls\\202401%02d_001", root.c_str(), day + 1);
    if (n == 0 && !quill::test::MakeFolders(folder)) return false;
    const int t = 6 * 3600 + n * 60;  // one a minute; every fourth rear file starts 2 s later
    const int r = t + (n % 4 == 3 ? 2 : 0);
    const wchar_t trigger = L"AGMPS"[n % 5];
    swprintf(main, MAX_PATH, L"%ls\\%03d_%02d%02d%02d%lc_M.MP4", folder, n, t / 3600, t / 60 % 60, t % 60,
             trigger);
    swprintf(rear, MAX_PATH, L"%ls\\%03d_%02d%02d%02d%lc_R.MP4", folder, n, r / 3600, r / 60 % 60, r % 60,
             trigger);
    if (!quill::test::WriteFileBytes(main, bytes) || !quill::test::WriteFileBytes(rear, bytes)) return false;
  }
  return true;
}

// Opens the file and reads its head and its tail, as the cheapest probe must.
bool ReadHeadAndTail(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char head[kHeadBytes], tail[kTailBytes];
  DWORD got = 0;
  LARGE_INTEGER at;
  at.QuadPart = -kTailBytes;
  const bool ok = ReadFile(h, head, sizeof head, &got, nullptr) && SetFilePointerEx(h, at, nullptr,
      FILE_END) &&
                  ReadFile(h, tail, sizeof tail, &got, nullptr);
  CloseHandle(h);
  return ok;
}

int Walk(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int files = 0;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      files += Walk(folder + L"\\" + name);
    } else if (ReadHeadAndTail(folder + L"\\" + name)) {
      ++files;
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return files;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int AcceptAll(const wchar_t*) { return 1; }

double TimeScan(const std::wstring& root, size_t* records) {
  const auto t0 = std::chrono::steady_clock::now();
  RecordingList list;
  ResetRecordingSerial();
  ScanRecordingTree(root.c_str(), list, nullptr, 0);
  GroupRecordings(list);
  *records = list.size();
  return Seconds(t0);
}

int main(int argc, char** argv) {
  if (argc > 1) kRecordings = std::max(kPerDay, std::min(kDefaultRecordings, std::atoi(argv[1])));
  quill::test::TempDir dir;
  const std::wstring root = dir.path() + L"card";
  auto t0 = std::chrono::steady_clock::now();
  if (dir.path().empty() || !MakeCard(root)) {
    std::printf("scan-vs-walk: the card could not be written\n");
    return 1;
  }
  std::printf("card: %d recordings, %d files in %d day folders, written in %.1f s\n", kRecordings,
              2 * kRecordings, kRecordings / kPerDay, Seconds(t0));
  double walkBest = 1e9, scanBest = 1e9;
  int files = 0;
  size_t records = 0;
  for (int round = 0; round < kRounds; ++round) {
    t0 = std::chrono::steady_clock::now();
    files = Walk(root);
    walkBest = std::min(walkBest, Seconds(t0));
    scanBest = std::min(scanBest, TimeScan(root, &records));
  }
  // The scan's own work, without the probe's file reads.
  size_t unprobed = 0;
  SetRecordingProbe(&AcceptAll);
  const double rulesOnly = TimeScan(root, &unprobed);
  SetRecordingProbe(nullptr);
  std::printf("scan with a probe that reads nothing: %.3f s\n", rulesOnly);
  quill::test::RemoveTree(root);
  std::printf("bare walk: %d files in %.3f s; scan: %u records in %.3f s (best of %d)\n", files, walkBest,
              static_cast<unsigned>(records), scanBest, kRounds);
  if (files != 2 * kRecordings || records != static_cast<size_t>(kRecordings)) {
    std::printf("scan-vs-walk: wrong counts\n");
    return 1;
  }
  std::printf("scan-vs-walk: %.2f\n", scanBest / walkBest);
  return 0;
}
