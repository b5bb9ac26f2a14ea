// The masked parallelogram copy on pixels (see turned_blit.h).
#include "tavrin/driveviews/turned_blit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/framework/gdi.h"

namespace quill::driveviews {

bool TurnedCopy(const PixelBlock& target, const POINT corners[3], const PixelBlock& source,
                const PixelBlock& mask) {
  if (source.width <= 0 || source.height <= 0 || !source.pixels || !target.pixels) return false;
  // P = c0 + u / w * (c1 - c0) + v / h * (c2 - c0); invert the 2 x 2 part for (u, v).
  const double ax = corners[1].x - corners[0].x, ay = corners[1].y - corners[0].y;
  const double bx = corners[2].x - corners[0].x, by = corners[2].y - corners[0].y;
  const double det = ax * by - ay * bx;
  if (std::fabs(det) < 1e-9) return false;
  const int xs[4] = {corners[0].x, corners[1].x, corners[2].x, corners[1].x + corners[2].x - corners[0].x};
  const int ys[4] = {corners[0].y, corners[1].y, corners[2].y, corners[1].y + corners[2].y - corners[0].y};
  const int left = std::max(0, *std::min_element(xs, xs + 4));
  const int right = std::min(target.width, *std::max_element(xs, xs + 4) + 1);
  const int top = std::max(0, *std::min_element(ys, ys + 4));
  const int bottom = std::min(target.height, *std::max_element(ys, ys + 4) + 1);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const double px = x + 0.5 - corners[0].x, py = y + 0.5 - corners[0].y;
      const double s = (px * by - py * bx) / det;
      const double t = (ax * py - ay * px) / det;
      if (s < 0 || t < 0 || s >= 1 || t >= 1) continue;
      const int u = static_cast<int>(s * source.width), v = static_cast<int>(t * source.height);
      const size_t at = static_cast<size_t>(v) * source.width + u;
      if (mask.pixels && (mask.pixels[at] & 0xFFFFFF) == 0) continue;
      target.pixels[static_cast<size_t>(y) * target.width + x] = source.pixels[at];
    }
  }
  return true;
}

namespace {

// The bitmap's pixels as 32-bit top-down rows.
std::vector<uint32_t> ReadPixels(HDC dc, HBITMAP bitmap, int w, int h) {
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  BITMAPINFO bi = TopDownBitmapInfo(w, h);
  if (GetDIBits(dc, bitmap, 0, h, pixels.data(), &bi, DIB_RGB_COLORS) != h) pixels.clear();
  return pixels;
}

}  // namespace

bool TurnedBlt(HDC target, const POINT corners[3], HDC sourceDC, int w, int h, HBITMAP mask) {
  HBITMAP targetBitmap = static_cast<HBITMAP>(GetCurrentObject(target, OBJ_BITMAP));
  HBITMAP sourceBitmap = static_cast<HBITMAP>(GetCurrentObject(sourceDC, OBJ_BITMAP));
  BITMAP tb{};
  if (!targetBitmap || !sourceBitmap || !GetObjectW(targetBitmap, sizeof tb, &tb) || w <= 0 || h <= 0) {
    return false;
  }
  // GetDIBits is documented to want its bitmap selected into no DC; the source bitmap stays selected
  // in sourceDC here and is read through a scratch DC. This path runs only under Wine, whose GetDIBits
  // reads a selected bitmap all the same (gauge_window_test draws through it).
  CDC reference;  // not owned: the target, as the model of the compatible DCs
  reference.Attach(target);
  std::vector<uint32_t> src, msk;
  {
    CDC scratch;
    if (!scratch.CreateCompatibleDC(&reference)) return false;
    src = ReadPixels(scratch, sourceBitmap, w, h);
    if (mask) msk = ReadPixels(scratch, mask, w, h);
  }
  if (src.empty() || (mask && msk.empty())) return false;

  const BITMAPINFO bi = TopDownBitmapInfo(tb.bmWidth, tb.bmHeight);
  void* bits = nullptr;
  CBitmap copy;
  copy.Attach(CreateDIBSection(target, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  CDC copyDC;
  if (!copy.m_hObject || !copyDC.CreateCompatibleDC(&reference)) return false;
  CDCSelect select(copyDC, copy);
  BitBlt(copyDC, 0, 0, tb.bmWidth, tb.bmHeight, target, 0, 0, SRCCOPY);
  GdiFlush();
  const bool ok = TurnedCopy({static_cast<uint32_t*>(bits), tb.bmWidth, tb.bmHeight}, corners, {src.data(), w, h},
                             {msk.empty() ? nullptr : msk.data(), w, h});
  if (ok) BitBlt(target, 0, 0, tb.bmWidth, tb.bmHeight, copyDC, 0, 0, SRCCOPY);
  return ok;
}

}  // namespace quill::driveviews
