// The window tests' host (see host_window.h).
#include "tests/support/host_window.h"

#include <gtest/gtest.h>

#include "platform/framework/gdi.h"
#include "tavrin/skin/app_fonts.h"

namespace quill::test {

BEGIN_MESSAGE_MAP(CHostWindow, CWnd)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

bool CHostWindow::OpenHost(const wchar_t* title, int width, int height) {
  LPCWSTR cls = AfxRegisterWndClass(0, LoadCursorW(nullptr, IDC_ARROW));
  return CreateEx(0, cls, title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height, nullptr,
                  nullptr) != FALSE;
}

BOOL CHostWindow::OnEraseBkgnd(CDC* dc) {
  RECT rc;
  GetClientRect(&rc);
  FillRect(dc->GetSafeHdc(), &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

namespace {
class HostEnvironment : public testing::Environment {
 public:
  explicit HostEnvironment(bool (*open)()) : open_(open) {}
  void SetUp() override {
    InitAppFontsAndLanguage(nullptr);
    ASSERT_TRUE(open_()) << "the host window could not be opened";
  }

 private:
  bool (*open_)();
};
}  // namespace

bool OpenHostFirst(bool (*open)()) {
  testing::AddGlobalTestEnvironment(new HostEnvironment(open));
  return true;
}

}  // namespace quill::test
