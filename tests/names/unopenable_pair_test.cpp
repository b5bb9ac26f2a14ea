// A recording whose two files both cannot be opened (held by another program without sharing) is left
// out of every list; one that opens on either side stays.
#include "tavrin/browser/recording_pair.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Opens a file without sharing for the life of the object: nobody else can open it meanwhile.
class HeldFile {
 public:
  explicit HeldFile(const std::wstring& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::vector<std::wstring> MainNames(const RecordingList& list) {
  std::vector<std::wstring> names;
  for (const sRECORDINGPAIR& r : list) names.emplace_back(RecordingKey(r));
  return names;
}

struct ScanCase {
  const char* what;
  std::function<bool(const std::wstring& folder, RecordingList& list)> scan;
};

const ScanCase kScans[] = {
    {"one folder", [](const std::wstring& f, RecordingList& l) { return ScanFolderForRecordings(f.c_str(), l); }},
    {"folder tree", [](const std::wstring& f, RecordingList& l) {
       return ScanRecordingFolders(f.c_str(), nullptr, nullptr, l, nullptr, kScanFolderTree, true, nullptr, 0);
     }},
    {"collection", [](const std::wstring& f, RecordingList& l) { return ScanRecordingTree(f.c_str(), l, nullptr, 0); }},
};

TEST(UnopenablePair, IsLeftOutWhenNeitherFileOpens) {
  quill::test::TempDir dir;
  const wchar_t* files[] = {L"001_120000A_M.MP4", L"001_120000A_R.MP4", L"002_120100A_M.MP4",
                            L"002_120100A_R.MP4", L"003_120200A_M.MP4", L"003_120200A_R.MP4"};
  for (const wchar_t* f : files) ASSERT_TRUE(quill::test::WriteTinyRecording(dir.path() + f));
  HeldFile both1(dir.path() + files[0]), both2(dir.path() + files[1]);  // 001: neither opens
  HeldFile rearOnly(dir.path() + files[3]);                               // 002: the main opens
  ASSERT_TRUE(both1.held() && both2.held() && rearOnly.held());
  const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
  const std::vector<std::wstring> expected = {L"002_120100A_M.MP4", L"003_120200A_M.MP4"};
  for (const ScanCase& c : kScans) {
    SCOPED_TRACE(c.what);
    RecordingList list;
    ASSERT_TRUE(c.scan(folder, list));
    EXPECT_EQ(MainNames(list), expected);
  }
  RecordingList single;
  EXPECT_FALSE(AddRecordingFile((dir.path() + files[0]).c_str(), single));
  EXPECT_TRUE(single.empty());
}

}  // namespace
