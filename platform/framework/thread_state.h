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

struct ThreadState {
  CurrentMessage current;
  CWnd* creating = nullptr;        // bound by the creation hook at the next window's creation
  HHOOK creationHook = nullptr;
  CMenu* trackingMenu = nullptr;   // the menu of a running TrackPopupMenu (owner-drawn measuring)
  std::unordered_map<HWND, std::unique_ptr<CWnd>> tempWindows;
  std::unordered_map<HDC, std::unique_ptr<CDC>> tempDCs;
  std::unordered_map<HGDIOBJ, std::unique_ptr<CGdiObject>> tempGdiObjects;
  ~ThreadState();
};

// The calling thread's state, made on first use.
ThreadState& ThisThread();
// Frees the calling thread's state (its temporary objects included) at the end of a worker thread.
void ReleaseThisThreadState();

}  // namespace quill::framework
