// The shared skin image set: load order, loading and release.
#include "tavrin/skin/resource_image.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

// The mask is loaded between the 8th and 9th bitmap, the brushes after the 22nd, the icon before 190.
constexpr size_t kMaskAfter = 8;
constexpr size_t kBrushesAfter = 22;
constexpr UINT kIconBeforeId = 190;

}  // namespace

const std::array<CResourceImage::BitmapSlot, CResourceImage::kBitmapCount> CResourceImage::kBitmapOrder = {{
    {129, kWhite},                                                                 // backdrop
    {164, kBlack}, {324, kBlack},                                                  // logo pictures
    {320, kBlack}, {307, kBlack}, {309, kBlack}, {321, kBlack}, {325, kBlack},     // gauge dials
    {312, kBlack},                                                                 // needle
    {198, kWhite}, {199, kWhite}, {196, kWhite}, {197, kWhite}, {192, kWhite}, {195, kWhite},
    {198, kWhite}, {199, kWhite},                                                  // trigger pictures
    {376, kWhite}, {197, kWhite}, {377, kWhite}, {195, kWhite},                    // camera pictures
    {201, kWhite}, {207, kWhite}, {206, kWhite}, {218, kWhite}, {202, kWhite},     // strips
    {209, kWhite}, {210, kWhite}, {208, kWhite},                                   // axis tags
    {203, kWhite}, {204, kWhite}, {205, kWhite},                                   // unit tags
    {213, kWhite}, {211, kWhite}, {350, kWhite}, {219, kWhite}, {351, kWhite}, {212, kWhite},
    {190, kBlack},                                                                 // GPS fix
    {214, kBlack}, {215, kBlack},                                                  // browser side panels
    {366, kBlack},                                                                 // controller pad
}};

const std::array<UINT, CResourceImage::kPngCount> CResourceImage::kPngOrder = {
    348, 331, 332, 333, 334, 335, 336, 337, 338, 339, 340, 341, 342, 343, 344, 345, 349};

CResourceImage::~CResourceImage() { Unload(); }

void CResourceImage::CreateDCs(CWnd* wnd) {
  CDC* windowDC = wnd ? wnd->GetDC() : nullptr;
  HDC screen = nullptr;
  CDC screenDC;
  if (!windowDC) {
    // No window (or no DC from it): the screen's DC serves, so the gauges still get their surface.
    screen = ::GetDC(nullptr);
    if (!screen) return;
    screenDC.Attach(screen);
    windowDC = &screenDC;
  }
  if (m_dcMem.CreateCompatibleDC(windowDC)) {
    m_dcMem.SetBkMode(TRANSPARENT);
    m_dcMem.SetBkColor(kBlack);
  }
  if (m_dcWork.CreateCompatibleDC(windowDC) &&
      m_bmpWork.CreateCompatibleBitmap(windowDC, kWorkWidth, kWorkHeight)) {
    m_oldWorkBitmap = ::SelectObject(m_dcWork.m_hDC, m_bmpWork.m_hObject);
  }
  if (screen) {
    screenDC.Detach();
    ::ReleaseDC(nullptr, screen);
  } else {
    wnd->ReleaseDC(windowDC);
  }
}

void CResourceImage::CreateBrushes() {
  m_brBlack.CreateSolidBrush(kBlack);
  m_brWhite1.CreateSolidBrush(kWhite);
  m_brWhite2.CreateSolidBrush(kWhite);
  m_brWhite3.CreateSolidBrush(kWhite);
}

int CResourceImage::Load(CWnd* wnd) {
  Unload();
  CreateDCs(wnd);
  for (size_t slot = 0; slot < kBitmapCount; ++slot) {
    if (slot == kMaskAfter) m_bmpNeedleMask.LoadBitmap(kNeedleMaskId);
    if (kBitmapOrder[slot].id == kIconBeforeId) {
      m_hIcon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kIconId));
    }
    m_bitmaps[slot] = quill::skin::LoadSkinBitmap(kBitmapOrder[slot].id, kBitmapOrder[slot].background);
    if (slot + 1 == kBrushesAfter) CreateBrushes();
  }
  for (size_t i = 0; i < kPngCount; ++i) {
    Gdiplus::Bitmap* png = nullptr;
    CGdiDrawer::LoadPng(&png, kPngOrder[i]);
    m_pngs[i].reset(png);
  }
  return 1;
}

void CResourceImage::Unload() {
  for (auto& bitmap : m_bitmaps) {
    if (bitmap.handle) ::DeleteObject(bitmap.handle);
    bitmap.handle = nullptr;
    bitmap.image.reset();
  }
  for (auto& png : m_pngs) png.reset();
  m_bmpNeedleMask.DeleteObject();
  m_brBlack.DeleteObject();
  m_brWhite1.DeleteObject();
  m_brWhite2.DeleteObject();
  m_brWhite3.DeleteObject();
  m_hIcon = nullptr;
  if (m_oldWorkBitmap && m_dcWork.m_hDC) ::SelectObject(m_dcWork.m_hDC, m_oldWorkBitmap);
  m_oldWorkBitmap = nullptr;
  m_bmpWork.DeleteObject();
  m_dcWork.DeleteDC();
  m_dcMem.DeleteDC();
}

HBITMAP CResourceImage::Bitmap(UINT id) const {
  for (size_t slot = 0; slot < kBitmapCount; ++slot) {
    if (kBitmapOrder[slot].id == id) return m_bitmaps[slot].handle;
  }
  return nullptr;
}

Gdiplus::Bitmap* CResourceImage::Png(UINT id) const {
  for (size_t i = 0; i < kPngCount; ++i) {
    if (kPngOrder[i] == id) return m_pngs[i].get();
  }
  return nullptr;
}
