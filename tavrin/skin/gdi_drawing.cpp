// GDI+ start-up, bitmap and PNG resources, scaled drawing and child placement.
#include "tavrin/skin/gdi_drawing.h"

#include <cstring>

namespace {

// COM stream over a movable memory block; releases the stream (and the block with it) on scope exit.
struct StreamRelease {
  void operator()(IStream* stream) const {
    if (stream) stream->Release();
  }
};
using StreamPtr = std::unique_ptr<IStream, StreamRelease>;

// A memory block owned until it is handed to a stream.
struct GlobalFreeDeleter {
  void operator()(void* block) const {
    if (block) GlobalFree(static_cast<HGLOBAL>(block));
  }
};
using GlobalPtr = std::unique_ptr<void, GlobalFreeDeleter>;

// A stream over a copy of the bytes of resource (id, "PNG"); null when there is none or it is empty.
StreamPtr OpenPngResource(UINT id) {
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  if (!res) return nullptr;
  DWORD size = SizeofResource(module, res);
  HGLOBAL loaded = size ? LoadResource(module, res) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return nullptr;
  GlobalPtr block(GlobalAlloc(GMEM_MOVEABLE, size));
  void* dst = block ? GlobalLock(static_cast<HGLOBAL>(block.get())) : nullptr;
  if (!dst) return nullptr;
  memcpy(dst, bytes, size);
  GlobalUnlock(static_cast<HGLOBAL>(block.get()));
  IStream* stream = nullptr;
  // The stream frees the block when it is released: the memory lives exactly as long as the stream.
  if (FAILED(CreateStreamOnHGlobal(static_cast<HGLOBAL>(block.get()), TRUE, &stream))) return nullptr;
  block.release();
  return StreamPtr(stream);
}

// A copy of `source` that owns its pixels, so nothing reads the source's stream afterwards.
Gdiplus::Bitmap* DetachedCopy(Gdiplus::Bitmap& source) {
  const UINT w = source.GetWidth();
  const UINT h = source.GetHeight();
  if (w == 0 || h == 0) return nullptr;
  auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(w), static_cast<INT>(h),
                                                PixelFormat32bppARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Rect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
  Gdiplus::BitmapData in = {}, out = {};
  if (source.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &in) != Gdiplus::Ok) {
    return nullptr;
  }
  bool copied = copy->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &out) ==
                Gdiplus::Ok;
  if (copied) {
    for (UINT y = 0; y < h; ++y) {
      memcpy(static_cast<BYTE*>(out.Scan0) + static_cast<ptrdiff_t>(y) * out.Stride,
             static_cast<const BYTE*>(in.Scan0) + static_cast<ptrdiff_t>(y) * in.Stride, w * 4u);
    }
    copy->UnlockBits(&out);
  }
  source.UnlockBits(&in);
  return copied ? copy.release() : nullptr;
}

}  // namespace

namespace quill::skin {

SkinBitmap LoadSkinBitmap(UINT id, COLORREF background) {
  SkinBitmap out;
  out.image.reset(Gdiplus::Bitmap::FromResource(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)));
  if (!out.image) return out;
  out.status = out.image->GetLastStatus();
  if (out.status != Gdiplus::Ok) return out;
  Gdiplus::Color back(GetRValue(background), GetGValue(background), GetBValue(background));
  out.status = out.image->GetHBITMAP(back, &out.handle);
  if (out.status != Gdiplus::Ok) out.handle = nullptr;
  return out;
}

}  // namespace quill::skin

BOOL LoadBitmapResource(UINT id, CBitmap& out) {
  // Not LR_SHARED: the caller owns the bitmap and deletes it, so repeated loads leak nothing.
  HANDLE loaded = LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0);
  if (!loaded) return FALSE;
  out.DeleteObject();
  if (!out.Attach(loaded)) {
    DeleteObject(loaded);
    return FALSE;
  }
  return TRUE;
}

CGdiDrawer g_GdiDrawer;

CGdiDrawer::~CGdiDrawer() { delete m_pImage; }

void CGdiDrawer::SetImage(Gdiplus::Image* image) {
  if (image == m_pImage) return;
  delete m_pImage;
  m_pImage = image;
}

void CGdiDrawer::LoadPng(Gdiplus::Bitmap** out, UINT id) {
  if (!out) return;
  *out = nullptr;
  StreamPtr stream = OpenPngResource(id);
  if (!stream) return;
  std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return;
  *out = DetachedCopy(*decoded);
}

int CGdiDrawer::Draw(CDC* dc, int x, int y, double scale) {
  if (!m_pImage || !dc || !dc->m_hDC) {
    m_nLastStatus = Gdiplus::InvalidParameter;
    return Gdiplus::InvalidParameter;
  }
  Gdiplus::Status status;
  {
    Gdiplus::Graphics graphics(dc->m_hDC);
    status = graphics.GetLastStatus();
    if (status != Gdiplus::Ok) return m_nLastStatus = status;
    const UINT w = m_pImage->GetWidth();
    const UINT h = m_pImage->GetHeight();
    status = m_pImage->GetLastStatus();
    if (status != Gdiplus::Ok) {
      m_nLastStatus = status;  // the query failed: nothing is drawn
    } else {
      graphics.DrawImage(m_pImage, x, y, static_cast<INT>(w * scale), static_cast<INT>(h * scale));
    }
  }
  return Gdiplus::Ok;  // the graphics object is gone
}

BOOL CALLBACK RepositionChildProc(HWND child, LPARAM parent) {
  HWND owner = reinterpret_cast<HWND>(parent);
  if (::GetParent(child) != owner) return TRUE;
  RECT rc = {};
  if (!::GetWindowRect(child, &rc)) return TRUE;
  // The window rectangle is in screen coordinates; MoveWindow of a child takes its parent's client
  // coordinates. Mapping keeps the child where the template put it, whatever the dialog's position.
  MapWindowPoints(nullptr, owner, reinterpret_cast<POINT*>(&rc), 2);
  ::MoveWindow(child, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
  return TRUE;
}
