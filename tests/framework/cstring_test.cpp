// CString and CStringA: the formats, edits and code page 932 conversions the program relies on.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/framework/cstring.h"

namespace {

CString Fmt(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString s;
  s.FormatV(format, args);
  va_end(args);
  return s;
}

TEST(CStringFormat, IntegersTextsAndPercentSignsFormatAsTheWindowsConventionsSay) {
  struct Case {
    CString got;
    const wchar_t* want;
  } cases[] = {
      {Fmt(L"%d", -42), L"-42"},
      {Fmt(L"%d個", 1500), L"1500個"},
      {Fmt(L"%d %%", 50), L"50 %"},
      {Fmt(L"%5d|%-5d|%05d", 42, 42, -42), L"   42|42   |-0042"},
      {Fmt(L"%u", 4294967295u), L"4294967295"},
      {Fmt(L"%x %X %08X", 255u, 255u, 0xBEEFu), L"ff FF 0000BEEF"},
      {Fmt(L"%I64d", INT64_C(-9223372036854775807) - 1), L"-9223372036854775808"},
      {Fmt(L"%I64u", UINT64_MAX), L"18446744073709551615"},
      {Fmt(L"%llu MB", UINT64_C(5000000000)), L"5000000000 MB"},
      {Fmt(L"%I64d MB", INT64_C(4096)), L"4096 MB"},
      {Fmt(L"%s\\%s", L"C:\\録画", L"Default_Folder.ini"), L"C:\\録画\\Default_Folder.ini"},
      {Fmt(L"[%-6s][%6s][%.2s]", L"ab", L"ab", L"abcd"), L"[ab    ][    ab][ab]"},
      {Fmt(L"%d.%d.%d%s", 2, 0, 1, L"a"), L"2.0.1a"},
      {Fmt(L"%c%c", L'再', L'生'), L"再生"},
      {Fmt(L"%.2f %5.1f", 3.14159, 2.26), L"3.14   2.3"},
      {Fmt(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
      {Fmt(L"Unknown 0x%x", 0x8004020Du), L"Unknown 0x8004020d"},
      {Fmt(L"%*d", 4, 7), L"   7"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << "want " << CStringA(c.want).GetString();
}

TEST(CStringFormat, NarrowTextArgumentsAreReadInTheAnsiCodePage) {
  ASSERT_EQ(GetACP(), 932u) << "the framework tests run under the Japanese locale";
  const char sjis[] = "\x8d\xc4\x90\xb6";  // "再生" in code page 932
  EXPECT_EQ(Fmt(L"%S|%hs", sjis, "abc"), L"再生|abc");
  // CString objects pass as their text, wide or narrow.
  CString dir(L"C:\\録画"), name(L"a.csv");
  CStringA narrow("abc");
  CString s;
  s.Format(L"%s\\%s (%S) %d", dir, name, narrow, 7);
  EXPECT_EQ(s, L"C:\\録画\\a.csv (abc) 7");
}

TEST(CStringConversion, WideAndCodePage932TextsConvertBothWays) {
  CStringA narrow(L"再生テスト.csv");
  EXPECT_EQ(std::string(narrow.GetString()),
            std::string("\x8d\xc4\x90\xb6\x83\x65\x83\x58\x83\x67.csv"));
  EXPECT_EQ(CString(narrow), L"再生テスト.csv");
  EXPECT_EQ(CString("ASCII only"), L"ASCII only");
  EXPECT_TRUE(CStringA(L"").IsEmpty());
}

TEST(CStringEdit, PiecesOutsideTheTextGiveShorterTextsNotFaults) {
  CString s(L"123_093015A_M.MP4");
  EXPECT_EQ(s.Left(3), L"123");
  EXPECT_EQ(s.Right(4), L".MP4");
  EXPECT_EQ(s.Mid(4, 6), L"093015");
  EXPECT_EQ(s.Mid(15, 50), L"P4");
  EXPECT_EQ(s.Mid(-3, 2), L"12");
  EXPECT_EQ(s.Mid(40), L"");
  EXPECT_EQ(s.Left(-1), L"");
  EXPECT_EQ(s.Right(99), s);
  EXPECT_EQ(s.GetAt(99), L'\0');
  EXPECT_EQ(s.Find(L'_'), 3);
  EXPECT_EQ(s.Find(L'_', 4), 11);
  EXPECT_EQ(s.Find(L"MP4"), 14);
  EXPECT_EQ(s.ReverseFind(L'_'), 11);
  EXPECT_EQ(s.Find(L'Z'), -1);
}

TEST(CStringEdit, RemoveReplaceTrimAndCase) {
  CString root(L"E:\\");
  EXPECT_EQ(root.Remove(L'\\'), 1);
  EXPECT_EQ(root, L"E:");
  CString s(L"  a.b.c \r\n");
  s.Trim();
  EXPECT_EQ(s, L"a.b.c");
  EXPECT_EQ(s.Replace(L".", L"::"), 2);
  EXPECT_EQ(s, L"a::b::c");
  CString path(L"C:\\a\\\\");
  path.TrimRight(L'\\');
  EXPECT_EQ(path, L"C:\\a");
  CString ext(L".Mp4");
  ext.MakeUpper();
  EXPECT_EQ(ext, L".MP4");
}

}  // namespace
