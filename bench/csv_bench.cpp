// The CSV benchmark (bench/csv.sh): a card of 10,000 recordings (20,000 files in day folders, each a
// generated recording with its media cut short) exported to a CSV file, against the folder scan that
// collects the same card into the pair list. Both run several times in one process, alternately, and
// the best time of each counts. Last line: "csv-vs-scan: <ratio>".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tavrin/app/tools/csv_export.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

constexpr int kDefaultRecordings = 10000;
constexpr int kPerDay = 500;
constexpr int kRounds = 3;
int g_recordings = kDefaultRecordings;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool MakeCard(const std::wstring& root, const std::string& main, const std::string& rear) {
  for (int i = 0; i < g_recordings; ++i) {
    const int day = i / kPerDay, n = i % kPerDay;
    wchar_t folder[MAX_PATH], mainPath[MAX_PATH], rearPath[MAX_PATH];
    swprintf(folder, MAX_PATH, L"%ls\\202401%02d_001", root.c_str(), day + 1);
    if (n == 0 && !quill::test::MakeFolders(folder)) return false;
    const int t = 6 * 3600 + n * 60;
    const wchar_t trigger = L"AGMPS"[n % 5];
    swprintf(mainPath, MAX_PATH, L"%ls\\%03d_%02d%02d%02d%lc_M.MP4", folder, n, t / 3600, t / 60 % 60, t % 60,
             trigger);
    swprintf(rearPath, MAX_PATH, L"%ls\\%03d_%02d%02d%02d%lc_R.MP4", folder, n, t / 3600, t / 60 % 60, t % 60,
             trigger);
    if (!quill::test::WriteFileBytes(mainPath, main) || !quill::test::WriteFileBytes(rearPath, rear)) return false;
  }
  return true;
}

RecordingList Scan(const std::wstring& root) {
  RecordingList list;
  ResetRecordingSerial();
  ScanRecordingTree(root.c_str(), list, nullptr, 0);
  GroupRecordings(list);
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_recordings = std::max(kPerDay, std::min(kDefaultRecordings, std::atoi(argv[1])));
  const char* templateDir = std::getenv("QUILL_CSV_TEMPLATE");
  if (!templateDir) {
    std::printf("csv-vs-scan: QUILL_CSV_TEMPLATE names no template folder\n");
    return 1;
  }
  const std::string base = templateDir;
  const std::string main = quill::test::ReadHostFile(base + "/M.MP4");
  const std::string rear = quill::test::ReadHostFile(base + "/R.MP4");
  quill::test::TempDir dir;
  const std::wstring root = dir.path() + L"card";
  const std::wstring out = dir.path() + L"out";
  CreateDirectoryW(out.c_str(), nullptr);
  auto t0 = std::chrono::steady_clock::now();
  if (main.empty() || rear.empty() || !MakeCard(root, main, rear)) {
    std::printf("csv-vs-scan: the card could not be written\n");
    return 1;
  }
  std::printf("card: %d recordings (%zu + %zu bytes a pair) written in %.1f s\n", g_recordings, main.size(),
              rear.size(), Seconds(t0));
  double scanBest = 1e9, csvBest = 1e9;
  size_t records = 0;
  std::string firstLine;
  for (int round = 0; round < kRounds; ++round) {
    t0 = std::chrono::steady_clock::now();
    RecordingList list = Scan(root);
    scanBest = std::min(scanBest, Seconds(t0));
    records = list.size();
    tools::CsvExportJob job;
    job.folder = out;
    job.collect = [&list] { return list; };
    std::wstring written;
    job.writtenPath = &written;
    ToolCallbacks callbacks;
    callbacks.messageBox = [](const wchar_t*, const wchar_t*, unsigned) { return kMsgBoxAnswerOk; };
    t0 = std::chrono::steady_clock::now();
    const tools::CsvExportResult result = tools::RunCsvExport(job, callbacks);
    csvBest = std::min(csvBest, Seconds(t0));
    if (result != tools::CsvExportResult::kDone) {
      std::printf("csv-vs-scan: the export failed\n");
      return 1;
    }
    const std::string text = quill::test::ReadBytes(written);
    const size_t a = text.find("\r\n") + 2;
    firstLine = text.substr(a, text.find("\r\n", a) - a);
  }
  quill::test::RemoveTree(root);
  std::printf("scan: %zu records in %.3f s; CSV export: %.3f s (best of %d)\n", records, scanBest, csvBest, kRounds);
  std::printf("first line: %s\n", firstLine.c_str());
  std::printf("csv-vs-scan: %.2f\n", csvBest / scanBest);
  return 0;
}
