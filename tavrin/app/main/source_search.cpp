// The default source's search on a thread of its own.
#include "tavrin/app/main/source_search.h"

#include <process.h>

#include "tavrin/app/main/d3dx_probe.h"

namespace quill::app {

SourceSearch::~SourceSearch() {
  if (thread_) WaitTakingSentMessages(thread_.get());
}

unsigned __stdcall SourceSearch::Run(void* self) {
  auto* search = static_cast<SourceSearch*>(self);
  search->answer_.kind = search->started_(search->answer_.path);
  return 0;
}

void SourceSearch::Start(SearchFn search) {
  if (!search || thread_) return;
  started_ = search;
  answer_ = Answer();
  thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Run, this, 0, nullptr)));
  if (!thread_) started_ = nullptr;
}

SourceSearch::Answer SourceSearch::Take(SearchFn search) {
  if (!thread_) {
    Answer here;
    if (search) here.kind = search(here.path);
    return here;
  }
  WaitTakingSentMessages(thread_.get());
  thread_.Reset();
  started_ = nullptr;
  Answer taken = answer_;
  answer_ = Answer();
  return taken;
}

}  // namespace quill::app
