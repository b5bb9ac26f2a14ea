// Small drawing helpers of the skinned interface: GDI+ start-up, loading a bitmap resource for an image
// list, drawing a GDI+ image scaled into a device context, PNG images from the program's "PNG"
// resources, and the child-window placement callback of the template dialogs.
//
// GDI+ objects must all be released before GDI+ shuts down: whoever holds one (CResourceImage, a
// CGdiDrawer, a slider) releases it from its owner's WM_DESTROY or an explicit Unload/Reset, never
// later than the GdiplusSession that started GDI+.
//
// Threads: every function may be called on any thread once GDI+ is running; a CGdiDrawer is used by
// one thread at a time.
#pragma once

#include <windows.h>
// The GDI+ headers need min and max, which NOMINMAX hides.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "platform/framework/gdi.h"
#include "platform/framework/gdiplus_session.h"
#include "platform/framework/wnd.h"

namespace quill::skin {

// Starts GDI+ for the life of the object (the program's InitInstance, a test).
using quill::framework::GdiplusSession;

// Deletes a GDI+ image (the owner must do so before GDI+ shuts down).
struct GdiplusImageDeleter {
  void operator()(Gdiplus::Image* image) const { delete image; }
};
using GdiplusBitmapPtr = std::unique_ptr<Gdiplus::Bitmap, GdiplusImageDeleter>;

// A GDI+ bitmap of an RT_BITMAP resource of the resource module and the HBITMAP made from it, with
// `background` for transparent pixels. Either may be null when the resource is missing or bad.
struct SkinBitmap {
  GdiplusBitmapPtr image;
  HBITMAP handle = nullptr;
  Gdiplus::Status status = Gdiplus::GenericError;
};
SkinBitmap LoadSkinBitmap(UINT id, COLORREF background);

}  // namespace quill::skin

// Loads bitmap resource `id` of the resource module, at its own size, into `out`, which owns it (the
// caller's image list copies it, after which `out` may go). FALSE, with `out` untouched, when `id` is not
// a bitmap of the module.
BOOL LoadBitmapResource(UINT id, CBitmap& out);

// A GDI+ image drawn scaled at a point. The drawer owns its image.
class CGdiDrawer {
 public:
  CGdiDrawer() = default;
  virtual ~CGdiDrawer();
  CGdiDrawer(const CGdiDrawer&) = delete;
  CGdiDrawer& operator=(const CGdiDrawer&) = delete;

  // A new GDI+ bitmap decoded from the "PNG" resource `id`, independent of the resource's memory; null
  // when the resource is missing, empty or does not decode. The caller owns the result.
  static void LoadPng(Gdiplus::Bitmap** out, UINT id);

  // Takes ownership of `image` (null allowed), deleting the image held before.
  void SetImage(Gdiplus::Image* image);
  Gdiplus::Image* GetImage() const { return m_pImage; }
  // Deletes the image; the owner calls it before GDI+ shuts down.
  void Reset() { SetImage(nullptr); }

  // Draws the image at (x, y) with its width and height times `scale`, truncated. Returns Ok once
  // the graphics object is gone (a failed size query is kept in m_nLastStatus), the graphics object's
  // status when it could not be made, or InvalidParameter without drawing when there is no image or DC.
  int Draw(CDC* dc, int x, int y, double scale);

  Gdiplus::Image* m_pImage = nullptr;
  int m_nLastStatus = Gdiplus::Ok;
};

// The program's shared drawer; shut-down resets it before GDI+ goes.
extern CGdiDrawer g_GdiDrawer;

// EnumChildWindows callback of the template dialogs (parent = the dialog's HWND as LPARAM): keeps each
// direct child where its window rectangle is, expressed in the parent's client coordinates, with its
// window size. Always TRUE.
BOOL CALLBACK RepositionChildProc(HWND child, LPARAM parent);
