// Benchmark (not a test): frames per second of each scene view at 1920x1080 from a 1920x1920
// fisheye frame, against the same frame drawn on one plain quad (the flat view) in the same run,
// on the same device. Every frame copies the frame, draws and presents, as playback does.
// Prints each figure and, last, "scene-sphere-vs-quad: <sphere fps / quad fps>".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "playcore/scene/raw_obj.h"
#include "playcore/scene/sphere_model.h"
#include "tests/scene/render_bed.h"

namespace playcore::test {
namespace {

constexpr UINT kTargetWidth = 1920;
constexpr UINT kTargetHeight = 1080;
constexpr UINT kFrameSize = 1920;
constexpr int kWarmUpFrames = 5;
constexpr double kRunSeconds = 0.6;
constexpr int kRounds = 5;

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / frequency.QuadPart;
}

// Frames per second of `frame` over about `seconds`; every queued draw is waited for at the end
// (the read-back), so the time covers the work done, not only the work queued.
double Measure(RenderBed* bed, const std::function<HRESULT()>& frame, double seconds) {
  std::vector<uint32_t> pixels;
  for (int i = 0; i < kWarmUpFrames; ++i) frame();
  bed->ReadTarget(&pixels);
  const double start = Seconds();
  int frames = 0;
  while (Seconds() - start < seconds) {
    if (FAILED(frame())) return 0.0;
    ++frames;
  }
  bed->ReadTarget(&pixels);
  return frames / (Seconds() - start);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

int Run() {
  RenderBed bed;
  ComPtr<IDirect3DSurface9> source;
  if (FAILED(bed.Create(kTargetWidth, kTargetHeight, false)) ||
      FAILED(bed.MakeFrame(kFrameSize, &source))) {
    std::printf("no Direct3D 9Ex device on this display\n");
    return 1;
  }
  IDirect3DDevice9* device = bed.device();
  D3DRawObj2 quad;
  CSphereModel model;
  if (FAILED(quad.Create(device, kFrameSize, kFrameSize, kQuadVertices)) ||
      FAILED(model.CreateScene(device, kFrameSize, kFrameSize))) {
    std::printf("the quad or the scene could not be built\n");
    return 1;
  }
  const RECT dest = {0, 0, static_cast<LONG>(kTargetWidth), static_cast<LONG>(kTargetHeight)};
  auto drawQuad = [&] {
    return quad.Draw(device, source.get(), bed.window(), dest, kTargetWidth, kTargetHeight);
  };
  auto drawScene = [&] { return model.RenderSurface(device, source.get()); };

  // Short runs in rounds, each view right after a run of the quad: the machine's load changes over
  // a run, so each view is compared with the quad measured next to it, and the median ratio kept.
  const char* names[] = {"", "divided screen", "rectangle screen", "sphere", "planes"};
  std::vector<double> quadFps, fps[5], ratios[5];
  for (int round = 0; round < kRounds; ++round) {
    for (int mode = kViewDivided; mode <= kViewPlanes; ++mode) {
      const double q = Measure(&bed, drawQuad, kRunSeconds);
      model.SetViewMode(mode);
      model.SetViewAspect(kTargetWidth, kTargetHeight);
      const double f = Measure(&bed, drawScene, kRunSeconds);
      quadFps.push_back(q);
      fps[mode].push_back(f);
      ratios[mode].push_back(q > 0 ? f / q : 0.0);
    }
  }
  std::printf("plain quad: %.1f fps (median of %zu runs)\n", Median(quadFps), quadFps.size());
  for (int mode = kViewDivided; mode <= kViewPlanes; ++mode) {
    std::printf("mode %d %s: %.1f fps, %.2f of the plain quad\n", mode, names[mode],
                Median(fps[mode]), Median(ratios[mode]));
  }
  std::printf("scene-sphere-vs-quad: %.2f\n", Median(ratios[kViewSphere]));
  return 0;
}

}  // namespace
}  // namespace playcore::test

int main() { return playcore::test::Run(); }
