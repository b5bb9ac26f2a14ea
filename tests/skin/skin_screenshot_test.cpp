// The look of the skinned controls: the test dialog with every control in each of its states, captured
// from the screen, saved for a person to look at (<build>/test-output/skin/controls.png) and compared
// with the reference picture kept in tests/skin/reference/ (a small share of pixels may differ, for
// font rendering).
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/skin/skin_capture.h"
#include "tests/skin/skin_test_host.h"

namespace {

constexpr int kChannelTolerance = 48;
constexpr double kMaxDifferingShare = 0.02;

TEST(SkinScreenshot, TheControlsInEveryStateLookAsTheReference) {
  quill::test::CTestHostDlg& host = quill::test::SharedHost();
  host.ApplyShowcaseStates();
  quill::test::PumpMessages(100);
  quill::test::Pixels shot = quill::test::CaptureWindow(host.m_hWnd);
  ASSERT_EQ(shot.width, quill::test::CTestHostDlg::kWidth);
  ASSERT_EQ(shot.height, quill::test::CTestHostDlg::kHeight);
  const std::wstring out = quill::test::OutputDir();
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(quill::test::SaveBmp(shot, out + L"controls.bmp"));
  EXPECT_TRUE(quill::test::SavePng(shot, out + L"controls.png"));

  quill::test::Pixels reference;
  ASSERT_TRUE(quill::test::LoadPng(quill::test::ReferenceDir() + L"controls.png", &reference))
      << "no reference picture: look at test-output/skin/controls.png and, when it is right, copy it "
         "to tests/skin/reference/";
  const int differing = quill::test::CountDifferentPixels(shot, reference, kChannelTolerance);
  ASSERT_GE(differing, 0) << "the capture and the reference differ in size";
  EXPECT_LE(differing, static_cast<int>(shot.width * shot.height * kMaxDifferingShare))
      << differing << " pixels differ from the reference";
}

}  // namespace
