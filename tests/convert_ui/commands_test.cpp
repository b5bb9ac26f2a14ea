// The join and upload-conversion commands: name rules, room checks on the output folder, the overwrite
// questions, and real joins of generated recordings through the command.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "tavrin/app/convert_tools.h"
#include "tavrin/app/join_command.h"
#include "tavrin/browser/file_select_dlg.h"
#include "tavrin/app/output_names.h"
#include "tests/join/join_check.h"
#include "tests/join/join_fixture.h"
#include "tests/support/recording_paths.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;
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

sRECORDINGPAIR Plain(const wchar_t* stem) {
  return Pair(std::wstring(L"E:\\DCIM\\") + stem + L"_M.MP4", std::wstring(L"E:\\DCIM\\") + stem + L"_R.MP4");
}

TEST(JoinNameRules, PieceCountAndPrefix) {
  struct Case {
    const wchar_t* name;
    uint32_t pieces;
    const wchar_t* stripped;
  } cases[] = {
      {L"JM02_001_093000A_M.MP4", 2, L"001_093000A_M.MP4"},
      {L"JB15_x.MP4", 15, L"x.MP4"},
      {L"001_093000A_M.MP4", 1, L"001_093000A_M.MP4"},
      {L"JM0", 1, L"JM0"},            // too short to carry a count
      {L"JMab_x", 1, L"x"},           // no digits: one piece
      {L"JM00_x", 1, L"x"},           // a zero count still stands for the file itself
      {L"Jxyz", 1, L"Jxyz"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JoinPieceCount(c.name), c.pieces) << c.name;
    EXPECT_EQ(StripJoinPrefix(c.name), c.stripped) << c.name;
  }
}

TEST(JoinNameRules, OutputsPerCamera) {
  const RecordingList three = {
      Pair(L"D:\\rec\\JM02_001_A_M.MP4", L"D:\\rec\\JM02_001_A_R.MP4"), Plain(L"002_B"), Plain(L"003_C")};
  const RecordingList rearJoined = {Pair(L"D:\\rec\\001_A_M.MP4", L"D:\\rec\\JR03_001_A_R.MP4"), Plain(L"002_B")};
  struct Case {
    const RecordingList* picked;
    int camera;
    const wchar_t* main;
    const wchar_t* rear;
  } cases[] = {
      {&three, 1, L"F:\\out\\JM04_001_A_M.MP4", L""},
      {&three, 2, L"", L"F:\\out\\JR04_001_A_R.MP4"},
      {&three, 3, L"F:\\out\\JB04_001_A_M.MP4", L"F:\\out\\JB04_001_A_R.MP4"},
      {&rearJoined, 3, L"F:\\out\\JB02_001_A_M.MP4", L"F:\\out\\JB04_001_A_R.MP4"},
      {&rearJoined, 0, L"F:\\out\\JN02_001_A_M.MP4", L"F:\\out\\JN04_001_A_R.MP4"},
  };
  for (const Case& c : cases) {
    JoinNames names;
    std::string why;
    ASSERT_EQ(MakeJoinNames(*c.picked, L"F:\\out\\", c.camera, &names, &why), kStepGoOn) << why;
    EXPECT_EQ(names.mainOut, c.main) << c.camera;
    EXPECT_EQ(names.rearOut, c.rear) << c.camera;
  }
  EXPECT_EQ(ConvertedName(L"F:\\Jout\\JM03_x_M.MP4"), L"F:\\Jout\\YM03_x_M.MP4");
  EXPECT_EQ(UploadOutputName(L"F:\\up", Plain(L"001_A")), L"F:\\up\\YM01_001_A_M.MP4");
  EXPECT_EQ(UploadOutputName(L"F:\\up", Pair(L"", L"E:\\001_A_R.MP4")), L"");
}

TEST(JoinNameRules, RefusedJoins) {
  JoinNames names;
  std::string why;
  // 98 pieces plus 2 would need a three-digit count.
  RecordingList tooMany = {Pair(L"D:\\a\\JM98_x_M.MP4", L""), Plain(L"002"), Plain(L"003")};
  EXPECT_EQ(MakeJoinNames(tooMany, L"F:\\out", 1, &names, &why), kStepFailed);
  tooMany.pop_back();
  EXPECT_EQ(MakeJoinNames(tooMany, L"F:\\out", 1, &names, &why), kStepGoOn);
  EXPECT_EQ(FileNamePart(names.mainOut), L"JM99_x_M.MP4");
  // A joined file picked alone in its own folder would be written over itself.
  const RecordingList self = {Pair(L"D:\\Joined\\JM02_x_M.MP4", L"")};
  EXPECT_EQ(MakeJoinNames(self, L"d:\\joined", 1, &names, &why), kStepFailed);
  EXPECT_TRUE(names.mainOut.empty());
  EXPECT_EQ(MakeJoinNames({}, L"F:\\out", 1, &names, &why), kStepFailed);
  const std::wstring deep = L"F:\\" + std::wstring(240, L'd');  // fits alone, not with the name
  EXPECT_EQ(MakeJoinNames({Plain(L"001_093000A")}, deep, 3, &names, &why), kStepFailed);
  EXPECT_EQ(UploadOutputName(deep, Plain(L"001_093000A")), L"");
  EXPECT_EQ(MakeJoinNames({Pair(L"", L"D:\\r_R.MP4")}, L"F:\\out", 1, &names, &why), kStepFailed);
}

// Free space by folder, recording which folders were asked about.
struct FakeDisk {
  std::map<std::wstring, uint64_t> freeBytes;
  std::vector<std::wstring> asked;
  FreeSpaceFn Fn() {
    return [this](const std::wstring& folder, uint64_t* bytes) {
      asked.push_back(folder);
      auto it = freeBytes.find(folder);
      if (it == freeBytes.end()) return false;
      *bytes = it->second;
      return true;
    };
  }
};

TEST(CommandRoomChecks, OutputFolderDecides) {
  FakeDisk disk;
  disk.freeBytes = {{L"F:\\out", 300}, {L"\\\\server\\share\\conv", 1000}, {L"E:\\DCIM", 0}};
  const RecordingList picked = {Plain(L"001"), Plain(L"002")};  // 2 x (100 + 50) bytes
  JoinRequest join{picked, L"F:\\out", 3, false};
  CommandHooks hooks;
  hooks.freeSpace = disk.Fn();
  hooks.exists = [](const std::wstring&) { return false; };
  JoinOutcome outcome;
  bool confirmed = false;
  // A sum equal to the free bytes does not fit.
  EXPECT_EQ(PrepareJoin(join, hooks, &outcome, &confirmed), kStepFailed);
  disk.freeBytes[L"F:\\out"] = 301;
  EXPECT_EQ(PrepareJoin(join, hooks, &outcome, &confirmed), kStepGoOn);
  join.camera = 1;  // only the main files are written again
  disk.freeBytes[L"F:\\out"] = 201;
  EXPECT_EQ(PrepareJoin(join, hooks, &outcome, &confirmed), kStepGoOn);

  // Upload conversion from a full card into a share with room.
  const sRECORDINGPAIR current = Plain(L"001");
  std::vector<std::wstring> converted;
  hooks.convert = [&](const std::wstring& src, const std::wstring& dst, const ConvertOptions&, float) {
    converted.push_back(src + L">" + dst);
    return 0;
  };
  disk.asked.clear();
  std::wstring out;
  std::string why;
  EXPECT_EQ(RunUploadConvertCommand({&current, L"\\\\server\\share\\conv"}, hooks, &out, &why), kStepGoOn) << why;
  ASSERT_EQ(disk.asked.size(), 1u);
  EXPECT_EQ(disk.asked[0], L"\\\\server\\share\\conv");
  ASSERT_EQ(converted.size(), 1u);
  EXPECT_EQ(converted[0], L"E:\\DCIM\\001_M.MP4>\\\\server\\share\\conv\\YM01_001_M.MP4");
  // A full output folder refuses before converting.
  EXPECT_EQ(RunUploadConvertCommand({&current, L"E:\\DCIM"}, hooks, &out, &why), kStepFailed);
  // No current recording, or one without a main file: failure, nothing converted.
  const sRECORDINGPAIR rearOnly = Pair(L"", L"E:\\DCIM\\001_R.MP4");
  EXPECT_EQ(RunUploadConvertCommand({nullptr, L"F:\\out"}, hooks, &out, &why), kStepFailed);
  EXPECT_EQ(RunUploadConvertCommand({&rearOnly, L"F:\\out"}, hooks, &out, &why), kStepFailed);
  EXPECT_EQ(RunUploadConvertCommand({&current, L""}, hooks, &out, &why), kStepCancelled);
  EXPECT_EQ(converted.size(), 1u);
}

TEST(CommandQuestions, OnlyWrittenChannelsAreAsked) {
  const RecordingList picked = {Plain(L"001"), Plain(L"002")};
  std::vector<std::wstring> existing;
  std::vector<std::wstring> questions;
  int answer = 2;
  CommandHooks hooks;
  hooks.freeSpace = [](const std::wstring&, uint64_t* b) { *b = 1ull << 40; return true; };
  hooks.exists = [&](const std::wstring& p) {
    for (const auto& e : existing) if (e == p) return true;
    return false;
  };
  hooks.ask = [&](const wchar_t* text, const wchar_t* caption, int type) {
    EXPECT_STREQ(caption, kQuestionCaption);
    EXPECT_EQ(type, 1);
    questions.push_back(text);
    return answer;
  };
  struct Case {
    int camera;
    bool upload;
    std::vector<std::wstring> existing;
    int answer;
    int result;
    std::vector<std::wstring> questions;
  } cases[] = {
      {1, false, {L"F:\\o\\JB02_001_R.MP4", L"F:\\o\\JM02_001_R.MP4"}, 2, kStepGoOn, {}},
      {1, false, {L"F:\\o\\JM02_001_M.MP4"}, 2, kStepCancelled, {kJoinedExistsText}},
      {3, false, {L"F:\\o\\JB02_001_R.MP4"}, 1, kStepGoOn, {kJoinedExistsText}},
      {1, true, {L"F:\\o\\YM02_001_M.MP4"}, 2, kStepCancelled, {kConvertedExistsText}},
      // Confirmed once covers the converted file too.
      {1, true, {L"F:\\o\\JM02_001_M.MP4", L"F:\\o\\YM02_001_M.MP4"}, 1, kStepGoOn, {kJoinedExistsText}},
  };
  for (const Case& c : cases) {
    existing = c.existing;
    answer = c.answer;
    questions.clear();
    JoinOutcome outcome;
    bool confirmed = false;
    EXPECT_EQ(PrepareJoin({picked, L"F:\\o", c.camera, c.upload}, hooks, &outcome, &confirmed), c.result)
        << c.camera;
    EXPECT_EQ(questions, c.questions) << c.camera;
  }
}

// Real joins of the generated card recordings through the command.
class CommandJoin : public ::testing::Test {
 protected:
  struct Files {
    std::string main, rear;
  };
  void SetUp() override {
    if (quill::test::RecordingsDirUnix().empty()) GTEST_SKIP() << "no recordings";
    std::map<std::string, Files> byNumber;
    std::vector<std::string> order;
    for (const auto& row : quill::test::ReadHostTable(quill::test::RecordingsDirUnix() + "/manifest-files.tsv")) {
      const std::string& path = row.at("path");
      if (path.rfind("card/", 0) != 0) continue;
      const std::string key = path.substr(0, path.rfind('/') + 4);
      if (!byNumber.count(key)) order.push_back(key);
      (row.at("camera") == "M" ? byNumber[key].main : byNumber[key].rear) = path;
    }
    for (const auto& key : order) {
      const Files& f = byNumber[key];
      if (f.main.empty() || f.rear.empty()) continue;
      const std::wstring m = quill::test::RecordingPath(f.main), r = quill::test::RecordingPath(f.rear);
      pairs_.push_back(Pair(m, r, quill::test::FileSizeOf(m), quill::test::FileSizeOf(r)));
    }
  }
  std::vector<sRECORDINGPAIR> pairs_;
};

TEST_F(CommandJoin, TwoAndThreeRecordingsPerCamera) {
  ASSERT_GE(pairs_.size(), 5u);
  for (size_t count : {2u, 3u}) {
    TempDir out;
    const RecordingList picked(pairs_.begin() + 2, pairs_.begin() + 2 + count);
    std::vector<uint64_t> before;
    for (const auto& p : picked) {
      before.push_back(Fingerprint(p.szMainPath));
      before.push_back(Fingerprint(p.szRearPath));
    }
    quill::test::ProgressWindow progress;
    CommandHooks hooks;
    hooks.owner = progress.hwnd();
    hooks.ask = [](const wchar_t*, const wchar_t*, int) { ADD_FAILURE() << "no question expected"; return 2; };
    JoinOutcome outcome;
    ASSERT_EQ(RunJoinCommand({picked, out.path(), 3, false}, hooks, &outcome), kStepGoOn) << outcome.why;
    wchar_t prefix[8];
    swprintf(prefix, 8, L"JB%02u_", static_cast<unsigned>(count));
    EXPECT_EQ(outcome.names.mainOut, out.path() + prefix + picked[0].szMainName);
    EXPECT_EQ(outcome.names.rearOut, out.path() + prefix + picked[0].szRearName);
    std::vector<quill::test::Movie> mains, rears;
    for (const auto& p : picked) {
      mains.push_back(quill::test::ReadMovie(p.szMainPath));
      rears.push_back(quill::test::ReadMovie(p.szRearPath));
    }
    quill::test::ExpectJoinOf(quill::test::ReadMovie(outcome.names.mainOut), mains);
    quill::test::ExpectJoinOf(quill::test::ReadMovie(outcome.names.rearOut), rears);
    EXPECT_EQ(quill::test::CountEntries(out.path()), 2) << "no temporary file left";
    for (size_t i = 0; i < picked.size(); ++i) {
      EXPECT_EQ(Fingerprint(picked[i].szMainPath), before[2 * i]);
      EXPECT_EQ(Fingerprint(picked[i].szRearPath), before[2 * i + 1]);
    }
    const auto messages = progress.Drain();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.back().first, 100u);
  }
}

TEST_F(CommandJoin, JoinedFileInsideTheJoinFolderIsRefused) {
  ASSERT_GE(pairs_.size(), 1u);
  TempDir folder;
  const std::wstring joined = folder.path() + L"JM02_" + pairs_[0].szMainName;
  ASSERT_TRUE(CopyFileW(pairs_[0].szMainPath, joined.c_str(), TRUE));
  const uint64_t before = Fingerprint(joined);
  CommandHooks hooks;
  hooks.ask = [](const wchar_t*, const wchar_t*, int) { return 1; };  // even "overwrite" must not reach it
  JoinOutcome outcome;
  EXPECT_EQ(RunJoinCommand({{Pair(joined, L"", quill::test::FileSizeOf(joined))}, folder.path(), 1, false},
                           hooks, &outcome),
            kStepFailed);
  EXPECT_EQ(Fingerprint(joined), before);
  EXPECT_EQ(quill::test::CountEntries(folder.path()), 1);
}

TEST_F(CommandJoin, CancelBeforeAppendingWritesNothing) {
  ASSERT_GE(pairs_.size(), 2u);
  TempDir out;
  CommandCancel cancel;
  cancel.Cancel();
  CommandHooks hooks;
  hooks.cancel = &cancel;
  JoinOutcome outcome;
  EXPECT_EQ(RunJoinCommand({{pairs_[0], pairs_[1]}, out.path(), 3, false}, hooks, &outcome), kStepCancelled);
  EXPECT_EQ(quill::test::CountEntries(out.path()), 0);
}

TEST_F(CommandJoin, FailedWriteLeavesNoPartialOutput) {
  ASSERT_GE(pairs_.size(), 2u);
  TempDir out;
  // A folder holds the output's name: the joined file cannot take its place, and nothing may stay behind.
  const std::wstring target = out.path() + L"JM02_" + pairs_[0].szMainName;
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  CommandHooks hooks;
  hooks.ask = [](const wchar_t*, const wchar_t*, int) { return 1; };
  JoinOutcome outcome;
  EXPECT_EQ(RunJoinCommand({{pairs_[0], pairs_[1]}, out.path(), 1, false}, hooks, &outcome), kStepFailed);
  EXPECT_EQ(quill::test::CountEntries(out.path()), 1);
  EXPECT_NE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  RemoveDirectoryW(target.c_str());
}

// The tool workers around the commands, with every dialog replaced.
struct ToolScript {
  std::vector<std::wstring> events;
  ConvertToolHost host;
  explicit ToolScript(const std::wstring& folder) {
    host.chooseFolder = [this, folder](const wchar_t* key) {
      events.push_back(std::wstring(L"folder ") + key);
      return folder;
    };
    host.message = [this](const wchar_t* text, const wchar_t* caption, UINT type) -> INT_PTR {
      events.push_back(std::wstring(L"message ") + text + L" " + caption + L" " + std::to_wstring(type));
      return IDOK;
    };
    host.stopPlayback = [this] { events.push_back(L"stop"); };
    host.markRows = [this](const RecordingList& picked, bool set) {
      events.push_back((set ? L"mark " : L"unmark ") + std::to_wstring(picked.size()));
    };
    host.storeFolder = [this](const wchar_t* key, const std::wstring& f) {
      events.push_back(std::wstring(L"store ") + key + L" " + f);
    };
    host.freeSpace = [](const std::wstring&, uint64_t* b) { *b = 1ull << 40; return true; };
  }
  void Pick(const RecordingList& picked, int camera, INT_PTR answer = IDOK) {
    host.runSelection = [picked, camera, answer](CFileSelectDlg& dlg) {
      EXPECT_EQ(dlg.m_nMode, CFileSelectDlg::kModeJoin);
      dlg.m_chosen = picked;
      dlg.m_nCamera = camera;
      return answer;
    };
  }
};

TEST_F(CommandJoin, JoinToolMessagesAndRowFlags) {
  ASSERT_GE(pairs_.size(), 2u);
  TempDir out;
  const std::wstring folder = out.path().substr(0, out.path().size() - 1);
  {
    ToolScript script(folder);
    script.Pick({pairs_[0], pairs_[1]}, 3);
    EXPECT_EQ(JoinToolThread(script.host), kStepGoOn);
    const std::vector<std::wstring> expected = {L"folder CONNECT_FOLDER", L"mark 2", L"stop",
                                                L"store CONNECT_FOLDER " + folder};
    EXPECT_EQ(script.events, expected);
  }
  {
    ToolScript script(folder);  // a picked file that has gone: failure message, flags cleared
    sRECORDINGPAIR gone = Pair(out.path() + L"gone_M.MP4", L"", 10);
    script.Pick({gone, pairs_[1]}, 1);
    EXPECT_EQ(JoinToolThread(script.host), kStepFailed);
    const std::vector<std::wstring> expected = {L"folder CONNECT_FOLDER", L"mark 2", L"stop",
                                                std::wstring(L"message ") + kJoinFailedText + L" ERROR 0",
                                                L"unmark 2"};
    EXPECT_EQ(script.events, expected);
  }
  {
    ToolScript script(folder);
    script.Pick({pairs_[0]}, 3, IDCANCEL);
    EXPECT_EQ(JoinToolThread(script.host), kStepCancelled);
    EXPECT_EQ(script.events.size(), 1u);
  }
}

TEST(UploadTool, MessagesAndStoredFolder) {
  struct Case {
    bool hasCurrent;
    int convertResult;
    int result;
    std::vector<std::wstring> events;
  } cases[] = {
      {true, 0, kStepGoOn, {L"folder CONVERT_FOLDER", L"stop", L"convert", L"store CONVERT_FOLDER F:\\up"}},
      {true, 1, kStepFailed,
       {L"folder CONVERT_FOLDER", L"stop", L"convert", std::wstring(L"message ") + kConvertFailedText + L" ERROR 0"}},
      {true, 2, kStepCancelled, {L"folder CONVERT_FOLDER", L"stop", L"convert"}},
      {false, 0, kStepFailed,
       {L"folder CONVERT_FOLDER", std::wstring(L"message ") + kConvertFailedText + L" ERROR 0"}},
  };
  for (const Case& c : cases) {
    ToolScript script(L"F:\\up");
    script.host.hasCurrent = c.hasCurrent;
    script.host.current = Plain(L"001");
    script.host.options = [](const std::wstring&, ConvertOptions*) { return 0; };
    script.host.convert = [&script, &c](const std::wstring&, const std::wstring& dst, const ConvertOptions&, float) {
      EXPECT_EQ(dst, L"F:\\up\\YM01_001_M.MP4");
      script.events.push_back(L"convert");
      return c.convertResult;
    };
    EXPECT_EQ(UploadConvertToolThread(script.host), c.result);
    EXPECT_EQ(script.events, c.events);
  }
}

}  // namespace
