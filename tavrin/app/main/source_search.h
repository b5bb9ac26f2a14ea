// The start-up's search for the default source (the card, else the stored folder or file), run on a
// thread of its own from the settings file's step while the UI thread makes the windows: asking the
// system for every drive's type took some 5-7 ms of the start-up under Wine. The source step takes
// the answer where it searched before, so what it opens, and when, stay as they were.
#pragma once

#include "platform/framework/cstring.h"
#include "tavrin/app/main/startup_work.h"

namespace quill::app {

// The source's kind (0 none, 1 card, 2 folder, 3 file) and its path.
struct SourceAnswer {
  int kind = 0;
  CString path;
};

using SourceSearch = StartupWork<SourceAnswer>;

// The search the start-up runs: the settings' default source.
SourceAnswer SearchDefaultSource();

}  // namespace quill::app
