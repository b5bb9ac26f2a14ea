// The CSV export against the generated card: every line byte for byte in code page 932 from the
// generator's manifest, the file name, the overwrite question, and failures that leave no file.
#include "tavrin/app/tools/csv_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "tests/names/card_fixture.h"
#include "tests/support/recording_paths.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

using quill::test::TempDir;

// The trigger letter's text as code page 932 bytes (the UI texts of the Japanese row).
const std::map<char, std::string> kTriggerBytes = {
    {'A', "\x8F\xED\x8E\x9E"},                  // 常時
    {'G', "\x8F\xD5\x8C\x82"},                  // 衝撃
    {'M', "\x83\x7D\x83\x6A\x83\x85\x83\x41\x83\x8B"},  // マニュアル
    {'P', "\x92\x93\x8E\xD4"},                  // 駐車
    {'T', "\x92\x93\x8E\xD4"},
    {'S', "\x92\x93\x8E\xD4\x8F\xD5\x8C\x82"},  // 駐車衝撃
    {'U', "\x92\x93\x8E\xD4\x8F\xD5\x8C\x82"},
    {'O', "\x91\xAC\x93\x78\x8E\xE6\x92\xF7\x8B\x40"},  // 速度取締機
    {'R', "\x83\x8C\x81\x5B\x83\x5F\x81\x5B"},  // レーダー
};
// ファイル名1,ファイル名2,日付,開始時刻,録画時間,録画トリガー,リヤ録画サイズ,フレームレート,
// メインカメラデータサイズ,リヤカメラデータサイズ
const std::string kHeaderBytes =
    "\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC" "1,\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC" "2,"
    "\x93\xFA\x95\x74,\x8A\x4A\x8E\x6E\x8E\x9E\x8D\x8F,\x98\x5E\x89\xE6\x8E\x9E\x8A\xD4,"
    "\x98\x5E\x89\xE6\x83\x67\x83\x8A\x83\x4B\x81\x5B,\x83\x8A\x83\x84\x98\x5E\x89\xE6\x83\x54\x83\x43"
    "\x83\x59,\x83\x74\x83\x8C\x81\x5B\x83\x80\x83\x8C\x81\x5B\x83\x67,\x83\x81\x83\x43\x83\x93\x83\x4A"
    "\x83\x81\x83\x89\x83\x66\x81\x5B\x83\x5E\x83\x54\x83\x43\x83\x59,\x83\x8A\x83\x84\x83\x4A\x83\x81"
    "\x83\x89\x83\x66\x81\x5B\x83\x5E\x83\x54\x83\x43\x83\x59\r\n";

std::string Narrow(const wchar_t* w) { return std::string(w, w + wcslen(w)); }

// What the generator says about each file, by file name.
struct Manifest {
  std::map<std::string, quill::test::TableRow> files;
  std::map<std::string, std::string> firstTime;  // "YYYY-MM-DD hh:mm:ss" of the first data record

  static Manifest Load() {
    Manifest m;
    const std::string dir = quill::test::RecordingsDirUnix();
    for (const auto& row : quill::test::ReadHostTable(dir + "/manifest-files.tsv")) {
      const std::string path = row.at("path");
      m.files[path.substr(path.rfind('/') + 1)] = row;
    }
    for (const auto& row : quill::test::ReadHostTable(dir + "/manifest-records.tsv")) {
      const std::string path = row.at("path");
      const std::string name = path.substr(path.rfind('/') + 1);
      if (!m.firstTime.count(name)) m.firstTime[name] = row.at("local_time");
    }
    return m;
  }

  // The line the export must write for a record, built from the manifest alone.
  std::string Line(const sRECORDINGPAIR& r) const {
    const std::string mainName = Narrow(r.szMainName);
    const std::string rearName = Narrow(r.szRearName);
    const std::string movie = mainName.empty() ? rearName : mainName;
    const quill::test::TableRow& m = files.at(movie);
    const double fps = quill::test::NumberOf(m, "fps");
    const long long seconds = static_cast<long long>(quill::test::IntOf(m, "frames") / fps);
    const std::string t = firstTime.at(movie);  // "2024-03-15 09:30:00"
    std::string date = t.substr(0, 10);
    for (char& c : date) c = c == '-' ? '/' : c;
    const long long rearWidth = rearName.empty() ? -1 : quill::test::IntOf(files.at(rearName), "width");
    const char* rearSize = rearWidth == 1920 ? "Full HD" : rearWidth == 1280 ? "HD" : "-";
    const long long mainMb = mainName.empty() ? 0 : quill::test::IntOf(files.at(mainName), "size") >> 20;
    const long long rearMb = rearName.empty() ? 0 : quill::test::IntOf(files.at(rearName), "size") >> 20;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%s,%s,%s,%s,%02lld:%02lld:%02lld,%s,%s,%.1ffps,%lldMB,%lldMB\r\n",
                  mainName.empty() ? "-" : mainName.c_str(), rearName.empty() ? "-" : rearName.c_str(),
                  date.c_str(), t.substr(11, 8).c_str(), seconds / 3600, (seconds / 60) % 60, seconds % 60,
                  kTriggerBytes.at(movie[10]).c_str(), rearSize, fps, mainMb, rearMb);
    return buffer;
  }
};

std::wstring CardFolder() { return quill::test::RecordingsDir() + L"card\\"; }

struct Export {
  tools::CsvExportJob job;
  quill::test::MessageLog log;
  int storedFolders = 0;
  std::wstring written;

  Export(const std::wstring& folder, RecordingList records) {
    job.folder = folder;
    job.collect = [records] { return records; };
    job.storeFolder = [this](const std::wstring&) { return ++storedFolders > 0; };
    job.writtenPath = &written;
  }
  tools::CsvExportResult Run() { return tools::RunCsvExport(job, log.Callbacks()); }
};

TEST(CsvExport, WritesEveryRecordingOfTheCardAsTheManifestDescribesIt) {
  const Manifest manifest = Manifest::Load();
  ASSERT_FALSE(manifest.files.empty());
  const RecordingList card = quill::test::ScanCard(CardFolder());
  ASSERT_EQ(card.size(), 11u);

  TempDir out;
  Export run(out.path(), card);
  ASSERT_EQ(run.Run(), tools::CsvExportResult::kDone);
  EXPECT_TRUE(run.log.shown.empty());
  EXPECT_EQ(run.storedFolders, 1);

  // Named after the local start time of the first recording; the only file in the folder.
  const std::string first = manifest.firstTime.at(Narrow(card[0].szMainName[0] ? card[0].szMainName
                                                                                : card[0].szRearName));
  std::string stamp = first;
  for (char c : std::string("-: ")) stamp.erase(std::remove(stamp.begin(), stamp.end(), c), stamp.end());
  const std::wstring name = L"Dv_" + std::wstring(stamp.begin(), stamp.begin() + 8) + L"_" +
                            std::wstring(stamp.begin() + 8, stamp.end()) + L".csv";
  EXPECT_EQ(quill::test::FilesIn(out.path()), std::vector<std::wstring>{name});
  EXPECT_EQ(run.written, out.path() + name);

  std::string expected = kHeaderBytes;
  bool mainOnly = false, rearOnly = false;
  for (const sRECORDINGPAIR& r : card) {
    expected += manifest.Line(r);
    mainOnly |= r.szRearName[0] == 0;
    rearOnly |= r.szMainName[0] == 0;
  }
  EXPECT_TRUE(mainOnly && rearOnly) << "the card lost its main-only or rear-only recording";
  const std::string actual = quill::test::ReadBytes(out.path() + name);
  EXPECT_EQ(actual, expected);
}

TEST(CsvExport, AsksOnlyAboutAnExistingFileNamedFromTheFirstReadableRecording) {
  // Regression: an unreadable first recording asked the overwrite question and then failed.
  const RecordingList card = quill::test::ScanCard(CardFolder());
  quill::test::TempDir junk;
  const std::wstring broken = junk.path() + L"001_000000A_M.MP4";
  ASSERT_TRUE(quill::test::WriteFileBytes(broken, "not a movie"));
  RecordingList list;
  ASSERT_TRUE(AddRecordingPair(broken.c_str(), L"", list));
  list.push_back(card[1]);
  SYSTEMTIME second;
  ASSERT_TRUE(tools::ReadRecordTime(card[1], &second));
  const struct {
    bool fileExists;
    int answer;
    tools::CsvExportResult result;
    size_t questions;
  } cases[] = {{false, 2, tools::CsvExportResult::kDone, 0},
                        {true, 2, tools::CsvExportResult::kDeclined, 1},
                        {true, kMsgBoxAnswerOk, tools::CsvExportResult::kDone, 1}};
  for (const auto& c : cases) {
    TempDir out;
    const std::wstring path = out.path() + tools::CsvFileName(second);
    if (c.fileExists) {
      ASSERT_TRUE(quill::test::WriteFileBytes(path, "kept by the user"));
    }
    Export run(out.path(), list);
    run.log.answers = {c.answer};
    EXPECT_EQ(run.Run(), c.result);
    EXPECT_EQ(run.log.Questions(), c.questions);
    EXPECT_EQ(run.storedFolders, c.result == tools::CsvExportResult::kDone ? 1 : 0);
    EXPECT_EQ(quill::test::FilesIn(out.path()), std::vector<std::wstring>{tools::CsvFileName(second)});
    const std::string text = quill::test::ReadBytes(path);
    EXPECT_EQ(text == "kept by the user", c.result == tools::CsvExportResult::kDeclined);
    EXPECT_TRUE(c.result != tools::CsvExportResult::kDone ||
                text.find("\r\n001_000000A_M.MP4,-,-,-,-,-,-,fps,0MB,0MB\r\n") != std::string::npos) << text;
  }
  // With no readable recording at all: the failure message, no question, no file, no folder stored.
  TempDir out;
  Export none(out.path(), RecordingList(list.begin(), list.begin() + 1));
  EXPECT_EQ(none.Run(), tools::CsvExportResult::kFailed);
  ASSERT_EQ(none.log.shown.size(), 1u);
  EXPECT_EQ(none.log.shown[0].caption, L"ERROR");
  EXPECT_TRUE(quill::test::FilesIn(out.path()).empty());
  EXPECT_EQ(none.storedFolders, 0);
}

// The real file output, failing the write or the rename it is told to.
class FailingOutput : public tools::CsvOutput {
 public:
  FailingOutput(int failWrite, bool failCommit) : failWrite_(failWrite), failCommit_(failCommit) {}
  bool Open(const std::wstring& folder) override { return real_->Open(folder); }
  bool Write(const std::string& bytes) override { return ++writes_ != failWrite_ && real_->Write(bytes); }
  bool Commit(const std::wstring& path) override { return !failCommit_ && real_->Commit(path); }
  void Discard() override { real_->Discard(); }

 private:
  std::unique_ptr<tools::CsvOutput> real_ = tools::MakeFileCsvOutput();
  int writes_ = 0;
  int failWrite_;
  bool failCommit_;
};

TEST(CsvExport, AFailedWriteLeavesNoFileAndStoresNoFolder) {
  // The full disk: a small file system filled to its last block by the test bed (QUILL_FULL_DISK), when
  // the tests run as root; the other failures are made in the real output.
  const char* full = std::getenv("QUILL_FULL_DISK");
  std::wstring fullDisk = full && *full ? quill::test::HostPathToWindows(full) : L"";
  if (!fullDisk.empty() && fullDisk.back() != L'\\') fullDisk += L'\\';
  const bool haveFullDisk = !fullDisk.empty() && quill::test::FileExists(fullDisk + L"FULL");
  const struct {
    const char* what;
    int failWrite;
    bool failCommit, fullDisk;
  } cases[] = {{"header", 1, false, false}, {"third line", 4, false, false}, {"rename", 0, true, false},
                        {"full disk", 0, false, true}};
  for (const auto& c : cases) {
    if (c.fullDisk && !haveFullDisk) {
      std::printf("no full disk in this test bed (needs root): that case is skipped\n");
      continue;
    }
    TempDir out;
    const std::wstring folder = c.fullDisk ? fullDisk : out.path();
    const std::vector<std::wstring> before = quill::test::FilesIn(folder);
    Export run(folder, quill::test::ScanCard(CardFolder()));
    if (!c.fullDisk) {
      run.job.makeOutput = [&c] { return std::make_unique<FailingOutput>(c.failWrite, c.failCommit); };
    }
    EXPECT_EQ(run.Run(), tools::CsvExportResult::kFailed) << c.what;
    EXPECT_EQ(quill::test::FilesIn(folder), before) << c.what;
    EXPECT_EQ(run.storedFolders, 0) << c.what;
    ASSERT_EQ(run.log.shown.size(), 1u) << c.what;
    EXPECT_EQ(run.log.shown[0].caption, L"ERROR");
  }
}

// Regression: a record whose line is longer than a line may be came out as an empty line, was
// dropped, and the export said "done". It fails the export now; and a stop at the program's close
// keeps no file either.
TEST(CsvExport, ALineTooLongOrAStopAtCloseLeavesNoFile) {
  RecordingList records = quill::test::ScanCard(CardFolder());
  sRECORDINGPAIR huge = {};
  const std::wstring name(255, L'n');
  wcscpy(huge.szMainName, (name + L"_M.MP4").c_str());
  wcscpy(huge.szRearName, (name + L"_R.MP4").c_str());
  records.insert(records.begin() + 1, huge);
  struct Case {
    const char* what;
    RecordingList records;
    bool running;      // the worker-running word
    bool keepPartial;  // the user's stop (true) or the program's close (false)
    tools::CsvExportResult result;
    size_t messages;
  } cases[] = {
      {"a line too long", records, true, true, tools::CsvExportResult::kFailed, 1},
      {"stopped at close", quill::test::ScanCard(CardFolder()), false, false, tools::CsvExportResult::kCancelled, 0},
  };
  for (const Case& c : cases) {
    TempDir out;
    Export run(out.path(), c.records);
    run.job.keepPartial = [&c] { return c.keepPartial; };
    ToolCallbacks callbacks = run.log.Callbacks();
    callbacks.keepRunning = [&c] { return c.running; };
    EXPECT_EQ(tools::RunCsvExport(run.job, callbacks), c.result) << c.what;
    EXPECT_TRUE(quill::test::FilesIn(out.path()).empty()) << c.what;
    EXPECT_EQ(run.storedFolders, 0) << c.what;
    EXPECT_EQ(run.log.shown.size(), c.messages) << c.what;
  }
}

TEST(CsvExport, LinesOfMoviesThatCannotBeMeasured) {
  sRECORDINGPAIR r = {};
  wcscpy(r.szMainName, L"001_093000A_M.MP4");
  wcscpy(r.szMainPath, L"C:\\001_093000A_M.MP4");
  tools::CsvRecordFacts f;
  f.movieRead = f.timeRead = true;
  f.time = {2024, 3, 5, 15, 9, 30, 0, 0};
  const wchar_t* kUnmeasured = L"001_093000A_M.MP4,-,-,-,-,-,-,fps,0MB,0MB\r\n";
  const struct {
    int64_t samples;
    float rate;
    WORD year;
    const wchar_t* expected;
  } cases[] = {
      {45, 30.0f, 2024, kUnmeasured},  // exactly 1.5 s
      {60, 27.6f, 2024, L"001_093000A_M.MP4,-,2024/03/15,09:30:00,00:00:02,常時,-,27.5fps,0MB,0MB\r\n"},
      {60, 5.2f, 2024, L"001_093000A_M.MP4,-,2024/03/15,09:30:00,00:00:12,常時,-,5.0fps,0MB,0MB\r\n"},
      {60, 30.0f, 0, L"001_093000A_M.MP4,-,--/--/--,--:--:--,00:00:02,常時,-,30.0fps,0MB,0MB\r\n"},
      {60, 0.0f, 2024, kUnmeasured},
      {60, -1.0f, 2024, kUnmeasured},
  };
  for (const auto& c : cases) {
    f.samples = c.samples;
    f.frameRate = c.rate;
    f.time.wYear = c.year;
    EXPECT_EQ(tools::FormatCsvLine(r, f), c.expected) << c.samples << " " << c.rate;
  }
  f.time.wYear = 2024;
  f.frameRate = 30.0f;
  f.mainBytes = 1048575;
  f.rearBytes = 1048576;
  f.rearWidth = 1920;
  wcscpy(r.szRearName, L"001_093000A_R.MP4");
  EXPECT_EQ(tools::FormatCsvLine(r, f),
            L"001_093000A_M.MP4,001_093000A_R.MP4,2024/03/15,09:30:00,00:00:02,常時,Full HD,30.0fps,0MB,1MB\r\n");
  EXPECT_EQ(tools::CsvFileName(SYSTEMTIME{}), L"") << "no file name from a time that names no moment";
}

}  // namespace
