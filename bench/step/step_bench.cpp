// The step-mode benchmark: the spacing of the step ticks (one a second) of a movie stepped through
// its last positions, beside a thread of this process that waits one second at a time for the same
// count (what the machine's scheduling allows). Arguments: main path, frames of the file.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/instance_ops.h"
#include "playcore/instances/player_bridge.h"
#include "playcore/scene/view_settings.h"
#include "tests/player/player_test_util.h"

using namespace playcore;
using namespace playcore::test;

namespace {

constexpr UINT kReady = quill::msg::kPlayerReady;
constexpr int kSteps = 6;
constexpr DWORD kSecondMs = 1000;

struct Spacing {
  double mean = 0;
  double worst = 0;  // the largest distance from a second, ms
};

Spacing Measure(const std::vector<DWORD>& at) {
  Spacing s;
  if (at.size() < 2) return s;
  for (size_t i = 1; i < at.size(); ++i) {
    const double gap = static_cast<double>(at[i] - at[i - 1]);
    s.mean += gap;
    s.worst = std::max(s.worst, std::fabs(gap - kSecondMs));
  }
  s.mean /= static_cast<double>(at.size() - 1);
  return s;
}

DWORD WINAPI ReferenceWaits(void* parameter) {
  auto* at = static_cast<std::vector<DWORD>*>(parameter);
  HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  at->push_back(GetTickCount());
  for (int i = 0; i < kSteps; ++i) {
    WaitForSingleObject(never, kSecondMs);
    at->push_back(GetTickCount());
  }
  CloseHandle(never);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: step_bench MAIN FRAMES\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InstallProbes();
  const int frames = static_cast<int>(wcstol(argv[2], nullptr, 10));
  PaneWindows pane(0, 480, 360);
  if (!InitInstance(0, pane.pane(), kViewFlat)) return 1;
  sPLAYERINSTANCE* instance = &g_PlayerInstance[0];
  sPLAYERFUNCS& funcs = g_PlayerFuncs[0];
  if (funcs.OpenMovie(instance, argv[1]) != 1) return 1;
  if (!WaitForMessage(pane, kReady, 1, 20000)) return 1;
  funcs.Seek(instance, frames - kSteps);
  Pump(500);
  pane.Clear();
  std::vector<DWORD> reference;
  HANDLE thread = CreateThread(nullptr, 0, ReferenceWaits, &reference, 0, nullptr);
  const DWORD start = GetTickCount();
  funcs.SetStepMode(instance, 1);
  const bool ended = WaitForMessage(pane, bridge::kMsgStepEnd, 1, (kSteps + 10) * kSecondMs);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  std::vector<DWORD> ticks = {start};
  for (const PostedMessage& m : pane.messages(bridge::kMsgStepTick)) ticks.push_back(m.at);
  const Spacing step = Measure(ticks);
  const Spacing ref = Measure(reference);
  std::printf("step ticks: %zu%s, spacing mean %.0f ms, worst %.0f ms from a second\n", ticks.size() - 1,
              ended ? " and the end" : ", no end", step.mean, step.worst);
  std::printf("reference one-second waits: %zu, spacing mean %.0f ms, worst %.0f ms from a second\n",
              reference.size() - 1, ref.mean, ref.worst);
  std::printf("step-tick-spacing: %.0f\n", step.worst);
  funcs.SetStepMode(instance, 0);
  funcs.CloseMovie(instance);
  ReleaseInstances();
  CoUninitialize();
  return ended ? 0 : 1;
}
