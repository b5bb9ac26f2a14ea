// CWnd: a C++ object bound to one window. The object is bound at creation (Create/CreateEx bind it before
// the window's first message) or by SubclassWindow for a window that already exists (a template
// control). While bound, every message goes through the object's message map first; what no entry takes,
// and what a handler passes on with Default(), goes to the window's original procedure.
//
// Parents offer WM_DRAWITEM, WM_MEASUREITEM, WM_NOTIFY, WM_CTLCOLOR* and control WM_COMMAND to the bound
// object of the child that sent them first (reflection: ON_NOTIFY_REFLECT, DrawItem of the controls);
// owner-drawn menu items go to the CMenu object of their menu.
//
// An object that created or subclassed its window destroys the window when it is destroyed first.
//
// Threads: a window and its object belong to the thread that created the window; the handle-to-object
// map is shared by all threads under its own lock. Temporary objects (FromHandle of a window that has no
// object) belong to the calling thread and live until that thread's next idle clean-up or its end.
// Windows cannot be copied.
#pragma once

#include <windows.h>

#include "platform/framework/cstring.h"
#include "platform/framework/geometry.h"
#include "platform/framework/msgmap.h"

class CDC;
class CFont;
class CMenu;
class CRgn;
class CDataExchange;

namespace quill::framework {
UINT CurrentCtlColorType();  // CTLCOLOR_* of the WM_CTLCOLOR* message being handled
LRESULT CurrentResult();     // result of the last Default() of the message being handled
}  // namespace quill::framework

class CWnd {
 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The bound object of a window, else a temporary one of the calling thread; null for a null handle.
  static CWnd* FromHandle(HWND h);
  // The bound object only.
  static CWnd* FromHandlePermanent(HWND h);
  static CWnd* GetDesktopWindow();
  static const CWnd wndTop, wndBottom, wndTopMost, wndNoTopMost;

  // --- Creation and binding ---
  virtual BOOL PreCreateWindow(CREATESTRUCTW& cs);
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, LPVOID param = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int w,
                int h, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  virtual BOOL Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                      UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();
  BOOL SubclassWindow(HWND h);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();
  // Binds without subclassing: FromHandlePermanent finds the object, but messages do not pass through
  // its map and the window is not destroyed with the object.
  BOOL Attach(HWND h);
  HWND Detach();

  // --- Message handling ---
  LRESULT Default();  // the original procedure with the message being handled
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual BOOL OnCommand(WPARAM wp, LPARAM lp);
  virtual BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  virtual void PostNcDestroy() {}
  virtual void DoDataExchange(CDataExchange*) {}
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;
  BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

  // --- Identity, family, style ---
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* parent);
  CWnd* GetDlgItem(int id) const;
  CWnd* GetOwner() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
  BOOL IsChild(const CWnd* wnd) const;

  // --- Placement ---
  void GetClientRect(LPRECT rect) const;
  void GetWindowRect(LPRECT rect) const;
  void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* after, int x, int y, int cx, int cy, UINT flags);
  void ScreenToClient(LPPOINT pt) const;
  void ScreenToClient(LPRECT rect) const;
  void ClientToScreen(LPPOINT pt) const;
  void ClientToScreen(LPRECT rect) const;
  BOOL ShowWindow(int cmd);
  BOOL IsWindowVisible() const;
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  void CenterWindow(CWnd* alternateOwner = nullptr);
  int SetWindowRgn(HRGN rgn, BOOL redraw);
  void BringWindowToTop();
  BOOL SetForegroundWindow();
  CWnd* SetFocus();

  // --- Text, font, icon ---
  void SetWindowText(LPCWSTR text);
  int GetWindowText(LPWSTR buffer, int max) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;
  void SetFont(CFont* font, BOOL redraw = TRUE);
  void SetFont(HFONT font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  HICON SetIcon(HICON icon, BOOL big);
  void SetDlgItemText(int id, LPCWSTR text);

  // --- Painting ---
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT rect = nullptr, CRgn* rgn = nullptr,
                    UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  void SetRedraw(BOOL redraw = TRUE);
  BOOL LockWindowUpdate();
  void UnlockWindowUpdate();
  CDC* GetDC();  // a temporary device context object; give it back with ReleaseDC
  CDC* GetWindowDC();
  int ReleaseDC(CDC* dc);

  // --- Input, timers, scroll bars ---
  CWnd* SetCapture();
  static CWnd* GetCapture();
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);
  void ShowScrollBar(UINT bar, BOOL show = TRUE);
  BOOL SetScrollInfo(int bar, LPSCROLLINFO info, BOOL redraw = TRUE);
  BOOL GetScrollInfo(int bar, LPSCROLLINFO info, UINT mask = SIF_ALL);
  void DragAcceptFiles(BOOL accept = TRUE);

 protected:
  // Default handlers of the ON_WM_* entries: each passes the message on with Default().
  int OnCreate(LPCREATESTRUCT);
  void OnDestroy();
  void OnClose();
  void OnPaint();
  BOOL OnEraseBkgnd(CDC*);
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT);
  HBRUSH CtlColor(CDC*, UINT) { return nullptr; }
  void OnLButtonDown(UINT, CPoint);
  void OnLButtonUp(UINT, CPoint);
  void OnLButtonDblClk(UINT, CPoint);
  void OnRButtonDown(UINT, CPoint);
  void OnRButtonUp(UINT, CPoint);
  void OnMouseMove(UINT, CPoint);
  void OnMouseHover(UINT, CPoint);
  void OnMouseLeave();
  BOOL OnMouseWheel(UINT, short, CPoint);
  void OnKeyDown(UINT, UINT, UINT);
  void OnKeyUp(UINT, UINT, UINT);
  void OnTimer(UINT_PTR);
  void OnSize(UINT, int, int);
  void OnMove(int, int);
  void OnSizing(UINT, LPRECT);
  BOOL OnSetCursor(CWnd*, UINT, UINT);
  void OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*);
  LRESULT OnNcHitTest(CPoint);
  void OnContextMenu(CWnd*, CPoint);
  void OnSetFocus(CWnd*);
  void OnCaptureChanged(CWnd*);
  void OnCancelMode();
  void OnEnable(BOOL);
  void OnSysCommand(UINT, LPARAM);
  HCURSOR OnQueryDragIcon();
  void OnDropFiles(HDROP);
  UINT OnPowerBroadcast(UINT, LPARAM);
  void OnDevModeChange(LPWSTR);
  void OnDrawItem(int, LPDRAWITEMSTRUCT);
  void OnMeasureItem(int, LPMEASUREITEMSTRUCT);

  // Looks the message up in the map chain; true when an entry took it.
  BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  // Looks a reflected message up in this object's map chain (for OnChildNotify).
  BOOL ReflectChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  static const ::quill::framework::MessageMap* GetThisMessageMap();
  virtual const ::quill::framework::MessageMap* GetMessageMap() const;

  WNDPROC m_pfnSuper = nullptr;  // the window's procedure before it was bound

 private:
  friend struct WndBinding;
  BOOL OfferToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  explicit CWnd(HWND special);  // the placement constants wndTop, wndTopMost, ...
  bool m_temporary = false;
};

// The window of a possibly null object.
inline HWND HwndOf(const CWnd* wnd) { return wnd ? wnd->m_hWnd : nullptr; }

// Registers (once) and names a window class with DefWindowProc, the given class style, cursor,
// background brush and icon. The name stays valid for the life of the process.
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

// The module whose resources (dialog templates, bitmaps) the framework loads: the program by default.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
HINSTANCE AfxGetInstanceHandle();

// Frees the calling thread's temporary window, device context and GDI objects.
void AfxDeleteTempObjects();
