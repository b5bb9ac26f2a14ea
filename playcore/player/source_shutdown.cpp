#include "playcore/player/source_shutdown.h"

#include <cwchar>
#include <new>

#include "platform/com/com_ptr.h"
#include "platform/com/message_wait.h"

namespace playcore {

namespace {

volatile LONG g_abandoned = 0;

// Shared by the closing thread and the shut-down thread; the last of the two to let go frees it.
struct ShutdownCall {
  quill::com::ComPtr<IMFMediaSource> source;  // the thread's own reference, dropped once the call returned
  quill::com::Handle done;                    // set once the call returned; `answer` is written before
  HRESULT answer = E_PENDING;
  volatile LONG holders = 2;

  void Release() {
    if (InterlockedDecrement(&holders) == 0) delete this;
  }
};

DWORD WINAPI RunShutdown(void* param) {
  auto* call = static_cast<ShutdownCall*>(param);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  call->answer = call->source->Shutdown();
  call->source.reset();
  if (SUCCEEDED(com)) CoUninitialize();
  SetEvent(call->done.get());
  call->Release();
  return 0;
}

void ReportAbandoned(DWORD boundMs) {
  const LONG count = InterlockedIncrement(&g_abandoned);
  wchar_t line[200];
  std::swprintf(line, sizeof line / sizeof line[0],
                L"Quillmere: a media source did not finish shutting down within %lu ms; the close goes on "
                L"without it (%ld so far)\n",
                static_cast<unsigned long>(boundMs), static_cast<long>(count));
  OutputDebugStringW(line);
}

}  // namespace

LONG AbandonedSourceShutdowns() { return g_abandoned; }

HRESULT ShutdownSourceWithin(IMFMediaSource* source, DWORD boundMs) {
  if (!source) return S_OK;
  if (boundMs == INFINITE) return source->Shutdown();
  auto* call = new (std::nothrow) ShutdownCall;
  if (call) call->done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!call || !call->done) {
    delete call;
    return source->Shutdown();  // nothing to run it elsewhere with: as on Windows
  }
  call->source = quill::com::ComPtr<IMFMediaSource>::Borrow(source);
  quill::com::Handle thread(CreateThread(nullptr, 0, RunShutdown, call, 0, nullptr));
  if (!thread) {
    delete call;
    return source->Shutdown();
  }
  HRESULT hr = HRESULT_FROM_WIN32(ERROR_TIMEOUT);
  if (quill::com::WaitDispatchingSentMessages(call->done.get(), boundMs) == WAIT_OBJECT_0) {
    hr = call->answer;
  } else {
    ReportAbandoned(boundMs);
  }
  call->Release();
  return hr;
}

}  // namespace playcore
