// CResourceImage: the shared set of skin images of the program's resources, set up at start-up (the
// main dialog's OnInitDialog) and read by every window that draws them. Windows name an image by its
// resource id (Bitmap, Png) or, for the ids listed twice, by its slot in the load order. Each image is
// decoded when it is first asked for, and an id listed in two slots is decoded once (each slot still
// gets a bitmap of its own).
//
// Lifetime: the owner calls Unload from its WM_DESTROY (before GDI+ shuts down); the destructor
// releases whatever is still held, which is nothing after Unload.
// Threads: Load and Unload on the UI thread; the readers (any thread) in between. A first read decodes
// under m_decodeLock; later reads of the same image take no lock.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <mutex>

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

  // Sets the images up to be decoded at their first use (a missing one then stays null), and makes the
  // DCs, the needle mask, the icon and the brushes at once. The DCs are made from wnd's DC when it can
  // be had. Returns 1. Loading again first releases the previous set.
  int Load(CWnd* wnd);
  // Releases every GDI+ object and GDI handle; must run before GDI+ shuts down.
  void Unload();

  // The HBITMAP of the first slot holding resource `id`, or null.
  HBITMAP Bitmap(UINT id) const;
  // The HBITMAP of slot `slot` of kBitmapOrder, or null.
  HBITMAP BitmapAt(size_t slot) const;
  // The GDI+ image of slot `slot` (shared with the first slot of the same id), or null.
  Gdiplus::Bitmap* GdiplusBitmapAt(size_t slot) const;
  // The PNG image of resource `id`, or null.
  Gdiplus::Bitmap* Png(UINT id) const;
  // How many images were decoded since the last Load (each decode of a resource counts once).
  size_t DecodeCount() const { return m_decodes.load(); }

  CDC m_dcMem;      // memory DC for blitting skin bitmaps: transparent mode, background black
  CDC m_dcWork;     // the needle gauges' DC, m_bmpWork selected
  CBitmap m_bmpWork;
  CBitmap m_bmpNeedleMask;
  CBrush m_brBlack, m_brWhite1, m_brWhite2, m_brWhite3;
  HICON m_hIcon = nullptr;  // shared system-managed icon: never destroyed

 private:
  void CreateDCs(CWnd* wnd);
  void CreateBrushes();
  // The slot's image, decoded (or made from its twin's decode) when this is its first use.
  const quill::skin::SkinBitmap& SlotImage(size_t slot) const;

  // Decoded at the first read (m_bitmapReady / m_pngReady set, with release order, once filled);
  // `mutable` because a read decodes.
  mutable std::array<quill::skin::SkinBitmap, kBitmapCount> m_bitmaps;
  mutable std::array<quill::skin::GdiplusBitmapPtr, kPngCount> m_pngs;
  mutable std::array<std::atomic<bool>, kBitmapCount> m_bitmapReady = {};
  mutable std::array<std::atomic<bool>, kPngCount> m_pngReady = {};
  mutable std::atomic<size_t> m_decodes{0};
  mutable std::mutex m_decodeLock;
  bool m_loaded = false;  // between Load and Unload: reads decode
  HGDIOBJ m_oldWorkBitmap = nullptr;
};
