// The D3DX 9 probe on a thread of its own.
#include "tavrin/app/main/d3dx_probe.h"

#include <process.h>

namespace quill::app {

void WaitTakingSentMessages(HANDLE thread) {
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, 0);
    if (woke != WAIT_OBJECT_0 + 1) return;  // ended, or the wait itself failed
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

D3dxProbe::~D3dxProbe() {
  if (thread_) WaitTakingSentMessages(thread_.get());
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
  WaitTakingSentMessages(thread_.get());
  thread_.Reset();
  started_ = nullptr;
  return answer_;
}

}  // namespace quill::app
