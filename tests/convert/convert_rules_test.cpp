// The converter's pure rules and the processor-side colour conversion (the platform's video processor is
// checked through the converted frames on the host); the silent AAC frames are written as ADTS files
// that the host decodes with ffmpeg afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "playcore/converter/conversion_rules.h"
#include "playcore/converter/frame_colour.h"
#include "playcore/converter/mask_editor.h"
#include "tests/support/test_env.h"

namespace playcore {
namespace {

TEST(MaskEditor, OperationsGiveTheExpectedAreas) {
  struct Op {
    int action, x, y;
  };
  const struct {
    const char* name;
    std::vector<Op> ops;
    std::vector<RECT> expected;
  } cases[] = {
      {"drag adds the scaled area", {{1, 100, 50}, {2, 300, 100}, {3, 500, 200}}, {{192, 96, 960, 384}}},
      {"reverse drag adds the same area", {{1, 500, 200}, {3, 100, 50}}, {{192, 96, 960, 384}}},
      {"click without movement adds nothing", {{1, 10, 10}, {3, 10, 10}}, {}},
      {"zero height adds nothing", {{1, 10, 10}, {3, 400, 10}}, {}},
      {"move and up without down change nothing", {{2, 10, 10}, {3, 90, 90}}, {}},
      {"undo on an empty list", {{4, 0, 0}}, {}},
      {"undo removes the last", {{1, 0, 0}, {3, 10, 10}, {1, 20, 20}, {3, 30, 30}, {4, 0, 0}}, {{0, 0, 19, 19}}},
      {"delete all", {{1, 0, 0}, {3, 10, 10}, {1, 20, 20}, {3, 30, 30}, {5, 0, 0}}, {}},
      {"delete all ends a drag", {{1, 10, 10}, {2, 50, 50}, {5, 0, 0}}, {}},
      {"unknown actions are ignored", {{1, 0, 0}, {9, 50, 50}, {0, 1, 1}, {3, 10, 10}}, {{0, 0, 19, 19}}},
  };
  for (const auto& c : cases) {
    MaskEditor editor;
    for (const Op& op : c.ops) editor.OnPreviewMouse(op.action, op.x, op.y);
    const MaskState s = editor.Snapshot();
    ASSERT_EQ(s.masks.size(), c.expected.size()) << c.name;
    for (size_t i = 0; i < s.masks.size(); ++i) EXPECT_TRUE(EqualRect(&s.masks[i], &c.expected[i])) << c.name;
    EXPECT_FALSE(s.dragging) << c.name;
    EXPECT_TRUE(IsRectEmpty(&s.dragRect)) << c.name;
  }
}

TEST(MaskEditor, CopyingWhileAnotherThreadEditsStaysConsistent) {
  MaskEditor editor;
  std::atomic<bool> stop{false};
  std::thread ui([&] {
    for (int i = 0; !stop.load(); ++i) {
      editor.OnPreviewMouse(1, i % 400, 5);
      editor.OnPreviewMouse(3, i % 400 + 7, 30);
      if (i % 3 == 0) editor.OnPreviewMouse(4, 0, 0);
      if (i % 50 == 0) editor.OnPreviewMouse(5, 0, 0);
    }
  });
  size_t bad = 0;
  for (int i = 0; i < 10000; ++i) {
    for (const RECT& r : editor.Snapshot().masks) bad += (r.right <= r.left || r.bottom <= r.top);
  }
  stop.store(true);
  ui.join();
  EXPECT_EQ(bad, 0u);
}

TEST(ConvertRules, ProgressAndFrameCounts) {
  const struct {
    uint32_t total, counter;
    float offset;
    uint32_t value;
  } cases[] = {
      {1000, 1, 0.0f, 20},          // the first frame: the first percent plus the base
      {1000, 1000, 0.0f, 1010},     // the last frame
      {1000, 5000, 0.0f, 1010},     // past the total: clamped to the last
      {1000, 500, 50.0f, 765},      // half the bar used by a join: base 510
      {4000000000u, 2000000000u, 0.0f, 2060000000u},  // 32-bit products would overflow here
  };
  for (const auto& c : cases) {
    uint32_t v = 0;
    ASSERT_TRUE(ProgressValue(c.total, c.counter, c.offset, &v)) << c.total;
    EXPECT_EQ(v, c.value) << c.total << " " << c.counter;
  }
  uint32_t v = 0;
  EXPECT_FALSE(ProgressValue(0, 1, 0.0f, &v)) << "no total: nothing to divide by";
  EXPECT_EQ(FrameCountFor(20000000, 30000, 1001), 60u);
  EXPECT_EQ(FrameCountFor(20000000, 30, 0), 0u);
  EXPECT_EQ(FrameCountFor(UINT64_MAX, 60, 1), UINT32_MAX);
}

TEST(ConvertRules, TemporaryNamesStayBesideTheDestinationAndInsideMaxPath) {
  std::wstring out, other;
  ASSERT_TRUE(TempPathBeside(L"D:\\up\\a.mp4", 12, 3, L".enc.mp4", &out));
  EXPECT_EQ(out, L"D:\\up\\~qm12-3.enc.mp4");
  ASSERT_TRUE(TempPathBeside(L"\\\\server\\share\\a.mp4", 1, 1, L".part.mp4", &out));
  EXPECT_EQ(out, L"\\\\server\\share\\~qm1-1.part.mp4");
  EXPECT_FALSE(TempPathBeside(L"a.mp4", 1, 1, L".x", &out)) << "no folder";
  const std::wstring deep = L"C:\\" + std::wstring(240, L'd') + L"\\a.mp4";
  EXPECT_FALSE(TempPathBeside(deep, 4294967295u, 4294967295u, L".enc.mp4", &out));
  ASSERT_TRUE(NextTempPathBeside(L"C:\\x\\y.mp4", L".t", &out));
  ASSERT_TRUE(NextTempPathBeside(L"C:\\x\\y.mp4", L".t", &other));
  EXPECT_NE(out, other);
}

// BT.601 studio-range Y, U, V of red, lime, blue and white as four bars over the top half of an IYUV
// frame (a pitch wider than the picture, as decoders pad); the bottom half black.
const uint8_t kBars[4][6] = {{81, 90, 240, 255, 0, 0}, {145, 54, 34, 0, 255, 0}, {41, 240, 110, 0, 0, 255},
                             {235, 128, 128, 255, 255, 255}};
std::vector<uint8_t> BarsFrame(UINT w, UINT h, UINT pitch) {
  std::vector<uint8_t> f(IyuvFrameBytes(w, h, pitch), 0);
  uint8_t* u = f.data() + pitch * h;
  uint8_t* v = u + (pitch / 2) * (h / 2);
  for (UINT y = 0; y < h; ++y) {
    for (UINT x = 0; x < w; ++x) {
      const uint8_t* bar = y < h / 2 ? kBars[x * 4 / w] : nullptr;
      f[y * pitch + x] = bar ? bar[0] : 16;
      if (y % 2 == 0 && x % 2 == 0) {
        u[(y / 2) * (pitch / 2) + x / 2] = bar ? bar[1] : 128;
        v[(y / 2) * (pitch / 2) + x / 2] = bar ? bar[2] : 128;
      }
    }
  }
  return f;
}

TEST(ConvertColour, CpuConversionOfTheFourBars) {
  const UINT w = 8, h = 4, pitch = 12;
  const std::vector<uint8_t> src = BarsFrame(w, h, pitch);
  std::vector<uint8_t> dst(w * h * 4);
  ASSERT_TRUE(IyuvToBgra(src.data(), src.size(), w, h, pitch, dst.data(), w * 4));
  for (UINT x = 0; x < w; ++x) {
    const uint8_t* p = &dst[(w + x) * 4];
    const uint8_t* bar = kBars[x / 2];
    EXPECT_NEAR(p[2], bar[3], 2) << x;
    EXPECT_NEAR(p[1], bar[4], 2) << x;
    EXPECT_NEAR(p[0], bar[5], 2) << x;
    EXPECT_EQ(p[3], 0xFF);
  }
  EXPECT_FALSE(IyuvToBgra(src.data(), src.size() - 1, w, h, pitch, dst.data(), w * 4))
      << "a short buffer fails the frame";
}

TEST(ConvertColour, PaddedRowsBelowThePictureMoveTheChromaPlanes) {
  // A decoder's padded frame: the 4 picture rows of the bars in planes of 8 rows, the padding rows
  // another colour.
  const UINT w = 8, h = 4, pitch = 12, planeRows = 8, chroma = pitch / 2;
  const std::vector<uint8_t> plain = BarsFrame(w, h, pitch);
  std::vector<uint8_t> padded(IyuvFrameBytes(w, planeRows, pitch), 200);
  std::copy(plain.begin(), plain.begin() + pitch * h, padded.begin());
  for (int plane = 0; plane < 2; ++plane) {
    const auto from = plain.begin() + pitch * h + plane * chroma * (h / 2);
    std::copy(from, from + chroma * (h / 2), padded.begin() + pitch * planeRows + plane * chroma * (planeRows / 2));
  }
  std::vector<uint8_t> dst(w * h * 4), expected(w * h * 4);
  ASSERT_TRUE(IyuvToBgra(plain.data(), plain.size(), w, h, pitch, expected.data(), w * 4));
  ASSERT_TRUE(IyuvToBgra(padded.data(), padded.size(), w, h, pitch, dst.data(), w * 4, planeRows));
  EXPECT_EQ(dst, expected) << "the picture rows of a padded frame convert as the unpadded frame";
  EXPECT_FALSE(IyuvToBgra(padded.data(), padded.size() - 1, w, h, pitch, dst.data(), w * 4, planeRows));
  EXPECT_FALSE(IyuvToBgra(padded.data(), padded.size(), w, h, pitch, dst.data(), w * 4, h - 1))
      << "planes shorter than the picture";
}

TEST(ConvertRules, RoomForTheWriterFileAndTheRewrite) {
  constexpr uint64_t kMinute = 600000000;  // 100 ns units
  constexpr uint64_t kMargin = 4u << 20;
  const struct {
    uint64_t duration;
    bool audio;
    uint64_t expected;
  } cases[] = {
      {0, true, 2 * (kMargin + 1)},
      // 80 Mbit/s for a minute: 600,000,000 bytes, twice, with the margin.
      {kMinute, false, 2 * (600000000ull + 1 + kMargin)},
      {kMinute, true, 2 * (600000000ull + 2400000 + 1 + kMargin)},
      {UINT64_MAX, true, UINT64_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConversionRoomNeeded(c.duration, 80000000, c.audio), c.expected) << c.duration;
  }
}

TEST(ConvertRules, PreviewWaitsUntilEachFrameIsDue) {
  const struct {
    int64_t time, first;
    uint64_t elapsed;
    uint32_t wait;
  } cases[] = {
      {0, 0, 0, 0},               // the first frame at once
      {333333, 0, 0, 33},         // the next one a frame later
      {333333, 0, 40, 0},         // late: at once
      {10333333, 10000000, 10, 23},  // a pass that starts at 1 s counts from its first frame
      {900000000, 0, 0, 1000},    // a jump in the time stamps waits at most the limit
      {-5, 0, 0, 0},              // before the first frame
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PreviewWaitMs(c.time, c.first, c.elapsed, 1000), c.wait) << c.time << " " << c.elapsed;
  }
}

TEST(ConvertRules, VolumeNamesAndByteCountsOfARefusal) {
  const struct {
    const wchar_t *path, *volume;
  } volumes[] = {{L"E:\\out\\x", L"E:"}, {L"e:", L"e:"}, {L"\\\\srv\\share\\d", L"\\\\srv\\share"},
                 {L"\\\\srv\\share", L"\\\\srv\\share"}, {L"out", L"out"}};
  for (const auto& c : volumes) EXPECT_EQ(VolumeOfPath(c.path), c.volume) << c.path;
  const struct {
    uint64_t bytes;
    const wchar_t* text;
  } counts[] = {{1, L"1 KB"}, {1024, L"1 KB"}, {1025, L"2 KB"}, {1048576, L"1.0 MB"},
                {1048577, L"1.1 MB"}, {39216742, L"37.4 MB"}, {1288490189, L"1.3 GB"},
                {UINT64_MAX, L"17179869184.0 GB"}};
  for (const auto& c : counts) EXPECT_EQ(ByteCountText(c.bytes), c.text) << c.bytes;
}

TEST(ConvertRules, PresentAreaStaysWithinTheWorkSize) {
  const struct {
    RECT client;
    UINT workW, workH;
    RECT area;
  } cases[] = {{{0, 0, 1000, 500}, 1280, 1000, {0, 0, 1000, 500}},
               {{0, 0, 1920, 1080}, 1920, 1040, {0, 0, 1920, 1040}},
               {{0, 0, 2560, 1440}, 1920, 1040, {0, 0, 1920, 1040}},
               {{0, 0, 800, 600}, 0, 0, {0, 0, 800, 600}}};
  for (const auto& c : cases) {
    const RECT a = PresentAreaWithin(c.client, c.workW, c.workH);
    EXPECT_TRUE(EqualRect(&a, &c.area)) << a.right << "x" << a.bottom;
  }
}

TEST(ConvertRules, SilentAacFramesForEveryChannelLayout) {
  const char* out = std::getenv("QUILL_CONVERT_OUT");
  ASSERT_TRUE(out) << "QUILL_CONVERT_OUT not set";
  const std::wstring dir = quill::test::HostPathToWindows(out);
  CreateDirectoryW(dir.c_str(), nullptr);
  for (uint32_t channels : {1u, 2u, 6u}) {
    for (uint32_t rate : {48000u, 44100u}) {
      const std::vector<uint8_t> frame = SilentAacFrame(channels);
      const std::vector<uint8_t> header = AdtsHeader(rate, channels, frame.size());
      ASSERT_FALSE(frame.empty()) << channels;
      ASSERT_EQ(header.size(), 7u);
      wchar_t name[64];
      swprintf(name, 64, L"\\silent-%u-%u.aac", channels, rate);
      FILE* f = _wfopen((dir + name).c_str(), L"wb");
      ASSERT_TRUE(f);
      for (int i = 0; i < 50; ++i) {  // a second of frames
        fwrite(header.data(), 1, header.size(), f);
        fwrite(frame.data(), 1, frame.size(), f);
      }
      fclose(f);
    }
  }
  EXPECT_TRUE(SilentAacFrame(7).empty());
  EXPECT_TRUE(AdtsHeader(47000, 2, 10).empty());
}

}  // namespace
}  // namespace playcore
