// The converter's frame rate into the recording fake sink (read, colour conversion, the 1920 x 960
// panorama, read-back, mosaic), for bench/convert.sh. Usage: convert_bench SOURCE DESTINATION_FOLDER
// (Windows paths). Prints "converter-fps: <frames per second>".
#include <windows.h>
#include <mfapi.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "playcore/converter/movie_capture.h"
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
  const auto start = std::chrono::steady_clock::now();
  const auto result = job.Run(request);  // the fake leaves no movie: the rewrite fails at the end
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("converter: %u frames in %.2f s (run %d, 0x%08lx)\n", job.framesWritten(), seconds,
              static_cast<int>(result), static_cast<unsigned long>(job.result()));
  std::printf("converter-fps: %.2f\n", job.framesWritten() / seconds);
  DestroyWindow(owner);
  return job.framesWritten() > 0 ? 0 : 1;
}
