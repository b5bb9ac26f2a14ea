// The platform's video processor and the processor-side conversion give the same colours, the same
// way up.
#include <gtest/gtest.h>

#include <mfapi.h>

#include <cstring>

#include "playcore/converter/frame_colour.h"
#include "playcore/converter/video_processor.h"

namespace playcore {
namespace {

TEST(VideoProcessor, AgreesWithTheCpuConversion) {
  ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_FULL), S_OK);
  const UINT w = 64, h = 32;
  // Top half four bars (red, lime, blue, white), bottom half black: colour and orientation.
  const uint8_t bars[4][3] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {235, 128, 128}};
  std::vector<uint8_t> iyuv(IyuvFrameBytes(w, h, w));
  uint8_t* u = iyuv.data() + w * h;
  uint8_t* v = u + (w / 2) * (h / 2);
  for (UINT y = 0; y < h; ++y) {
    for (UINT x = 0; x < w; ++x) {
      const bool top = y < h / 2;
      iyuv[y * w + x] = top ? bars[x / 16][0] : 16;
      if (y % 2 == 0 && x % 2 == 0) {
        u[(y / 2) * (w / 2) + x / 2] = top ? bars[x / 16][1] : 128;
        v[(y / 2) * (w / 2) + x / 2] = top ? bars[x / 16][2] : 128;
      }
    }
  }
  std::vector<uint8_t> cpu(w * h * 4), gpu(w * h * 4, 0x55);
  ASSERT_TRUE(IyuvToBgra(iyuv.data(), iyuv.size(), w, h, w, cpu.data(), w * 4));

  VideoProcessor processor;
  if (FAILED(processor.Create(w, h, 30, 1))) {
    MFShutdown();
    GTEST_SKIP() << "no video processor on this system";
  }
  quill::com::ComPtr<IMFMediaBuffer> buffer;
  ASSERT_EQ(MFCreateMemoryBuffer(static_cast<DWORD>(iyuv.size()), buffer.put()), S_OK);
  BYTE* bytes = nullptr;
  ASSERT_EQ(buffer->Lock(&bytes, nullptr, nullptr), S_OK);
  std::memcpy(bytes, iyuv.data(), iyuv.size());
  buffer->Unlock();
  buffer->SetCurrentLength(static_cast<DWORD>(iyuv.size()));
  quill::com::ComPtr<IMFSample> sample;
  ASSERT_EQ(MFCreateSample(sample.put()), S_OK);
  sample->AddBuffer(buffer.get());
  sample->SetSampleTime(0);
  sample->SetSampleDuration(333333);
  ASSERT_EQ(processor.Convert(sample.get(), gpu.data(), w * 4), S_OK);
  int worst = 0;
  for (UINT y = 2; y < h; y += 4) {
    for (UINT x = 4; x < w; x += 8) {
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(cpu[(y * w + x) * 4 + c] - gpu[(y * w + x) * 4 + c]);
        worst = d > worst ? d : worst;
      }
    }
  }
  // Wine's processor works in full range with another matrix: up to about 25 apart per channel.
  EXPECT_LE(worst, 30);
  processor.Release();
  MFShutdown();
}

}  // namespace
}  // namespace playcore
