// Holding every present engine's frames while the program's windows change size.
//
// Under Wine a window that is resized while a Direct3D device draws into a window of this process can
// stop both threads inside the X11 client library: the resizing thread holds the display for an X
// request it expects may fail and waits for the answer, while the device's drawing thread, reading the
// answers, receives an X error and waits for that display to be let go. A PresentHold keeps every engine
// from handing a frame to its device while it lives (those frames are left out, not queued), and its constructor waits (bounded) until the
// frames already handed over were drawn, so no drawing thread talks to the display during the resize.
//
// Threads: the hold is taken by a window's thread around its moves; engines pass the gate on the
// scheduler and presenter threads without ever waiting for it. Lock order: the gate, the engine
// registry, then an engine's lock.
#pragma once

#include <windows.h>

namespace playcore {

class D3DPresentEngine;

class PresentHold {
 public:
  // `drainMs`: how long to wait for each engine's frames already handed to its device.
  explicit PresentHold(DWORD drainMs = 2000);
  ~PresentHold();
  PresentHold(const PresentHold&) = delete;
  PresentHold& operator=(const PresentHold&) = delete;
  // The engines whose frames were not drawn within the wait (0 when all were).
  int undrained() const { return undrained_; }

 private:
  int undrained_ = 0;
  bool nested_ = false;
};

// One present of `engine` through the gate. While another thread holds, the present is left out
// (the frame was drawn; the resize's own repaint or the next frame shows the picture): a presenting
// thread never waits for the gate, since it may hold a presenter's lock that the resizing thread takes
// when its panes change size. On the holding thread itself (a pane's resize repaints it) the present
// goes through, and the pass then waits until that frame was drawn before the thread goes on
// resizing. A hold taken again on its own thread only nests.
class PresentPass {
 public:
  explicit PresentPass(D3DPresentEngine* engine);
  ~PresentPass();
  PresentPass(const PresentPass&) = delete;
  PresentPass& operator=(const PresentPass&) = delete;
  // Whether the frame may be handed to the device now.
  bool open() const { return held_ || passed_; }

 private:
  D3DPresentEngine* engine_;
  bool held_;
  bool passed_ = false;
};

// The engines a hold drains (the engine registers itself while it lives).
void RegisterPresentEngine(D3DPresentEngine* engine);
void UnregisterPresentEngine(D3DPresentEngine* engine);

}  // namespace playcore
