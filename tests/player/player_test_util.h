// Shared set-up of the player tests and the pair benchmark: pane windows that collect the player's
// messages, the generated recording pairs, the two instances through their table, and a frame
// recorder in front of each new presenter's scene.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/instances/player_instance.h"
#include "tests/presenter/frame_probe.h"

namespace playcore::test {

struct PostedMessage {
  UINT message;
  LPARAM lParam;
  DWORD at;  // GetTickCount when it arrived
};

// A parent window holding one pane (the video window); both record what is posted to them.
class PaneWindows {
 public:
  PaneWindows(int x, int width, int height);
  ~PaneWindows();
  PaneWindows(const PaneWindows&) = delete;
  PaneWindows& operator=(const PaneWindows&) = delete;
  HWND pane() const { return pane_; }
  HWND parent() const { return parent_; }
  std::vector<PostedMessage> messages(UINT message) const;
  void Clear();

 private:
  HWND parent_ = nullptr;
  HWND pane_ = nullptr;
};

// Dispatches this thread's messages for `ms` (or until `done` answers true); true when done.
template <class Done>
bool PumpUntil(DWORD ms, Done done);
void Pump(DWORD ms);
// Pumps until `window` has received `message` `count` times; false on time-out.
bool WaitForMessage(const PaneWindows& windows, UINT message, size_t count, DWORD timeoutMs);

struct RecordingPair {
  std::wstring main;  // Windows paths
  std::wstring rear;
  int frames = 0;     // of the main file
};
// The first main/rear pair of the generated recordings at 30 fps (empty paths when none).
RecordingPair FirstPair();

// Installs the frame recorder on every presenter made from here on (and the silent message box);
// the recorders of presenters made before are no longer answered by ProbeOf.
void InstallProbes();
// The frame recorder of instance i's current presenter (null before its EVR made one).
ProbeRenderer* ProbeOf(int instance);
void ForgetProbe(int instance);
// The frame number of the last frame presented by instance i (-1 when none was read).
int LastFrame(int instance);
size_t FrameCount(int instance);
// Whether the recorder draws through the 360-degree scene or a plain copy of the frame (default).
// Wine keeps every presenter's renderer alive after its session (see the leak test), so a process
// that builds many scenes runs out of GL memory: only the tests about the scene draw through it.
void UseSceneInProbes(bool scene);
// Whether every presented frame's number is read back (costly for large frames).
void DecodeInProbes(bool decode);
// Message boxes the player would have shown, and the text of the last one.
int ErrorBoxCount();
std::string LastErrorBox();

// Init of instance i with the pane as its video window, the engine in `viewMode`.
bool InitInstance(int i, HWND pane, int viewMode);
void ReleaseInstances();

template <class Done>
bool PumpUntil(DWORD ms, Done done) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}


// Instance 0 in a pane of its own, with the main recording of the first pair to open and close.
class OnePaneTest : public ::testing::Test {
 protected:
  static constexpr UINT kReady = quill::msg::kPlayerReady;
  static constexpr DWORD kReadyTimeoutMs = 10000;

  void SetUp() override;
  void TearDown() override;
  sPLAYERINSTANCE* instance() { return &g_PlayerInstance[0]; }
  sPLAYERFUNCS& funcs() { return g_PlayerFuncs[0]; }
  // Opens the main recording and waits for its readiness.
  void Open();
  void Close();

  RecordingPair pair_;
  std::unique_ptr<PaneWindows> windows_;
};

}  // namespace playcore::test
