// The window tests' host: a top-level popup at the screen's origin with a black background, standing in
// for the main window. Opened before any test makes a window (OpenHostFirst), it is the first top-level
// window of its program, which is the one whose drawing reaches the screenshots under Wine. Each test
// area derives its own host from it to record what the windows under test post to their parent.
//
// Threads: the test thread only.
#pragma once

#include <windows.h>

#include "platform/framework/wnd.h"

namespace quill::test {

class CHostWindow : public CWnd {
 public:
  // Creates the host, shown, `width` x `height` at the screen's origin; false when it could not.
  bool OpenHost(const wchar_t* title, int width, int height);

 protected:
  BOOL OnEraseBkgnd(CDC* dc);
  DECLARE_MESSAGE_MAP()
};

// Registers a test environment that sets the program's fonts and UI language and then runs `open`
// before the first test; a false answer fails the run. Meant for a static initialiser of the area's
// host file: [[maybe_unused]] const bool kHostFirst = OpenHostFirst([] { return Host().Open(); });
bool OpenHostFirst(bool (*open)());

}  // namespace quill::test
