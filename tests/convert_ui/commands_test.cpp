// The join and upload-conversion commands: name rules, room checks on the output folder, the overwrite
// questions, the tool workers' messages, and real joins of generated recordings through the command.
#include <gtest/gtest.h>

#include <algorithm>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "tavrin/app/tools/convert_tools.h"
#include "tavrin/browser/file_select_dlg.h"
#include "tests/join/join_check.h"
#include "tests/join/join_fixture.h"
#include "tests/support/recording_paths.h"

namespace {

using namespace quill::app;
using quill::test::CountEntries;
using quill::test::Fingerprint;
using quill::test::TempDir;

sRECORDINGPAIR Pair(const std::wstring& mainPath, const std::wstring& rearPath, uint64_t mainSize = 100,
                    uint64_t rearSize = 50) {
  sRECORDINGPAIR r = {};
  wcsncpy(r.szMainPath, mainPath.c_str(), kRecordingPathChars - 1);
  wcsncpy(r.szMainName, FileNamePart(mainPath).c_str(), kRecordingPathChars - 1);
  wcsncpy(r.szRearPath, rearPath.c_str(), kRecordingPathChars - 1);
  wcsncpy(r.szRearName, FileNamePart(rearPath).c_str(), kRecordingPathChars - 1);
  r.uMainSize = mainPath.empty() ? 0 : mainSize;
  r.uRearSize = rearPath.empty() ? 0 : rearSize;
  return r;
}

sRECORDINGPAIR Plain(const std::wstring& stem) {
  return Pair(L"E:\\D\\" + stem + L"_M.MP4", L"E:\\D\\" + stem + L"_R.MP4");
}

TEST(JoinNames, TableOfPicksAndCameras) {
  const RecordingList three = {Pair(L"D:\\r\\JM02_1_M.MP4", L"D:\\r\\JM02_1_R.MP4"), Plain(L"2"),
                               Plain(L"3")};
  const RecordingList rearJoined = {Pair(L"D:\\r\\1_M.MP4", L"D:\\r\\JR03_1_R.MP4"), Plain(L"2")};
  const std::wstring deep = L"F:\\" + std::wstring(240, L'd');  // fits alone, not with a name
  struct Case {
    RecordingList picked;
    std::wstring folder;
    int camera, result;
    const wchar_t *main, *rear;
  } cases[] = {
      {three, L"F:\\o\\", 1, kStepGoOn, L"F:\\o\\JM04_1_M.MP4", L""},
      {three, L"F:\\o", 2, kStepGoOn, L"", L"F:\\o\\JR04_1_R.MP4"},
      {three, L"F:\\o", 3, kStepGoOn, L"F:\\o\\JB04_1_M.MP4", L"F:\\o\\JB04_1_R.MP4"},
      {rearJoined, L"F:\\o", 0, kStepGoOn, L"F:\\o\\JN02_1_M.MP4", L"F:\\o\\JN04_1_R.MP4"},
      {{Pair(L"D:\\a\\JM98_x_M.MP4", L""), Plain(L"2")}, L"F:\\o", 1, kStepGoOn, L"F:\\o\\JM99_x_M.MP4", L""},
      // Refused: a three-digit count, the output being the picked file, no main file, nothing picked, a long
      // path.
      {{Pair(L"D:\\a\\JM98_x_M.MP4", L""), Plain(L"2"), Plain(L"3")}, L"F:\\o", 1, kStepFailed, L"", L""},
      {{Pair(L"D:\\Joined\\JM02_x_M.MP4", L"")}, L"d:\\joined", 1, kStepFailed, L"", L""},
      {{Pair(L"", L"D:\\r_R.MP4")}, L"F:\\o", 1, kStepFailed, L"", L""},
      {{}, L"F:\\o", 1, kStepFailed, L"", L""},
      {{Plain(L"001_093000A")}, deep, 3, kStepFailed, L"", L""},
  };
  for (const Case& c : cases) {
    JoinNames names;
    std::string why;
    EXPECT_EQ(MakeJoinNames(c.picked, c.folder, c.camera, &names, &why), c.result) << c.main;
    EXPECT_EQ(names.mainOut, c.main);
    EXPECT_EQ(names.rearOut, c.rear);
  }
  EXPECT_EQ(JoinPieceCount(L"JMab_x"), 1u);
  EXPECT_EQ(ConvertedName(L"F:\\Jo\\JM03_x_M.MP4"), L"F:\\Jo\\YM03_x_M.MP4");
  EXPECT_EQ(UploadOutputName(L"F:\\up", Plain(L"1")), L"F:\\up\\YM01_1_M.MP4");
  EXPECT_EQ(UploadOutputName(deep, Plain(L"001_093000A")), L"");
}

JoinHooks Quiet(std::map<std::wstring, uint64_t>* freeBytes, std::vector<std::wstring>* asked) {
  JoinHooks hooks;
  hooks.freeSpace = [freeBytes, asked](const std::wstring& folder, uint64_t* bytes) {
    asked->push_back(folder);
    if (!freeBytes->count(folder)) return false;
    *bytes = freeBytes->at(folder);
    return true;
  };
  hooks.exists = [](const std::wstring&) { return false; };
  hooks.convert = [](const std::wstring&, const std::wstring&, const ConvertOptions&, float) { return 0; };
  return hooks;
}

TEST(CommandRoom, TheOutputFolderDecides) {
  std::map<std::wstring, uint64_t> disk = {{L"F:\\o", 300}, {L"\\\\srv\\share\\c", 1000}, {L"E:\\D", 0}};
  std::vector<std::wstring> asked;
  const JoinHooks hooks = Quiet(&disk, &asked);
  JoinRequest join{{Plain(L"1"), Plain(L"2")}, L"F:\\o", 3, false};  // 2 x (100 + 50) bytes
  JoinOutcome outcome;
  bool confirmed = false;
  EXPECT_EQ(PrepareJoin(join, hooks, &outcome, &confirmed), kStepFailed) << "equal to the free bytes";
  join.camera = 1;  // only the main files are written again
  EXPECT_EQ(PrepareJoin(join, hooks, &outcome, &confirmed), kStepGoOn);
  // Upload conversion from a full card into a share with room; a full output folder refuses.
  const sRECORDINGPAIR current = Plain(L"1"), rearOnly = Pair(L"", L"E:\\D\\1_R.MP4");
  std::wstring out;
  std::string why;
  asked.clear();
  EXPECT_EQ(RunUploadConvertCommand({&current, L"\\\\srv\\share\\c"}, hooks, &out, &why), kStepGoOn) << why;
  EXPECT_EQ(asked, std::vector<std::wstring>{L"\\\\srv\\share\\c"});
  EXPECT_EQ(RunUploadConvertCommand({&current, L"E:\\D"}, hooks, &out, &why), kStepFailed);
  EXPECT_EQ(RunUploadConvertCommand({nullptr, L"F:\\o"}, hooks, &out, &why), kStepFailed);
  EXPECT_EQ(RunUploadConvertCommand({&rearOnly, L"F:\\o"}, hooks, &out, &why), kStepFailed);
}

// The output is written twice before the first copy goes (the writer's file and its rewrite): the
// room counts both, and a refusal says which drive lacks how much.
TEST(CommandRoom, ConversionsCountTheirFileTwiceAndARefusalSaysWhy) {
  const sRECORDINGPAIR current = Plain(L"1");  // 100 + 50 bytes
  const struct {
    const wchar_t* folder;
    uint64_t freeBytes;
    int result;
    const wchar_t* reason;
  } uploads[] = {
      {L"F:\\o", 301, kStepGoOn, L""},
      {L"F:\\o", 300, kStepFailed, L"出力先ドライブ F: の空き容量が 1 KB 足りません。"},
      {L"\\\\srv\\share\\c", 150, kStepFailed, L"出力先ドライブ \\\\srv\\share の空き容量が 1 KB 足りません。"},
  };
  for (const auto& c : uploads) {
    std::map<std::wstring, uint64_t> disk = {{c.folder, c.freeBytes}};
    std::vector<std::wstring> asked;
    std::wstring out, reason = L"left over";
    std::string why;
    EXPECT_EQ(RunUploadConvertCommand({&current, c.folder}, Quiet(&disk, &asked), &out, &why, &reason), c.result)
        << c.freeBytes;
    EXPECT_EQ(reason, c.reason) << c.freeBytes;
  }
  // A join with the upload conversion: the joined files, and the converted main movie twice.
  const struct {
    bool upload;
    uint64_t freeBytes;
    int result;
  } joins[] = {{false, 301, kStepGoOn}, {true, 301, kStepFailed}, {true, 700, kStepFailed}, {true, 701, kStepGoOn}};
  for (const auto& c : joins) {
    std::map<std::wstring, uint64_t> disk = {{L"F:\\o", c.freeBytes}};
    std::vector<std::wstring> asked;
    JoinOutcome outcome;
    bool confirmed = false;
    const JoinRequest join{{Plain(L"1"), Plain(L"2")}, L"F:\\o", 3, c.upload};  // 300 joined, 200 main
    EXPECT_EQ(PrepareJoin(join, Quiet(&disk, &asked), &outcome, &confirmed), c.result) << c.freeBytes;
    EXPECT_EQ(outcome.reason.empty(), c.result == kStepGoOn) << c.freeBytes;
  }
  EXPECT_EQ(RoomShortText(L"G:\\up\\x", 5ull << 30), L"出力先ドライブ G: の空き容量が 5.0 GB 足りません。");
}

// A join whose first pick lacks the file of a joined camera is refused with the camera named.
TEST(JoinNames, AMissingCameraFileIsNamed) {
  const struct {
    sRECORDINGPAIR first;
    int camera;
    const wchar_t* reason;
  } cases[] = {
      {Pair(L"", L"D:\\r\\1_R.MP4"), 1, L"メインカメラの動画データがありません"},
      {Pair(L"", L"D:\\r\\1_R.MP4"), 3, L"メインカメラの動画データがありません"},
      {Pair(L"D:\\r\\1_M.MP4", L""), 3, L"リヤカメラの動画データがありません"},
      {Pair(L"D:\\r\\1_M.MP4", L""), 2, L"リヤカメラの動画データがありません"},
      {Pair(L"D:\\r\\1_M.MP4", L""), 1, L""},
  };
  for (const auto& c : cases) {
    JoinNames names;
    std::string why;
    std::wstring reason;
    const int expected = c.reason[0] ? kStepFailed : kStepGoOn;
    EXPECT_EQ(MakeJoinNames({c.first, Plain(L"2")}, L"F:\\o", c.camera, &names, &why, &reason), expected);
    EXPECT_EQ(reason, c.reason) << c.camera;
  }
}

TEST(CommandQuestions, OnlyWrittenChannelsAreAsked) {
  std::map<std::wstring, uint64_t> disk = {{L"F:\\o", 1ull << 40}};
  std::vector<std::wstring> asked, existing, questions;
  JoinHooks hooks = Quiet(&disk, &asked);
  int answer = 2;
  hooks.exists = [&](const std::wstring& p) {
    return std::find(existing.begin(), existing.end(), p) != existing.end();
  };
  hooks.ask = [&](const wchar_t* text, const wchar_t*, int) {
    questions.push_back(text);
    return answer;
  };
  struct Case {
    int camera;
    bool upload;
    std::vector<std::wstring> existing;
    int answer, result;
    std::vector<std::wstring> questions;
  } cases[] = {
      {1, false, {L"F:\\o\\JB02_1_R.MP4", L"F:\\o\\JM02_1_R.MP4"}, 2, kStepGoOn, {}},
      {1, false, {L"F:\\o\\JM02_1_M.MP4"}, 2, kStepCancelled, {kJoinedExistsText}},
      {1, true, {L"F:\\o\\YM02_1_M.MP4"}, 2, kStepCancelled, {kConvertedExistsText}},
      // Confirmed once covers the converted file too.
      {1, true, {L"F:\\o\\JM02_1_M.MP4", L"F:\\o\\YM02_1_M.MP4"}, 1, kStepGoOn, {kJoinedExistsText}},
  };
  for (const Case& c : cases) {
    existing = c.existing;
    answer = c.answer;
    questions.clear();
    JoinOutcome outcome;
    bool confirmed = false;
    EXPECT_EQ(
        PrepareJoin({{Plain(L"1"), Plain(L"2")}, L"F:\\o", c.camera, c.upload}, hooks, &outcome, &confirmed),
        c.result);
    EXPECT_EQ(questions, c.questions);
  }
}

// Real joins of the generated card recordings through the command.
class CommandJoin : public ::testing::Test {
 protected:
  void SetUp() override {
    if (quill::test::RecordingsDirUnix().empty()) GTEST_SKIP() << "no recordings";
    std::map<std::string, std::pair<std::string, std::string>> byNumber;
    for (const auto& row :
         quill::test::ReadHostTable(quill::test::RecordingsDirUnix() + "/manifest-files.tsv")) {
      const std::string& path = row.at("path");
      if (path.rfind("card/", 0) != 0) continue;
      auto& pair = byNumber[path.substr(0, path.rfind('/') + 4)];
      (row.at("camera") == "M" ? pair.first : pair.second) = path;
    }
    for (const auto& [key, files] : byNumber) {
      if (files.first.empty() || files.second.empty()) continue;
      const std::wstring m = quill::test::RecordingPath(files.first),
                         r = quill::test::RecordingPath(files.second);
      pairs_.push_back(Pair(m, r, quill::test::FileSizeOf(m), quill::test::FileSizeOf(r)));
    }
    ASSERT_GE(pairs_.size(), 5u);
  }
  std::vector<sRECORDINGPAIR> pairs_;
};

TEST_F(CommandJoin, TwoAndThreeRecordingsPerCamera) {
  for (size_t count : {2u, 3u}) {
    TempDir out;
    const RecordingList picked(pairs_.begin() + 2, pairs_.begin() + 2 + count);
    std::vector<uint64_t> before;
    std::vector<quill::test::Movie> mains, rears;
    for (const auto& p : picked) {
      before.insert(before.end(), {Fingerprint(p.szMainPath), Fingerprint(p.szRearPath)});
      mains.push_back(quill::test::ReadMovie(p.szMainPath));
      rears.push_back(quill::test::ReadMovie(p.szRearPath));
    }
    quill::test::ProgressWindow progress;
    JoinHooks hooks;
    hooks.owner = progress.hwnd();
    JoinOutcome outcome;
    ASSERT_EQ(RunJoinCommand({picked, out.path(), 3, false}, hooks, &outcome), kStepGoOn) << outcome.why;
    const std::wstring prefix = count == 2 ? L"JB02_" : L"JB03_";
    EXPECT_EQ(outcome.names.mainOut, out.path() + prefix + picked[0].szMainName);
    EXPECT_EQ(outcome.names.rearOut, out.path() + prefix + picked[0].szRearName);
    quill::test::ExpectJoinOf(quill::test::ReadMovie(outcome.names.mainOut),
                              mains);  // stsz sums, data records
    quill::test::ExpectJoinOf(quill::test::ReadMovie(outcome.names.rearOut), rears);
    EXPECT_EQ(CountEntries(out.path()), 2) << "no temporary file left";
    for (size_t i = 0; i < picked.size(); ++i) {
      EXPECT_EQ(Fingerprint(picked[i].szMainPath), before[2 * i]);
      EXPECT_EQ(Fingerprint(picked[i].szRearPath), before[2 * i + 1]);
    }
    const auto messages = progress.Drain();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().first, 100u);
  }
}

TEST_F(CommandJoin, RefusalsAndFailuresLeaveNothingBehind) {
  TempDir folder;
  JoinHooks hooks;
  hooks.ask = [](const wchar_t*, const wchar_t*, int) { return 1; };  // "overwrite" must not reach an input
  JoinOutcome outcome;
  // A joined file picked inside the join folder would be its own output.
  const std::wstring joined = folder.path() + L"JM02_" + pairs_[0].szMainName;
  ASSERT_TRUE(CopyFileW(pairs_[0].szMainPath, joined.c_str(), TRUE));
  const uint64_t before = Fingerprint(joined);
  EXPECT_EQ(RunJoinCommand({{Pair(joined, L"", 10)}, folder.path(), 1, false}, hooks, &outcome), kStepFailed);
  EXPECT_EQ(Fingerprint(joined), before);
  // A folder holds the output's name: the joined file cannot take its place.
  const std::wstring blocked = folder.path() + L"JM02_" + pairs_[1].szMainName;
  ASSERT_TRUE(CreateDirectoryW(blocked.c_str(), nullptr));
  EXPECT_EQ(RunJoinCommand({{pairs_[1], pairs_[2]}, folder.path(), 1, false}, hooks, &outcome), kStepFailed);
  EXPECT_EQ(CountEntries(folder.path()), 2);
  RemoveDirectoryW(blocked.c_str());
  // Cancelled before the first append.
  CommandCancel cancel;
  cancel.Cancel();
  hooks.cancel = &cancel;
  EXPECT_EQ(RunJoinCommand({{pairs_[1], pairs_[2]}, folder.path(), 3, false}, hooks, &outcome),
            kStepCancelled);
  EXPECT_EQ(CountEntries(folder.path()), 1);
  // Regression: a conversion cancelled before its first frame left its file.
  EXPECT_EQ(ConvertRecording(nullptr, pairs_[0].szMainPath, folder.path() + L"YM01_x.MP4", {}, 0.0f, &cancel),
            kStepCancelled);
  EXPECT_EQ(CountEntries(folder.path()), 1);
}

// The tool workers with every dialog replaced: what the user sees and what the main dialog is told.
TEST_F(CommandJoin, ToolWorkersMessagesRowFlagsAndFolders) {
  TempDir out;
  const std::wstring folder = out.path().substr(0, out.path().size() - 1);
  std::vector<std::wstring> events;
  ConvertToolHost host;
  host.chooseFolder = [&](const wchar_t* key) {
    events.push_back(key);
    return folder;
  };
  host.message = [&](const wchar_t* text, const wchar_t* caption, UINT type) -> INT_PTR {
    events.push_back(std::wstring(text) + L" " + caption + std::to_wstring(type));
    return IDOK;
  };
  host.stopPlayback = [&] { events.push_back(L"stop"); };
  host.markRows = [&](const RecordingList& picked, bool set) {
    events.push_back((set ? L"mark" : L"unmark") + std::to_wstring(picked.size()));
  };
  host.storeFolder = [&](const wchar_t* key, const std::wstring& f) {
    events.push_back(std::wstring(L"store ") + key + (f == folder ? L"" : L"?"));
  };
  host.options = [](const std::wstring&, ConvertOptions*) { return 0; };
  std::string lastLog;  // the reason behind a failure
  host.log = [&](const std::string& line) {
    events.push_back(L"log");
    lastLog = line;
  };
  host.convert = [&](const std::wstring&, const std::wstring& dst, const ConvertOptions&, float) {
    events.push_back(L"convert " + FileNamePart(dst));
    return 1;
  };
  RecordingList picks;
  int uploadOption = 0;
  host.runSelection = [&](CFileSelectDlg& dlg) -> INT_PTR {
    dlg.m_chosen = picks;
    dlg.m_nUploadOption = uploadOption;
    return picks.empty() ? IDCANCEL : IDOK;
  };
  const std::wstring joinFailed = std::wstring(kJoinFailedText) + L" ERROR0";
  const std::wstring noRearFailed = std::wstring(kJoinFailedText) + L"\r\nリヤカメラの動画データがありません ERROR0";
  const std::wstring convertFailed = std::wstring(kConvertFailedText) + L" ERROR0";
  struct Case {
    RecordingList picks;
    bool upload;
    int result;
    std::vector<std::wstring> events;
  } cases[] = {
      {{pairs_[0], pairs_[1]},
       false,
       kStepGoOn,
       {L"CONNECT_FOLDER", L"mark2", L"stop", L"store CONNECT_FOLDER"}},
      {{Pair(out.path() + L"gone_M.MP4", out.path() + L"gone_R.MP4", 10), pairs_[1]},
       false,
       kStepFailed,
       {L"CONNECT_FOLDER", L"mark2", L"stop", L"log", joinFailed, L"unmark2"}},
      {{}, false, kStepCancelled, {L"CONNECT_FOLDER"}},
      // The first pick has no rear file: the message says so.
      {{Pair(out.path() + L"lone_M.MP4", L"", 10), pairs_[1]},
       false,
       kStepFailed,
       {L"CONNECT_FOLDER", L"mark2", L"log", noRearFailed, L"unmark2"}},
      {{},
       true,
       kStepFailed,
       {L"CONVERT_FOLDER", L"stop", std::wstring(L"convert YM01_") + pairs_[0].szMainName, L"log", convertFailed}},
  };
  for (const Case& c : cases) {
    events.clear();
    picks = c.picks;
    host.hasCurrent = true;
    host.current = pairs_[0];
    EXPECT_EQ(c.upload ? UploadConvertToolThread(host) : JoinToolThread(host), c.result);
    EXPECT_EQ(events, c.events);
  }
  // A join with the upload option whose conversion fails: the message says the conversion failed
  // and the joined files were kept (not that the join failed), the rows stay marked, the log says why.
  events.clear();
  lastLog.clear();
  picks = {pairs_[0], pairs_[1]};
  uploadOption = 1;
  EXPECT_EQ(JoinToolThread(host), kStepFailed);
  const std::wstring kept = std::wstring(kConvertFailedText) + L"\r\n" + kJoinedKeptText + L" ERROR0";
  EXPECT_NE(std::find(events.begin(), events.end(), kept), events.end());
  EXPECT_EQ(std::find(events.begin(), events.end(), joinFailed), events.end());
  EXPECT_EQ(std::count(events.begin(), events.end(), std::wstring(L"unmark2")), 0);
  EXPECT_NE(lastLog.find("conversion failed"), std::string::npos) << lastLog;
  EXPECT_GE(CountEntries(out.path()), 2) << "the joined files";
}

}  // namespace
