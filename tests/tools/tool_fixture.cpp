#include "tests/tools/tool_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/test_env.h"

namespace quill::test {

RecordingList ScanCard(const std::wstring& folder) {
  RecordingList list;
  std::wstring trimmed = folder;
  if (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
  ScanRecordingTree(trimmed.c_str(), list, nullptr, 0);
  return list;
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

namespace {

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

void Walk(const std::wstring& folder, std::map<std::wstring, uint64_t>& out) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Walk(path, out);
    } else {
      out[path] = Fnv1a(ReadBytes(path));
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

}  // namespace

std::map<std::wstring, uint64_t> FingerprintTree(const std::wstring& folder) {
  std::map<std::wstring, uint64_t> out;
  std::wstring trimmed = folder;
  if (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
  Walk(trimmed, out);
  return out;
}

ToolCallbacks MessageLog::Callbacks() {
  ToolCallbacks callbacks;
  callbacks.messageBox = [this](const wchar_t* text, const wchar_t* caption, unsigned type) {
    shown.push_back({text, caption, type});
    if (type != kMsgBoxQuestion) return 1;
    if (answers.empty()) return kMsgBoxAnswerOk;
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  };
  return callbacks;
}

size_t MessageLog::Questions() const {
  return static_cast<size_t>(std::count_if(shown.begin(), shown.end(),
                                           [](const Shown& s) { return s.type == kMsgBoxQuestion; }));
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(entry.cFileName);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

// Every tool test program checks that the generated recordings come out of it byte for byte as they
// went in: a tool may read a recording, never change it.
class RecordingsUnchanged : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!RecordingsDir().empty()) before_ = FingerprintTree(RecordingsDir());
  }
  void TearDown() override {
    if (RecordingsDir().empty()) return;
    EXPECT_FALSE(before_.empty());
    EXPECT_EQ(FingerprintTree(RecordingsDir()), before_) << "a test changed a generated recording";
  }

 private:
  std::map<std::wstring, uint64_t> before_;
};

::testing::Environment* const g_recordingsUnchanged =
    ::testing::AddGlobalTestEnvironment(new RecordingsUnchanged);

}  // namespace

}  // namespace quill::test
