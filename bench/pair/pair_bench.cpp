// The pair benchmark: open-to-first-frame time of a main/rear pair and the frames dropped while both
// play together at x1, x2 and x4. Arguments: main path, rear path, frames of each file.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <set>

#include "platform/framework/private_messages.h"
#include "playcore/instances/dispatchers.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/scene/view_settings.h"
#include "tests/player/player_test_util.h"

using namespace playcore;
using namespace playcore::test;

namespace {

constexpr UINT kReady = quill::msg::kPlayerReady;
constexpr UINT kEnded = quill::msg::kPlayerEnded;

// Distinct frame numbers shown since `from` presented frames.
size_t DistinctFrames(int instance, size_t from) {
  ProbeRenderer* probe = ProbeOf(instance);
  if (!probe) return 0;
  std::set<int> codes;
  const auto frames = probe->frames();
  for (size_t i = from; i < frames.size(); ++i) codes.insert(static_cast<int>(frames[i].time / 333333));
  return codes.size();
}

// How the frames presented since `from` kept to their clock: the mean wall time between two of them
// and how far the last one was shown behind its own time (both in ms). A picture that is slower than
// its clock shows every frame but falls behind; a dropping one keeps up and leaves frames out.
struct Pace {
  double intervalMs = 0;
  double behindMs = 0;
};

Pace PaceOf(int instance, size_t from, int code) {
  Pace pace;
  ProbeRenderer* probe = ProbeOf(instance);
  if (!probe) return pace;
  const auto frames = probe->frames();
  if (frames.size() < from + 2) return pace;
  const auto& first = frames[from];
  const auto& last = frames.back();
  const double wallMs = static_cast<double>(last.drawnAt - first.drawnAt) / 1e4;
  const double clockMs = static_cast<double>(last.time - first.time) / 1e4 / code;
  pace.intervalMs = wallMs / static_cast<double>(frames.size() - from - 1);
  pace.behindMs = wallMs - clockMs;
  return pace;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: pair_bench MAIN REAR MAIN_FRAMES REAR_FRAMES\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallProbes();
  DecodeInProbes(false);  // reading 1920x1920 frames back would itself drop frames
  const int frames[2] = {static_cast<int>(wcstol(argv[3], nullptr, 10)),
                         static_cast<int>(wcstol(argv[4], nullptr, 10))};
  PaneWindows panes[2] = {PaneWindows(0, 640, 640), PaneWindows(660, 640, 360)};
  if (!InitInstance(0, panes[0].pane(), kViewSphere) || !InitInstance(1, panes[1].pane(), kViewFlat)) {
    return 1;
  }
  const DWORD t0 = GetTickCount();
  for (int i = 0; i < 2; ++i) {
    if (g_PlayerFuncs[i].OpenMovie(&g_PlayerInstance[i], argv[1 + i]) != 1) return 1;
    g_PlayerInstance[i].movieOpen = 1;
  }
  if (!PumpUntil(20000, [&] { return !panes[0].messages(kReady).empty() && !panes[1].messages(kReady).empty(); })) {
    return 1;
  }
  PlayerCall_Play(kSelectorAll);
  PumpUntil(10000, [] { return FrameCount(0) > 0 && FrameCount(1) > 0; });
  std::printf("open-to-first-frame (pair): %lu ms\n", GetTickCount() - t0);
  const int32_t codes[] = {1, 2, 4};
  for (int32_t code : codes) {
    PlayerCall_Pause(kSelectorAll);
    PlayerCall_Seek(kSelectorAll, 0);
    Pump(300);
    PlayerCall_SetRate(code);
    const size_t from[2] = {FrameCount(0), FrameCount(1)};
    panes[0].Clear();
    panes[1].Clear();
    const DWORD start = GetTickCount();
    PlayerCall_Play(kSelectorAll);
    PumpUntil(static_cast<DWORD>(frames[0] * 34 / code + 8000),
              [&] { return !panes[0].messages(kEnded).empty() && !panes[1].messages(kEnded).empty(); });
    double dropped[2];
    for (int i = 0; i < 2; ++i) {
      const double shown = static_cast<double>(DistinctFrames(i, from[i]));
      dropped[i] = frames[i] > 0 ? 1.0 - shown / frames[i] : 1.0;
      if (dropped[i] < 0) dropped[i] = 0;
    }
    std::printf("x%d: main dropped %.3f, rear dropped %.3f, wall %lu ms\n", code, dropped[0], dropped[1],
                GetTickCount() - start);
    for (int i = 0; i < 2; ++i) {
      const Pace pace = PaceOf(i, from[i], code);
      std::printf("  %s: a frame presented every %.1f ms (its clock: %.1f ms), the last %.0f ms behind its time\n",
                  i == 0 ? "main" : "rear", pace.intervalMs, 1000.0 / 30.0 / code, pace.behindMs);
    }
    std::fflush(stdout);
  }
  PlayerCall_CloseMovieAll();
  ReleaseInstances();
  CoUninitialize();
  return 0;
}
