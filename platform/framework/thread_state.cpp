// The per-thread state, temporary objects, the resource module and window class registration.
#include "platform/framework/thread_state.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <cwchar>

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

std::atomic<int> g_liveStates{0};

// A class name without the version prefix ("6.0.2600.2982!Button") that the system gives the common
// controls' classes when a program asks for version 6 of them in its manifest.
LPCWSTR BaseClassName(LPCWSTR name) {
  LPCWSTR bang = wcsrchr(name, L'!');
  return bang ? bang + 1 : name;
}

bool SameClassName(LPCWSTR a, LPCWSTR b) {
  const bool atomA = IS_INTRESOURCE(a), atomB = IS_INTRESOURCE(b);
  if (atomA && atomB) return a == b;
  if (!atomA && !atomB) return lstrcmpiW(BaseClassName(a), BaseClassName(b)) == 0;
  // A name against an atom: a name "#n" is the atom n's name (the system classes); otherwise the
  // atom cannot be told from the name here, and the other fields decide.
  LPCWSTR name = atomA ? b : a;
  LPCWSTR atom = atomA ? a : b;
  if (name[0] != L'#') return true;
  return static_cast<UINT_PTR>(_wtoi(name + 1)) == reinterpret_cast<UINT_PTR>(atom);
}

// A top-level window's "parent" is its owner, which the system may have replaced by the owner's
// top-level window, and the desktop stands for no owner.
bool SameParent(HWND requested, HWND seen, bool child) {
  if (requested == seen) return true;
  HWND desktop = GetDesktopWindow();
  if (requested == desktop) requested = nullptr;
  if (seen == desktop) seen = nullptr;
  if (requested == seen) return true;
  if (child || !requested || !seen) return false;
  return GetAncestor(requested, GA_ROOT) == GetAncestor(seen, GA_ROOT);
}

}  // namespace

bool CreationMatches(const CreationRequest& request, const CREATESTRUCTW& cs) {
  if (!request.wnd) return false;
  if (!SameParent(request.parent, cs.hwndParent, (cs.style & WS_CHILD) != 0)) return false;
  if (request.dialog) {
    // The system's dialog class unless the template names one.
    LPCWSTR expected = request.className ? request.className : MAKEINTATOM(0x8002);
    return cs.lpszClass && SameClassName(cs.lpszClass, expected);
  }
  if (cs.hMenu != request.menu || cs.lpCreateParams != request.params) return false;
  return !request.className || (cs.lpszClass && SameClassName(cs.lpszClass, request.className));
}

ThreadState* ThisThreadIfAny() { return static_cast<ThreadState*>(TlsGetValue(StateSlot())); }

bool EnsureCreationHook() {
  ThreadState& state = ThisThread();
  if (!state.creationHook) {
    state.creationHook = SetWindowsHookExW(WH_CBT, &CreationHookProc, nullptr, GetCurrentThreadId());
  }
  return state.creationHook != nullptr;
}

ThreadState& ThisThread() {
  DWORD slot = StateSlot();
  auto* state = static_cast<ThreadState*>(TlsGetValue(slot));
  if (!state) {
    state = new ThreadState();
    TlsSetValue(slot, state);
    ++g_liveStates;
  }
  return *state;
}

void ReleaseThisThreadState() {
  DWORD slot = StateSlot();
  auto* state = static_cast<ThreadState*>(TlsGetValue(slot));
  TlsSetValue(slot, nullptr);
  if (!state) return;
  --g_liveStates;
  if (state->creationHook) UnhookWindowsHookEx(state->creationHook);
  delete state;
}

int LiveThreadStates() { return g_liveStates.load(); }

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
