// The converter's frame rate into the recording fake sink (read, colour conversion, the 1920 x 960
// panorama with the band over its top third, read-back, mosaic), for bench/convert.sh. Usage:
// convert_bench SOURCE DESTINATION_FOLDER (Windows paths). Prints the milliseconds per frame of each
// stage (decode: reading and decoding; render: colour conversion, panorama, read-back and mosaic;
// write: handing the frame to the writer) and "converter-fps: <frames per second>".
#include <windows.h>
#include <mfapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "playcore/converter/movie_capture.h"
#include "res/convert_res.h"
#include "tests/convert/fake_sink_writer.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND owner = CreateWindowW(L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 480, 240, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
  playcore::CMovieCapture job(owner);
  playcore::test::FakeSinkOptions sink;
  job.SetSinkWriterFactory(playcore::test::FakeSinkFactory(sink));
  job.SetMasks({{100, 400, 400, 600}});
  playcore::ConvertRequest request;
  request.source = argv[1];
  request.destination = std::wstring(argv[2]) + L"\\bench.mp4";
  request.overlayImage = IDP_CONVERT_BAND;
  request.spriteImage = IDP_CONVERT_MARK;
  const auto start = std::chrono::steady_clock::now();
  const auto result = job.Run(request);  // the fake leaves no movie: the rewrite fails at the end
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("converter: %u frames in %.2f s (run %d, 0x%08lx)\n", job.framesWritten(), seconds,
              static_cast<int>(result), static_cast<unsigned long>(job.result()));
  const playcore::ConvertTimes& t = job.times();
  if (t.frames > 0) {
    const double ms = 1000.0 / t.frames;
    std::printf("per frame: decode %.1f ms, render %.1f ms, write %.1f ms, set-up and the rest %.1f ms\n",
                t.decodeSeconds * ms, t.renderSeconds * ms, t.writeSeconds * ms,
                (seconds - t.decodeSeconds - t.renderSeconds - t.writeSeconds) * ms);
  }
  std::printf("converter-fps: %.2f\n", job.framesWritten() / seconds);
  DestroyWindow(owner);
  return job.framesWritten() > 0 ? 0 : 1;
}
