#include "playcore/bytes/unique_handle.h"

#include <gtest/gtest.h>

namespace playcore {
namespace {

// An event is the cheapest handle to make; whether it is still open is seen through
// GetHandleInformation, which fails for a closed handle.
bool IsOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != 0;
}

TEST(UniqueHandle, ClosesWhatItOwnsExactlyOnce) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    UniqueHandle owner(raw);
    EXPECT_TRUE(owner);
    UniqueHandle moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.get(), raw);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

// A failed open is no handle (Reset must not close the process's pseudo-handle); Release gives up
// ownership without closing.
TEST(UniqueHandle, FailedOpensAreNotHandlesAndReleaseKeepsTheHandleOpen) {
  UniqueHandle failedFile(INVALID_HANDLE_VALUE);
  UniqueHandle failedMapping(nullptr);
  EXPECT_FALSE(failedFile);
  EXPECT_FALSE(failedMapping);
  failedFile.Reset();
  EXPECT_TRUE(IsOpen(GetCurrentProcess()));
  HANDLE kept;
  {
    UniqueHandle owner(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    kept = owner.Release();
  }
  EXPECT_TRUE(IsOpen(kept));
  CloseHandle(kept);
}

}  // namespace
}  // namespace playcore
