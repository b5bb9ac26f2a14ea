// The picture services of the player instances: the DIB checks that keep a short or packed picture from
// being read past its buffer, the JPEG writer, and the snapshot slot without a picture.
#include "playcore/instances/snapshot_image.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <string>

#include "playcore/instances/instance_ops.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"
#include "tests/tools/tool_fixture.h"

namespace {

BYTE* PackedDib(int width, int height, DWORD bitsBytes, DWORD headerSize = sizeof(BITMAPINFOHEADER)) {
  auto* buffer = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(BITMAPINFOHEADER) + bitsBytes));
  BITMAPINFOHEADER h = {};
  h.biSize = headerSize;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = 32;
  memcpy(buffer, &h, sizeof h);
  memset(buffer + sizeof h, 0x7F, bitsBytes);
  return buffer;
}

TEST(CurrentImage, APictureIsUsedOnlyWhenAllItsRowsAreInTheBuffer) {
  // Regression: a packed DIB (its own header before the bits, native size) was read as window-sized
  // raw bits, past the end of the buffer.
  const struct {
    int w, h;
    DWORD bits, headerSize;
    bool adopted, usable;
  } cases[] = {
      {64, 32, 64 * 32 * 4, 40, true, true},
      {64, -32, 64 * 32 * 4, 40, true, true},   // top-down rows
      {64, 32, 64 * 32 * 4 - 1, 40, true, false},
      {64, 32, 100, 40, true, false},
      {64, 32, 64 * 32 * 4, 100000, false, false},  // a header larger than the buffer
      {64, 32, 64 * 32 * 4, 4000, true, false},     // a header that leaves too few bits
      {0, 32, 0, 40, true, false},
  };
  for (const auto& c : cases) {
    playcore::CurrentImage image;
    EXPECT_EQ(image.AdoptPackedDib(PackedDib(c.w, c.h, c.bits, c.headerSize), sizeof(BITMAPINFOHEADER) + c.bits),
              c.adopted);
    EXPECT_EQ(image.Usable(), c.usable) << c.w << "x" << c.h << " " << c.bits;
  }
  playcore::CurrentImage tooShort;
  BITMAPINFOHEADER window = {sizeof(BITMAPINFOHEADER), 640, 480, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  tooShort.AdoptBits(static_cast<BYTE*>(CoTaskMemAlloc(320 * 240 * 4)), 320 * 240 * 4, window);
  EXPECT_FALSE(tooShort.Usable());
}

TEST(JpegFile, IsWrittenWholeOrNotAtAll) {
  playcore::GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.ok());
  // A grey picture: written whole (the picture's content is checked on the real capture).
  const int w = 64, h = 32;
  auto* bits = static_cast<BYTE*>(CoTaskMemAlloc(w * h * 4));
  memset(bits, 0x80, w * h * 4);
  playcore::CurrentImage image;
  image.AdoptBits(bits, w * h * 4, {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0});
  quill::test::TempDir dir;
  const std::wstring path = dir.path() + L"shot_M.jpg";
  ASSERT_TRUE(playcore::WriteJpegFile(image, path.c_str()));
  EXPECT_EQ(quill::test::ReadBytes(path).substr(0, 3), "\xFF\xD8\xFF");  // a JPEG
  EXPECT_EQ(quill::test::FilesIn(dir.path()), std::vector<std::wstring>{L"shot_M.jpg"});  // no temporary left
  EXPECT_FALSE(playcore::WriteJpegFile(image, (dir.path() + L"missing\\shot_M.jpg").c_str()));
  // A picture whose rows do not fit its buffer is refused before GDI+ reads it.
  playcore::CurrentImage shortImage;
  shortImage.AdoptBits(static_cast<BYTE*>(CoTaskMemAlloc(16)), 16,
                       {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0});
  EXPECT_FALSE(playcore::WriteJpegFile(shortImage, (dir.path() + L"short_M.jpg").c_str()));
  EXPECT_FALSE(quill::test::FileExists(dir.path() + L"short_M.jpg"));
}

TEST(SnapshotSlot, AnswersZeroAndWritesNothingWithoutAPicture) {
  quill::test::TempDir dir;
  const std::wstring path = dir.path() + L"x_M.jpg";
  playcore::sPLAYERINSTANCE inactive = {};
  EXPECT_EQ(playcore::PlayerInstance::SaveSnapshot(&inactive, path.c_str()), 0);
  EXPECT_EQ(playcore::PlayerInstance::ShowOverlayText(&inactive, L"text"), 0);
  EXPECT_EQ(playcore::PlayerInstance::ClearOverlay(&inactive), 1);

  // An initialised instance with no movie open.
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  playcore::sPLAYERINSTANCE* instance = &playcore::g_PlayerInstance[0];
  ASSERT_EQ(playcore::PlayerInstance::Init(instance, window, L"Arial"), 1);
  EXPECT_EQ(playcore::PlayerInstance::SaveSnapshot(instance, path.c_str()), 0);
  EXPECT_EQ(playcore::PlayerInstance::ShowOverlayText(instance, L"text"), 0);
  EXPECT_EQ(playcore::PlayerInstance::ClearOverlay(instance), 1);
  playcore::PlayerInstance::Release(instance);
  DestroyWindow(window);
  EXPECT_TRUE(quill::test::FilesIn(dir.path()).empty());
}

TEST(OverlayDestination, BottomRightCornerScaledLikeThePicture) {
  struct Case {
    const char* name;
    int clientW, clientH, nativeW, nativeH;
    bool oneFactor;
    bool ok;
    float left, top;
  } cases[] = {
      {"1280 x 720 shown 1:1", 1280, 720, 1280, 720, true, true, 1.0f - 300.0f / 1280, 1.0f - 120.0f / 720},
      {"half size, two factors", 640, 360, 1280, 720, false, true, 1.0f - 150.0f / 640, 1.0f - 60.0f / 360},
      {"wide client, one factor (the horizontal)", 1280, 360, 1280, 720, true, true, 1.0f - 300.0f / 1280,
       1.0f - 120.0f / 360},
      {"wide client, two factors", 1280, 360, 1280, 720, false, true, 1.0f - 300.0f / 1280, 1.0f - 60.0f / 360},
      // Regression: a client smaller than the scaled bitmap gave a corner left of and above the
      // picture, which the mixer refuses.
      {"tiny client", 100, 40, 100, 40, true, true, 0.0f, 0.0f},
      {"no native size", 640, 360, 0, 0, true, false, 0, 0},
      {"no client", 0, 360, 1280, 720, true, false, 0, 0},
  };
  for (const Case& c : cases) {
    playcore::NormalizedRect place = {};
    ASSERT_EQ(playcore::OverlayDestination(c.clientW, c.clientH, c.nativeW, c.nativeH, c.oneFactor, &place), c.ok)
        << c.name;
    if (!c.ok) continue;
    EXPECT_NEAR(place.left, c.left, 1e-4) << c.name;
    EXPECT_NEAR(place.top, c.top, 1e-4) << c.name;
    EXPECT_FLOAT_EQ(place.right, 1.0f) << c.name;
    EXPECT_FLOAT_EQ(place.bottom, 1.0f) << c.name;
  }
  playcore::sPLAYERINSTANCE instance = {};
  instance.aspectMode = 0;
  EXPECT_TRUE(playcore::OverlayUsesOneFactor(instance));
  instance.aspectMode = 1;
  EXPECT_FALSE(playcore::OverlayUsesOneFactor(instance));
}

}  // namespace
