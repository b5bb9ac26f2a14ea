// The resource compiler must keep UTF-8 text of the .rc files: without the code page it silently turns
// Japanese strings into one or two Latin-1 characters.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/testbed/testbed_res.h"

namespace {

std::wstring LoadResourceString(UINT id) {
  const wchar_t* text = nullptr;
  // With a zero buffer length LoadStringW hands out a read-only pointer into the resource.
  int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
  return n > 0 ? std::wstring(text, n) : std::wstring();
}

TEST(ResourceStrings, JapaneseTextSurvivesTheResourceCompiler) {
  EXPECT_EQ(LoadResourceString(IDS_TESTBED_JAPANESE),
            L"再生テスト：ドライブレコーダー「全方位」～①");
  EXPECT_EQ(LoadResourceString(IDS_TESTBED_JAPANESE)[0], 0x518D);  // 再
}

TEST(ResourceStrings, AsciiTextIsUnchanged) {
  EXPECT_EQ(LoadResourceString(IDS_TESTBED_ASCII), L"Quillmere");
}

TEST(TestBed, RunsUnderTheJapaneseCodePageByDefault) {
  EXPECT_EQ(GetACP(), 932u);
  EXPECT_EQ(GetUserDefaultLangID(), 0x411);
}

}  // namespace
