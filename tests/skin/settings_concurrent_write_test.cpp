// Settings written from several threads at once (the UI thread and the workers save their folders):
// every write succeeds, every value is kept and the file stays hidden.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/test_env.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/settings_ini.h"

namespace {

TEST(SettingsConcurrentWrite, EveryWriteOfEveryThreadIsKept) {
  quill::test::TempDir dir;
  wchar_t previous[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryW(dir.path().c_str()));
  quill::skin::CaptureAppDirectory();
  SetCurrentDirectoryW(previous);

  constexpr int kThreads = 6;
  constexpr int kWrites = 40;
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &failures] {
      for (int i = 0; i < kWrites; ++i) {
        CString key, value;
        key.Format(L"KEY_%d_%d", t, i);
        value.Format(L"%d", t * 1000 + i);
        if (!WriteIni(L"CONCURRENT", key, value)) ++failures[static_cast<size_t>(t)];
      }
    });
  }
  for (std::thread& w : writers) w.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(failures[static_cast<size_t>(t)], 0) << "thread " << t;
    for (int i = 0; i < kWrites; ++i) {
      CString key, value;
      key.Format(L"KEY_%d_%d", t, i);
      value.Format(L"%d", t * 1000 + i);
      EXPECT_EQ(ReadIni(L"CONCURRENT", key), value) << t << "/" << i;
    }
  }
  const DWORD attributes = GetFileAttributesW(GetIniFilePath()) & ~static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(attributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  g_szAppDirectory[0] = L'\0';
}

}  // namespace
