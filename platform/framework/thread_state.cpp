// The per-thread state, temporary objects, the resource module and window class registration.
#include "platform/framework/thread_state.h"

#include <mutex>
#include <set>
#include <string>

#include "platform/framework/controls.h"
#include "platform/framework/gdi.h"
#include "platform/framework/wnd.h"

namespace quill::framework {

ThreadState::~ThreadState() {
  // Temporary wrappers never own their handles: forget the handles before the wrappers go.
  for (auto& item : tempGdiObjects) item.second->m_hObject = nullptr;
  for (auto& item : tempDCs) item.second->Detach();
  for (auto& item : tempWindows) item.second->m_hWnd = nullptr;
}

namespace {

// The state lives in a system TLS slot rather than a C++ thread_local: destructors of thread_local
// objects run during the thread's exit, where under Wine they were seen to leave the process heap's
// lock held by the dead thread (every later allocation then hangs).
DWORD StateSlot() {
  static const DWORD slot = TlsAlloc();
  return slot;
}

}  // namespace

ThreadState& ThisThread() {
  DWORD slot = StateSlot();
  auto* state = static_cast<ThreadState*>(TlsGetValue(slot));
  if (!state) {
    state = new ThreadState();
    TlsSetValue(slot, state);
  }
  return *state;
}

void ReleaseThisThreadState() {
  DWORD slot = StateSlot();
  auto* state = static_cast<ThreadState*>(TlsGetValue(slot));
  TlsSetValue(slot, nullptr);
  delete state;
}

}  // namespace quill::framework

void AfxDeleteTempObjects() {
  auto& state = quill::framework::ThisThread();
  for (auto& item : state.tempGdiObjects) item.second->m_hObject = nullptr;
  state.tempGdiObjects.clear();
  for (auto& item : state.tempDCs) item.second->Detach();
  state.tempDCs.clear();
  for (auto& item : state.tempWindows) item.second->m_hWnd = nullptr;
  state.tempWindows.clear();
}

namespace {
HINSTANCE g_resourceModule = nullptr;
}  // namespace

HINSTANCE AfxGetResourceHandle() { return g_resourceModule ? g_resourceModule : GetModuleHandleW(nullptr); }
void AfxSetResourceHandle(HINSTANCE module) { g_resourceModule = module; }
HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon) {
  // Names are kept for the life of the process so the returned pointer stays valid.
  static std::mutex lock;
  static auto* names = new std::set<std::wstring>();
  wchar_t name[96];
  wsprintfW(name, L"Quill:%x:%x:%x:%x", classStyle, static_cast<UINT>(reinterpret_cast<UINT_PTR>(cursor)),
            static_cast<UINT>(reinterpret_cast<UINT_PTR>(background)),
            static_cast<UINT>(reinterpret_cast<UINT_PTR>(icon)));
  std::lock_guard<std::mutex> guard(lock);
  auto it = names->find(name);
  if (it != names->end()) return it->c_str();
  WNDCLASSW wc = {};
  wc.style = classStyle;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = AfxGetInstanceHandle();
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = name;
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  return names->insert(name).first->c_str();
}
