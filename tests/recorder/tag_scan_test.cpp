// The byte-by-byte tag scan against boxes whose size bytes end in the first letters of the tag.
#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/file_map.h"
#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <string>

namespace playcore {
namespace {

using namespace quill::test;

class TagScanTest : public MapErrorGuard {};

// Regression: the matcher restarted from the mismatching byte alone, so after size bytes ending in
// "st" it had forgotten the "st" and missed the "stsz" that followed.
TEST_F(TagScanTest, FindsStszWhateverItsSizeBytesEndIn) {
  TempDir dir;
  const struct {
    uint32_t size;
    const char* what;
  } cases[] = {{0x20, "a plain size"}, {0x73, "ending in s"}, {0x7374, "ending in st"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // version/flags, a constant sample size, 7 samples, padding up to the box size.
    std::string payload = U32(0) + U32(512) + U32(7);
    payload.resize(c.size - 8, '\0');
    std::wstring path = dir.path() + L"stsz.mp4";
    ASSERT_TRUE(WriteWholeFile(path, FtypBox() + U32(c.size) + "stsz" + payload));
    ScopedFileMap map;
    ASSERT_EQ(map->OpenFile(path.c_str()), 1);
    sTAGENTRY stsz = StszEntry();
    uint32_t samples = 0;
    EXPECT_EQ(map->ScanForTag(&stsz, nullptr, &samples), 1);
    EXPECT_EQ(samples, 7u);
    EXPECT_EQ(map->recordCounter, 1);
  }
}

}  // namespace
}  // namespace playcore
