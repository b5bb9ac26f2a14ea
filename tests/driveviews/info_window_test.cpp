// The info panel in a host window: placeholders after ClearValues, the values of a position, the
// three layouts (the toggles' squares left alone in layout 0), the toggles and their message.
#include "tavrin/driveviews/info_dlg.h"

#include "platform/framework/private_messages.h"
#include "tavrin/driveviews/info_format.h"
#include "tests/driveviews/view_host.h"

#include <gtest/gtest.h>

namespace {

using namespace quill::test;
using namespace quill::driveviews;

constexpr int kPanelWidth = 600, kPanelHeight = 112;
constexpr int kLargeWidth = 880, kLargeHeight = 130;
constexpr COLORREF kMarker = RGB(0x21, 0xFE, 0x43);

class InfoPanel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus.ok());
    images.Load(&Host());
    ASSERT_TRUE(panel.Create(CInfoDlg::kTemplateId, &Host()));
    panel.MoveWindow(0, 120, kPanelWidth, kPanelHeight);
    panel.m_pOffScreen = &Host().surface;
    panel.m_pImages = &images;
    panel.ShowWindow(SW_SHOW);
    panel.SetLayout(0);
  }
  void TearDown() override {
    panel.DestroyWindow();
    images.Unload();
  }

  void Paint(PixelCanvas& canvas) { panel.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0); }

  // A position of a recording with every value set.
  void ShowPosition() {
    panel.m_dG[0] = 0.29;
    panel.m_dG[1] = -0.456;
    panel.m_dG[2] = 1.239;
    panel.m_nGpsFix = 1;
    panel.m_dSpeed = 57.4;
    panel.m_strSpeedLabel = L"再生速度x1.0";
    panel.m_nTrigger = 3;
    panel.m_nCamera = 'M';
    panel.m_stStart = SYSTEMTIME{2024, 3, 5, 15, 9, 30, 0, 0};
    panel.m_bStartValid = TRUE;
    panel.m_nSampleIndex = 300;
    panel.m_fMsPerSample = 1000.0f / 30;
  }

  quill::skin::GdiplusSession gdiplus;
  CResourceImage images;
  CInfoDlg panel;
};

// The blank picture of a missing G value carries its axis colour along its bottom edge.
bool ShowsGBlank(const PixelCanvas& canvas, int axis) {
  const int x = 37 + 130 * axis + 10;
  for (int y = 85 + 17; y <= 85 + 22; ++y) {
    const COLORREF c = canvas.At(x, y);
    const int channel = axis == 0 ? GetGValue(c) : axis == 1 ? GetRValue(c) : GetBValue(c);
    if (channel >= 0xC0) return true;
  }
  return false;
}

TEST_F(InfoPanel, AfterClearValuesEveryFieldShowsItsPlaceholder) {
  ShowPosition();
  PixelCanvas shown(kPanelWidth, kPanelHeight, 0);
  Paint(shown);
  for (int axis = 0; axis < 3; ++axis) EXPECT_FALSE(ShowsGBlank(shown, axis)) << axis;

  panel.ClearValues();
  EXPECT_EQ(panel.m_nSampleIndex, -1);
  EXPECT_EQ(panel.m_dSpeed, -1.0);
  EXPECT_EQ(panel.m_nCamera, 'M');
  PixelCanvas cleared(kPanelWidth, kPanelHeight, 0);
  Paint(cleared);
  for (int axis = 0; axis < 3; ++axis) EXPECT_TRUE(ShowsGBlank(cleared, axis)) << axis;
  EXPECT_LE(SaveAndCompare(cleared.Capture(), L"info_cleared.png"), 0.02);
}

TEST_F(InfoPanel, Layout0KeepsTheTogglesOwnPixels) {
  ShowPosition();
  PixelCanvas canvas(kPanelWidth, kPanelHeight, kMarker);
  Paint(canvas);
  for (int i = 0; i < 3; ++i) {
    const int x = 15 + 130 * i;
    EXPECT_EQ(canvas.At(x, 65), kMarker) << i;
    EXPECT_EQ(canvas.At(x + 14, 79), kMarker) << i;
    EXPECT_NE(canvas.At(x - 1, 64), kMarker) << i;
    EXPECT_NE(canvas.At(x + 15, 80), kMarker) << i;
  }
  EXPECT_LE(SaveAndCompare(canvas.Capture(), L"info_layout0.png"), 0.02);
  // The panel on screen, toggles included.
  panel.Refresh();
  EXPECT_TRUE(PumpUntil([] {
    const Pixels shot = CaptureWindow(Host().m_hWnd);
    return !shot.empty() && GetRValue(shot.At(15 + 7, 120 + 65 + 7)) >= 0xC0;
  }, 10000)) << "the lit lamp of a checked toggle";  // 10 s: a safety net only
}

TEST_F(InfoPanel, Layout1CopiesEverythingAndHidesTheToggles) {
  ShowPosition();
  panel.MoveWindow(0, 120, kLargeWidth, kLargeHeight);
  panel.SetLayout(1);
  for (const CSkinButton& t : panel.m_toggles) EXPECT_FALSE(t.GetStyle() & WS_VISIBLE);
  PixelCanvas canvas(kLargeWidth, kLargeHeight, kMarker);
  Paint(canvas);
  EXPECT_NE(canvas.At(20, 70), kMarker);
  EXPECT_LE(SaveAndCompare(canvas.Capture(), L"info_layout1.png"), 0.02);
  panel.SetLayout(0);
  for (const CSkinButton& t : panel.m_toggles) EXPECT_TRUE(t.GetStyle() & WS_VISIBLE);
}

// Layout 1 draws its own set of trigger pictures: the second slot of each picture the skin loads
// twice; the pictures loaded once are shared.
TEST(InfoPanelPictures, Layout1DrawsTheSecondSlotOfEveryPictureLoadedTwice) {
  struct Case {
    int layout, trigger, slot;
  };
  const Case cases[] = {{0, 1, 9},  {0, 3, 11}, {0, 6, 14}, {2, 4, 12}, {1, 1, 15}, {1, 2, 16}, {1, 3, 11},
                        {1, 4, 18}, {1, 5, 13}, {1, 6, 20}, {0, 0, -1}, {1, 7, -1}, {-1, 2, 10}};
  for (const Case& c : cases) {
    EXPECT_EQ(CInfoDlg::TriggerSlot(c.layout, c.trigger), c.slot) << "layout " << c.layout << " trigger " << c.trigger;
  }
}

TEST_F(InfoPanel, EachToggleClickPostsItsAxisAndNewStateOnce) {
  Host().TakePosted();
  const struct {
    int toggle;
    LPARAM state;
  } clicks[] = {{2, 0}, {2, 1}, {0, 0}, {1, 0}};
  for (const auto& c : clicks) {
    panel.m_toggles[c.toggle].SendMessage(BM_CLICK, 0, 0);
    const std::vector<Posted> posted = Host().TakePosted();
    ASSERT_EQ(posted.size(), 1u) << c.toggle;
    EXPECT_EQ(posted[0], (Posted{quill::msg::kInfoItemSwitched, static_cast<WPARAM>(c.toggle), c.state}));
    EXPECT_EQ(panel.IsToggleChecked(c.toggle), c.state != 0);
  }
}

}  // namespace
