// The shared skin image set: load order, decoding at first use, and release.
#include "tavrin/skin/resource_image.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;

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
  m_bmpNeedleMask.LoadBitmap(kNeedleMaskId);
  m_hIcon = LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(kIconId));
  CreateBrushes();
  std::lock_guard<std::mutex> lock(m_decodeLock);
  m_decodes = 0;
  m_loaded = true;
  return 1;
}

void CResourceImage::Unload() {
  std::lock_guard<std::mutex> lock(m_decodeLock);
  m_loaded = false;
  for (size_t slot = 0; slot < kBitmapCount; ++slot) {
    m_bitmapReady[slot] = false;
    if (m_bitmaps[slot].handle) ::DeleteObject(m_bitmaps[slot].handle);
    m_bitmaps[slot].handle = nullptr;
    m_bitmaps[slot].image.reset();
  }
  for (size_t i = 0; i < kPngCount; ++i) {
    m_pngReady[i] = false;
    m_pngs[i].reset();
  }
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

const quill::skin::SkinBitmap& CResourceImage::SlotImage(size_t slot) const {
  if (m_bitmapReady[slot].load(std::memory_order_acquire)) return m_bitmaps[slot];
  std::lock_guard<std::mutex> lock(m_decodeLock);
  if (!m_loaded || m_bitmapReady[slot].load(std::memory_order_relaxed)) return m_bitmaps[slot];
  const BitmapSlot& wanted = kBitmapOrder[slot];
  size_t twin = 0;
  while (kBitmapOrder[twin].id != wanted.id) ++twin;  // the first slot of the id: at most `slot`
  if (twin == slot) {
    m_bitmaps[slot] = quill::skin::LoadSkinBitmap(wanted.id, wanted.background);
    ++m_decodes;
  } else {
    if (!m_bitmapReady[twin].load(std::memory_order_relaxed)) {
      m_bitmaps[twin] = quill::skin::LoadSkinBitmap(wanted.id, kBitmapOrder[twin].background);
      ++m_decodes;
      m_bitmapReady[twin].store(true, std::memory_order_release);
    }
    // The twin's decode, made into this slot's own bitmap with this slot's background.
    quill::skin::SkinBitmap& mine = m_bitmaps[slot];
    Gdiplus::Bitmap* decoded = m_bitmaps[twin].image.get();
    mine.status = decoded ? m_bitmaps[twin].status : Gdiplus::GenericError;
    if (decoded && mine.status == Gdiplus::Ok) {
      Gdiplus::Color back(GetRValue(wanted.background), GetGValue(wanted.background), GetBValue(wanted.background));
      mine.status = decoded->GetHBITMAP(back, &mine.handle);
      if (mine.status != Gdiplus::Ok) mine.handle = nullptr;
    }
  }
  m_bitmapReady[slot].store(true, std::memory_order_release);
  return m_bitmaps[slot];
}

HBITMAP CResourceImage::BitmapAt(size_t slot) const {
  return slot < kBitmapCount ? SlotImage(slot).handle : nullptr;
}

Gdiplus::Bitmap* CResourceImage::GdiplusBitmapAt(size_t slot) const {
  if (slot >= kBitmapCount) return nullptr;
  if (Gdiplus::Bitmap* own = SlotImage(slot).image.get()) return own;
  size_t twin = 0;
  while (kBitmapOrder[twin].id != kBitmapOrder[slot].id) ++twin;
  return twin != slot ? SlotImage(twin).image.get() : nullptr;
}

HBITMAP CResourceImage::Bitmap(UINT id) const {
  for (size_t slot = 0; slot < kBitmapCount; ++slot) {
    if (kBitmapOrder[slot].id == id) return BitmapAt(slot);
  }
  return nullptr;
}

Gdiplus::Bitmap* CResourceImage::Png(UINT id) const {
  for (size_t i = 0; i < kPngCount; ++i) {
    if (kPngOrder[i] != id) continue;
    if (m_pngReady[i].load(std::memory_order_acquire)) return m_pngs[i].get();
    std::lock_guard<std::mutex> lock(m_decodeLock);
    if (m_loaded && !m_pngReady[i].load(std::memory_order_relaxed)) {
      Gdiplus::Bitmap* png = nullptr;
      CGdiDrawer::LoadPng(&png, id);
      m_pngs[i].reset(png);
      ++m_decodes;
      m_pngReady[i].store(true, std::memory_order_release);
    }
    return m_pngs[i].get();
  }
  return nullptr;
}
