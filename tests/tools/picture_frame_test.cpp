// The capture objects' picture holders: the 32-bit BMP header arithmetic, the loading of a BMP file's
// bits (refused when the file is shorter than the picture), a window's drawing surfaces, and the
// conversion job that carries them.
#include "playcore/converter/picture_frame.h"
#include "playcore/converter/movie_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

namespace {

using playcore::CBitmapFrame;

TEST(BitmapFrame, SizesFollowTheRowRule) {
  struct Case {
    int width, height;
    bool packed;
    uint32_t answer;     // SetSize's answer
    uint32_t fileSize;   // 54 + height x the 32-bit row
    uint32_t imageSize;  // file size - 54
  } cases[] = {
      {640, 480, true, 921600, 54 + 640 * 4 * 480, 640 * 4 * 480},  // (640 x 3 + 3) / 4 x 480 x 4
      {640, 480, false, 0, 54 + 640 * 4 * 480, 640 * 4 * 480},
      {3, 2, true, (3 * 3 + 3) / 4 * 2 * 4, 54 + 12 * 2, 24},       // 24-bit rows of 9 bytes: 24
      {0, 0, true, 0, 54, 0},
      {-5, 10, false, 0, 54, 0},
  };
  for (const Case& c : cases) {
    CBitmapFrame frame;
    EXPECT_EQ(frame.SetSize(c.width, c.height, c.packed), c.answer) << c.width << "x" << c.height;
    EXPECT_EQ(frame.FileHeader().bfType, 0x4D42);
    EXPECT_EQ(frame.FileHeader().bfSize, c.fileSize) << c.width << "x" << c.height;
    EXPECT_EQ(frame.FileHeader().bfOffBits, 54u);
    EXPECT_EQ(frame.ImageSize(), c.imageSize) << c.width << "x" << c.height;
    EXPECT_EQ(frame.Header()->biSize, 40u);
    EXPECT_EQ(frame.Header()->biBitCount, 32);
    EXPECT_EQ(frame.Header()->biPlanes, 1);
  }
}

TEST(BitmapFrame, LoadsTheBitsOnlyFromAFileThatHoldsThemAll) {
  quill::test::TempDir dir;
  CBitmapFrame frame;
  frame.SetSize(4, 2, false);  // 32 bytes of bits after the 54 of the headers
  const std::string header(54, 'h');
  std::string bits;
  for (int i = 0; i < 32; ++i) bits += static_cast<char>(i + 1);
  struct Case {
    const char* name;
    std::string content;
    bool loads;
  } cases[] = {
      {"whole", header + bits, true},
      {"longer", header + bits + "tail", true},
      // Regression: a short file gave a zero-filled rest instead of no picture.
      {"one byte short", header + bits.substr(0, 31), false},
      {"headers only", header, false},
      {"empty", "", false},
  };
  for (const Case& c : cases) {
    const std::wstring path = dir.path() + std::wstring(c.name, c.name + strlen(c.name)) + L".bmp";
    ASSERT_TRUE(quill::test::WriteFileBytes(path, c.content)) << c.name;
    std::unique_ptr<uint8_t[]> loaded = frame.Load(path.c_str());
    ASSERT_EQ(loaded != nullptr, c.loads) << c.name;
    if (loaded) {
      EXPECT_EQ(std::string(reinterpret_cast<char*>(loaded.get()), 32), bits) << c.name;
    }
  }
  EXPECT_EQ(frame.Load((dir.path() + L"missing.bmp").c_str()), nullptr);
  CBitmapFrame unsized;
  EXPECT_EQ(unsized.Load((dir.path() + L"whole.bmp").c_str()), nullptr) << "no size, no picture";
}

TEST(WindowCapture, HoldsAMemoryBitmapOfTheClientSize) {
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 120, 80, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  {
    playcore::CWindowCapture capture(window);
    ASSERT_TRUE(capture.ok());
    BITMAP info = {};
    ASSERT_EQ(GetObjectW(capture.bitmap(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 120);
    EXPECT_EQ(info.bmHeight, 80);
    EXPECT_EQ(GetCurrentObject(capture.memoryDc(), OBJ_BITMAP), capture.bitmap());
  }
  DestroyWindow(window);
}

TEST(MovieCapture, CarriesItsCaptureObjectsIdsAndIndexWords) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  {
    playcore::CMovieCapture job(owner);
    EXPECT_TRUE(job.windowCapture().ok());
    EXPECT_EQ(job.frameBitmap().Header()->biWidth, 1920);
    EXPECT_EQ(job.frameBitmap().Header()->biHeight, 960);
    EXPECT_EQ(job.frameBitmap().ImageSize(), 1920u * 960u * 4u);
    EXPECT_EQ(job.index(0), -1);
    EXPECT_EQ(job.index(1), -1);
    EXPECT_EQ(playcore::CMovieCapture::kMessageIds[0], 370u);
    EXPECT_EQ(playcore::CMovieCapture::kMessageIds[1], 371u);
  }
  DestroyWindow(owner);
}

}  // namespace
