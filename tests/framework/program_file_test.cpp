// The program's own file: the whole path of the running test program.
#include "platform/framework/program_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProgramFile, IsTheWholePathOfTheRunningProgram) {
  const std::wstring path = quill::framework::ProgramFilePath();
  std::vector<wchar_t> whole(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, whole.data(), static_cast<DWORD>(whole.size()));
  ASSERT_GT(n, 0u);
  EXPECT_EQ(path, std::wstring(whole.data(), n));
  const std::wstring name = L"\\test_framework.exe";
  ASSERT_GT(path.size(), name.size());
  EXPECT_EQ(_wcsicmp(path.c_str() + path.size() - name.size(), name.c_str()), 0);
  EXPECT_NE(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "names a file that is there";
}

}  // namespace
