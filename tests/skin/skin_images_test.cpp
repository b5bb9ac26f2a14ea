// The skin images as the program carries them (this test links res/skin.rc like the program does):
// every slot of the image set loads from the program, PNGs keep their alpha, and nothing leaks.
// What the images look like is checked by skin_images_match_their_description and the screenshot.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/framework/framework.h"
#include "res/resource.h"
#include "tavrin/skin/gdi_drawing.h"
#include "tavrin/skin/resource_image.h"
#include "tests/skin/skin_capture.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { session_ = std::make_unique<quill::skin::GdiplusSession>(); }
  void TearDown() override { session_.reset(); }

 private:
  std::unique_ptr<quill::skin::GdiplusSession> session_;
};
const auto* const kGdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

// Whether a GDI handle still names an object (Wine does not count a process's GDI objects).
bool Alive(HGDIOBJ h) { return h && GetObjectType(h) != 0; }

TEST(ResourceImage, EverySlotLoadsAndPngsKeepTransparentCorners) {
  CResourceImage images;
  ASSERT_EQ(images.Load(nullptr), 1);
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) {
    BITMAP bm = {};
    ASSERT_TRUE(GetObjectW(images.BitmapAt(slot), sizeof(bm), &bm)) << "slot " << slot;
    EXPECT_GT(bm.bmWidth * bm.bmHeight, 0) << "slot " << slot;
  }
  EXPECT_NE(images.BitmapAt(9), images.BitmapAt(15)) << "an id in two slots gets two bitmaps";
  for (UINT id : CResourceImage::kPngOrder) {
    Gdiplus::Bitmap* png = images.Png(id);
    ASSERT_NE(png, nullptr) << id;
    Gdiplus::Color corner, centre;
    png->GetPixel(0, 0, &corner);
    png->GetPixel(png->GetWidth() / 2, png->GetHeight() / 2, &centre);
    EXPECT_EQ(corner.GetA(), 0) << id;
    EXPECT_EQ(centre.GetA(), 255) << id;
  }
  BITMAP mask = {};
  ASSERT_TRUE(images.m_bmpNeedleMask.GetBitmap(&mask));
  EXPECT_EQ(mask.bmBitsPixel, 1);
}

// Regression: the image set kept its GDI+ objects until its destructor, after GDI+ had shut down.
TEST(ResourceImage, UnloadReleasesEveryImageAndHandleBeforeGdiplusGoes) {
  CResourceImage images;
  images.Load(nullptr);
  std::vector<HGDIOBJ> handles;
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) handles.push_back(images.BitmapAt(slot));
  for (HGDIOBJ h : {images.m_bmpNeedleMask.m_hObject, images.m_bmpWork.m_hObject, images.m_brBlack.m_hObject,
                    images.m_brWhite1.m_hObject, images.m_brWhite2.m_hObject, images.m_brWhite3.m_hObject}) {
    handles.push_back(h);
  }
  HDC work = images.m_dcWork.m_hDC;
  for (HGDIOBJ h : handles) ASSERT_TRUE(Alive(h));
  images.Unload();
  for (size_t i = 0; i < handles.size(); ++i) EXPECT_FALSE(Alive(handles[i])) << "handle " << i;
  EXPECT_FALSE(Alive(work));
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) EXPECT_EQ(images.GdiplusBitmapAt(slot), nullptr);
  EXPECT_EQ(images.Png(348), nullptr);
  images.Load(nullptr);  // loading again after an unload works
  EXPECT_NE(images.Png(348), nullptr);
}

// The start-up decodes nothing: each image is decoded at its first use, once, and an id listed in two
// slots is decoded once for both (each slot keeps a bitmap of its own).
TEST(ResourceImage, DecodesEachImageOnceAtItsFirstUse) {
  CResourceImage images;
  images.Load(nullptr);
  EXPECT_EQ(images.DecodeCount(), 0u) << "Load decoded images";
  ASSERT_TRUE(images.m_bmpNeedleMask.m_hObject) << "the needle mask is made at once";
  ASSERT_TRUE(images.m_brBlack.m_hObject) << "the brushes are made at once";
  struct Step {
    const char* what;
    size_t slot;          // a bitmap slot, or
    UINT png;             // a PNG id (0: the slot is meant)
    size_t decodesAfter;  // the count after the read
  };
  const Step steps[] = {
      {"backdrop", 0, 0, 1},
      {"backdrop again", 0, 0, 1},
      {"first slot of 198", 9, 0, 2},
      {"second slot of 198 (its twin)", 15, 0, 2},
      {"second slot of 199 before its first", 16, 0, 3},
      {"first slot of 199 after its twin", 10, 0, 3},
      {"a PNG", 0, 348, 4},
      {"the PNG again", 0, 348, 4},
  };
  for (const Step& step : steps) {
    if (step.png) {
      EXPECT_NE(images.Png(step.png), nullptr) << step.what;
    } else {
      EXPECT_NE(images.BitmapAt(step.slot), nullptr) << step.what;
    }
    EXPECT_EQ(images.DecodeCount(), step.decodesAfter) << step.what;
  }
  EXPECT_NE(images.BitmapAt(9), images.BitmapAt(15)) << "twins share one bitmap";
  EXPECT_EQ(images.GdiplusBitmapAt(15), images.GdiplusBitmapAt(9)) << "twins do not share the decode";
  EXPECT_EQ(images.Bitmap(198), images.BitmapAt(9)) << "an id names its first slot";
  EXPECT_EQ(images.Png(348), images.Png(348));
  images.Unload();
  EXPECT_EQ(images.BitmapAt(0), nullptr) << "an unloaded set decodes";
  EXPECT_EQ(images.Png(348), nullptr) << "an unloaded set decodes";
}

// Windows on several threads asking for the same image first: one decode, one bitmap for all.
TEST(ResourceImage, FirstReadsFromManyThreadsDecodeOnce) {
  CResourceImage images;
  images.Load(nullptr);
  constexpr int kThreads = 8;
  HBITMAP seen[kThreads] = {};
  Gdiplus::Bitmap* pngs[kThreads] = {};
  HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      WaitForSingleObject(go, INFINITE);
      seen[i] = images.Bitmap(164);
      pngs[i] = images.Png(331);
    });
  }
  SetEvent(go);
  for (auto& t : threads) t.join();
  CloseHandle(go);
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_NE(seen[i], nullptr) << i;
    EXPECT_EQ(seen[i], seen[0]) << i;
    EXPECT_NE(pngs[i], nullptr) << i;
    EXPECT_EQ(pngs[i], pngs[0]) << i;
  }
  EXPECT_EQ(images.DecodeCount(), 2u);
}

// Regression: every load leaked one shared bitmap handle.
TEST(LoadBitmapResource, GivesABitmapItsOwnerDeletesAndNothingForOtherIds) {
  CBitmap none;
  EXPECT_FALSE(LoadBitmapResource(IDP_SKIN_INFO_TRIGGER, none));  // a PNG, not a bitmap
  EXPECT_FALSE(LoadBitmapResource(4242, none));
  EXPECT_EQ(none.m_hObject, nullptr);
  std::vector<HGDIOBJ> loaded;
  for (int i = 0; i < 200; ++i) {
    CBitmap bitmap;
    ASSERT_TRUE(LoadBitmapResource(IDB_SKIN_CHECK_BOX, bitmap));
    loaded.push_back(bitmap.m_hObject);
  }
  for (HGDIOBJ h : loaded) EXPECT_FALSE(Alive(h));
  Gdiplus::Bitmap* png = reinterpret_cast<Gdiplus::Bitmap*>(1);
  CGdiDrawer::LoadPng(&png, IDB_SKIN_LOGO);  // a bitmap id: no PNG of that id
  EXPECT_EQ(png, nullptr);
}

// Draws the drawer's image at (10, 10) on a grey memory DC; the box of pixels that changed.
RECT DrawnBox(CGdiDrawer& drawer, double scale, int* status, quill::test::Pixels* out = nullptr) {
  HDC screen = GetDC(nullptr);
  CDC dc;
  dc.Attach(CreateCompatibleDC(screen));
  HBITMAP surface = CreateCompatibleBitmap(screen, 100, 100);
  HGDIOBJ old = SelectObject(dc.m_hDC, surface);
  RECT all = {0, 0, 100, 100};
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  FillRect(dc.m_hDC, &all, grey);
  DeleteObject(grey);
  *status = drawer.Draw(&dc, 10, 10, scale);
  quill::test::Pixels p = quill::test::CaptureDC(dc.m_hDC, 0, 0, 100, 100);
  SelectObject(dc.m_hDC, old);
  DeleteObject(surface);
  DeleteDC(dc.Detach());
  ReleaseDC(nullptr, screen);
  RECT box = {p.width, p.height, 0, 0};
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (p.At(x, y) == RGB(128, 128, 128)) continue;
      box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                 std::max<LONG>(box.bottom, y + 1)};
    }
  }
  if (out) *out = p;
  return box;
}

// Regression: the decoded PNG read from a memory block freed after loading.
TEST(GdiDrawer, DrawsAtHalfScaleAfterTheResourceCopyIsGone) {
  CGdiDrawer drawer;
  Gdiplus::Bitmap* png = nullptr;
  CGdiDrawer::LoadPng(&png, IDP_SKIN_INFO_TRIGGER);  // 42 x 35
  ASSERT_NE(png, nullptr);
  drawer.SetImage(png);
  for (int i = 0; i < 2000; ++i) {  // churn the heap so that freed memory is reused before drawing
    std::vector<char> junk(1024 + i % 4096, static_cast<char>(i));
    GlobalFree(GlobalAlloc(GMEM_MOVEABLE, 4096));
  }
  int status = -1;
  RECT half = DrawnBox(drawer, 0.5, &status);
  EXPECT_EQ(status, Gdiplus::Ok);
  EXPECT_GE(half.left, 10);
  EXPECT_GE(half.top, 10);
  EXPECT_LE(half.bottom, 10 + 17);
  EXPECT_GE(half.right, 10 + 19);
  EXPECT_LE(half.right, 10 + 21);
  quill::test::Pixels full;
  DrawnBox(drawer, 1.0, &status, &full);
  EXPECT_LT(quill::test::ColourDistance(full.At(10 + 21, 10 + 30), RGB(0xE0, 0x48, 0x48)), 40);
}

// Regression: drawing without an image (a PNG that did not load) dereferenced null.
TEST(GdiDrawer, DrawWithoutAnImageFailsWithoutDrawing) {
  CGdiDrawer drawer;
  int status = -1;
  RECT box = DrawnBox(drawer, 1.0, &status);
  EXPECT_EQ(status, Gdiplus::InvalidParameter);
  EXPECT_GE(box.left, box.right) << "nothing drawn";
  EXPECT_EQ(drawer.Draw(nullptr, 0, 0, 1.0), Gdiplus::InvalidParameter);
}

}  // namespace
