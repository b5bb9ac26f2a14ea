// The string-table entries the drive-data views name, read back from the built program itself: a
// table that only a test's own resource script carried would pass while QuillmereX.exe lacked it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/app/app_process.h"

namespace {

struct ProgramModule {
  HMODULE handle = nullptr;
  explicit ProgramModule(const std::wstring& path)
      : handle(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~ProgramModule() {
    if (handle) FreeLibrary(handle);
  }
  ProgramModule(const ProgramModule&) = delete;
  ProgramModule& operator=(const ProgramModule&) = delete;
};

std::wstring StringOf(HMODULE module, UINT id) {
  wchar_t text[128] = L"";
  int n = LoadStringW(module, id, text, 128);
  return std::wstring(text, n > 0 ? n : 0);
}

TEST(ProgramStrings, TheGraphsAxisNamesAreInTheProgramsStringTable) {
  ProgramModule program(quill::test::AppExePath());
  ASSERT_NE(program.handle, nullptr) << "QuillmereX.exe could not be loaded as data";
  const struct {
    UINT id;
    const wchar_t* text;
  } kAxes[] = {
      {166, L"前後(X軸)"},
      {167, L"左右(Y軸)"},
      {168, L"上下(Z軸)"},
  };
  for (const auto& axis : kAxes) EXPECT_EQ(StringOf(program.handle, axis.id), axis.text) << axis.id;
}

}  // namespace
