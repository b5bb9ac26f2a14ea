// The conversion-mask dialog over a fake converter: the buttons follow the area list, the button-up
// point is clamped into the pane, and the worker stops without a hang (also 200 times in a row).
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <vector>

#include "platform/framework/private_messages.h"
#include "playcore/converter/mask_editor.h"
#include "res/convert_res.h"
#include "tavrin/app/tools/conversion_mask_dlg.h"
#include "tavrin/skin/app_fonts.h"

namespace {

using namespace quill::app;

struct FakeLog {
  std::atomic<int> made{0}, gone{0}, runs{0}, cancels{0};
  std::mutex lock;
  std::vector<std::array<int, 3>> actions;
};

// A preview that either answers `result` at once or, with -1, runs until cancelled.
class FakePreview : public IPreviewJob {
 public:
  FakePreview(FakeLog* log, int result)
      : log_(log), result_(result), cancelled_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ++log_->made;
  }
  ~FakePreview() override {
    CloseHandle(cancelled_);
    ++log_->gone;
  }
  int RunPreview(const std::wstring&) override {
    ++log_->runs;
    if (result_ >= 0 && WaitForSingleObject(cancelled_, 0) != WAIT_OBJECT_0) return result_;
    WaitForSingleObject(cancelled_, INFINITE);
    // A close click that reaches the dialog while its first close still waits for this worker.
    if (closeAgain_) SendMessageW(GetParent(closeAgain_), WM_COMMAND, IDCANCEL, 0);
    return 2;
  }
  void Cancel() override {
    ++log_->cancels;
    SetEvent(cancelled_);
  }
  void MouseAction(int action, int x, int y) override {
    {
      std::lock_guard<std::mutex> hold(log_->lock);
      log_->actions.push_back({action, x, y});
    }
    editor_.OnPreviewMouse(action, x, y);
  }
  std::vector<RECT> Masks() const override { return editor_.masks(); }
  HWND closeAgain_ = nullptr;

 private:
  FakeLog* log_;
  int result_;
  HANDLE cancelled_;
  playcore::MaskEditor editor_;
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class MaskDialog : public ::testing::Test {
 protected:
  void SetUp() override { InitAppFontsAndLanguage(nullptr); }
  std::unique_ptr<CConvertDlg> Open(int result) {
    auto dlg = std::make_unique<CConvertDlg>(nullptr, L"C:\\no\\such.MP4", [this, result](HWND) {
      return std::unique_ptr<IPreviewJob>(new FakePreview(&log_, result));
    });
    EXPECT_TRUE(dlg->Create(IDD_CONVERT_MASK, nullptr));
    return dlg;
  }
  void Drag(CConvertDlg& dlg, POINT from, POINT to) {
    HWND pane = dlg.m_preview.m_hWnd;
    SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
    SendMessageW(pane, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
    SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
    Pump();  // the pane's posted area notice
  }
  static bool Enabled(CConvertDlg& dlg, int id) {
    return IsWindowEnabled(GetDlgItem(dlg.m_hWnd, id)) != FALSE;
  }
  std::array<int, 3> LastAction() {
    std::lock_guard<std::mutex> hold(log_.lock);
    return log_.actions.empty() ? std::array<int, 3>{} : log_.actions.back();
  }
  FakeLog log_;
};

TEST_F(MaskDialog, ButtonsFollowTheAreasAndTheReleaseIsClamped) {
  auto dlg = Open(-1);
  ASSERT_TRUE(dlg->m_hWnd);
  struct Step {
    const char* what;
    POINT from, to;
    int command;  // 0: a drag, else the command sent
    bool enabled;
    std::array<int, 3> last;
  } steps[] = {
      {"opened", {}, {}, -1, false, {}},
      {"zero-size drag", {40, 40}, {40, 40}, 0, false, {3, 40, 40}},
      {"drag out of the pane", {10, 20}, {1400, -35}, 0, true, {3, 999, 0}},
      {"undo", {}, {}, IDC_CONVERT_UNDO, false, {4, 0, 0}},
      {"drag below-left", {500, 100}, {-8, 900}, 0, true, {3, 0, 499}},
      {"second drag", {100, 100}, {200, 200}, 0, true, {3, 200, 200}},
      {"delete all", {}, {}, IDC_CONVERT_DELETE_ALL, false, {5, 0, 0}},
  };
  for (const Step& s : steps) {
    if (s.command == 0) Drag(*dlg, s.from, s.to);
    if (s.command > 0) SendMessageW(dlg->m_hWnd, WM_COMMAND, s.command, 0);
    EXPECT_EQ(Enabled(*dlg, IDC_CONVERT_DELETE_ALL), s.enabled) << s.what;
    EXPECT_EQ(Enabled(*dlg, IDC_CONVERT_UNDO), s.enabled) << s.what;
    if (s.command >= 0) {
      EXPECT_EQ(LastAction(), s.last) << s.what;
    }
  }
  Drag(*dlg, {100, 50}, {300, 250});
  SendMessageW(dlg->m_hWnd, WM_COMMAND, IDC_CONVERT_REMOVE_AUDIO, 0);
  SendMessageW(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(dlg->m_bAccepted);
  EXPECT_TRUE(dlg->m_bRemoveAudio);
  ASSERT_EQ(dlg->m_masks.size(), 1u);  // in converted-frame pixels: 1.92 per pane pixel
  EXPECT_EQ(dlg->m_masks[0].left, 192);
  EXPECT_EQ(dlg->m_masks[0].bottom, 480);
  EXPECT_EQ(log_.gone.load(), 1) << "the converter goes with the worker";
  // Clicks that arrive after the stop reach no converter.
  const size_t before = log_.actions.size();
  Drag(*dlg, {1, 1}, {90, 90});
  EXPECT_EQ(log_.actions.size(), before);
  dlg->DestroyWindow();
}

// A failing preview runs once, a missing converter keeps the dialog usable, and a second close that
// arrives while the first waits for the worker is ignored: each way, OK then keeps the drawn area.
TEST_F(MaskDialog, TheDialogStaysUsableWhateverThePreviewDoes) {
  enum Kind { kFailing, kNone, kCloseAgain };
  for (Kind kind : {kFailing, kNone, kCloseAgain}) {
    CConvertDlg dlg(nullptr, L"C:\\x.MP4", [this, kind](HWND pane) {
      if (kind == kNone) return std::unique_ptr<IPreviewJob>();
      auto job = std::make_unique<FakePreview>(&log_, kind == kFailing ? 1 : -1);
      if (kind == kCloseAgain) job->closeAgain_ = pane;
      return std::unique_ptr<IPreviewJob>(std::move(job));
    });
    ASSERT_TRUE(dlg.Create(IDD_CONVERT_MASK, nullptr));
    if (kind == kFailing) {
      ASSERT_TRUE(dlg.PreviewLoopEnded(30000));
      EXPECT_EQ(dlg.PreviewPasses(), 1);
    }
    Drag(dlg, {10, 10}, {60, 60});
    EXPECT_EQ(Enabled(dlg, IDC_CONVERT_UNDO), kind != kNone) << kind;
    SendMessageW(dlg.m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dlg.m_bAccepted) << kind;
    EXPECT_EQ(dlg.m_masks.size(), kind == kNone ? 0u : 1u) << kind;
    dlg.DestroyWindow();
  }
  EXPECT_EQ(log_.gone.load(), 2);
}

TEST_F(MaskDialog, TwoHundredOpenAndCloseCycles) {
  // Blocking passes, passes that end at once (restarted), and failing ones, stopped by each way out.
  const int results[] = {-1, 0, 1};
  const UINT ways[] = {IDOK, IDCANCEL, IDC_CONVERT_CLOSE, 0};  // 0: only the destructor stops it
  for (int i = 0; i < 200; ++i) {
    auto dlg = Open(results[i % 3]);
    ASSERT_TRUE(dlg->m_hWnd) << i;
    if (i % 5 == 0) Drag(*dlg, {5, 5}, {50, 50});
    const UINT way = ways[i % 4];
    if (way) {
      SendMessageW(dlg->m_hWnd, WM_COMMAND, way, 0);
      EXPECT_FALSE(dlg->PreviewRunning()) << i;
      // Every way out keeps the areas; only OK accepts them.
      EXPECT_EQ(dlg->m_masks.size(), i % 5 == 0 ? 1u : 0u) << i;
      EXPECT_EQ(dlg->m_bAccepted != FALSE, way == IDOK) << i;
    }
    dlg->DestroyWindow();
    dlg.reset();
    ASSERT_EQ(log_.gone.load(), i + 1) << i;
  }
  EXPECT_EQ(log_.made.load(), 200);
}

}  // namespace
