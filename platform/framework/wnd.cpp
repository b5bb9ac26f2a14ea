// CWnd's binding to windows and the message dispatch: the handle-to-object map, the creation hook that
// binds an object before its window's first message, the shared window procedure, reflection of
// notifications to child objects and the message-map lookup.
#include "platform/framework/wnd.h"

#include <mutex>
#include <unordered_map>

#include "platform/framework/controls.h"
#include "platform/framework/dialog.h"
#include "platform/framework/gdi.h"
#include "platform/framework/thread_state.h"

using quill::framework::MsgMapEntry;
using quill::framework::MessageMap;
using quill::framework::ThisThread;
using quill::framework::kReflectBase;
using quill::framework::kAnyCtlColor;

namespace {

// Every bound window of the process. Guarded by g_mapLock; windows of all threads live here.
std::mutex g_mapLock;
std::unordered_map<HWND, CWnd*>& PermanentMap() {
  static auto* map = new std::unordered_map<HWND, CWnd*>();  // never destroyed: used until process end
  return *map;
}

bool IsCtlColor(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

// Whether an entry takes the message (msg already includes kReflectBase for reflected lookups).
bool EntryMatches(const MsgMapEntry& e, UINT msg, WPARAM wp, LPARAM lp) {
  UINT plain = msg >= kReflectBase ? msg - kReflectBase : msg;
  UINT reflect = msg >= kReflectBase ? kReflectBase : 0;
  if (IsCtlColor(plain)) return e.message == reflect + kAnyCtlColor;
  if (e.message != msg) return false;
  if (plain == WM_COMMAND) {
    // An accelerator's command (code 1, no control) is the same command as the menu item's.
    bool accelerator = e.code == 0 && HIWORD(wp) == 1 && lp == 0;
    if (e.code != HIWORD(wp) && !accelerator) return false;
    return reflect != 0 || (LOWORD(wp) >= e.idFirst && LOWORD(wp) <= e.idLast);
  }
  if (plain == WM_NOTIFY) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (!hdr || e.code != hdr->code) return false;
    return reflect != 0 || (hdr->idFrom >= e.idFirst && hdr->idFrom <= e.idLast);
  }
  return true;
}

}  // namespace

namespace quill::framework {

CWnd* WndFromHandle(HWND h) { return CWnd::FromHandle(h); }

UINT CurrentCtlColorType() {
  UINT msg = ThisThread().current.message;
  if (msg >= kReflectBase) msg -= kReflectBase;
  return IsCtlColor(msg) ? msg - WM_CTLCOLORMSGBOX : 0;
}

LRESULT CurrentResult() { return ThisThread().current.defaultResult; }

}  // namespace quill::framework

// Binding and the shared procedure; a struct so it can reach CWnd's private members as a friend.
struct WndBinding {
  static void Bind(CWnd* wnd, HWND h) {
    std::lock_guard<std::mutex> lock(g_mapLock);
    PermanentMap()[h] = wnd;
    wnd->m_hWnd = h;
  }
  static void Unbind(CWnd* wnd) {
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto it = PermanentMap().find(wnd->m_hWnd);
    if (it != PermanentMap().end() && it->second == wnd) PermanentMap().erase(it);
    wnd->m_hWnd = nullptr;
  }
  static void Subclass(CWnd* wnd, HWND h) {
    Bind(wnd, h);
    wnd->m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndBinding::Proc)));
  }

  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* wnd = CWnd::FromHandlePermanent(h);
    if (!wnd) return DefWindowProcW(h, msg, wp, lp);
    auto& state = ThisThread();
    quill::framework::CurrentMessage saved = state.current;
    state.current = {h, msg, wp, lp, 0};
    ++state.procDepth;
    LRESULT result = 0;
    try {
      result = wnd->WindowProc(msg, wp, lp);
    } catch (...) {
      result = 0;  // a handler's exception never leaves the window procedure
    }
    --state.procDepth;
    state.current = saved;
    if (msg == WM_NCDESTROY) Release(wnd, h);
    return result;
  }

  // After the last message: give the window its own procedure back, forget the object, let it clean up.
  static void Release(CWnd* wnd, HWND h) {
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC)) == &WndBinding::Proc &&
        wnd->m_pfnSuper) {
      SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
    }
    Unbind(wnd);
    wnd->PostNcDestroy();
  }

  static void BindCreated(CWnd* wnd, HWND h) { Subclass(wnd, h); }
};

namespace quill::framework {

LRESULT CALLBACK CreationHookProc(int code, WPARAM wp, LPARAM lp) {
  // The hook stays installed between creations: anything but a creation asked for on this thread
  // (activations, focus changes, destructions, windows the system or other code makes) passes on
  // without making the thread's state.
  ThreadState* state = code == HCBT_CREATEWND ? ThisThreadIfAny() : nullptr;
  if (state && state->creating.wnd) {
    const auto* cbt = reinterpret_cast<const CBT_CREATEWNDW*>(lp);
    if (cbt && cbt->lpcs && CreationMatches(state->creating, *cbt->lpcs)) {
      CWnd* wnd = state->creating.wnd;
      state->creating.wnd = nullptr;
      WndBinding::BindCreated(wnd, reinterpret_cast<HWND>(wp));
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace quill::framework

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::CWnd() = default;

CWnd::CWnd(HWND special) : m_hWnd(special), m_temporary(true) {}

CWnd::~CWnd() {
  if (!m_hWnd || m_temporary || FromHandlePermanent(m_hWnd) != this) return;
  if (!m_pfnSuper) {  // attached only: the object never saw the window's messages, nor owns it
    Detach();
    return;
  }
  // The object goes before its window: the window must not keep calling into a dead object.
  HWND h = m_hWnd;
  if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) ::DestroyWindow(h);
  if (m_hWnd) UnsubclassWindow();  // another thread's window: give it its own procedure back
}

CWnd* CWnd::FromHandlePermanent(HWND h) {
  if (!h) return nullptr;
  std::lock_guard<std::mutex> lock(g_mapLock);
  auto it = PermanentMap().find(h);
  return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND h) {
  if (!h) return nullptr;
  if (CWnd* wnd = FromHandlePermanent(h)) return wnd;
  auto& temps = ThisThread().tempWindows;
  auto it = temps.find(h);
  if (it != temps.end()) return it->second.get();
  auto wnd = std::make_unique<CWnd>();
  wnd->m_hWnd = h;
  wnd->m_temporary = true;
  CWnd* raw = wnd.get();
  temps.emplace(h, std::move(wnd));
  return raw;
}

CWnd* CWnd::GetDesktopWindow() { return FromHandle(::GetDesktopWindow()); }

BOOL CWnd::PreCreateWindow(CREATESTRUCTW&) { return TRUE; }

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, HwndOf(parent),
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                    int w, int h, HWND parent, HMENU idOrMenu, LPVOID param) {
  if (m_hWnd) return FALSE;  // one object, one window
  CREATESTRUCTW cs = {};
  cs.dwExStyle = exStyle;
  cs.lpszClass = className;
  cs.lpszName = windowName;
  cs.style = style;
  cs.x = x;
  cs.y = y;
  cs.cx = w;
  cs.cy = h;
  cs.hwndParent = parent;
  cs.hMenu = idOrMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = param;
  if (!PreCreateWindow(cs)) return FALSE;
  // Without the hook the window could not be bound before its first message: make none.
  if (!quill::framework::EnsureCreationHook()) return FALSE;
  auto& state = ThisThread();
  const quill::framework::CreationRequest outer = state.creating;
  state.creating = {this, cs.lpszClass, cs.hwndParent, cs.hMenu, cs.lpCreateParams, false};
  HWND created = CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx,
                                 cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  state.creating = outer;
  if (!created) {
    if (m_hWnd) WndBinding::Unbind(this);  // WM_CREATE refused after binding
    return FALSE;
  }
  return m_hWnd == created;
}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, LPVOID param) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::SubclassWindow(HWND h) {
  if (m_hWnd || !h || !::IsWindow(h) || FromHandlePermanent(h)) return FALSE;
  WndBinding::Subclass(this, h);
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  return parent ? SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id))) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  HWND h = m_hWnd;
  if (!h) return nullptr;
  if (m_pfnSuper) SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  WndBinding::Unbind(this);
  return h;
}

BOOL CWnd::Attach(HWND h) {
  if (m_hWnd || !h || FromHandlePermanent(h)) return FALSE;
  WndBinding::Bind(this, h);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (h) WndBinding::Unbind(this);
  return h;
}

LRESULT CWnd::Default() {
  auto& cur = ThisThread().current;
  if (cur.hwnd != m_hWnd) return 0;  // not inside one of this window's messages
  // A reflected notification has no default handling of its own: the parent decides.
  if (cur.message >= kReflectBase && cur.message < kReflectBase + WM_USER) return 0;
  cur.defaultResult = DefWindowProc(cur.message, cur.wParam, cur.lParam);
  return cur.defaultResult;
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (m_pfnSuper) return CallWindowProcW(m_pfnSuper, m_hWnd, msg, wp, lp);
  return ::DefWindowProcW(m_hWnd, msg, wp, lp);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (OnWndMsg(msg, wp, lp, &result)) return result;
  return DefWindowProc(msg, wp, lp);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::OnCommand(WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (lp && OfferToChild(WM_COMMAND, wp, lp, &result)) return TRUE;
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MsgMapEntry* e = map->entries; e->message; ++e) {
      if (EntryMatches(*e, WM_COMMAND, wp, lp)) {
        e->thunk(this, wp, lp);
        return TRUE;
      }
    }
  }
  return FALSE;
}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  return ReflectChildNotify(msg, wp, lp, result);
}

BOOL CWnd::ReflectChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  UINT reflected = kReflectBase + msg;
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MsgMapEntry* e = map->entries; e->message; ++e) {
      if (EntryMatches(*e, reflected, wp, lp)) {
        auto& cur = ThisThread().current;
        quill::framework::CurrentMessage saved = cur;
        cur = {m_hWnd, reflected, wp, lp, 0};
        *result = e->thunk(this, wp, lp);
        cur = saved;
        // A reflected colour entry that gives no brush leaves the message to the parent.
        if (IsCtlColor(msg) && *result == 0) return FALSE;
        return TRUE;
      }
    }
  }
  return FALSE;
}

// Offers a parent's notification to the object of the child that sent it (or to the menu object of an
// owner-drawn menu item).
BOOL CWnd::OfferToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  HWND child = nullptr;
  if (msg == WM_NOTIFY) {
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (hdr) child = hdr->hwndFrom;
  } else if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<LPDRAWITEMSTRUCT>(lp);
    if (dis && dis->CtlType == ODT_MENU) return CMenu::OfferDrawItem(dis) ? (*result = TRUE, TRUE) : FALSE;
    if (dis) child = dis->hwndItem;
  } else if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<LPMEASUREITEMSTRUCT>(lp);
    if (mis && mis->CtlType == ODT_MENU) return CMenu::OfferMeasureItem(mis) ? (*result = TRUE, TRUE) : FALSE;
    if (mis) child = ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
  } else if (msg == WM_COMMAND || IsCtlColor(msg)) {
    child = reinterpret_cast<HWND>(lp);
  }
  CWnd* target = FromHandlePermanent(child);
  if (!target || target == this) return FALSE;
  return target->OnChildNotify(msg, wp, lp, result);
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg == WM_COMMAND) {
    if (OnCommand(wp, lp)) { *result = 0; return TRUE; }
    return FALSE;
  }
  if (msg == WM_NOTIFY || msg == WM_DRAWITEM || msg == WM_MEASUREITEM || IsCtlColor(msg)) {
    if (OfferToChild(msg, wp, lp, result)) return TRUE;
  }
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MsgMapEntry* e = map->entries; e->message; ++e) {
      if (EntryMatches(*e, msg, wp, lp)) {
        *result = e->thunk(this, wp, lp);
        return TRUE;
      }
    }
  }
  return FALSE;
}

const MessageMap* CWnd::GetThisMessageMap() {
  static const MsgMapEntry entries[] = {{0, 0, 0, 0, nullptr}};
  static const MessageMap map = {nullptr, entries};
  return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  if (!m_hWnd) return FALSE;
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}
