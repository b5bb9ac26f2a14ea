#include "playcore/recorder/recorder_probe.h"

#include "tests/recorder/recorder_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <string>

namespace playcore {
namespace {

using namespace quill::test;

TEST(Probe, FindsTheEndMarkWithinTheLastEightyFiveBytesOnly) {
  std::string head = FtypBox();
  struct Case {
    const char* name;
    std::string bytes;
    int expected;
  } cases[] = {
      {"a whole recorder movie", RecorderMovie(SampleRecords(3)), 1},
      {"the mark as the last six bytes", head + std::string(200, 'x') + "CSOEND", 1},
      {"the mark 85 bytes from the end, NULs around it",
       head + std::string(200, '\0') + "CSOEND" + std::string(79, '\0'), 1},
      {"the mark 86 bytes from the end",
       head + std::string(200, '\0') + "CSOEND" + std::string(80, '\0'), 0},
      {"no ftyp at bytes 4-7", std::string(8, '\0') + "moov" + std::string(200, 'x') + "CSOEND", 0},
      {"no mark", head + std::string(300, 'x'), 0},
      {"an empty file", std::string(), 0},
      {"a file shorter than the tail", head + "CSOEND", 0},
      {"seven bytes", std::string("\0\0\0\0fty", 7), 0},
  };
  TempDir dir;
  int i = 0;
  for (const Case& c : cases) {
    std::wstring path = dir.path() + L"probe" + std::to_wstring(i++) + L".mp4";
    ASSERT_TRUE(WriteWholeFile(path, c.bytes));
    EXPECT_EQ(ProbeRecorderFile(path.c_str()), c.expected) << c.name;
  }
  EXPECT_EQ(ProbeRecorderFile((dir.path() + L"missing.mp4").c_str()), 0);
  EXPECT_EQ(ProbeRecorderFile(nullptr), 0);
}

}  // namespace
}  // namespace playcore
