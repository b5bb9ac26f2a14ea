// Per-thread state of the framework (internal): the message being handled, the window being created,
// the menu being tracked, and the temporary wrapper objects of FromHandle calls.
#pragma once

#include <windows.h>

#include <memory>
#include <unordered_map>

class CWnd;
class CDC;
class CGdiObject;
class CMenu;

namespace quill::framework {

struct CurrentMessage {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT defaultResult = 0;
};

// The window the framework is making on this thread. The creation hook binds the object only to a
// window that matches it: the system can make other windows on the thread first (the input method's
// default window comes before the first top-level window on some systems).
struct CreationRequest {
  CWnd* wnd = nullptr;          // the object to bind; null: nothing is being made
  LPCWSTR className = nullptr;  // name or atom; for a dialog, null means the system's dialog class
  HWND parent = nullptr;
  HMENU menu = nullptr;         // compared for windows made by CreateEx
  LPVOID params = nullptr;      // compared for windows made by CreateEx
  bool dialog = false;          // made from a template: class and parent are compared
};

// Whether the window the system is about to make (its creation record) is the one requested.
bool CreationMatches(const CreationRequest& request, const CREATESTRUCTW& cs);
// The creation hook (WH_CBT): installed on a thread at its first CreateEx or dialog creation and kept
// until the thread's state is released (or the thread ends), since installing and removing it around
// every creation cost more than the calls it sees in between. It binds only while a creation is asked
// for; every other call passes straight on.
LRESULT CALLBACK CreationHookProc(int code, WPARAM wp, LPARAM lp);
// Installs the calling thread's creation hook if it has none; false when the system refuses it.
bool EnsureCreationHook();

struct ThreadState {
  CurrentMessage current;
  CreationRequest creating;        // bound by the creation hook at the matching window's creation
  int procDepth = 0;               // window procedures of bound windows running on the thread
  CMenu* trackingMenu = nullptr;   // the menu of a running TrackPopupMenu (owner-drawn measuring)
  HHOOK creationHook = nullptr;    // this thread's creation hook, once a creation installed it
  std::unordered_map<HWND, std::unique_ptr<CWnd>> tempWindows;
  std::unordered_map<HDC, std::unique_ptr<CDC>> tempDCs;
  std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> tempGdiObjects;
  ~ThreadState();
};

// The calling thread's state, made on first use.
ThreadState& ThisThread();
// The calling thread's state if it has one, without making it.
ThreadState* ThisThreadIfAny();
// Frees the calling thread's state (its temporary objects and its creation hook included) at the end
// of a worker thread.
void ReleaseThisThreadState();
// How many threads hold a state now (tests check that a worker's state goes with the worker).
int LiveThreadStates();

}  // namespace quill::framework
