#include "playcore/converter/picture_frame.h"

#include <cstdio>

namespace playcore {

namespace {

constexpr WORD kBmpType = 0x4D42;  // "BM"
constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;

}  // namespace

uint32_t CBitmapFrame::SetSize(int32_t width, int32_t height, bool packedRgb) {
  width_ = width;
  height_ = height;
  const uint64_t w = width > 0 ? static_cast<uint64_t>(width) : 0;
  const uint64_t h = height > 0 ? static_cast<uint64_t>(height) : 0;
  const uint64_t row = (w * 4 + 3) / 4 * 4;
  uint64_t fileSize = kBitsOffset + h * row;
  if (fileSize > kMaxFileBytes) fileSize = kBitsOffset;  // no size wraps into a small one
  file_ = {};
  file_.bfType = kBmpType;
  file_.bfSize = static_cast<DWORD>(fileSize);
  file_.bfOffBits = kBitsOffset;
  info_ = {};
  info_.biSize = sizeof(BITMAPINFOHEADER);
  info_.biWidth = width;
  info_.biHeight = height;
  info_.biPlanes = 1;
  info_.biBitCount = 32;
  if (!packedRgb) return 0;
  const uint64_t packed = (w * 3 + 3) / 4 * h * 4;
  info_.biSizeImage = packed > kMaxFileBytes ? 0 : static_cast<DWORD>(packed);
  return info_.biSizeImage;
}

uint32_t CBitmapFrame::ImageSize() const { return file_.bfSize >= kBitsOffset ? file_.bfSize - kBitsOffset : 0; }

std::unique_ptr<uint8_t[]> CBitmapFrame::Load(const wchar_t* path) const {
  const uint32_t size = ImageSize();
  if (!path || size == 0) return nullptr;
  FILE* file = _wfopen(path, L"rb");
  if (!file) return nullptr;
  std::unique_ptr<uint8_t[]> bits(new (std::nothrow) uint8_t[size]);
  // Every byte of the picture must come from the file: a short file or a failed seek is no picture
  // (a zero-filled rest would pass for black rows).
  const bool whole = bits && fseek(file, kBitsOffset, SEEK_SET) == 0 && fread(bits.get(), 1, size, file) == size;
  fclose(file);
  if (!whole) bits.reset();
  return bits;
}

CWindowCapture::CWindowCapture(HWND window) : window_(window) {
  windowDc_ = GetDC(window);
  if (!windowDc_) return;
  RECT client = {};
  GetClientRect(window, &client);
  memoryDc_ = CreateCompatibleDC(windowDc_);
  bitmap_ = CreateCompatibleBitmap(windowDc_, client.right > 0 ? client.right : 1,
                                   client.bottom > 0 ? client.bottom : 1);
  if (memoryDc_ && bitmap_) previous_ = SelectObject(memoryDc_, bitmap_);
}

CWindowCapture::~CWindowCapture() {
  if (memoryDc_) {
    if (previous_) SelectObject(memoryDc_, previous_);
    DeleteDC(memoryDc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
  if (windowDc_) ReleaseDC(window_, windowDc_);
}

}  // namespace playcore
