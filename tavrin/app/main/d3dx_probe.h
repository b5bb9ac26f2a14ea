// The after-start steps' D3DX 9 probe, run on a thread of its own: loading the library (and with it
// Direct3D and its OpenGL layer under Wine) took some 13 ms on the UI thread between the window's
// showing and its first paint. Started as OnInitDialog ends, it loads while the window is shown (work
// of the system's that ran on the UI thread; started earlier it slowed the making of the windows as
// much as it saved, both waiting on the same server under Wine); the step that needs its answer
// takes it where it probed before, so what the program decides, and when the user sees it, stay as
// they were.
//
// Threads: Start, Take and the destructor on the UI thread; the probe runs on the probe's thread,
// which writes answer_ and ends; Take reads answer_ only after waiting for that end. The waits take
// the messages sent to the UI thread's windows meanwhile (never the posted ones).
#pragma once

#include <windows.h>

#include "playcore/bytes/unique_handle.h"

namespace quill::app {

// Waits for `thread` to end, taking only the messages sent to this thread's windows meanwhile: work
// on that thread that sent to one of them would otherwise wait for this thread for ever. Posted
// messages stay queued, so nothing of the window (its first paint among them) runs ahead of the
// step that waits.
void WaitTakingSentMessages(HANDLE thread);

class D3dxProbe {
 public:
  using ProbeFn = bool (*)();

  D3dxProbe() = default;
  D3dxProbe(const D3dxProbe&) = delete;
  D3dxProbe& operator=(const D3dxProbe&) = delete;
  // Waits for a probe still running: it holds no object of the owner's, but the program must not
  // end under a library load.
  ~D3dxProbe();

  // Runs `probe` on a thread of its own. Where no thread can be made, Take runs it instead.
  void Start(ProbeFn probe);
  // The started probe's answer, waiting for it. Without a started probe (or once its answer was
  // taken) `probe` runs here.
  bool Take(ProbeFn probe);

 private:
  static unsigned __stdcall Run(void* self);

  ProbeFn started_ = nullptr;
  playcore::UniqueHandle thread_;
  bool answer_ = false;
};

}  // namespace quill::app
