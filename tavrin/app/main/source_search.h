// The start-up's search for the default source (the card, else the stored folder or file), run on a
// thread of its own from the start of OnInitDialog while the UI thread makes the windows: asking
// the system for every drive's type took some 5-7 ms of the start-up under Wine. The source step
// takes the answer where it searched before, so what it opens, and when, stay as they were.
//
// Threads: Start, Take and the destructor on the UI thread; the search runs on the search's thread,
// which writes the answer and ends; Take reads it only after waiting for that end. The waits take
// the messages sent to the UI thread's windows meanwhile (never the posted ones).
#pragma once

#include <windows.h>

#include "platform/framework/cstring.h"
#include "playcore/bytes/unique_handle.h"

namespace quill::app {

class SourceSearch {
 public:
  // The search: the source's kind (0 none, 1 card, 2 folder, 3 file) and its path in `path`.
  using SearchFn = int (*)(CString& path);
  struct Answer {
    int kind = 0;
    CString path;
  };

  SourceSearch() = default;
  SourceSearch(const SourceSearch&) = delete;
  SourceSearch& operator=(const SourceSearch&) = delete;
  // Waits for a search still running (it writes into this object).
  ~SourceSearch();

  // Runs `search` on a thread of its own. Where no thread can be made, Take runs it instead.
  void Start(SearchFn search);
  // The started search's answer, waiting for it. Without a started search (or once its answer was
  // taken) `search` runs here.
  Answer Take(SearchFn search);

 private:
  static unsigned __stdcall Run(void* self);

  SearchFn started_ = nullptr;
  playcore::UniqueHandle thread_;
  Answer answer_;
};

}  // namespace quill::app
