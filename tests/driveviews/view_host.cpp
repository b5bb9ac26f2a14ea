// The drive-data views' test stage (see view_host.h).
#include "tests/driveviews/view_host.h"

#include "platform/framework/private_messages.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quill::test {

namespace {
constexpr int kSurfaceWidth = 1920;
constexpr int kSurfaceHeight = 400;
constexpr int kCompareTolerance = 24;
}  // namespace

BEGIN_MESSAGE_MAP(CViewHost, CHostWindow)
  ON_MESSAGE(quill::msg::kGraphPreviousEvent, OnPrevious)
  ON_MESSAGE(quill::msg::kGraphNextEvent, OnNext)
  ON_MESSAGE(quill::msg::kInfoItemSwitched, OnToggle)
END_MESSAGE_MAP()

bool CViewHost::Open() {
  if (!OpenHost(L"views host", kWidth, kHeight)) return false;
  HDC screen = ::GetDC(nullptr);
  const BOOL made = surface.Create(screen, kSurfaceWidth, kSurfaceHeight);
  ::ReleaseDC(nullptr, screen);
  return made != FALSE;
}

LRESULT CViewHost::OnPrevious(WPARAM wp, LPARAM lp) {
  posted.push_back({quill::msg::kGraphPreviousEvent, wp, lp});
  return 0;
}

LRESULT CViewHost::OnNext(WPARAM wp, LPARAM lp) {
  posted.push_back({quill::msg::kGraphNextEvent, wp, lp});
  return 0;
}

LRESULT CViewHost::OnToggle(WPARAM wp, LPARAM lp) {
  posted.push_back({quill::msg::kInfoItemSwitched, wp, lp});
  return 0;
}

std::vector<Posted> CViewHost::TakePosted() {
  // Everything the views post goes through this thread's queue: serving it until it is empty
  // delivers a chain of posts whole, without waiting any time.
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  std::vector<Posted> out;
  out.swap(posted);
  return out;
}

CViewHost& Host() {
  static CViewHost host;
  return host;
}

namespace {
[[maybe_unused]] const bool kHostFirst = OpenHostFirst([] { return Host().Open(); });
}  // namespace

void FakeGraphSource::LinkPositions(int perRecord) {
  table.clear();
  for (auto& r : records) {
    for (int i = 0; i < perRecord; ++i) table.push_back(&r);
  }
}

double SaveAndCompare(const Pixels& shot, const std::wstring& name) {
  quill::skin::GdiplusSession gdiplus;
  const std::wstring out = OutputDir("driveviews");
  if (!out.empty()) {
    EXPECT_TRUE(SavePng(shot, out + name));
  }
  Pixels reference;
  if (!LoadPng(ReferenceDir("driveviews") + name, &reference)) {
    ADD_FAILURE() << "no reference picture: look at test-output/driveviews/ and, when it is right, copy it "
                     "to tests/driveviews/reference/";
    return 1.0;
  }
  const int differ = CountDifferentPixels(shot, reference, kCompareTolerance);
  if (differ < 0) return 1.0;
  return static_cast<double>(differ) / (static_cast<double>(shot.width) * shot.height);
}

PixelCanvas::PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
  const BITMAPINFO bi = TopDownBitmapInfo(width, height);
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  dc_ = CreateCompatibleDC(screen);
  bitmap_ = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  bits_ = static_cast<uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_);
  RECT rc{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(fill);
  FillRect(dc_, &rc, brush);
  DeleteObject(brush);
}

PixelCanvas::~PixelCanvas() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF PixelCanvas::At(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();
  const uint32_t p = bits_[y * width_ + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

Pixels PixelCanvas::Capture() const { return CaptureDC(dc_, 0, 0, width_, height_); }

}  // namespace quill::test
