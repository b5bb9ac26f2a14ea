// The after-start steps' D3DX 9 probe, run on a thread of its own: loading the library (and with it
// Direct3D and its OpenGL layer under Wine) took some 13 ms on the UI thread between the window's
// showing and its first paint. Started as OnInitDialog ends, it loads while the window is shown (work
// of the system's that ran on the UI thread; started earlier it slowed the making of the windows as
// much as it saved, both waiting on the same server under Wine); the step that needs its answer
// takes it where it probed before. The answer: whether the library is there.
#pragma once

#include "tavrin/app/main/startup_work.h"

namespace quill::app {

using D3dxProbe = StartupWork<bool>;

}  // namespace quill::app
