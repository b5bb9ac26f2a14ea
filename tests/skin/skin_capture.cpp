#include "tests/skin/skin_capture.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "tavrin/skin/gdi_drawing.h"
#include "tests/support/test_env.h"

namespace quill::test {

COLORREF Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  uint32_t v = bgra[static_cast<size_t>(y) * width + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

void PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (ms) Sleep(5);
  } while (GetTickCount() - start < ms);
}

namespace {
BOOL CALLBACK CancelDialog(HWND hwnd, LPARAM) {
  wchar_t cls[16] = L"";
  GetClassNameW(hwnd, cls, 16);
  if (lstrcmpW(cls, L"#32770") == 0) {
    PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(hwnd, WM_COMMAND, IDNO, 0);  // a system box that has no Cancel
  }
  return TRUE;
}
}  // namespace

bool CloseDialogsUntil(DWORD threadId, const std::function<bool()>& closed, DWORD timeoutMs) {
  return PumpUntil([&] {
    if (closed()) return true;
    EnumThreadWindows(threadId, &CancelDialog, 0);
    return false;
  }, timeoutMs);
}

Pixels CaptureDC(HDC dc, int x, int y, int w, int h) {
  Pixels p;
  if (!dc || w <= 0 || h <= 0) return p;
  const BITMAPINFO bi = TopDownBitmapInfo(w, h);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(dc);
  if (dib && mem && bits) {
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, dc, x, y, SRCCOPY);
    GdiFlush();
    p.width = w;
    p.height = h;
    p.bgra.resize(static_cast<size_t>(w) * h);
    memcpy(p.bgra.data(), bits, p.bgra.size() * 4);
    for (uint32_t& v : p.bgra) v &= 0x00FFFFFF;
    SelectObject(mem, old);
  }
  if (mem) DeleteDC(mem);
  if (dib) DeleteObject(dib);
  return p;
}

Pixels CaptureWindow(HWND hwnd) {
  RECT rc = {};
  GetWindowRect(hwnd, &rc);
  HDC dc = GetWindowDC(hwnd);
  Pixels p = CaptureDC(dc, 0, 0, rc.right - rc.left, rc.bottom - rc.top);
  ReleaseDC(hwnd, dc);
  return p;
}

std::wstring OutputDir(const char* area) {
  const char* build = std::getenv("QUILL_BUILD_DIR");
  if (!build) return std::wstring();
  std::wstring dir = HostPathToWindows(std::string(build) + "/test-output");
  CreateDirectoryW(dir.c_str(), nullptr);
  dir += L"\\" + std::wstring(area, area + strlen(area));
  CreateDirectoryW(dir.c_str(), nullptr);
  return dir + L"\\";
}

std::wstring ReferenceDir(const char* area) {
  const char* source = std::getenv("QUILL_SOURCE_DIR");
  if (!source) return std::wstring();
  return HostPathToWindows(std::string(source) + "/tests/" + area + "/reference") + L"\\";
}

bool SavePng(const Pixels& p, const std::wstring& path) {
  if (p.empty()) return false;
  std::vector<uint32_t> opaque(p.bgra);
  for (uint32_t& v : opaque) v |= 0xFF000000u;
  Gdiplus::Bitmap bitmap(p.width, p.height, p.width * 4, PixelFormat32bppARGB,
                         reinterpret_cast<BYTE*>(opaque.data()));
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  std::unique_ptr<BYTE[]> buffer(new BYTE[size]);
  auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
  if (Gdiplus::GetImageEncoders(count, size, encoders) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (wcscmp(encoders[i].MimeType, L"image/png") == 0) {
      return bitmap.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
    }
  }
  return false;
}

bool LoadPng(const std::wstring& path, Pixels* out) {
  Gdiplus::Bitmap bitmap(path.c_str());
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
  const int w = static_cast<int>(bitmap.GetWidth());
  const int h = static_cast<int>(bitmap.GetHeight());
  Gdiplus::Rect all(0, 0, w, h);
  Gdiplus::BitmapData data = {};
  if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return false;
  out->width = w;
  out->height = h;
  out->bgra.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    memcpy(&out->bgra[static_cast<size_t>(y) * w], static_cast<const BYTE*>(data.Scan0) + y * data.Stride,
           static_cast<size_t>(w) * 4);
  }
  bitmap.UnlockBits(&data);
  for (uint32_t& v : out->bgra) v &= 0x00FFFFFF;
  return !out->empty();
}

int ColourDistance(COLORREF a, COLORREF b) {
  int d = abs(GetRValue(a) - GetRValue(b));
  d = std::max(d, abs(GetGValue(a) - GetGValue(b)));
  return std::max(d, abs(GetBValue(a) - GetBValue(b)));
}

int CountDifferentPixels(const Pixels& a, const Pixels& b, int tolerance) {
  if (a.width != b.width || a.height != b.height) return -1;
  int differing = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (ColourDistance(a.At(x, y), b.At(x, y)) > tolerance) ++differing;
    }
  }
  return differing;
}

}  // namespace quill::test
