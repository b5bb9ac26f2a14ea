// How a drag on the seek bar ends: every way but the owner's own cancel posts exactly one release at
// the last position, so the owner's seek never stays paused and muted.
#include <windows.h>

#include <functional>

#include <gtest/gtest.h>

#include "tavrin/skin/skin_messages.h"
#include "tavrin/skin/skin_slider.h"
#include "tests/skin/skin_test_host.h"

namespace {

using quill::test::CTestHostDlg;
using quill::test::Notification;
namespace sk = quill::skin;

LPARAM Pt(int x) { return MAKELPARAM(static_cast<WORD>(x), 8); }

struct DragEnd {
  const char* how;
  std::function<void(CSkinSliderCtrl&)> end;
  bool released;
};

const DragEnd kEnds[] = {
    {"disabled", [](CSkinSliderCtrl& s) { s.SetEnabled(FALSE); }, true},
    {"disabled, then moved", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       ::SendMessageW(s.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, Pt(330));
     }, true},
    {"disabled, then let go", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       ::SendMessageW(s.m_hWnd, WM_LBUTTONUP, 0, Pt(330));
     }, true},
    {"disabled, capture lost", [](CSkinSliderCtrl& s) {
       s.m_bEnabled = FALSE;
       ::ReleaseCapture();
     }, true},
    {"cancelled by the owner", [](CSkinSliderCtrl& s) { s.CancelDrag(); }, false},
};

TEST(SliderDragEnd, EveryEndButTheOwnersCancelPostsOneRelease) {
  CTestHostDlg& host = quill::test::SharedHost();
  CSkinSliderCtrl& seek = host.m_seek;
  for (const DragEnd& e : kEnds) {
    SCOPED_TRACE(e.how);
    seek.SetEnabled(TRUE);
    host.TakeNotifications();
    ::SendMessageW(seek.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, Pt(300));
    ASSERT_TRUE(seek.m_bDragging);
    e.end(seek);
    EXPECT_FALSE(seek.m_bDragging);
    EXPECT_NE(::GetCapture(), seek.m_hWnd);
    std::vector<Notification> expected = {{sk::kMsgSliderPress, CTestHostDlg::kSeekId, 9000}};
    if (e.released) expected.push_back({sk::kMsgSliderRelease, CTestHostDlg::kSeekId, 9000});
    EXPECT_EQ(host.TakeNotifications(), expected);
  }
  seek.SetEnabled(TRUE);
}

}  // namespace
