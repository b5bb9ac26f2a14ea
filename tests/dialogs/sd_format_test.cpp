// The SD-card format: the script's bytes and its one path, the refusals that write and run nothing,
// and a tool that starts without a process handle or not at all. The tool itself never runs: the tests
// hand in a runner that records what it was given.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <fstream>
#include <map>

#include "tavrin/app/sd_format.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;

std::string ReadAll(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[1024];
  DWORD got = 0;
  ReadFile(h, buf, sizeof(buf), &got, nullptr);
  CloseHandle(h);
  return std::string(buf, got);
}

void WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD put = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

// A recording environment: the program in a temporary folder on C:, Windows on C:, E: a card.
class Format : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path().substr(0, dir_.path().size() - 1);
    env_.driveType = [this](const std::wstring& root) {
      auto it = types_.find(root);
      return it == types_.end() ? static_cast<UINT>(DRIVE_NO_ROOT_DIR) : it->second;
    };
    env_.programFolder = folder_;
    env_.windowsFolder = L"C:\\windows";
    env_.confirm = [this](const std::wstring& q) {
      questions_.push_back(q);
      return answer_;
    };
    env_.refuse = [this](const std::wstring& m) { refusals_.push_back(m); };
    env_.run = [this](const std::wstring& file, const std::wstring& parameters) {
      ++runs_;
      tool_ = file;
      parameters_ = parameters;
      scriptSeen_ = ReadAll(FormatScriptPath(env_));
      ToolStart start;
      start.started = started_;
      // An event stands in for the tool's process: it is "already ended".
      start.process = withHandle_ ? CreateEventW(nullptr, TRUE, TRUE, nullptr) : nullptr;
      return start;
    };
  }
  std::wstring Script() const { return FormatScriptPath(env_); }

  quill::test::TempDir dir_;
  std::wstring folder_;
  std::map<std::wstring, UINT> types_ = {{L"C:\\", DRIVE_FIXED}, {L"E:\\", DRIVE_REMOVABLE},
                                         {L"F:\\", DRIVE_FIXED}, {L"G:\\", DRIVE_CDROM}};
  FormatEnvironment env_;
  bool answer_ = true;
  bool started_ = true;
  bool withHandle_ = true;
  int runs_ = 0;
  std::wstring tool_, parameters_;
  std::string scriptSeen_;
  std::vector<std::wstring> questions_, refusals_;
};

TEST(FormatScript, OnlyADriveLetterNamesAVolume) {
  EXPECT_EQ(VolumeOfDriveText(L"e:\\"), L"E:");
  EXPECT_EQ(VolumeOfDriveText(L"E:"), L"E:");
  EXPECT_EQ(VolumeOfDriveText(L"E"), L"");
  EXPECT_EQ(VolumeOfDriveText(L"\\\\server\\share"), L"");
}

TEST_F(Format, AConfirmedCardIsFormattedWithOneScriptPathWrittenPassedAndDeleted) {
  WriteAll(Script(), "select volume C:\r\nclean\r\n");  // left by an earlier, refused run
  EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kFinished);
  EXPECT_EQ(runs_, 1);
  EXPECT_EQ(tool_, L"diskpart");
  EXPECT_EQ(parameters_, L"/s \"" + folder_ + L"\\fmt.txt\"");
  EXPECT_EQ(scriptSeen_, "select volume E:\r\nclean\r\ncreate partition primary\r\nformat fs=fat32\r\n");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_NE(questions_[0].find(L"E:"), std::wstring::npos);
  EXPECT_TRUE(refusals_.empty());
  EXPECT_FALSE(PathFileExistsW(Script().c_str()));
}

struct RefusalCase {
  const char* name;
  const wchar_t* drive;
  const wchar_t* programFolder;  // null: the test's own folder
  const wchar_t* windowsFolder;
  bool answer;
  FormatOutcome outcome;
  bool message;
};

TEST_F(Format, EveryOtherCaseIsRefusedAndNothingIsWrittenOrRun) {
  const RefusalCase cases[] = {
      {"empty selection", L"", nullptr, L"C:\\windows", true, FormatOutcome::kNoDrive, true},
      {"not a drive", L"card", nullptr, L"C:\\windows", true, FormatOutcome::kNoDrive, true},
      {"fixed disk", L"F:\\", nullptr, L"C:\\windows", true, FormatOutcome::kNotRemovable, true},
      {"optical drive", L"G:\\", nullptr, L"C:\\windows", true, FormatOutcome::kNotRemovable, true},
      {"missing drive", L"K:\\", nullptr, L"C:\\windows", true, FormatOutcome::kNotRemovable, true},
      {"Windows on the card", L"E:\\", nullptr, L"E:\\windows", true, FormatOutcome::kProgramOrSystemDrive, true},
      {"program on the card", L"E:\\", L"e:\\viewer", L"C:\\windows", true, FormatOutcome::kProgramOrSystemDrive,
       true},
      {"program on a share", L"E:\\", L"\\\\server\\viewer", L"C:\\windows", true,
       FormatOutcome::kProgramOrSystemDrive, true},
      {"cancelled", L"E:\\", nullptr, L"C:\\windows", false, FormatOutcome::kCancelled, false},
  };
  for (const RefusalCase& c : cases) {
    refusals_.clear();
    env_.programFolder = c.programFolder ? c.programFolder : folder_;
    env_.windowsFolder = c.windowsFolder;
    answer_ = c.answer;
    EXPECT_EQ(FormatCard(c.drive, env_), c.outcome) << c.name;
    EXPECT_EQ(runs_, 0) << c.name;
    EXPECT_EQ(refusals_.size(), c.message ? 1u : 0u) << c.name;
    EXPECT_FALSE(PathFileExistsW((folder_ + L"\\fmt.txt").c_str())) << c.name;
  }
}

// A tool without a process handle is not waited on; one that did not start, or a script that could not
// be written, leaves no script behind.
TEST_F(Format, ToolsThatGiveNoProcessAndScriptsThatCannotBeWritten) {
  const struct {
    bool started, handle, badFolder;
    FormatOutcome outcome;
    int runs;
  } cases[] = {{true, false, false, FormatOutcome::kStartedNoWait, 1},
               {false, false, false, FormatOutcome::kNotStarted, 1},
               {true, true, true, FormatOutcome::kScriptFailed, 0}};
  for (const auto& c : cases) {
    runs_ = 0;
    started_ = c.started;
    withHandle_ = c.handle;
    env_.programFolder = c.badFolder ? folder_ + L"\\missing" : folder_;
    EXPECT_EQ(FormatCard(L"E:\\", env_), c.outcome);
    EXPECT_EQ(runs_, c.runs);
    if (!c.started) {
      EXPECT_FALSE(PathFileExistsW(Script().c_str()));
    }
  }
}

}  // namespace
