// The info panel's painting: the background picture, then the G values, date and time, speed label,
// speed, trigger, camera and GPS pictures of the layout, copied to the window in one blit.
#include "tavrin/driveviews/info_dlg.h"

#include "tavrin/driveviews/gsensor_model.h"
#include "tavrin/driveviews/info_format.h"
#include "tavrin/skin/app_fonts.h"
#include "tavrin/skin/ui_texts.h"

#include <string>

using namespace quill::driveviews;

namespace {

// Skin pictures the panel draws (res/resource.h).
constexpr UINT kBackgroundId = 201;
constexpr UINT kDateBlankSmall = 206, kDateBlankLarge = 202;
constexpr UINT kSpeedBlankId = 219;
constexpr UINT kCameraMainId = 376, kCameraRearId = 377;
constexpr UINT kGpsFixId = 190;
constexpr UINT kTriggerIds[6] = {198, 199, 196, 197, 192, 195};  // the pictures of trigger codes 1-6
constexpr COLORREF kWhiteKey = 0xFFFFFF, kBlackKey = 0x000000;
constexpr UINT kGLabelText = 65;  // "前後", "左右", "上下"
constexpr int kGLabelWidth = 150, kGLabelHeight = 40;
constexpr int kCameraBox = 60;
// The layout-2 band along the bottom of the main window.
constexpr int kBandLeft = 545, kBandTop = 28, kBandBottom = 2;
constexpr int kBandLabelWidth = 150, kBandDateWidth = 190, kBandSpeedWidth = 70;  // 410 pixels in all
constexpr int kStatusRight = 155, kStatusBottom = 30;

// The program's fonts by point size, looked up when drawing (they are made at start-up).
HFONT FontOf(int points) {
  switch (points) {
    case 12: return g_hFont12;
    case 15: return g_hFont15;
    case 17: return g_hFont17;
    case 22: return g_hFont22;
    default: return g_hFont13;
  }
}

}  // namespace

struct CInfoDlg::Layout {
  int gLabelX, gLabelY, gStep;
  int gFont;  // points
  int gValueX, gValueY, gValueW, gValueH;
  double gBlankScale;
  int gBlankBase;  // first picture of m_gBlanks
  bool dateFromRight;
  RECT date;  // with dateFromRight: left and right counted back from the client's right edge
  int dateFont;  // points
  UINT dateBlank;
  RECT speedLabel;
  int speedLabelFont;  // points
  RECT speed;
  int speedFont;  // points
  int speedMargin, unitDrop, speedBlankDx, speedBlankDy;
  double speedBlankScale;
  POINT trigger;
  POINT camera;
  double cameraScale;
  POINT gps;
  double gpsScale;
};

namespace {

CInfoDlg::Layout const* LayoutFor(int layout);

}  // namespace

void CInfoDlg::Redraw(CDC* dc) {
  RECT rc{};
  GetClientRect(&rc);
  if (!dc || !m_pOffScreen || !m_pOffScreen->IsValid() || rc.right <= rc.left || rc.bottom <= rc.top) return;
  if (m_nLayout == 2) {
    if (CWnd* parent = GetParent()) {
      CClientDC parentDC(parent);
      DrawInfoToDC(&parentDC);
    }
    return;
  }
  const Layout* layout = LayoutFor(m_nLayout == 1 ? 1 : 0);
  ShowToggles(m_nLayout != 1);
  CDC& s = m_pOffScreen->m_dc;
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  s.FillSolidRect(0, 0, w, h, 0x000000);
  DrawBackground(s, rc);
  DrawContents(s, rc, *layout);
  if (m_nLayout == 1) {
    dc->StretchBlt(0, 0, w, h, &s, 0, 0, w, h, SRCCOPY);
    return;
  }
  for (int i = 0; i < kToggleCount; ++i) {
    s.FillSolidRect(kToggleLeft + kToggleSpacing * i, kToggleTop, kToggleSize, kToggleSize, kHoleColour);
  }
  dc->TransparentBlt(0, 0, w, h, &s, 0, 0, w, h, kHoleColour);
}

void CInfoDlg::DrawBackground(CDC& s, const RECT& client) {
  HBITMAP bg = m_pImages ? m_pImages->Bitmap(kBackgroundId) : nullptr;
  if (!bg || !m_pImages->m_dcMem.m_hDC) return;
  BITMAP bm{};
  if (!GetObjectW(bg, sizeof bm, &bm)) return;
  CDCSelect select(m_pImages->m_dcMem.m_hDC, bg);
  s.SetStretchBltMode(COLORONCOLOR);
  s.StretchBlt(client.left, client.top, client.right - client.left, client.bottom - client.top,
               &m_pImages->m_dcMem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
}

void CInfoDlg::DrawContents(CDC& s, const RECT& client, const Layout& layout) {
  CDCSave saved(s.m_hDC);
  s.SetTextColor(0xFFFFFF);
  s.SetBkMode(TRANSPARENT);
  s.SetStretchBltMode(COLORONCOLOR);
  DrawGValues(s, layout);
  RECT date = layout.date;
  if (layout.dateFromRight) {
    date.left = client.right - layout.date.left;
    date.right = client.right - layout.date.right;
  }
  DrawDateTime(s, date, layout.dateFont, layout.dateBlank, 1.0);
  {
    CDCSelect font(s.m_hDC, FontOf(layout.speedLabelFont));
    RECT label = layout.speedLabel;
    if (layout.dateFromRight) OffsetRect(&label, client.left, 0);
    s.DrawText(m_strSpeedLabel, &label, DT_LEFT | DT_SINGLELINE);
  }
  DrawSpeed(s, layout, 0, 0);
  DrawPictures(s, layout);
}

void CInfoDlg::DrawGValues(CDC& s, const Layout& layout) {
  LoadGBlanks();
  CDCSelect font(s.m_hDC, FontOf(layout.gFont));
  for (int i = 0; i < 3; ++i) {
    const int step = layout.gStep * i;
    RECT label{layout.gLabelX + step, layout.gLabelY, layout.gLabelX + step + kGLabelWidth,
               layout.gLabelY + kGLabelHeight};
    s.SetTextColor(BandColour(i));
    const wchar_t* name = UIText(kGLabelText + i);
    s.DrawText(name ? name : L"", -1, &label, DT_LEFT);
    s.SetTextColor(0xFFFFFF);
    RECT value{layout.gValueX + step, layout.gValueY, layout.gValueX + step + layout.gValueW,
               layout.gValueY + layout.gValueH};
    if (HasGValue(m_dG[i])) {
      const std::wstring text = FormatGValue(m_dG[i]);
      s.DrawText(text.c_str(), static_cast<int>(text.size()), &value, DT_SINGLELINE | DT_RIGHT);
    } else {
      DrawKeyed(s, m_gBlanks[layout.gBlankBase + i], value.left, value.top, layout.gBlankScale, kWhiteKey);
      DrawPlaceholderText(s, kGPlaceholder, value, DT_SINGLELINE | DT_RIGHT);
    }
  }
}

void CInfoDlg::DrawDateTime(CDC& s, const RECT& rc, int points, UINT placeholderId, double scale) {
  CDCSelect select(s.m_hDC, FontOf(points));
  RECT r = rc;
  SYSTEMTIME at{};
  if (m_bStartValid && m_nSampleIndex >= 0 && PositionTime(m_stStart, m_nSampleIndex, m_fMsPerSample, &at)) {
    const std::wstring text = FormatDateTime(at);
    s.DrawText(text.c_str(), static_cast<int>(text.size()), &r, DT_LEFT | DT_SINGLELINE);
    return;
  }
  if (m_pImages) DrawKeyed(s, m_pImages->Bitmap(placeholderId), r.left, r.top, scale, kWhiteKey);
  DrawPlaceholderText(s, kDatePlaceholder, r, DT_LEFT | DT_SINGLELINE);
}

void CInfoDlg::DrawSpeed(CDC& s, const Layout& layout, int dx, int dy) {
  RECT rc = layout.speed;
  OffsetRect(&rc, dx, dy);
  if (!HasSpeed(m_nGpsFix, m_dSpeed)) {
    if (m_pImages) {
      DrawKeyed(s, m_pImages->Bitmap(kSpeedBlankId), rc.left + layout.speedBlankDx, rc.top + layout.speedBlankDy,
                layout.speedBlankScale, kWhiteKey);
    }
    return;
  }
  CDCSelect font(s.m_hDC, FontOf(layout.speedFont));
  const std::wstring number = FormatSpeed(m_dSpeed);
  RECT numberRect{rc.left, rc.top, rc.right - layout.speedMargin, rc.bottom};
  s.DrawText(number.c_str(), static_cast<int>(number.size()), &numberRect, DT_RIGHT | DT_SINGLELINE);
  RECT unitRect{rc.left, rc.top + layout.unitDrop, rc.right, rc.bottom};
  s.DrawText(kSpeedUnit, -1, &unitRect, DT_RIGHT | DT_SINGLELINE);
}

int CInfoDlg::TriggerSlot(int layout, int trigger) {
  if (trigger < 1 || trigger > 6) return -1;
  const UINT id = kTriggerIds[trigger - 1];
  int first = -1;
  for (size_t slot = 0; slot < CResourceImage::kBitmapCount; ++slot) {
    if (CResourceImage::kBitmapOrder[slot].id != id) continue;
    if (first < 0) {
      first = static_cast<int>(slot);
      if (layout != 1) break;
    } else {
      return static_cast<int>(slot);
    }
  }
  return first;
}

HBITMAP CInfoDlg::TriggerPicture() const {
  const int slot = TriggerSlot(m_nLayout, m_nTrigger);
  return m_pImages && slot >= 0 ? m_pImages->BitmapAt(static_cast<size_t>(slot)) : nullptr;
}

void CInfoDlg::DrawPictures(CDC& s, const Layout& layout) {
  if (!m_pImages) return;
  if (HBITMAP trigger = TriggerPicture()) DrawKeyed(s, trigger, layout.trigger.x, layout.trigger.y, 1.0, kWhiteKey);
  const bool rear = m_nCamera == 'R' || m_nCamera == 'r';
  HBITMAP camera = m_pImages->Bitmap(rear ? kCameraRearId : kCameraMainId);
  BITMAP bm{};
  if (camera && GetObjectW(camera, sizeof bm, &bm)) {
    const int shown = static_cast<int>(bm.bmWidth * layout.cameraScale);
    const int x = layout.camera.x + (static_cast<int>(kCameraBox * layout.cameraScale) - shown) / 2;
    DrawKeyed(s, camera, x, layout.camera.y, layout.cameraScale, kWhiteKey);
  }
  if (m_nGpsFix) DrawKeyed(s, m_pImages->Bitmap(kGpsFixId), layout.gps.x, layout.gps.y, layout.gpsScale, kBlackKey);
}

// Placeholder texts are drawn run by run (see PlaceholderRuns), each run after the previous one's
// measured width; a right-aligned text is first placed by its whole measured width.
void CInfoDlg::DrawPlaceholderText(CDC& s, const wchar_t* text, RECT rc, UINT format) {
  const std::vector<std::wstring> runs = PlaceholderRuns(text);
  int total = 0;
  for (const std::wstring& run : runs) total += s.GetTextExtent(run.c_str(), static_cast<int>(run.size())).cx;
  int x = (format & DT_RIGHT) ? rc.right - total : rc.left;
  for (const std::wstring& run : runs) {
    const int w = s.GetTextExtent(run.c_str(), static_cast<int>(run.size())).cx;
    RECT r{x, rc.top, x + w, rc.bottom};
    s.DrawText(run.c_str(), static_cast<int>(run.size()), &r, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
    x += w;
  }
}

void CInfoDlg::DrawKeyed(CDC& s, HBITMAP bitmap, int x, int y, double scale, COLORREF key) {
  if (!bitmap || !m_pImages || !m_pImages->m_dcMem.m_hDC) return;
  BITMAP bm{};
  if (!GetObjectW(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
  CDCSelect select(m_pImages->m_dcMem.m_hDC, bitmap);
  s.TransparentBlt(x, y, static_cast<int>(bm.bmWidth * scale), static_cast<int>(bm.bmHeight * scale),
                   &m_pImages->m_dcMem, 0, 0, bm.bmWidth, bm.bmHeight, key);
}

// Layout 2 draws into the main window itself, along the bottom of its client area.
void CInfoDlg::DrawInfoToDC(CDC* dc) {
  CWnd* parent = GetParent();
  if (!dc || !parent) return;
  RECT client{};
  parent->GetClientRect(&client);
  CDCSave saved(dc->m_hDC);
  dc->SetTextColor(0xFFFFFF);
  dc->SetBkMode(TRANSPARENT);
  CDCSelect font(dc->m_hDC, g_hFont13);
  const int top = client.bottom - kBandTop, bottom = client.bottom + kBandBottom;
  int x = client.left + kBandLeft;
  RECT label{x, top, x + kBandLabelWidth, bottom};
  dc->DrawText(m_strSpeedLabel, &label, DT_LEFT | DT_SINGLELINE);
  x += kBandLabelWidth;
  DrawDateTime(*dc, RECT{x, top, x + kBandDateWidth, bottom}, 13, kDateBlankSmall, 1.0);
  x += kBandDateWidth;
  RECT speed{x, top, x + kBandSpeedWidth, bottom};
  if (HasSpeed(m_nGpsFix, m_dSpeed)) {
    const std::wstring text = FormatSpeed(m_dSpeed) + kSpeedUnit;
    dc->DrawText(text.c_str(), static_cast<int>(text.size()), &speed, DT_RIGHT | DT_SINGLELINE);
  } else if (m_pImages) {
    DrawKeyed(*dc, m_pImages->Bitmap(kSpeedBlankId), speed.left, speed.top, 1.0, kWhiteKey);
  }
}

void CInfoDlg::DrawToDC(CDC* dc) {
  CWnd* parent = GetParent();
  if (!dc || !parent || !m_pImages) return;
  RECT client{};
  parent->GetClientRect(&client);
  if (m_nGpsFix) {
    DrawKeyed(*dc, m_pImages->Bitmap(kGpsFixId), client.right - kStatusRight, client.bottom - kStatusBottom, 1.0,
              kBlackKey);
  }
}

namespace {

CInfoDlg::Layout const* LayoutFor(int layout) {
  static const CInfoDlg::Layout kLayouts[2] = {
      {40, 60, 130, 15, 37, 85, 66, 23, 15.0 / 13.0, 0, true, {383, 20, 153, 41}, 15,
       kDateBlankSmall, {15, 20, 175, 47}, 15, {457, 20, 577, 69}, 12, 42, 4, 22, 0, 1.2,
       {405, 72}, {470, 72}, 1.0, {526, 72}, 1.0},
      {20, 50, 140, 22, 19, 90, 98, 32, 1.0, 3, false, {536, 7, 866, 42}, 22, kDateBlankLarge,
       {330, 7, 610, 67}, 22, {698, 90, 846, 122}, 17, 60, 8, 10, 9, 1.0, {434, 76}, {529, 76},
       1.3, {609, 76}, 1.3},
  };
  return &kLayouts[layout == 1 ? 1 : 0];
}

}  // namespace
