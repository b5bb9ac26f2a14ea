// The SD-card format: the script's bytes and its one path, the refusals that write and run nothing
// (decided on volumes and disks, not letters), the second check right before the run, the script held
// against changes while the tool runs, and what each way a run ends reports. The tool itself never
// runs: the tests hand in a runner that records what it was given.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "tavrin/app/dialogs/sd_format.h"
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

std::wstring Upper(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(towupper(c));
  return s;
}

// A process that has already ended with `code`: this test program started suspended and ended at once.
HANDLE EndedProcess(DWORD code) {
  wchar_t self[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(self, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi)) {
    return nullptr;
  }
  TerminateProcess(pi.hProcess, code);
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

const std::wstring kVolC = L"\\\\?\\Volume{c}\\", kVolE = L"\\\\?\\Volume{e}\\", kVolF = L"\\\\?\\Volume{f}\\",
                   kVolG = L"\\\\?\\Volume{g}\\";

// The drives, volumes and disks the fake environment answers with: the program in a temporary folder on
// C: (disk 0), Windows on C:, E: a card (disk 1), F: a fixed disk (2), G: an optical drive (3).
struct World {
  std::map<std::wstring, UINT> types = {{L"C:\\", DRIVE_FIXED}, {L"E:\\", DRIVE_REMOVABLE},
                                        {L"F:\\", DRIVE_FIXED}, {L"G:\\", DRIVE_CDROM}};
  // Where each path leads: the longest prefix wins, as a folder mount point or a SUBST letter leads to
  // the volume behind it.
  std::map<std::wstring, std::wstring> mounts = {{L"C:\\", kVolC}, {L"E:\\", kVolE}, {L"F:\\", kVolF},
                                                 {L"G:\\", kVolG}};
  std::map<std::wstring, std::vector<DWORD>> disks = {{kVolC, {0}}, {kVolE, {1}}, {kVolF, {2}}, {kVolG, {3}}};
  std::vector<std::wstring> volumes = {kVolC, kVolE, kVolF, kVolG};

  std::wstring VolumeOf(const std::wstring& path) const {
    const std::wstring p = Upper(path) + (path.empty() || path.back() == L'\\' ? L"" : L"\\");
    std::wstring best, volume;
    for (const auto& [prefix, v] : mounts) {
      if (p.compare(0, prefix.size(), prefix) == 0 && prefix.size() > best.size()) {
        best = prefix;
        volume = v;
      }
    }
    return volume;
  }
};

class Format : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.path().substr(0, dir_.path().size() - 1);
    Reset();
    env_.driveType = [this](const std::wstring& root) {
      ++typeQueries_;
      auto it = world_.types.find(root);
      return it == world_.types.end() ? static_cast<UINT>(DRIVE_NO_ROOT_DIR) : it->second;
    };
    env_.volumeOf = [this](const std::wstring& path) { return world_.VolumeOf(path); };
    env_.disksOf = [this](const std::wstring& volume) {
      auto it = world_.disks.find(volume);
      return it == world_.disks.end() ? std::vector<DWORD>() : it->second;
    };
    env_.volumes = [this] { return world_.volumes; };
    env_.confirm = [this](const std::wstring& q) {
      questions_.push_back(q);
      if (whileAsking_) whileAsking_(world_);
      return answer_;
    };
    env_.refuse = [this](const std::wstring& m) { refusals_.push_back(m); };
    env_.run = [this](const std::wstring& file, const std::wstring& parameters) {
      ++runs_;
      tool_ = file;
      parameters_ = parameters;
      const std::wstring script = FormatScriptPath(env_);
      scriptSeen_ = ReadAll(script);
      // Another process of the same user tries to change the script before the tool reads it.
      HANDLE w = CreateFileW(script.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
      scriptChangeable_ = w != INVALID_HANDLE_VALUE;
      if (scriptChangeable_) CloseHandle(w);
      scriptChangeable_ = scriptChangeable_ || DeleteFileW(script.c_str()) ||
                          MoveFileW(script.c_str(), (script + L".old").c_str());
      ToolStart start;
      start.started = started_;
      start.error = startError_;
      start.process = process_ ? process_() : nullptr;
      return start;
    };
  }
  // Back to the world above, the program in the test's folder.
  void Reset() {
    world_ = World();
    world_.mounts[Upper(folder_) + L"\\"] = kVolC;
    env_.programFolder = folder_;
    env_.windowsFolder = L"C:\\windows";
    env_.systemFolder = L"C:\\windows\\system32";
    answer_ = true;
    whileAsking_ = nullptr;
    started_ = true;
    startError_ = 0;
    process_ = [] { return EndedProcess(0); };
    runs_ = 0;
    questions_.clear();
    refusals_.clear();
  }
  std::wstring Script() const { return FormatScriptPath(env_); }

  quill::test::TempDir dir_;
  std::wstring folder_;
  World world_;
  FormatEnvironment env_;
  bool answer_ = true;
  std::function<void(World&)> whileAsking_;  // what changes while the question stands
  bool started_ = true;
  DWORD startError_ = 0;
  std::function<HANDLE()> process_;
  int runs_ = 0;
  int typeQueries_ = 0;
  std::wstring tool_, parameters_;
  std::string scriptSeen_;
  bool scriptChangeable_ = false;
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
  EXPECT_EQ(tool_, L"C:\\windows\\system32\\diskpart.exe") << "by its full path, never a name the working folder answers";
  EXPECT_EQ(parameters_, L"/s \"" + folder_ + L"\\fmt.txt\"");
  EXPECT_EQ(scriptSeen_, "select volume E:\r\nclean\r\ncreate partition primary\r\nformat fs=fat32\r\n");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_NE(questions_[0].find(L"E:"), std::wstring::npos);
  EXPECT_TRUE(refusals_.empty());
  EXPECT_FALSE(PathFileExistsW(Script().c_str()));
}

// While the tool runs, the script can be read but not written, deleted or renamed.
TEST_F(Format, TheScriptCannotBeChangedWhileTheToolRuns) {
  EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kFinished);
  EXPECT_EQ(scriptSeen_, "select volume E:\r\nclean\r\ncreate partition primary\r\nformat fs=fat32\r\n");
  EXPECT_FALSE(scriptChangeable_);
  EXPECT_FALSE(PathFileExistsW(Script().c_str()));
  EXPECT_FALSE(PathFileExistsW((Script() + L".old").c_str()));
}

struct RefusalCase {
  const char* name;
  const wchar_t* drive;
  std::function<void(World&, FormatEnvironment&)> change;  // from the world above
  bool answer;
  FormatOutcome outcome;
  bool message;
};

TEST_F(Format, EveryOtherCaseIsRefusedAndNothingIsWrittenOrRun) {
  auto same = [](World&, FormatEnvironment&) {};
  const RefusalCase cases[] = {
      {"empty selection", L"", same, true, FormatOutcome::kNoDrive, true},
      {"not a drive", L"card", same, true, FormatOutcome::kNoDrive, true},
      {"fixed disk", L"F:\\", same, true, FormatOutcome::kNotRemovable, true},
      {"optical drive", L"G:\\", same, true, FormatOutcome::kNotRemovable, true},
      {"missing drive", L"K:\\", same, true, FormatOutcome::kNotRemovable, true},
      {"Windows on the card", L"E:\\", [](World&, FormatEnvironment& e) { e.windowsFolder = L"E:\\windows"; },
       true, FormatOutcome::kProgramOrSystemDrive, true},
      {"program on the card", L"E:\\", [](World&, FormatEnvironment& e) { e.programFolder = L"e:\\viewer"; },
       true, FormatOutcome::kProgramOrSystemDrive, true},
      {"program on a share", L"E:\\",
       [](World&, FormatEnvironment& e) { e.programFolder = L"\\\\server\\viewer"; }, true,
       FormatOutcome::kProgramOrSystemDrive, true},
      // The card's volume mounted in a folder of C:, the program started from there.
      {"program through a folder mount point", L"E:\\",
       [](World& w, FormatEnvironment& e) {
         w.mounts[L"C:\\MNT\\CARD\\"] = kVolE;
         e.programFolder = L"C:\\mnt\\card\\viewer";
       },
       true, FormatOutcome::kProgramOrSystemDrive, true},
      // X: made by SUBST from a folder of the card, the program started from X:.
      {"program through a SUBST letter", L"E:\\",
       [](World& w, FormatEnvironment& e) {
         w.mounts[L"X:\\"] = kVolE;
         e.programFolder = L"X:\\viewer";
       },
       true, FormatOutcome::kProgramOrSystemDrive, true},
      // A stick with two volumes, the program on the other one (F: here): clean would erase both.
      {"second volume on the card's disk", L"E:\\",
       [](World& w, FormatEnvironment& e) {
         w.mounts[L"H:\\"] = L"\\\\?\\Volume{h}\\";
         w.disks[L"\\\\?\\Volume{h}\\"] = {1};
         w.volumes.push_back(L"\\\\?\\Volume{h}\\");
         e.programFolder = L"H:\\viewer";
       },
       true, FormatOutcome::kSharedDisk, true},
      {"second volume without a letter", L"E:\\",
       [](World& w, FormatEnvironment&) {
         w.disks[L"\\\\?\\Volume{hidden}\\"] = {1};
         w.volumes.push_back(L"\\\\?\\Volume{hidden}\\");
       },
       true, FormatOutcome::kSharedDisk, true},
      {"card volume spanning two disks", L"E:\\", [](World& w, FormatEnvironment&) { w.disks[kVolE] = {1, 2}; },
       true, FormatOutcome::kSharedDisk, true},
      {"Windows' volume reaching onto the card's disk", L"E:\\",
       [](World& w, FormatEnvironment&) { w.disks[kVolC] = {0, 1}; }, true, FormatOutcome::kSharedDisk, true},
      {"card's volume unknown", L"E:\\", [](World& w, FormatEnvironment&) { w.mounts.erase(L"E:\\"); }, true,
       FormatOutcome::kUnknownDisk, true},
      {"card's disk unknown", L"E:\\", [](World& w, FormatEnvironment&) { w.disks.erase(kVolE); }, true,
       FormatOutcome::kUnknownDisk, true},
      // A volume whose disk extents cannot be read may lie on the card's disk.
      {"another volume whose disk cannot be told", L"E:\\",
       [](World& w, FormatEnvironment&) { w.volumes.push_back(L"\\\\?\\Volume{unreadable}\\"); }, true,
       FormatOutcome::kUnknownDisk, true},
      {"card not in the volume list", L"E:\\",
       [](World& w, FormatEnvironment&) { w.volumes.erase(w.volumes.begin() + 1); }, true,
       FormatOutcome::kUnknownDisk, true},
      {"cancelled", L"E:\\", same, false, FormatOutcome::kCancelled, false},
  };
  for (const RefusalCase& c : cases) {
    Reset();
    c.change(world_, env_);
    answer_ = c.answer;
    EXPECT_EQ(FormatCard(c.drive, env_), c.outcome) << c.name;
    EXPECT_EQ(runs_, 0) << c.name;
    EXPECT_EQ(refusals_.size(), c.message ? 1u : 0u) << c.name;
    EXPECT_FALSE(PathFileExistsW((folder_ + L"\\fmt.txt").c_str())) << c.name;
  }
}

// The drive is checked again after the question: what changed meanwhile stops the format before the
// tool starts.
TEST_F(Format, ADriveThatChangedWhileTheQuestionStoodIsNotFormatted) {
  const struct {
    const char* name;
    std::function<void(World&)> change;
  } cases[] = {
      {"the letter is now a fixed disk", [](World& w) { w.types[L"E:\\"] = DRIVE_FIXED; }},
      {"another card under the letter",
       [](World& w) {
         w.mounts[L"E:\\"] = L"\\\\?\\Volume{other}\\";
         w.disks[L"\\\\?\\Volume{other}\\"] = {4};
         w.volumes.push_back(L"\\\\?\\Volume{other}\\");
       }},
      {"the card's disk now holds a second volume",
       [](World& w) {
         w.disks[L"\\\\?\\Volume{h}\\"] = {1};
         w.volumes.push_back(L"\\\\?\\Volume{h}\\");
       }},
      {"the card was pulled", [](World& w) { w.types.erase(L"E:\\"); }},
  };
  for (const auto& c : cases) {
    Reset();
    whileAsking_ = c.change;
    EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kDriveChanged) << c.name;
    EXPECT_EQ(runs_, 0) << c.name;
    EXPECT_EQ(refusals_.size(), 1u) << c.name;
    EXPECT_FALSE(PathFileExistsW(Script().c_str())) << c.name;
  }
}

// How a run ends is told apart and, unless it went well, said.
TEST_F(Format, EachWayARunEndsIsReported) {
  const struct {
    const char* name;
    bool started;
    DWORD error;
    std::function<HANDLE()> process;
    FormatOutcome outcome;
    const wchar_t* message;  // a part of the message; null: none
    bool scriptStays;
  } cases[] = {
      {"ended well", true, 0, [] { return EndedProcess(0); }, FormatOutcome::kFinished, nullptr, false},
      // A 64 GB card: FAT32 refused after clean, the tool ends with an error.
      {"ended with an error", true, 0, [] { return EndedProcess(5); }, FormatOutcome::kFailed, L"5", false},
      {"elevation refused", false, ERROR_CANCELLED, [] { return HANDLE(nullptr); },
       FormatOutcome::kElevationRefused, L"管理者", false},
      {"tool missing", false, ERROR_FILE_NOT_FOUND, [] { return HANDLE(nullptr); }, FormatOutcome::kNotStarted,
       L"起動", false},
      {"started without a process", true, 0, [] { return HANDLE(nullptr); }, FormatOutcome::kStartedNoWait,
       L"E:", true},
      // Something that can be waited on but has no exit code.
      {"no exit code", true, 0, [] { return CreateEventW(nullptr, TRUE, TRUE, nullptr); },
       FormatOutcome::kStartedNoWait, L"E:", true},
  };
  for (const auto& c : cases) {
    Reset();
    DeleteFileW(Script().c_str());
    started_ = c.started;
    startError_ = c.error;
    process_ = c.process;
    EXPECT_EQ(FormatCard(L"E:\\", env_), c.outcome) << c.name;
    EXPECT_EQ(runs_, 1) << c.name;
    ASSERT_EQ(refusals_.size(), c.message ? 1u : 0u) << c.name;
    if (c.message) {
      EXPECT_NE(refusals_[0].find(c.message), std::wstring::npos) << c.name;
    }
    EXPECT_EQ(PathFileExistsW(Script().c_str()) != FALSE, c.scriptStays) << c.name;
  }
}

// An empty optical drive has no disk extents, yet cannot share the card's disk.
TEST_F(Format, AnEmptyOpticalDriveDoesNotStopTheFormat) {
  const std::wstring dvd = L"\\\\?\\Volume{dvd}\\";
  world_.volumes.push_back(dvd);
  world_.types[dvd] = DRIVE_CDROM;
  EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kFinished);
  EXPECT_EQ(runs_, 1);
}

TEST_F(Format, WithoutTheSystemFolderTheToolIsNotStartedByName) {
  env_.systemFolder.clear();
  EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kNotStarted);
  EXPECT_EQ(runs_, 0);
  EXPECT_EQ(refusals_.size(), 1u);
  EXPECT_FALSE(PathFileExistsW(Script().c_str()));
}

TEST_F(Format, AScriptThatCannotBeWrittenRunsNothing) {
  env_.programFolder = folder_ + L"\\missing";
  world_.mounts[Upper(env_.programFolder) + L"\\"] = kVolC;
  EXPECT_EQ(FormatCard(L"E:\\", env_), FormatOutcome::kScriptFailed);
  EXPECT_EQ(runs_, 0);
  EXPECT_EQ(refusals_.size(), 1u);
}

// The system's own answers: a folder and the drive it is on give one volume, and so does a SUBST
// letter made from that folder.
TEST(FormatSystem, ASubstLetterLeadsToTheVolumeOfItsFolder) {
  const FormatEnvironment env = SystemFormatEnvironment(nullptr);
  quill::test::TempDir dir;
  const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
  const std::wstring volume = env.volumeOf(folder);
  if (volume.empty()) GTEST_SKIP() << "the system does not name the volume of a folder here";
  EXPECT_EQ(volume, env.volumeOf(folder.substr(0, 3)));
  wchar_t letter = 0;
  for (wchar_t l = L'Q'; l <= L'Y' && !letter; ++l) {
    const std::wstring device{l, L':'};
    if (GetDriveTypeW((device + L"\\").c_str()) == DRIVE_NO_ROOT_DIR &&
        DefineDosDeviceW(0, device.c_str(), folder.c_str())) {
      letter = l;
    }
  }
  if (!letter) GTEST_SKIP() << "no SUBST letter could be made";
  const std::wstring device{letter, L':'};
  // Wine makes the letter but does not open files through it.
  const bool opens = GetFileAttributesW((device + L"\\").c_str()) != INVALID_FILE_ATTRIBUTES;
  if (opens) {
    EXPECT_EQ(env.volumeOf(device + L"\\"), volume);
  }
  DefineDosDeviceW(DDD_REMOVE_DEFINITION, device.c_str(), nullptr);
  if (!opens) GTEST_SKIP() << "files cannot be opened through a SUBST letter on this system";
}

}  // namespace
