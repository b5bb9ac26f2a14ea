// CResourceImage: the shared set of skin images, loaded once from the program's resources at start-up
// (the main dialog's OnInitDialog) and read by every window that draws them. Windows name an image by
// its resource id (Bitmap, Png) or, for the ids loaded twice, by its slot in the load order.
//
// Lifetime: the owner calls Unload from its WM_DESTROY (before GDI+ shuts down); the destructor
// releases whatever is still held, which is nothing after Unload.
// Threads: loaded and unloaded on the UI thread; read-only in between (reads from any thread).
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

#include "platform/framework/gdi.h"
#include "platform/framework/wnd.h"
#include "tavrin/skin/gdi_drawing.h"

class CResourceImage {
 public:
  // One entry of the bitmap load order: resource id and the colour given to transparent pixels.
  struct BitmapSlot {
    UINT id;
    COLORREF background;
  };
  static constexpr size_t kBitmapCount = 42;
  static constexpr size_t kPngCount = 17;
  static const std::array<BitmapSlot, kBitmapCount> kBitmapOrder;
  static const std::array<UINT, kPngCount> kPngOrder;

  static constexpr UINT kNeedleMaskId = 313;  // the 1-bit mask of the gauge needle
  static constexpr UINT kIconId = 171;
  static constexpr int kWorkWidth = 210;   // the needle gauges' drawing surface
  static constexpr int kWorkHeight = 170;

  CResourceImage() = default;
  virtual ~CResourceImage();
  CResourceImage(const CResourceImage&) = delete;
  CResourceImage& operator=(const CResourceImage&) = delete;

  // Loads every image (a missing one stays null). The DCs are made from wnd's DC when it can be had.
  // Returns 1. Loading again first releases the previous set.
  int Load(CWnd* wnd);
  // Releases every GDI+ object and GDI handle; must run before GDI+ shuts down.
  void Unload();

  // The HBITMAP of the first slot holding resource `id`, or null.
  HBITMAP Bitmap(UINT id) const;
  // The HBITMAP of slot `slot` of kBitmapOrder, or null.
  HBITMAP BitmapAt(size_t slot) const { return slot < kBitmapCount ? m_bitmaps[slot].handle : nullptr; }
  Gdiplus::Bitmap* GdiplusBitmapAt(size_t slot) const {
    return slot < kBitmapCount ? m_bitmaps[slot].image.get() : nullptr;
  }
  // The PNG image of resource `id`, or null.
  Gdiplus::Bitmap* Png(UINT id) const;

  CDC m_dcMem;      // memory DC for blitting skin bitmaps: transparent mode, background black
  CDC m_dcWork;     // the needle gauges' DC, m_bmpWork selected
  CBitmap m_bmpWork;
  CBitmap m_bmpNeedleMask;
  CBrush m_brBlack, m_brWhite1, m_brWhite2, m_brWhite3;
  HICON m_hIcon = nullptr;  // shared system-managed icon: never destroyed

 private:
  void CreateDCs(CWnd* wnd);
  void CreateBrushes();

  std::array<quill::skin::SkinBitmap, kBitmapCount> m_bitmaps;
  std::array<quill::skin::GdiplusBitmapPtr, kPngCount> m_pngs;
  HGDIOBJ m_oldWorkBitmap = nullptr;
};
