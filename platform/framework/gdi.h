// Device contexts and GDI objects. An object made through the wrapper (CreateSolidBrush, LoadBitmap,
// CreateCompatibleDC, ...) is owned and deleted by it; FromHandle gives a temporary, non-owning wrapper of
// the calling thread. CDC::SelectObject returns the previous object like the system call; CDCSelect and
// CDCSave are the scoped forms that put the previous object or state back on every path.
#pragma once

#include <windows.h>

#include "platform/framework/cstring.h"
#include "platform/framework/geometry.h"

class CWnd;

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  BOOL Attach(HGDIOBJ h);
  HGDIOBJ Detach();
  BOOL DeleteObject();  // deletes the owned handle
  int GetObject(int size, void* out) const;
  static CGdiObject* FromHandle(HGDIOBJ h);

 protected:
  bool m_temporary = false;
  friend struct GdiTemps;
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreateStockObject(int index);  // not owned: stock objects are never deleted
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH h);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONTW* lf);
  BOOL CreatePointFont(int tenthsOfPoint, LPCWSTR face, class CDC* dc = nullptr);
  int GetLogFont(LOGFONTW* lf) const { return GetObject(sizeof(LOGFONTW), lf); }
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT h);
};

class CBitmap : public CGdiObject {
 public:
  BOOL LoadBitmap(UINT resourceId);
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  int GetBitmap(BITMAP* bm) const { return GetObject(sizeof(BITMAP), bm); }
  CSize GetSize() const;
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP h);
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int l, int t, int r, int b);
  BOOL CreateRectRgnIndirect(LPCRECT rect);
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  static CDC* FromHandle(HDC h);
  static void DeleteTempHandle(HDC h);  // forgets a temporary wrapper (ReleaseDC)

  BOOL CreateCompatibleDC(CDC* dc);  // owned: deleted with the object
  BOOL DeleteDC();
  BOOL Attach(HDC h);  // not owned
  HDC Detach();

  // Selection: the previous object (temporary wrapper), or null when the call failed.
  CGdiObject* SelectObject(CGdiObject* obj);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  HGDIOBJ SelectObject(HGDIOBJ obj);
  CGdiObject* SelectStockObject(int index);

  int SetBkMode(int mode);
  COLORREF SetBkColor(COLORREF c);
  COLORREF SetTextColor(COLORREF c);
  int SetStretchBltMode(int mode);
  int SetROP2(int mode);
  int SaveDC();
  BOOL RestoreDC(int saved);
  int SelectClipRgn(CRgn* rgn);
  int IntersectClipRect(int l, int t, int r, int b);
  int IntersectClipRect(LPCRECT r);
  int GetDeviceCaps(int index) const;

  void FillRect(LPCRECT r, CBrush* brush);
  void FillSolidRect(LPCRECT r, COLORREF c);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF c);
  void FrameRect(LPCRECT r, CBrush* brush);
  BOOL Rectangle(int l, int t, int r, int b);
  BOOL Rectangle(LPCRECT r);
  BOOL Polyline(const POINT* points, int count);
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  void DrawFocusRect(LPCRECT r);
  BOOL TextOut(int x, int y, LPCWSTR text, int count);
  BOOL TextOut(int x, int y, const CString& text);
  int DrawText(LPCWSTR text, int count, LPRECT r, UINT format);
  int DrawText(const CString& text, LPRECT r, UINT format);
  CSize GetTextExtent(LPCWSTR text, int count) const;
  CSize GetTextExtent(const CString& text) const;
  BOOL BitBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, DWORD rop);
  BOOL StretchBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, DWORD rop);
  BOOL TransparentBlt(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, UINT transparent);
  BOOL AlphaBlend(int x, int y, int w, int h, CDC* src, int xs, int ys, int ws, int hs, BLENDFUNCTION blend);
  BOOL PatBlt(int x, int y, int w, int h, DWORD rop);
  BOOL PlgBlt(LPPOINT points, CDC* src, int xs, int ys, int w, int h, CBitmap& mask, int xm, int ym);
  COLORREF GetPixel(int x, int y) const;

 protected:
  bool m_ownsDC = false;    // DeleteDC at destruction
  bool m_temporary = false;
};

// The paint DC of a window between BeginPaint and EndPaint.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps = {};

 private:
  HWND m_hWndOwner;
};

// The client-area DC of a window (GetDC / ReleaseDC).
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 private:
  HWND m_hWndOwner;
};

// The whole-window DC (GetWindowDC / ReleaseDC).
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;

 private:
  HWND m_hWndOwner;
};

// Selects an object into a DC for one scope and puts the previous one back.
class CDCSelect {
 public:
  CDCSelect(HDC dc, HGDIOBJ obj) : dc_(dc), previous_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
  CDCSelect(CDC& dc, const CGdiObject& obj) : CDCSelect(dc.m_hDC, obj.m_hObject) {}
  ~CDCSelect() {
    if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  CDCSelect(const CDCSelect&) = delete;
  CDCSelect& operator=(const CDCSelect&) = delete;
  bool ok() const { return previous_ && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// Saves a DC's state (objects, colours, clipping) for one scope.
class CDCSave {
 public:
  explicit CDCSave(HDC dc) : dc_(dc), saved_(dc ? ::SaveDC(dc) : 0) {}
  ~CDCSave() {
    if (saved_) ::RestoreDC(dc_, saved_);
  }
  CDCSave(const CDCSave&) = delete;
  CDCSave& operator=(const CDCSave&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// The header of a 32-bit device-independent bitmap of `width` x `height` whose rows run top-down (row 0
// is the top row, as in a window), for CreateDIBSection, GetDIBits and SetDIBitsToDevice.
BITMAPINFO TopDownBitmapInfo(int width, int height);
