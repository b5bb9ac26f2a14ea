// The picture holders a conversion job carries (CMovieCapture): a 32-bit BMP description (file and
// info header arithmetic, loading the bits of such a file) and a window's drawing surfaces.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace playcore {

class CPictureFrame {
 public:
  virtual ~CPictureFrame() = default;
  // Fills the headers for a picture of this size; with `packedRgb` the info header's image size is
  // that of 24-bit rows, which is answered.
  virtual uint32_t SetSize(int32_t width, int32_t height, bool packedRgb) = 0;
  virtual const BITMAPINFOHEADER* Header() const = 0;
  virtual uint32_t ImageSize() const = 0;
  // The picture's bits read from a file of this format; null when the file cannot be read or holds
  // fewer bytes than the picture.
  virtual std::unique_ptr<uint8_t[]> Load(const wchar_t* path) const = 0;
};

// A 32-bit BMP: "BM", the bits at offset 54, rows of width x 4 bytes.
class CBitmapFrame : public CPictureFrame {
 public:
  static constexpr uint32_t kBitsOffset = 54;

  uint32_t SetSize(int32_t width, int32_t height, bool packedRgb) override;
  const BITMAPINFOHEADER* Header() const override { return &info_; }
  // Bytes of the bits: file size - 54 (0 before SetSize).
  uint32_t ImageSize() const override;
  std::unique_ptr<uint8_t[]> Load(const wchar_t* path) const override;
  const BITMAPFILEHEADER& FileHeader() const { return file_; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  BITMAPFILEHEADER file_ = {};
  BITMAPINFOHEADER info_ = {};
};

// A window's DC and a compatible memory DC holding a bitmap of the window's client size; everything
// released (and the memory DC's first bitmap restored) by the destructor.
class CWindowCapture {
 public:
  explicit CWindowCapture(HWND window);
  ~CWindowCapture();
  CWindowCapture(const CWindowCapture&) = delete;
  CWindowCapture& operator=(const CWindowCapture&) = delete;
  bool ok() const { return memoryDc_ && bitmap_; }
  HDC memoryDc() const { return memoryDc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HWND window_;
  HDC windowDc_ = nullptr;
  HDC memoryDc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace playcore
