// The D3DX 9 probe on a thread of its own.
#include "tavrin/app/main/d3dx_probe.h"

#include <process.h>

namespace quill::app {

D3dxProbe::~D3dxProbe() {
  if (thread_) WaitForSingleObject(thread_.get(), INFINITE);
}

unsigned __stdcall D3dxProbe::Run(void* self) {
  auto* probe = static_cast<D3dxProbe*>(self);
  probe->answer_ = probe->started_();
  return 0;
}

void D3dxProbe::Start(ProbeFn probe) {
  if (!probe || thread_) return;
  started_ = probe;
  thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Run, this, 0, nullptr)));
  if (!thread_) started_ = nullptr;
}

bool D3dxProbe::Take(ProbeFn probe) {
  if (!thread_) return probe ? probe() : false;
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.Reset();
  started_ = nullptr;
  return answer_;
}

}  // namespace quill::app
