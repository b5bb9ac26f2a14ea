// COffScreenDC: making and releasing the surface.
#include "tavrin/skin/offscreen_dc.h"

BOOL COffScreenDC::Create(HDC reference, int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return FALSE;
  HDC dc = ::CreateCompatibleDC(reference);
  if (!dc) return FALSE;
  HBITMAP bitmap = reference ? ::CreateCompatibleBitmap(reference, width, height) : nullptr;
  if (!bitmap) {
    ::DeleteDC(dc);
    return FALSE;
  }
  m_dc.Attach(dc);
  m_bitmap.Attach(bitmap);
  m_hOldBitmap = ::SelectObject(dc, bitmap);
  m_nWidth = width;
  m_nHeight = height;
  return TRUE;
}

void COffScreenDC::Release() {
  HDC dc = m_dc.Detach();
  if (dc) {
    if (m_hOldBitmap) ::SelectObject(dc, m_hOldBitmap);
    ::DeleteDC(dc);
  }
  m_hOldBitmap = nullptr;
  m_bitmap.DeleteObject();
  m_nWidth = m_nHeight = 0;
}
