// Values written into the map page's statements and messages arrive as the same values, never as code;
// the web message reader is bounded and survives damaged input.
#include <gtest/gtest.h>

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "tavrin/driveviews/map_json.h"
#include "tavrin/driveviews/map_script_text.h"
#include "tests/support/test_env.h"

using namespace driveviews;

TEST(MapScriptText, QuotesEveryCharacterThatCouldEndTheLiteralOrTheScript) {
  struct Case {
    const wchar_t* text;
    const wchar_t* literal;
  } cases[] = {
      {L"pause", L"\"pause\""},
      {L"a\"b", L"\"a\\\"b\""},
      {L"C:\\rec\\x.mp4", L"\"C:\\\\rec\\\\x.mp4\""},
      {L"</script><b>", L"\"\\u003c/script\\u003e\\u003cb\\u003e\""},
      {L"l1\nl2\r", L"\"l1\\nl2\\r\""},
      {L"it's & so", L"\"it\\u0027s \\u0026 so\""},
      {L"\u2028\u2029", L"\"\\u2028\\u2029\""},
      {L"東京", L"\"\\u6771\\u4eac\""},
      {L"\xD83D\xDE97", L"\"\\ud83d\\ude97\""},  // a car, as its surrogate pair
      {L"\x01\x7F", L"\"\\u0001\\u007f\""},
  };
  for (const Case& c : cases) EXPECT_EQ(JsonQuote(c.text), c.literal) << c.literal;
}

TEST(MapScriptText, NumbersAreCLocaleAndNeverCode) {
  // A comma-decimal locale of the C runtime must not change what the page reads.
  const char* was = setlocale(LC_NUMERIC, nullptr);
  std::string saved = was ? was : "C";
  setlocale(LC_NUMERIC, "German");
  struct Case {
    double value;
    const wchar_t* text;
  } cases[] = {
      {35.0, L"35.000000"}, {-0.25, L"-0.250000"}, {139.7671234, L"139.767123"},
      {1e300 * 1e300, L"0"}, {-(1e300 * 1e300), L"0"},
  };
  for (const Case& c : cases) EXPECT_EQ(ScriptNumber(c.value), c.text) << c.text;
  volatile double zero = 0.0;
  EXPECT_EQ(ScriptNumber(zero / zero), L"0");
  setlocale(LC_NUMERIC, saved.c_str());
}

// The member order of the state message is checked where the WebView2 dialog sends it.
TEST(MapJson, WritesValuesThatCannotEndTheirString) {
  CJsonHolder json;
  EXPECT_EQ(json.ToString(), L"{}");
  json.Set(L"map_status", L"\"},\"val_command\":\"x", L",");
  EXPECT_NE(json.ToString().find(L"\"map_status\":\"\\\"},\\\"val_command\\\":\\\"x\""), std::wstring::npos);
}

TEST(MapJson, ReadsFlatObjectsOfQuotedValues) {
  struct Case {
    const wchar_t* text;
    const wchar_t* key;
    const wchar_t* value;  // null: the key is not stored
    size_t members;
  } cases[] = {
      {L"{\"map_lat\":\"1\",\"map_lng\":\"2\",\"map_status\":\"pause\"}", L"map_status", L"pause", 3},
      {L"{\"a\":5}", L"a", nullptr, 0},
      {L"{\"a\":\"1,5\"}", L"a", L"15", 1},                       // ',' and ':' are never part of a value
      {L"{\"a\":\"x{\"b\":\"y\"}", L"b", L"y", 1},                // '{' inside a value starts over
      {L"{\"a\":\"q\\\"uote\\\\\"}", L"a", L"q\"uote\\", 1},     // escapes are decoded
      {L"{\"a\":\"\\u6771\\u4eac\"}", L"a", L"東京", 1},
      {L"{\"a\":\"\\u12\"}", L"a", L"u12", 1},                    // a short \u escape is kept as text
      {L"{\"a\" \"b\"}", L"a", nullptr, 0},
      {L"", L"a", nullptr, 0},
  };
  for (const Case& c : cases) {
    CJsonHolder json;
    EXPECT_TRUE(json.Parse(c.text));
    std::wstring value;
    EXPECT_EQ(json.Get(c.key, &value), c.value != nullptr) << c.text;
    if (c.value) {
      EXPECT_EQ(value, c.value) << c.text;
    }
    EXPECT_EQ(json.Size(), c.members) << c.text;
  }
}

TEST(MapJson, StaysWithinItsBoundsOnHugeOrDamagedInput) {
  CJsonHolder json;
  std::wstring huge(kMaxJsonText + 1, L'{');
  EXPECT_FALSE(json.Parse(huge));
  EXPECT_EQ(json.Size(), 0u);

  std::wstring many = L"{";
  for (int i = 0; i < 100; ++i) many += L"\"k" + std::to_wstring(i) + L"\":\"v\",";
  many += L"\"end\":\"\"}";
  EXPECT_TRUE(json.Parse(many));
  EXPECT_EQ(json.Size(), kMaxJsonMembers);

  CJsonHolder one;
  std::wstring longValue = L"{\"a\":\"" + std::wstring(5000, L'x') + L"\"}";
  EXPECT_TRUE(one.Parse(longValue));
  std::wstring value;
  ASSERT_TRUE(one.Get(L"a", &value));
  EXPECT_EQ(value.size(), kMaxJsonString);

  // Damaged messages: truncated, a trailing backslash, stray structure. None may crash.
  const wchar_t* damaged[] = {L"{\"a\":\"b", L"{\"a\":\"b\\", L"}}}{{{\"\"\"::,,", L"\\", L"{\"\\", L"\"\"\"\"",
                              L"{\"a\":\"\\u"};
  for (const wchar_t* text : damaged) {
    CJsonHolder j;
    EXPECT_TRUE(j.Parse(text)) << text;
  }
}

// Hands the literals of tricky texts to the browser check (tests/map/page/map_escape.test.js), which
// runs each as a statement in the real page and compares what arrives with the text.
TEST(MapScriptText, HandsItsLiteralsToTheBrowserCheck) {
  const char* build = getenv("QUILL_BUILD_DIR");
  if (!build) GTEST_SKIP() << "QUILL_BUILD_DIR is not set";
  const std::wstring texts[] = {
      L"D:\\DCIM\\20240315_001\\001_093000A_M.MP4",
      L"it\"s'; alert(1); //",
      L"</script><script>window.__pwned=1</script>",
      L"line1\nline2\r\n\ttab\u2028\u2029",
      L"東京都 ドライブ \xD83D\xDE97",
      L"\\u0041 stays six characters",
      std::wstring(L"nul\0inside", 10),
      L"\xD800 lone surrogate",
  };
  std::string json = "[";
  for (const std::wstring& t : texts) {
    if (json.size() > 1) json += ",\n";
    json += "{\"units\":[";
    for (size_t i = 0; i < t.size(); ++i) json += (i ? "," : "") + std::to_string(static_cast<unsigned>(t[i]));
    json += "],\"statement\":";
    // A statement with the text as its literal, as the page gets it (plain ASCII), as a JSON string.
    std::wstring statement = L"__probe(" + JsonQuote(t) + L")";
    std::wstring quoted = JsonQuote(statement);
    for (wchar_t c : quoted) {
      ASSERT_LT(static_cast<unsigned>(c), 0x80u);  // escaped texts are plain ASCII
      json += static_cast<char>(c);
    }
    json += "}";
  }
  json += "]\n";
  std::wstring dir = quill::test::HostPathToWindows(std::string(build) + "/test-output/map");
  CreateDirectoryW(quill::test::HostPathToWindows(std::string(build) + "/test-output").c_str(), nullptr);
  CreateDirectoryW(dir.c_str(), nullptr);
  HANDLE f = CreateFileW((dir + L"\\escape_samples.json").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                         nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(f, json.data(), static_cast<DWORD>(json.size()), &written, nullptr);
  CloseHandle(f);
  EXPECT_EQ(written, json.size());
}
