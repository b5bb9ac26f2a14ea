// The conversion-mask dialog over the real converter: half a second of a generated recording previews to
// its end while the user draws an area; one presented frame is read back (the area's red outline, the
// converter's band over the top third).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "res/convert_res.h"
#include "tavrin/app/tools/conversion_mask_dlg.h"
#include "tavrin/skin/app_fonts.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::app;

// The real preview, with each pass's answer kept and announced.
class WatchedPreview : public IPreviewJob {
 public:
  WatchedPreview(std::unique_ptr<IPreviewJob> inner, HANDLE passDone)
      : inner_(std::move(inner)), done_(passDone) {}
  int RunPreview(const std::wstring& source) override {
    const int result = inner_->RunPreview(source);
    if (first_.load() < 0) first_.store(result);
    SetEvent(done_);
    return result;
  }
  void Cancel() override { inner_->Cancel(); }
  void MouseAction(int action, int x, int y) override { inner_->MouseAction(action, x, y); }
  std::vector<RECT> Masks() const override { return inner_->Masks(); }
  bool CaptureFrame(std::vector<uint8_t>* bgra, DWORD waitMs) override {
    return inner_->CaptureFrame(bgra, waitMs);
  }
  static std::atomic<int> first_;

 private:
  std::unique_ptr<IPreviewJob> inner_;
  HANDLE done_;
};
std::atomic<int> WatchedPreview::first_{-1};

// Pumps this thread's messages until `event` is set or the safety limit passes.
bool PumpUntil(HANDLE event, DWORD limitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= limitMs) return false;
    const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, limitMs - spent, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

class MaskPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAppFontsAndLanguage(nullptr);
    passDone_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    WatchedPreview::first_.store(-1);
  }
  void TearDown() override { CloseHandle(passDone_); }
  std::unique_ptr<CConvertDlg> Open(const std::wstring& source) {
    HANDLE done = passDone_;
    IPreviewJob** made = &job_;
    auto dlg = std::make_unique<CConvertDlg>(
        nullptr, source, [done, made](HWND pane) -> std::unique_ptr<IPreviewJob> {
          auto real = MakeConverterPreview(pane);
          if (!real) return nullptr;
          auto watched = std::make_unique<WatchedPreview>(std::move(real), done);
          *made = watched.get();
          return watched;
        });
    EXPECT_TRUE(dlg->Create(IDD_CONVERT_MASK, nullptr));
    return dlg;
  }
  HANDLE passDone_ = nullptr;
  IPreviewJob* job_ = nullptr;  // the dialog's, while it runs
};

TEST_F(MaskPreview, GeneratedRecordingPreviewsAndKeepsTheDrawnArea) {
  const char* inputs = std::getenv("QUILL_CONVERT_INPUTS");
  ASSERT_TRUE(inputs && *inputs);
  auto dlg = Open(quill::test::HostPathToWindows(inputs) + L"\\short.mp4");
  HWND pane = dlg->m_preview.m_hWnd;
  SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50));
  SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
  SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
  // One presented frame read back while the preview runs (asked from another thread: this one keeps
  // the pane's messages flowing).
  std::vector<uint8_t> frame;
  bool captured = false;
  HANDLE got = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread asker([&] {
    captured = job_->CaptureFrame(&frame, 240000);
    SetEvent(got);
  });
  const bool answered = PumpUntil(got, 300000);
  asker.join();
  CloseHandle(got);
  ASSERT_TRUE(answered && captured) << "no preview frame came back";
  ASSERT_EQ(frame.size(), 1920u * 960u * 4u);
  // (x, y) top-down in the 1920 x 960 frame; the frame is bottom-up BGRA.
  const auto at = [&frame](int x, int y) {
    const uint8_t* p = &frame[(static_cast<size_t>(959 - y) * 1920 + x) * 4];
    return std::array<int, 3>{p[2], p[1], p[0]};
  };
  const auto looksLike = [](std::array<int, 3> got, std::array<int, 3> want) {
    for (int i = 0; i < 3; ++i) {
      if (std::abs(got[i] - want[i]) > 24) return false;
    }
    return true;
  };
  // The drawn area (pane 100,50 - 300,200 is 192,96 - 576,384 of the frame) outlined in red, two
  // pixels wide: across each edge (left, right, bottom) two red pixels, give or take the rasterizer's
  // rounding of a line's position. Above row 320 the band covers it.
  const struct {
    int x, y, dx, dy;
  } edges[] = {{189, 350, 1, 0}, {572, 350, 1, 0}, {400, 380, 0, 1}};
  for (const auto& e : edges) {
    int red = 0;
    for (int i = 0; i < 7; ++i) red += looksLike(at(e.x + i * e.dx, e.y + i * e.dy), {255, 0, 0}) ? 1 : 0;
    EXPECT_GE(red, 2) << "edge at " << e.x << "," << e.y;
  }
  // The converter's band over the top third: its dark top, its blue line along the bottom.
  EXPECT_TRUE(looksLike(at(700, 4), {22, 26, 34})) << at(700, 4)[0] << " " << at(700, 4)[1] << " " << at(700, 4)[2];
  EXPECT_TRUE(looksLike(at(1300, 316), {61, 155, 255})) << at(1300, 316)[0] << " " << at(1300, 316)[2];
  EXPECT_TRUE(looksLike(at(191, 300), {44, 52, 66})) << "the band covers the area's top part";

  ASSERT_TRUE(PumpUntil(passDone_, 240000)) << "the first preview pass never ended";
  EXPECT_EQ(WatchedPreview::first_.load(), 0) << "the preview of a good recording reached its end";
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg->m_hWnd, IDC_CONVERT_UNDO)));
  SendMessageW(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(dlg->PreviewRunning());
  ASSERT_EQ(dlg->m_masks.size(), 1u);
  EXPECT_EQ(dlg->m_masks[0].left, 192);
  EXPECT_EQ(dlg->m_masks[0].right, 576);
  dlg->DestroyWindow();
}

}  // namespace
