// Presentation benchmark (bench/presenter.sh runs it; not a test): plays one recording through a
// Media Foundation session with the program's presenter at x1, x2 and x4 and prints, per rate, the
// frames presented and dropped and the lateness of the presented frames (mean and worst, in ms of
// wall time). Lateness is measured on the wall clock against the frames' own schedule (sample time /
// rate), anchored at the frame presented earliest against it: the presentation clock under Wine does
// not give usable times at other rates than 1.
//   presenter_bench.exe <windows path of the recording> <frame count>
#include <windows.h>
#include <mfapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/presenter/fakes.h"
#include "bench/presenter/session.h"

using playcore::test::ProbeRenderer;
using playcore::test::SessionPlayer;

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

int RunAtRate(const std::wstring& path, int frameCount, float rate) {
  playcore::test::TestWindow window(960, 960);
  auto* probe = new ProbeRenderer;  // owned by the presenter's engine
  SessionPlayer player;
  HRESULT hr = player.Open(path, window.hwnd(), probe);
  if (SUCCEEDED(hr) && rate != 1.0f) hr = player.SetRate(rate);
  if (SUCCEEDED(hr)) hr = player.Start(-1, kStartTimeoutMs);
  const DWORD playMs = static_cast<DWORD>(player.duration() / 10000 / rate) + 30000;
  if (SUCCEEDED(hr)) hr = player.WaitForEnd(playMs);
  if (FAILED(hr)) {
    std::printf("x%g: playback failed 0x%08lx\n", rate, static_cast<unsigned long>(hr));
    return 1;
  }
  Sleep(300);
  const auto frames = probe->frames();
  // The first frame is the preroll, shown before the clock starts: it is left out.
  double anchor = 1e300;
  for (size_t i = 1; i < frames.size(); ++i) {
    const double offset = static_cast<double>(frames[i].drawnAt) -
                          static_cast<double>(frames[i].time) / rate;
    if (offset < anchor) anchor = offset;
  }
  double sum = 0;
  double worst = 0;
  for (size_t i = 1; i < frames.size(); ++i) {
    const double late = (static_cast<double>(frames[i].drawnAt) -
                         static_cast<double>(frames[i].time) / rate - anchor) / 1e4;
    sum += late;
    if (late > worst) worst = late;
  }
  const double mean = frames.size() < 2 ? 0 : sum / static_cast<double>(frames.size() - 1);
  const double dropped =
      frameCount > 0 ? 1.0 - static_cast<double>(frames.size()) / frameCount : 1.0;
  std::printf("x%g: presented %u of %d, dropped %.4f, lateness mean %.2f ms, worst %.2f ms\n", rate,
              static_cast<unsigned>(frames.size()), frameCount, dropped < 0 ? 0.0 : dropped, mean,
              worst);
  player.Close();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::printf("usage: presenter_bench <recording> <frames>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
  const int frames = _wtoi(argv[2]);
  int failures = 0;
  for (float rate : {1.0f, 2.0f, 4.0f}) failures += RunAtRate(argv[1], frames, rate);
  MFShutdown();
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
