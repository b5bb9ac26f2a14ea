// COffScreenDC: an off-screen drawing surface, a memory DC with its own bitmap selected into it. Windows
// draw a whole frame into it and copy it to the screen in one blit. The owner creates it compatible
// with a window's DC at the size it needs; the destructor puts the previous bitmap back and deletes the
// bitmap and the DC.
//
// Threads: used by the thread of the window that draws through it.
#pragma once

#include <windows.h>

#include "platform/framework/gdi.h"

class COffScreenDC {
 public:
  COffScreenDC() = default;
  ~COffScreenDC() { Release(); }
  COffScreenDC(const COffScreenDC&) = delete;
  COffScreenDC& operator=(const COffScreenDC&) = delete;

  // Makes (or remakes) the surface of width x height compatible with `reference`. FALSE, with nothing
  // held, when the DC or the bitmap could not be made.
  BOOL Create(HDC reference, int width, int height);
  void Release();

  bool IsValid() const { return m_dc.m_hDC != nullptr && m_bitmap.m_hObject != nullptr; }
  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }

  CDC m_dc;
  CBitmap m_bitmap;
  HGDIOBJ m_hOldBitmap = nullptr;

 private:
  int m_nWidth = 0;
  int m_nHeight = 0;
};
