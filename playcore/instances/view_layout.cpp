#include "playcore/instances/view_layout.h"

namespace playcore {

bool LayOutVideoRect(const RECT& client, const VideoLayout& l, RECT* dest) {
  if (!dest || l.zoom == 0.0f) return false;
  RECT r = client;
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  // Single-precision steps, each stored, as the zoom factor itself is a float.
  volatile float ex = static_cast<float>(w) * (l.zoom - 1.0f);
  volatile float ey = static_cast<float>(h) * (l.zoom - 1.0f);
  volatile float fx = static_cast<float>(l.centreX) / static_cast<float>(w);
  volatile float fy = static_cast<float>(l.centreY) / static_cast<float>(h);
  volatile float left = fx * ex, right = (1.0f - fx) * ex, top = fy * ey, bottom = (1.0f - fy) * ey;
  r.left -= static_cast<LONG>(left);
  r.right += static_cast<LONG>(right);
  r.top -= static_cast<LONG>(top);
  r.bottom += static_cast<LONG>(bottom);
  if (r.left > r.right) return false;
  OffsetRect(&r, l.panX, l.panY);
  if (l.keepAspect && l.nativeWidth > 0 && l.nativeHeight > 0) {
    const float a = static_cast<float>(l.nativeWidth) / static_cast<float>(l.nativeHeight);
    const int rw = r.right - r.left, rh = r.bottom - r.top;
    int nw = rw, nh = rh;
    if (static_cast<float>(w) / static_cast<float>(h) > a) {
      nw = static_cast<int>(static_cast<float>(rh) * a);
    } else {
      nh = static_cast<int>(static_cast<float>(rw) / a);
    }
    const RECT box = {(r.left + r.right - nw) / 2, (r.top + r.bottom - nh) / 2, (r.left + r.right + nw) / 2 + 2,
                      (r.top + r.bottom + nh) / 2 + 2};
    r = box;
  }
  *dest = r;
  return true;
}

}  // namespace playcore
