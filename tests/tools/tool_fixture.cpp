#include "tests/tools/tool_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/support/test_env.h"

namespace quill::test {
namespace {

std::wstring Trimmed(std::wstring folder) {
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Calls `visit(path, isFolder)` for every entry directly in `folder` (no trailing backslash).
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") visit(name, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

void Walk(const std::wstring& folder, std::map<std::wstring, uint64_t>& out) {
  ForEachEntry(folder, [&](const std::wstring& name, bool isFolder) {
    const std::wstring path = folder + L"\\" + name;
    if (isFolder) return Walk(path, out);
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : ReadBytes(path)) h = (h ^ c) * 1099511628211ull;
    out[path] = h;
  });
}

}  // namespace

RecordingList ScanCard(const std::wstring& folder) {
  RecordingList list;
  ScanRecordingTree(Trimmed(folder).c_str(), list, nullptr, 0);
  return list;
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  if (FILE* f = _wfopen(path.c_str(), L"rb")) {
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
    fclose(f);
  }
  return bytes;
}

std::map<std::wstring, uint64_t> FingerprintTree(const std::wstring& folder) {
  std::map<std::wstring, uint64_t> out;
  Walk(Trimmed(folder), out);
  return out;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> files;
  ForEachEntry(Trimmed(folder), [&](const std::wstring& name, bool isFolder) {
    if (!isFolder) files.push_back(name);
  });
  std::sort(files.begin(), files.end());
  return files;
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
  return std::count_if(shown.begin(), shown.end(), [](const Shown& s) { return s.type == kMsgBoxQuestion; });
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

::testing::Environment* const g_recordingsUnchanged = ::testing::AddGlobalTestEnvironment(new RecordingsUnchanged);

}  // namespace
}  // namespace quill::test
