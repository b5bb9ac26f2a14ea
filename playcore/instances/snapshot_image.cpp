#include "playcore/instances/snapshot_image.h"

#include <objbase.h>
#include <gdiplus.h>

#include <algorithm>
#include <string>
#include <vector>

#include "playcore/dshow/graph_session.h"
#include "playcore/instances/player_bridge_internal.h"
#include "playcore/player/mf_player.h"

namespace playcore {

namespace {

// The JPEG quality the snapshots are written with (0-100).
constexpr LONG kJpegQuality = 90;
constexpr wchar_t kJpegMime[] = L"image/jpeg";
constexpr wchar_t kTempSuffix[] = L".part";

}  // namespace

void CurrentImage::Reset() {
  if (buffer_) CoTaskMemFree(buffer_);
  buffer_ = nullptr;
  bits_ = nullptr;
  bitsSize_ = 0;
  header_ = {};
}

void CurrentImage::AdoptBits(BYTE* buffer, DWORD size, const BITMAPINFOHEADER& header) {
  Reset();
  buffer_ = buffer;
  bits_ = buffer;
  bitsSize_ = buffer ? size : 0;
  header_ = header;
}

bool CurrentImage::AdoptPackedDib(BYTE* buffer, DWORD size) {
  Reset();
  buffer_ = buffer;
  if (!buffer || size < sizeof(BITMAPINFOHEADER)) return false;
  BITMAPINFOHEADER header;
  memcpy(&header, buffer, sizeof header);
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size) return false;
  // The colour table of a 32-bit picture: none, or three masks for BI_BITFIELDS.
  size_t offset = header.biSize;
  if (header.biCompression == BI_BITFIELDS) offset += 3 * sizeof(DWORD);
  offset += static_cast<size_t>(header.biClrUsed) * sizeof(RGBQUAD);
  if (offset > size || header.biClrUsed > size) return false;
  header_ = header;
  header_.biSize = sizeof(BITMAPINFOHEADER);
  bits_ = buffer + offset;
  bitsSize_ = size - offset;
  return true;
}

size_t DibBitsSize(const BITMAPINFOHEADER& header) {
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biBitCount != 32) return 0;
  const uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
  const uint64_t bytes = static_cast<uint64_t>(header.biWidth) * 4 * rows;
  return bytes > 0x7FFFFFFFull ? 0 : static_cast<size_t>(bytes);
}

bool CurrentImage::Usable() const {
  const size_t need = DibBitsSize(header_);
  return bits_ && need > 0 && (header_.biCompression == BI_RGB || header_.biCompression == BI_BITFIELDS) &&
         need <= bitsSize_;
}

namespace {

// The DirectShow path: the renderer's packed DIB, read by its own header (the picture may have the
// movie's size rather than the window's), within the buffer's size.
int GetGraphImage(dshow::GraphSession* graph, CurrentImage* image) {
  LONG nativeWidth = 0, nativeHeight = 0;
  if (FAILED(graph->GetNativeSize(&nativeWidth, &nativeHeight)) || nativeWidth <= 0 || nativeHeight <= 0) return 0;
  BYTE* dib = nullptr;
  DWORD size = 0;
  if (FAILED(graph->GetCurrentImage(&dib, &size)) || !dib) return 0;
  return image->AdoptPackedDib(dib, size) && image->Usable() ? 1 : 0;
}

}  // namespace

int GetCurrentImage(sPLAYERINSTANCE* instance, CurrentImage* image) {
  image->Reset();
  if (dshow::GraphSession* graph = instance->renderer.directShow.session) return GetGraphImage(graph, image);
  CPlayer* player = bridge::PlayerOf(instance);
  if (!player || !instance->videoWindow) return 0;
  LONG nativeWidth = 0, nativeHeight = 0;
  if (FAILED(player->GetNativeSize(&nativeWidth, &nativeHeight)) || nativeWidth <= 0 || nativeHeight <= 0) return 0;
  BITMAPINFOHEADER header = {};
  BYTE* dib = nullptr;
  DWORD size = 0;
  if (FAILED(player->GetCurrentImage(&header, &dib, &size)) || !dib) return 0;
  RECT window = {};
  GetWindowRect(instance->videoWindow, &window);
  // The picture is the window's: its header says so, and its size is checked against the bits.
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = window.right - window.left;
  header.biHeight = window.bottom - window.top;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  image->AdoptBits(dib, size, header);
  return image->Usable() ? 1 : 0;
}

int GetEncoderClsid(const wchar_t* mime, CLSID* clsid) {
  UINT count = 0, bytes = 0;
  if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || bytes == 0) return -1;
  std::vector<uint8_t> buffer(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
  if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return -1;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, mime) == 0) {
      *clsid = codecs[i].Clsid;
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool WriteJpegFile(const CurrentImage& image, const wchar_t* path) {
  if (!image.Usable() || !path || !path[0]) return false;
  CLSID encoder;
  if (GetEncoderClsid(kJpegMime, &encoder) < 0) return false;
  BITMAPINFO info = {};
  info.bmiHeader = image.header();
  Gdiplus::GpBitmap* bitmap = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromGdiDib(&info, const_cast<BYTE*>(image.bits()), &bitmap) !=
          Gdiplus::Ok ||
      !bitmap) {
    return false;
  }
  LONG quality = kJpegQuality;
  Gdiplus::EncoderParameters parameters;
  parameters.Count = 1;
  parameters.Parameter[0].Guid = Gdiplus::EncoderQuality;
  parameters.Parameter[0].Type = Gdiplus::EncoderParameterValueTypeLong;
  parameters.Parameter[0].NumberOfValues = 1;
  parameters.Parameter[0].Value = &quality;
  const std::wstring temp = std::wstring(path) + kTempSuffix;
  const bool saved = Gdiplus::DllExports::GdipSaveImageToFile(bitmap, temp.c_str(), &encoder, &parameters) ==
                     Gdiplus::Ok;
  Gdiplus::DllExports::GdipDisposeImage(bitmap);
  if (saved && MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileW(temp.c_str());
  return false;
}

bool OverlayDestination(int clientWidth, int clientHeight, int nativeWidth, int nativeHeight, bool oneFactor,
                        NormalizedRect* out) {
  if (clientWidth <= 0 || clientHeight <= 0 || nativeWidth <= 0 || nativeHeight <= 0) return false;
  double sx = static_cast<double>(clientWidth) / nativeWidth;
  double sy = static_cast<double>(clientHeight) / nativeHeight;
  if (oneFactor) {
    // The vertical factor when the client is relatively taller than the video, else the horizontal.
    const bool taller = static_cast<double>(clientHeight) / clientWidth >
                        static_cast<double>(nativeHeight) / nativeWidth;
    sx = sy = taller ? sy : sx;
  }
  const int w = static_cast<int>(sx * kOverlayBitmapWidth);
  const int h = static_cast<int>(sy * kOverlayBitmapHeight);
  // A client smaller than the scaled bitmap gets the whole picture, never a corner off its edge (a
  // mixer refuses a rectangle that starts outside 0..1).
  out->left = std::max(0.0f, 1.0f - static_cast<float>(w) / clientWidth);
  out->top = std::max(0.0f, 1.0f - static_cast<float>(h) / clientHeight);
  out->right = 1.0f;
  out->bottom = 1.0f;
  return true;
}

}  // namespace playcore
