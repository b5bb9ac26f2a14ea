// The skin images as the program carries them: every id of the resource script read back from this
// test program (which links res/skin.rc like the program does) with its size, depth and transparent
// colour; the shared image set; PNG loading, scaled drawing and bitmap loading without leaks.
#include <windows.h>

#include <gtest/gtest.h>

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

enum class Key { Black, White, Opaque, Mask };

struct ImageSpec {
  UINT id;
  int width;
  int height;
  Key key;
};

// Every bitmap of the skin: size and what lies outside the drawn shape.
const ImageSpec kBitmaps[] = {
    {129, 1200, 750, Key::Opaque}, {164, 392, 406, Key::Black}, {324, 392, 406, Key::Black},
    {320, 210, 151, Key::Black},   {307, 210, 151, Key::Black},  {309, 210, 151, Key::Black},
    {321, 210, 151, Key::Black},   {325, 210, 151, Key::Black},  {312, 22, 106, Key::Black},
    {313, 22, 106, Key::Mask},     {198, 60, 35, Key::White},    {199, 60, 35, Key::White},
    {196, 60, 35, Key::White},     {197, 60, 35, Key::White},    {192, 60, 35, Key::White},
    {195, 60, 35, Key::White},     {376, 78, 45, Key::White},    {377, 78, 45, Key::White},
    {201, 720, 77, Key::White},    {207, 139, 14, Key::White},   {206, 191, 19, Key::White},
    {218, 187, 21, Key::White},    {202, 309, 34, Key::White},   {209, 45, 18, Key::White},
    {210, 45, 18, Key::White},     {208, 45, 18, Key::White},    {203, 76, 31, Key::White},
    {204, 76, 31, Key::White},     {205, 76, 31, Key::White},    {213, 32, 14, Key::White},
    {211, 48, 16, Key::White},     {350, 48, 16, Key::White},    {219, 32, 21, Key::White},
    {351, 42, 28, Key::White},     {212, 80, 26, Key::White},    {190, 30, 21, Key::Black},
    {214, 452, 634, Key::Black},   {215, 227, 634, Key::Black},  {366, 140, 120, Key::Black},
    {352, 52, 12, Key::Black},     {217, 48, 12, Key::Black},    {174, 256, 16, Key::Black},
    {159, 256, 16, Key::Black},    {160, 14, 16, Key::Black},    {161, 14, 16, Key::Black},
    {167, 128, 12, Key::Black},    {168, 128, 12, Key::Black},   {169, 10, 12, Key::Black},
    {170, 10, 12, Key::Black},
};

struct PngSpec {
  UINT id;
  int width;
  int height;
};
const PngSpec kPngs[] = {{348, 42, 35}, {331, 48, 35}, {332, 48, 35}, {333, 48, 35}, {334, 25, 35},
                         {335, 25, 35}, {336, 25, 35}, {337, 25, 35}, {338, 35, 35}, {339, 35, 35},
                         {340, 35, 35}, {341, 35, 35}, {342, 80, 18}, {343, 80, 18}, {344, 80, 18},
                         {345, 80, 18}, {349, 80, 18}};

quill::test::Pixels BitmapPixels(HBITMAP bmp, int w, int h) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  quill::test::Pixels p = quill::test::CaptureDC(mem, 0, 0, w, h);
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return p;
}

// Whether a GDI handle still names an object (Wine does not count a process's GDI objects, so leaks
// are checked handle by handle).
bool Alive(HGDIOBJ h) { return h && GetObjectType(h) != 0; }

TEST(SkinImages, EveryBitmapIsInTheProgramWithItsSizeDepthAndTransparentColour) {
  for (const ImageSpec& spec : kBitmaps) {
    SCOPED_TRACE(testing::Message() << "bitmap " << spec.id);
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(spec.id),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bmp, nullptr);
    DIBSECTION ds = {};
    ASSERT_EQ(GetObjectW(bmp, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmWidth, spec.width);
    EXPECT_EQ(ds.dsBm.bmHeight, spec.height);
    EXPECT_EQ(ds.dsBmih.biBitCount, spec.key == Key::Mask ? 1 : 24);
    quill::test::Pixels p = BitmapPixels(bmp, spec.width, spec.height);
    DeleteObject(bmp);
    ASSERT_FALSE(p.empty());
    int keyed = 0, drawn = 0;
    const COLORREF key = spec.key == Key::White ? RGB(255, 255, 255) : RGB(0, 0, 0);
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) (p.At(x, y) == key ? keyed : drawn)++;
    }
    EXPECT_GT(drawn, 0) << "nothing drawn";
    if (spec.key == Key::Black || spec.key == Key::White || spec.key == Key::Mask) {
      EXPECT_EQ(p.At(0, 0), key) << "the corner is outside the shape: it must be the key colour";
      EXPECT_GT(keyed, 0);
    } else {
      EXPECT_EQ(keyed, 0) << "an opaque picture has no key-coloured pixel";
    }
  }
}

TEST(SkinImages, EveryPngHasItsSizeAndAnAlphaChannelWithTransparentCorners) {
  for (const PngSpec& spec : kPngs) {
    SCOPED_TRACE(testing::Message() << "png " << spec.id);
    Gdiplus::Bitmap* png = nullptr;
    CGdiDrawer::LoadPng(&png, spec.id);
    ASSERT_NE(png, nullptr);
    std::unique_ptr<Gdiplus::Bitmap> owned(png);
    EXPECT_EQ(static_cast<int>(png->GetWidth()), spec.width);
    EXPECT_EQ(static_cast<int>(png->GetHeight()), spec.height);
    Gdiplus::Color corner, centre;
    png->GetPixel(0, 0, &corner);
    png->GetPixel(spec.width / 2, spec.height / 2, &centre);
    EXPECT_EQ(corner.GetA(), 0);
    EXPECT_EQ(centre.GetA(), 255);
  }
}

TEST(SkinImages, TheIconHasItsSmallAndLargeSizes) {
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm = {};
    GetObjectW(info.hbmColor, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

TEST(ResourceImage, LoadsEverySlotAtItsSizeAndTheDrawingSurfaces) {
  CResourceImage images;
  ASSERT_EQ(images.Load(nullptr), 1);
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) {
    const UINT id = CResourceImage::kBitmapOrder[slot].id;
    SCOPED_TRACE(testing::Message() << "slot " << slot << " id " << id);
    HBITMAP h = images.BitmapAt(slot);
    ASSERT_NE(h, nullptr);
    BITMAP bm = {};
    GetObjectW(h, sizeof(bm), &bm);
    for (const ImageSpec& spec : kBitmaps) {
      if (spec.id == id) {
        EXPECT_EQ(bm.bmWidth, spec.width);
        EXPECT_EQ(bm.bmHeight, spec.height);
      }
    }
  }
  // The ids loaded into two slots get two separate bitmaps.
  EXPECT_NE(images.BitmapAt(9), images.BitmapAt(15));
  for (const PngSpec& spec : kPngs) EXPECT_NE(images.Png(spec.id), nullptr) << spec.id;
  BITMAP mask = {};
  ASSERT_TRUE(images.m_bmpNeedleMask.GetBitmap(&mask));
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(mask.bmWidth, 22);
  EXPECT_EQ(images.m_bmpWork.GetSize(), CSize(CResourceImage::kWorkWidth, CResourceImage::kWorkHeight));
  EXPECT_NE(images.m_dcMem.m_hDC, nullptr);
  EXPECT_NE(images.m_hIcon, nullptr);
  EXPECT_NE(images.m_brBlack.m_hObject, nullptr);
  EXPECT_NE(images.m_brWhite3.m_hObject, nullptr);
}

TEST(ResourceImage, MakesItsDrawingSurfacesFromTheOwnersWindow) {
  CWnd owner;
  ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), L"owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
  CResourceImage images;
  ASSERT_EQ(images.Load(&owner), 1);
  ASSERT_NE(images.m_dcWork.m_hDC, nullptr);
  EXPECT_EQ(GetCurrentObject(images.m_dcWork.m_hDC, OBJ_BITMAP), images.m_bmpWork.m_hObject);
  EXPECT_EQ(GetBkMode(images.m_dcMem.m_hDC), TRANSPARENT);
  EXPECT_EQ(GetBkColor(images.m_dcMem.m_hDC), RGB(0, 0, 0));
}

// Regression: the image set used to keep its GDI+ objects until its destructor, after GDI+ had shut down.
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
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) {
    EXPECT_EQ(images.GdiplusBitmapAt(slot), nullptr);
  }
  EXPECT_EQ(images.Png(348), nullptr);
  // Loading again after an unload works, and the destructor then releases the new set.
  images.Load(nullptr);
  EXPECT_NE(images.Png(348), nullptr);
}

TEST(LoadBitmapResource, AnIdThatIsNotABitmapGivesNothing) {
  CBitmap bitmap;
  EXPECT_FALSE(LoadBitmapResource(IDP_SKIN_INFO_TRIGGER, bitmap));  // a PNG, not a bitmap
  EXPECT_FALSE(LoadBitmapResource(4242, bitmap));
  EXPECT_EQ(bitmap.m_hObject, nullptr);
  ASSERT_TRUE(LoadBitmapResource(IDB_SKIN_CAPTION_CLOSE, bitmap));
  EXPECT_EQ(bitmap.GetSize(), CSize(52, 12));
}

// Regression: every load used to leak one shared bitmap handle.
TEST(LoadBitmapResource, EveryLoadedBitmapIsDeletedWithItsOwner) {
  std::vector<HGDIOBJ> loaded;
  for (int i = 0; i < 200; ++i) {
    CBitmap bitmap;
    ASSERT_TRUE(LoadBitmapResource(IDB_SKIN_CHECK_BOX, bitmap));
    loaded.push_back(bitmap.m_hObject);
    ASSERT_TRUE(Alive(bitmap.m_hObject));
  }
  for (HGDIOBJ h : loaded) EXPECT_FALSE(Alive(h));
}

TEST(GdiDrawer, LoadPngOfAMissingResourceGivesNull) {
  Gdiplus::Bitmap* png = reinterpret_cast<Gdiplus::Bitmap*>(1);
  CGdiDrawer::LoadPng(&png, 4242);
  EXPECT_EQ(png, nullptr);
  CGdiDrawer::LoadPng(&png, IDB_SKIN_LOGO);  // a bitmap id: no "PNG" resource of that id
  EXPECT_EQ(png, nullptr);
}

// Draws the trigger PNG at (x, y) on a grey memory DC and returns the drawn box's pixels.
quill::test::Pixels DrawOnGrey(CGdiDrawer& drawer, double scale, int* status) {
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
  return p;
}

// The box of pixels that differ from the grey background.
RECT DrawnBox(const quill::test::Pixels& p) {
  RECT box = {p.width, p.height, 0, 0};
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      if (p.At(x, y) == RGB(128, 128, 128)) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

TEST(GdiDrawer, DrawsAtHalfScaleTruncatedAndAfterTheResourceCopyIsGone) {
  CGdiDrawer drawer;
  Gdiplus::Bitmap* png = nullptr;
  CGdiDrawer::LoadPng(&png, IDP_SKIN_INFO_TRIGGER);  // 42 x 35
  ASSERT_NE(png, nullptr);
  drawer.SetImage(png);
  // Regression: the decoded image used to read from a memory block freed after loading. Churn the
  // heap so that freed memory is reused before drawing.
  for (int i = 0; i < 2000; ++i) {
    std::vector<char> junk(1024 + i % 4096, static_cast<char>(i));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4096);
    GlobalFree(block);
  }
  int status = -1;
  quill::test::Pixels half = DrawOnGrey(drawer, 0.5, &status);
  EXPECT_EQ(status, Gdiplus::Ok);
  RECT box = DrawnBox(half);
  EXPECT_GE(box.left, 10);
  EXPECT_GE(box.top, 10);
  EXPECT_LE(box.right, 10 + 21);
  EXPECT_LE(box.bottom, 10 + 17);
  EXPECT_GE(box.right, 10 + 19) << "about 21 pixels wide";
  // The badge's red is there at full scale too.
  quill::test::Pixels full = DrawOnGrey(drawer, 1.0, &status);
  EXPECT_LT(quill::test::ColourDistance(full.At(10 + 21, 10 + 30), RGB(0xE0, 0x48, 0x48)), 40);
}

// Regression: drawing with no image (a PNG that did not load) used to dereference null.
TEST(GdiDrawer, DrawWithoutAnImageFailsWithoutDrawing) {
  CGdiDrawer drawer;
  int status = -1;
  quill::test::Pixels p = DrawOnGrey(drawer, 1.0, &status);
  EXPECT_EQ(status, Gdiplus::InvalidParameter);
  RECT box = DrawnBox(p);
  EXPECT_GE(box.left, box.right) << "nothing drawn";
  EXPECT_EQ(drawer.Draw(nullptr, 0, 0, 1.0), Gdiplus::InvalidParameter);
}

TEST(GdiDrawer, TheSharedDrawerReleasesItsImageOnReset) {
  Gdiplus::Bitmap* png = nullptr;
  CGdiDrawer::LoadPng(&png, IDP_SKIN_INFO_LABEL_FRONT);
  g_GdiDrawer.SetImage(png);
  EXPECT_EQ(g_GdiDrawer.GetImage(), png);
  g_GdiDrawer.Reset();
  EXPECT_EQ(g_GdiDrawer.GetImage(), nullptr);
}

}  // namespace
