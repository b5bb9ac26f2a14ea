#include <windows.h>

#include <gtest/gtest.h>

TEST(TestBed, RunsUnderUsEnglishWhenAsked) {
  EXPECT_EQ(GetACP(), 1252u);
  EXPECT_EQ(GetUserDefaultLangID(), 1033);
}
