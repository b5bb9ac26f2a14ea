// The picture services of a player instance: the current picture as a 32-bit DIB, its JPEG file,
// and where the overlay text sits on the picture. The checks here keep a short or foreign DIB from
// being read past its buffer.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/framework/gdiplus_session.h"
#include "playcore/instances/player_instance.h"

namespace playcore {

// A picture in memory: a DIB of CoTaskMemAlloc'd memory with its header; freed by the destructor.
class CurrentImage {
 public:
  CurrentImage() = default;
  ~CurrentImage() { Reset(); }
  CurrentImage(const CurrentImage&) = delete;
  CurrentImage& operator=(const CurrentImage&) = delete;
  void Reset();
  // Takes a buffer that holds only the bits, described by `header`.
  void AdoptBits(BYTE* buffer, DWORD size, const BITMAPINFOHEADER& header);
  // Takes a packed DIB (its own BITMAPINFOHEADER, the colour table if any, then the bits).
  bool AdoptPackedDib(BYTE* buffer, DWORD size);
  const BITMAPINFOHEADER& header() const { return header_; }
  const BYTE* bits() const { return bits_; }
  size_t bitsSize() const { return bitsSize_; }
  // The header describes a 32-bit uncompressed picture whose rows all fit in the bits.
  bool Usable() const;

 private:
  BYTE* buffer_ = nullptr;
  BITMAPINFOHEADER header_ = {};
  const BYTE* bits_ = nullptr;
  size_t bitsSize_ = 0;
};

// Bytes a DIB of this header needs for its bits; 0 when the header describes none or it overflows.
size_t DibBitsSize(const BITMAPINFOHEADER& header);

// The current picture of the instance's player, at the video window's size (Media Foundation), or as
// the DirectShow renderer hands it out (its own header, read within its buffer). The caller holds the
// instance mutex. 1 when `image` holds a usable picture.
int GetCurrentImage(sPLAYERINSTANCE* instance, CurrentImage* image);

// Index of the GDI+ encoder whose MIME type is `mime`, with its class id; -1 when none is.
int GetEncoderClsid(const wchar_t* mime, CLSID* clsid);

// Writes the picture as a JPEG file (under a temporary name first, so a failure leaves no half file
// under `path`). GDI+ must be started (GdiplusSession).
bool WriteJpegFile(const CurrentImage& image, const wchar_t* path);

using quill::framework::GdiplusSession;

// The overlay bitmap's size and where it is placed: the bottom right corner of the picture, scaled
// like the picture (one factor for both axes when `oneFactor`), in normalized coordinates.
constexpr int kOverlayBitmapWidth = 300;
constexpr int kOverlayBitmapHeight = 120;
struct NormalizedRect {
  float left, top, right, bottom;
};
bool OverlayDestination(int clientWidth, int clientHeight, int nativeWidth, int nativeHeight, bool oneFactor,
                        NormalizedRect* out);
// The overlay follows the instance's aspect word: one factor for both axes when it is 0.
inline bool OverlayUsesOneFactor(const sPLAYERINSTANCE& instance) { return instance.aspectMode == 0; }

}  // namespace playcore
