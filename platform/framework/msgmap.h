// Typed message maps. A class that handles messages writes DECLARE_MESSAGE_MAP() in its body and
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_PAINT()
//     ON_COMMAND(IDOK, OnOK)
//   END_MESSAGE_MAP()
// in its .cpp. Each entry is a small function that unpacks the message and calls the handler with its own
// signature (written beside each macro below), so a handler of the wrong type does not compile. Lookup
// walks the class's entries, then its base class's map, and ends in CWnd::Default() (the window's original
// procedure) when no entry matches.
#pragma once

#include <windows.h>

#include "platform/framework/geometry.h"

class CWnd;
class CDC;

namespace quill::framework {

// Entries for messages a parent reflects back to the child control that sent them.
constexpr UINT kReflectBase = 0xBC00;
// Matches every WM_CTLCOLOR* message (ON_WM_CTLCOLOR and its reflected form).
constexpr UINT kAnyCtlColor = 0xBBFF;

using MsgThunk = LRESULT (*)(CWnd* self, WPARAM wp, LPARAM lp);

struct MsgMapEntry {
  UINT message;  // WM_*, kReflectBase + WM_*, or kAnyCtlColor (+ kReflectBase); 0 ends the table
  UINT code;     // notification code of WM_COMMAND / WM_NOTIFY entries
  UINT idFirst;  // control id range of WM_COMMAND / WM_NOTIFY entries
  UINT idLast;
  MsgThunk thunk;
};

struct MessageMap {
  const MessageMap* (*base)();  // null for the root
  const MsgMapEntry* entries;
};

CWnd* WndFromHandle(HWND h);  // CWnd::FromHandle without the class's header
CDC* DCFromHandle(HDC h);     // CDC::FromHandle without the class's header

}  // namespace quill::framework

#define DECLARE_MESSAGE_MAP()                                      \
 protected:                                                        \
  static const ::quill::framework::MessageMap* GetThisMessageMap(); \
  const ::quill::framework::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                   \
  const ::quill::framework::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::quill::framework::MessageMap* theClass::GetThisMessageMap() {                          \
    using ThisClass = theClass;                                                                  \
    using TheBaseClass = baseClass;                                                              \
    static const ::quill::framework::MsgMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                           \
  {0, 0, 0, 0, nullptr}};                                                           \
  static const ::quill::framework::MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                                      \
  }

#define QUILL_MSG_ENTRY(msg, code, first, last, body)                                   \
  {msg, code, first, last, [](CWnd* w_, WPARAM wp_, LPARAM lp_) -> LRESULT {            \
     ThisClass* self_ = static_cast<ThisClass*>(w_);                                    \
     (void)self_; (void)wp_; (void)lp_;                                                 \
     body                                                                               \
   }},

// --- Commands and notifications ---------------------------------------------------------------------
// void fn()  (menu items, buttons' BN_CLICKED and accelerators)
#define ON_COMMAND(id, fn) QUILL_MSG_ENTRY(WM_COMMAND, 0, id, id, self_->fn(); return 0;)
// void fn(UINT id)
#define ON_COMMAND_RANGE(first, last, fn) \
  QUILL_MSG_ENTRY(WM_COMMAND, 0, first, last, self_->fn(LOWORD(wp_)); return 0;)
// void fn()
#define ON_CONTROL(code, id, fn) QUILL_MSG_ENTRY(WM_COMMAND, code, id, id, self_->fn(); return 0;)
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
// void fn(NMHDR* hdr, LRESULT* result); *result (0 unless set) is what the sender gets back
#define ON_NOTIFY(code, id, fn)                                                      \
  QUILL_MSG_ENTRY(WM_NOTIFY, static_cast<UINT>(code), id, id, LRESULT r_ = 0;        \
                  self_->fn(reinterpret_cast<NMHDR*>(lp_), &r_); return r_;)
// void fn(UINT id, NMHDR* hdr, LRESULT* result)
#define ON_NOTIFY_RANGE(code, first, last, fn)                                       \
  QUILL_MSG_ENTRY(WM_NOTIFY, static_cast<UINT>(code), first, last, LRESULT r_ = 0;   \
                  NMHDR* h_ = reinterpret_cast<NMHDR*>(lp_);                         \
                  self_->fn(static_cast<UINT>(h_->idFrom), h_, &r_); return r_;)
// Handled in the control's own class when its parent receives the notification.
// void fn(NMHDR* hdr, LRESULT* result)
#define ON_NOTIFY_REFLECT(code, fn)                                                        \
  QUILL_MSG_ENTRY(::quill::framework::kReflectBase + WM_NOTIFY, static_cast<UINT>(code), 0, 0, \
                  LRESULT r_ = 0; self_->fn(reinterpret_cast<NMHDR*>(lp_), &r_); return r_;)
// void fn()
#define ON_CONTROL_REFLECT(code, fn)                                                         \
  QUILL_MSG_ENTRY(::quill::framework::kReflectBase + WM_COMMAND, code, 0, 0, self_->fn(); return 0;)
// HBRUSH fn(CDC* dc, UINT ctlType); a null brush lets the parent decide
#define ON_WM_CTLCOLOR_REFLECT()                                                          \
  QUILL_MSG_ENTRY(::quill::framework::kReflectBase + ::quill::framework::kAnyCtlColor, 0, 0, 0, \
                  return reinterpret_cast<LRESULT>(self_->CtlColor(                       \
                      ::quill::framework::DCFromHandle(reinterpret_cast<HDC>(wp_)),           \
                      ::quill::framework::CurrentCtlColorType()));)
// LRESULT fn(WPARAM, LPARAM)
#define ON_MESSAGE(msg, fn) QUILL_MSG_ENTRY(msg, 0, 0, 0, return self_->fn(wp_, lp_);)
#define ON_REGISTERED_MESSAGE(msg, fn) ON_MESSAGE(msg, fn)

// --- Window messages --------------------------------------------------------------------------------
// int OnCreate(LPCREATESTRUCT)
#define ON_WM_CREATE() \
  QUILL_MSG_ENTRY(WM_CREATE, 0, 0, 0, return self_->OnCreate(reinterpret_cast<LPCREATESTRUCT>(lp_));)
// void OnDestroy()
#define ON_WM_DESTROY() QUILL_MSG_ENTRY(WM_DESTROY, 0, 0, 0, self_->OnDestroy(); return 0;)
// void OnClose()
#define ON_WM_CLOSE() QUILL_MSG_ENTRY(WM_CLOSE, 0, 0, 0, self_->OnClose(); return 0;)
// void OnPaint()
#define ON_WM_PAINT() QUILL_MSG_ENTRY(WM_PAINT, 0, 0, 0, self_->OnPaint(); return 0;)
// BOOL OnEraseBkgnd(CDC*)
#define ON_WM_ERASEBKGND()                                    \
  QUILL_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0, return self_->OnEraseBkgnd( \
      ::quill::framework::DCFromHandle(reinterpret_cast<HDC>(wp_)));)
// HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType)  (ctlType: CTLCOLOR_* of the message)
#define ON_WM_CTLCOLOR()                                                                      \
  QUILL_MSG_ENTRY(::quill::framework::kAnyCtlColor, 0, 0, 0,                                  \
                  return reinterpret_cast<LRESULT>(self_->OnCtlColor(                         \
                      ::quill::framework::DCFromHandle(reinterpret_cast<HDC>(wp_)),           \
                      ::quill::framework::WndFromHandle(reinterpret_cast<HWND>(lp_)),         \
                      ::quill::framework::CurrentCtlColorType()));)
// void OnX(UINT flags, CPoint pt)  (pt signed, client coordinates)
#define QUILL_MOUSE_ENTRY(msg, fn) \
  QUILL_MSG_ENTRY(msg, 0, 0, 0, self_->fn(static_cast<UINT>(wp_), CPoint(lp_)); return 0;)
#define ON_WM_LBUTTONDOWN() QUILL_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() QUILL_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_LBUTTONDBLCLK() QUILL_MOUSE_ENTRY(WM_LBUTTONDBLCLK, OnLButtonDblClk)
#define ON_WM_RBUTTONDOWN() QUILL_MOUSE_ENTRY(WM_RBUTTONDOWN, OnRButtonDown)
#define ON_WM_RBUTTONUP() QUILL_MOUSE_ENTRY(WM_RBUTTONUP, OnRButtonUp)
#define ON_WM_MOUSEMOVE() QUILL_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_MOUSEHOVER() QUILL_MOUSE_ENTRY(WM_MOUSEHOVER, OnMouseHover)
// void OnMouseLeave()
#define ON_WM_MOUSELEAVE() QUILL_MSG_ENTRY(WM_MOUSELEAVE, 0, 0, 0, self_->OnMouseLeave(); return 0;)
// BOOL OnMouseWheel(UINT flags, short delta, CPoint pt)  (pt in screen coordinates)
#define ON_WM_MOUSEWHEEL()                                                                   \
  QUILL_MSG_ENTRY(WM_MOUSEWHEEL, 0, 0, 0, return self_->OnMouseWheel(                        \
      GET_KEYSTATE_WPARAM(wp_), GET_WHEEL_DELTA_WPARAM(wp_), CPoint(lp_));)
// void OnKeyX(UINT ch, UINT repeat, UINT flags)
#define ON_WM_KEYDOWN()                                                                    \
  QUILL_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0, self_->OnKeyDown(static_cast<UINT>(wp_),            \
      LOWORD(lp_), HIWORD(lp_)); return 0;)
#define ON_WM_KEYUP()                                                                      \
  QUILL_MSG_ENTRY(WM_KEYUP, 0, 0, 0, self_->OnKeyUp(static_cast<UINT>(wp_),                \
      LOWORD(lp_), HIWORD(lp_)); return 0;)
// void OnTimer(UINT_PTR id)
#define ON_WM_TIMER() QUILL_MSG_ENTRY(WM_TIMER, 0, 0, 0, self_->OnTimer(static_cast<UINT_PTR>(wp_)); return 0;)
// void OnSize(UINT type, int cx, int cy)
#define ON_WM_SIZE()                                                                          \
  QUILL_MSG_ENTRY(WM_SIZE, 0, 0, 0, self_->OnSize(static_cast<UINT>(wp_),                     \
      static_cast<short>(LOWORD(lp_)), static_cast<short>(HIWORD(lp_))); return 0;)
// void OnMove(int x, int y)
#define ON_WM_MOVE()                                                                        \
  QUILL_MSG_ENTRY(WM_MOVE, 0, 0, 0, self_->OnMove(static_cast<short>(LOWORD(lp_)),          \
      static_cast<short>(HIWORD(lp_))); return 0;)
// void OnSizing(UINT edge, LPRECT rect)
#define ON_WM_SIZING()                                                                      \
  QUILL_MSG_ENTRY(WM_SIZING, 0, 0, 0, self_->OnSizing(static_cast<UINT>(wp_),               \
      reinterpret_cast<LPRECT>(lp_)); return TRUE;)
// BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message)
#define ON_WM_SETCURSOR()                                                                  \
  QUILL_MSG_ENTRY(WM_SETCURSOR, 0, 0, 0, return self_->OnSetCursor(                        \
      ::quill::framework::WndFromHandle(reinterpret_cast<HWND>(wp_)), LOWORD(lp_), HIWORD(lp_));)
// void OnNcCalcSize(BOOL calcValidRects, NCCALCSIZE_PARAMS* params)
#define ON_WM_NCCALCSIZE()                                                                   \
  QUILL_MSG_ENTRY(WM_NCCALCSIZE, 0, 0, 0, self_->OnNcCalcSize(static_cast<BOOL>(wp_),        \
      reinterpret_cast<NCCALCSIZE_PARAMS*>(lp_)); return ::quill::framework::CurrentResult();)
// LRESULT OnNcHitTest(CPoint screenPt)
#define ON_WM_NCHITTEST() QUILL_MSG_ENTRY(WM_NCHITTEST, 0, 0, 0, return self_->OnNcHitTest(CPoint(lp_));)
// void OnContextMenu(CWnd* wnd, CPoint screenPt)
#define ON_WM_CONTEXTMENU()                                                                  \
  QUILL_MSG_ENTRY(WM_CONTEXTMENU, 0, 0, 0, self_->OnContextMenu(                             \
      ::quill::framework::WndFromHandle(reinterpret_cast<HWND>(wp_)), CPoint(lp_)); return 0;)
// void OnSetFocus(CWnd* oldWnd)
#define ON_WM_SETFOCUS()                                                                     \
  QUILL_MSG_ENTRY(WM_SETFOCUS, 0, 0, 0, self_->OnSetFocus(                                   \
      ::quill::framework::WndFromHandle(reinterpret_cast<HWND>(wp_))); return 0;)
// void OnCaptureChanged(CWnd* newCapture)
#define ON_WM_CAPTURECHANGED()                                                               \
  QUILL_MSG_ENTRY(WM_CAPTURECHANGED, 0, 0, 0, self_->OnCaptureChanged(                       \
      ::quill::framework::WndFromHandle(reinterpret_cast<HWND>(lp_))); return 0;)
// void OnCancelMode()
#define ON_WM_CANCELMODE() QUILL_MSG_ENTRY(WM_CANCELMODE, 0, 0, 0, self_->OnCancelMode(); return 0;)
// void OnEnable(BOOL enable)
#define ON_WM_ENABLE() QUILL_MSG_ENTRY(WM_ENABLE, 0, 0, 0, self_->OnEnable(static_cast<BOOL>(wp_)); return 0;)
// void OnSysCommand(UINT id, LPARAM lp)
#define ON_WM_SYSCOMMAND() \
  QUILL_MSG_ENTRY(WM_SYSCOMMAND, 0, 0, 0, self_->OnSysCommand(static_cast<UINT>(wp_), lp_); return 0;)
// HCURSOR OnQueryDragIcon()
#define ON_WM_QUERYDRAGICON() \
  QUILL_MSG_ENTRY(WM_QUERYDRAGICON, 0, 0, 0, return reinterpret_cast<LRESULT>(self_->OnQueryDragIcon());)
// void OnDropFiles(HDROP)
#define ON_WM_DROPFILES() \
  QUILL_MSG_ENTRY(WM_DROPFILES, 0, 0, 0, self_->OnDropFiles(reinterpret_cast<HDROP>(wp_)); return 0;)
// UINT OnPowerBroadcast(UINT event, LPARAM data)
#define ON_WM_POWERBROADCAST() \
  QUILL_MSG_ENTRY(WM_POWERBROADCAST, 0, 0, 0, return self_->OnPowerBroadcast(static_cast<UINT>(wp_), lp_);)
// void OnDevModeChange(LPTSTR deviceName)
#define ON_WM_DEVMODECHANGE() \
  QUILL_MSG_ENTRY(WM_DEVMODECHANGE, 0, 0, 0, self_->OnDevModeChange(reinterpret_cast<LPWSTR>(lp_)); return 0;)
// void OnDrawItem(int id, LPDRAWITEMSTRUCT)  (only what no child or menu took)
#define ON_WM_DRAWITEM()                                                                      \
  QUILL_MSG_ENTRY(WM_DRAWITEM, 0, 0, 0, self_->OnDrawItem(static_cast<int>(wp_),              \
      reinterpret_cast<LPDRAWITEMSTRUCT>(lp_)); return TRUE;)
// void OnMeasureItem(int id, LPMEASUREITEMSTRUCT)
#define ON_WM_MEASUREITEM()                                                                   \
  QUILL_MSG_ENTRY(WM_MEASUREITEM, 0, 0, 0, self_->OnMeasureItem(static_cast<int>(wp_),        \
      reinterpret_cast<LPMEASUREITEMSTRUCT>(lp_)); return TRUE;)
