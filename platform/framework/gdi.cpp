// GDI objects and device contexts: ownership, temporary wrappers and the thin drawing members.
#include "platform/framework/gdi.h"

#include "platform/framework/thread_state.h"
#include "platform/framework/wnd.h"

using quill::framework::ThisThread;

namespace quill::framework {
CDC* DCFromHandle(HDC h) { return CDC::FromHandle(h); }
}  // namespace quill::framework

// Temporary wrappers live in the calling thread's state and never own their handle.
struct GdiTemps {
  template <typename T>
  static T* Get(HGDIOBJ h) {
    if (!h) return nullptr;
    auto& temps = ThisThread().tempGdiObjects;
    auto it = temps.find(h);
    if (it != temps.end()) {
      if (T* typed = dynamic_cast<T*>(it->second.get())) return typed;
      it->second->m_hObject = nullptr;  // same handle seen through another wrapper type
      temps.erase(it);
    }
    auto obj = std::make_unique<T>();
    obj->m_hObject = h;
    obj->m_temporary = true;
    T* raw = obj.get();
    temps.emplace(h, std::move(obj));
    return raw;
  }
};

CGdiObject::~CGdiObject() {
  if (!m_temporary) DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ h) {
  if (m_hObject || !h) return FALSE;
  m_hObject = h;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  BOOL ok = m_temporary ? TRUE : ::DeleteObject(m_hObject);
  m_hObject = nullptr;
  return ok;
}

int CGdiObject::GetObject(int size, void* out) const {
  return m_hObject ? ::GetObjectW(m_hObject, size, out) : 0;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) { return GdiTemps::Get<CGdiObject>(h); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  return Attach(::CreatePen(style, width, color));
}

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }

BOOL CBrush::CreateStockObject(int index) {
  if (!Attach(::GetStockObject(index))) return FALSE;
  m_temporary = true;  // stock objects are the system's
  return TRUE;
}

CBrush* CBrush::FromHandle(HBRUSH h) { return GdiTemps::Get<CBrush>(h); }

BOOL CFont::CreateFontIndirect(const LOGFONTW* lf) {
  return lf ? Attach(::CreateFontIndirectW(lf)) : FALSE;
}

BOOL CFont::CreatePointFont(int tenthsOfPoint, LPCWSTR face, CDC* dc) {
  HDC screen = dc ? dc->m_hDC : ::GetDC(nullptr);
  LOGFONTW lf = {};
  lf.lfHeight = -MulDiv(tenthsOfPoint, ::GetDeviceCaps(screen, LOGPIXELSY), 720);
  lstrcpynW(lf.lfFaceName, face ? face : L"", LF_FACESIZE);
  if (!dc) ::ReleaseDC(nullptr, screen);
  return CreateFontIndirect(&lf);
}

CFont* CFont::FromHandle(HFONT h) { return GdiTemps::Get<CFont>(h); }

BOOL CBitmap::LoadBitmap(UINT resourceId) {
  return Attach(::LoadBitmapW(AfxGetResourceHandle(), MAKEINTRESOURCEW(resourceId)));
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return dc ? Attach(::CreateCompatibleBitmap(dc->m_hDC, width, height)) : FALSE;
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return Attach(::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}

CSize CBitmap::GetSize() const {
  BITMAP bm = {};
  return GetBitmap(&bm) ? CSize(bm.bmWidth, bm.bmHeight) : CSize();
}

CBitmap* CBitmap::FromHandle(HBITMAP h) { return GdiTemps::Get<CBitmap>(h); }

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
BOOL CRgn::CreateRectRgnIndirect(LPCRECT rect) {
  return rect ? Attach(::CreateRectRgnIndirect(rect)) : FALSE;
}

// --- CDC --------------------------------------------------------------------------------------------

CDC::~CDC() {
  if (m_ownsDC && m_hDC) ::DeleteDC(m_hDC);
}

CDC* CDC::FromHandle(HDC h) {
  if (!h) return nullptr;
  auto& temps = ThisThread().tempDCs;
  auto it = temps.find(h);
  if (it != temps.end()) return it->second.get();
  auto dc = std::make_unique<CDC>();
  dc->m_hDC = h;
  dc->m_temporary = true;
  CDC* raw = dc.get();
  temps.emplace(h, std::move(dc));
  return raw;
}

void CDC::DeleteTempHandle(HDC h) { ThisThread().tempDCs.erase(h); }

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC) return FALSE;
  m_hDC = ::CreateCompatibleDC(dc ? dc->m_hDC : nullptr);
  m_ownsDC = m_hDC != nullptr;
  return m_ownsDC;
}

BOOL CDC::DeleteDC() {
  if (!m_hDC || !m_ownsDC) return FALSE;
  BOOL ok = ::DeleteDC(m_hDC);
  m_hDC = nullptr;
  m_ownsDC = false;
  return ok;
}

BOOL CDC::Attach(HDC h) {
  if (m_hDC || !h) return FALSE;
  m_hDC = h;
  m_ownsDC = false;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  m_ownsDC = false;
  return h;
}

HGDIOBJ CDC::SelectObject(HGDIOBJ obj) {
  if (!m_hDC || !obj) return nullptr;
  HGDIOBJ previous = ::SelectObject(m_hDC, obj);
  return previous == HGDI_ERROR ? nullptr : previous;
}

CGdiObject* CDC::SelectObject(CGdiObject* obj) {
  return obj ? CGdiObject::FromHandle(SelectObject(obj->m_hObject)) : nullptr;
}
CPen* CDC::SelectObject(CPen* pen) {
  return pen ? GdiTemps::Get<CPen>(SelectObject(pen->m_hObject)) : nullptr;
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return brush ? GdiTemps::Get<CBrush>(SelectObject(brush->m_hObject)) : nullptr;
}
CFont* CDC::SelectObject(CFont* font) {
  return font ? GdiTemps::Get<CFont>(SelectObject(font->m_hObject)) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return bitmap ? GdiTemps::Get<CBitmap>(SelectObject(bitmap->m_hObject)) : nullptr;
}
CGdiObject* CDC::SelectStockObject(int index) {
  return CGdiObject::FromHandle(SelectObject(::GetStockObject(index)));
}

int CDC::SetBkMode(int mode) { return m_hDC ? ::SetBkMode(m_hDC, mode) : 0; }
COLORREF CDC::SetBkColor(COLORREF c) { return m_hDC ? ::SetBkColor(m_hDC, c) : CLR_INVALID; }
COLORREF CDC::SetTextColor(COLORREF c) { return m_hDC ? ::SetTextColor(m_hDC, c) : CLR_INVALID; }
int CDC::SetStretchBltMode(int mode) { return m_hDC ? ::SetStretchBltMode(m_hDC, mode) : 0; }
int CDC::SetROP2(int mode) { return m_hDC ? ::SetROP2(m_hDC, mode) : 0; }
int CDC::SaveDC() { return m_hDC ? ::SaveDC(m_hDC) : 0; }
BOOL CDC::RestoreDC(int saved) { return m_hDC ? ::RestoreDC(m_hDC, saved) : FALSE; }
int CDC::SelectClipRgn(CRgn* rgn) {
  return m_hDC ? ::SelectClipRgn(m_hDC, rgn ? static_cast<HRGN>(rgn->m_hObject) : nullptr) : ERROR;
}
int CDC::IntersectClipRect(int l, int t, int r, int b) {
  return m_hDC ? ::IntersectClipRect(m_hDC, l, t, r, b) : ERROR;
}
int CDC::IntersectClipRect(LPCRECT r) {
  return r ? IntersectClipRect(r->left, r->top, r->right, r->bottom) : ERROR;
}
int CDC::GetDeviceCaps(int index) const { return m_hDC ? ::GetDeviceCaps(m_hDC, index) : 0; }

BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // negative: top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}
