// The conversion-mask dialog over the real converter: half a second of a generated recording previews to
// its end while the user draws an area.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "res/convert_res.h"
#include "tavrin/app/conversion_mask_dlg.h"
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
    auto dlg =
        std::make_unique<CConvertDlg>(nullptr, source, [done](HWND pane) -> std::unique_ptr<IPreviewJob> {
          auto real = MakeConverterPreview(pane);
          if (!real) return nullptr;
          return std::make_unique<WatchedPreview>(std::move(real), done);
        });
    EXPECT_TRUE(dlg->Create(IDD_CONVERT_MASK, nullptr));
    return dlg;
  }
  HANDLE passDone_ = nullptr;
};

TEST_F(MaskPreview, GeneratedRecordingPreviewsAndKeepsTheDrawnArea) {
  const char* inputs = std::getenv("QUILL_CONVERT_INPUTS");
  ASSERT_TRUE(inputs && *inputs);
  auto dlg = Open(quill::test::HostPathToWindows(inputs) + L"\\short.mp4");
  HWND pane = dlg->m_preview.m_hWnd;
  SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 50));
  SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 200));
  SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(300, 200));
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
