// Message maps: binding at creation, dispatch and chaining to the base map and the window's own
// procedure, reflection of owner-draw and notify messages to the child object, handle lookups.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/controls.h"
#include "platform/framework/wnd.h"

namespace {

constexpr UINT kMsgBaseOnly = WM_APP + 1;
constexpr UINT kMsgOverridden = WM_APP + 2;
constexpr UINT kMsgDerivedOnly = WM_APP + 3;
constexpr UINT kMsgNobody = WM_APP + 4;
constexpr UINT kCustomNotify = 0x7000;  // a notification code of this test's own
constexpr int kChildId = 77;

class CBaseTestWnd : public CWnd {
 public:
  int created = 0;
  bool boundInCreate = false;
  CString log;

 protected:
  int OnCreate(LPCREATESTRUCT) {
    ++created;
    boundInCreate = m_hWnd != nullptr && CWnd::FromHandlePermanent(m_hWnd) == this;
    return 0;
  }
  LRESULT OnBaseOnly(WPARAM wp, LPARAM) { log += L"base-only;"; return static_cast<LRESULT>(wp) + 1; }
  LRESULT OnOverriddenInBase(WPARAM, LPARAM) { log += L"base-overridden;"; return 1; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
  ON_WM_CREATE()
  ON_MESSAGE(kMsgBaseOnly, OnBaseOnly)
  ON_MESSAGE(kMsgOverridden, OnOverriddenInBase)
END_MESSAGE_MAP()

class CDerivedTestWnd : public CBaseTestWnd {
 public:
  BOOL Make(DWORD style = WS_POPUP) {
    return CreateEx(0, AfxRegisterWndClass(0), L"試験", style, CRect(10, 10, 210, 160), nullptr, 0);
  }
  int drawItems = 0;
  int notifies = 0;
  int commands = 0;
  int textSets = 0;

 protected:
  LRESULT OnOverridden(WPARAM, LPARAM) { log += L"derived-overridden;"; return 2; }
  LRESULT OnDerivedOnly(WPARAM, LPARAM) { log += L"derived-only;"; return 3; }
  LRESULT OnSetTextPassedOn(WPARAM, LPARAM) { ++textSets; return Default(); }
  void OnDrawItem(int, LPDRAWITEMSTRUCT) { ++drawItems; }
  void OnChildNotify(NMHDR*, LRESULT* result) { ++notifies; *result = 11; }
  void OnChildClicked() { ++commands; }
  HBRUSH OnCtlColor(CDC*, CWnd*, UINT ctlType) {
    lastCtlType = ctlType;
    return static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  }

 public:
  UINT lastCtlType = 0;

 protected:
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedTestWnd, CBaseTestWnd)
  ON_MESSAGE(kMsgOverridden, OnOverridden)
  ON_MESSAGE(kMsgDerivedOnly, OnDerivedOnly)
  ON_MESSAGE(WM_SETTEXT, OnSetTextPassedOn)
  ON_WM_DRAWITEM()
  ON_NOTIFY(kCustomNotify, kChildId, OnChildNotify)
  ON_BN_CLICKED(kChildId, OnChildClicked)
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// A label that chooses its own colours: its reflected entry answers its parent's WM_CTLCOLORSTATIC,
// unless it gives no brush.
class CColouredLabel : public CStatic {
 public:
  bool giveBrush = true;
  UINT seenType = 99;

 protected:
  HBRUSH CtlColor(CDC* dc, UINT ctlType) {
    seenType = ctlType;
    if (!giveBrush) return nullptr;
    dc->SetTextColor(RGB(255, 255, 255));
    return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColouredLabel, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

// An owner-drawn button that draws itself, and takes its parent's notifications of one code.
class CReflectingButton : public CButton {
 public:
  int drawn = 0;
  int reflected = 0;
  int clicked = 0;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    ++drawn;
    FillRect(dis->hDC, &dis->rcItem, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }

 protected:
  void OnReflectedNotify(NMHDR*, LRESULT* result) { ++reflected; *result = 22; }
  void OnReflectedClick() { ++clicked; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
  ON_NOTIFY_REFLECT(kCustomNotify, OnReflectedNotify)
  ON_CONTROL_REFLECT(BN_CLICKED, OnReflectedClick)
END_MESSAGE_MAP()

LRESULT SendNotify(HWND parent, HWND from, UINT code) {
  NMHDR hdr = {};
  hdr.hwndFrom = from;
  hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
  hdr.code = code;
  return SendMessageW(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

TEST(MessageMap, TheObjectIsBoundBeforeItsWindowsFirstMessages) {
  CDerivedTestWnd wnd;
  ASSERT_TRUE(wnd.Make());
  EXPECT_EQ(wnd.created, 1);
  EXPECT_TRUE(wnd.boundInCreate);
}

TEST(MessageMap, LookupGoesFromTheClassToItsBaseAndThenToTheWindowsOwnProcedure) {
  CDerivedTestWnd wnd;
  ASSERT_TRUE(wnd.Make());
  EXPECT_EQ(wnd.SendMessage(kMsgBaseOnly, 41), 42);
  EXPECT_EQ(wnd.SendMessage(kMsgOverridden), 2);
  EXPECT_EQ(wnd.SendMessage(kMsgDerivedOnly), 3);
  EXPECT_EQ(wnd.SendMessage(kMsgNobody), 0);
  EXPECT_EQ(wnd.log, L"base-only;derived-overridden;derived-only;");
  wnd.SetWindowText(L"新しい題名");  // the handler passes it on with Default()
  CString text;
  wnd.GetWindowText(text);
  EXPECT_EQ(wnd.textSets, 1);
  EXPECT_EQ(text, L"新しい題名");
}

TEST(Reflection, OwnerDrawOfABoundButtonGoesToItsDrawItemNotToTheParent) {
  CDerivedTestWnd parent;
  ASSERT_TRUE(parent.Make(WS_POPUP | WS_VISIBLE));
  CReflectingButton button;
  ASSERT_TRUE(button.Create(L"描画", WS_VISIBLE | BS_OWNERDRAW, CRect(5, 5, 85, 30), &parent, kChildId));
  button.RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_GE(button.drawn, 1);
  EXPECT_EQ(parent.drawItems, 0);

  // An owner-drawn button without an object of its own leaves the drawing to the parent's map.
  HWND plain = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 90, 5, 80, 25,
                               parent.m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kChildId + 1)),
                               nullptr, nullptr);
  ASSERT_NE(plain, nullptr);
  RedrawWindow(plain, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
  EXPECT_GE(parent.drawItems, 1);
}

TEST(Reflection, ANotifyReflectEntryTakesTheNotificationAndItsResultReachesTheSender) {
  CDerivedTestWnd parent;
  ASSERT_TRUE(parent.Make());
  CReflectingButton button;
  ASSERT_TRUE(button.Create(L"b", WS_VISIBLE, CRect(5, 5, 85, 30), &parent, kChildId));
  EXPECT_EQ(SendNotify(parent.m_hWnd, button.m_hWnd, kCustomNotify), 22);
  EXPECT_EQ(button.reflected, 1);
  EXPECT_EQ(parent.notifies, 0);

  // A child without a reflect entry for the code: the parent's ON_NOTIFY answers.
  CStatic other;
  ASSERT_TRUE(other.Create(L"s", WS_VISIBLE, CRect(5, 40, 85, 60), &parent, kChildId));
  EXPECT_EQ(SendNotify(parent.m_hWnd, other.m_hWnd, kCustomNotify), 11);
  EXPECT_EQ(parent.notifies, 1);
}

TEST(Reflection, AControlCommandGoesToTheChildsReflectEntryFirst) {
  CDerivedTestWnd parent;
  ASSERT_TRUE(parent.Make(WS_POPUP | WS_VISIBLE));
  CReflectingButton button;
  ASSERT_TRUE(button.Create(L"b", WS_VISIBLE | BS_PUSHBUTTON, CRect(5, 5, 85, 30), &parent, kChildId));
  button.SendMessage(BM_CLICK);
  EXPECT_EQ(button.clicked, 1);
  EXPECT_EQ(parent.commands, 0);
  CButton plain;
  ASSERT_TRUE(plain.Create(L"p", WS_VISIBLE | BS_PUSHBUTTON, CRect(5, 40, 85, 60), &parent, kChildId));
  plain.SendMessage(BM_CLICK);
  EXPECT_EQ(parent.commands, 1);
}

TEST(Reflection, AControlsColourEntryAnswersItsParentUnlessItGivesNoBrush) {
  CDerivedTestWnd parent;
  ASSERT_TRUE(parent.Make());
  CColouredLabel label;
  ASSERT_TRUE(label.Create(L"再生", WS_VISIBLE, CRect(5, 5, 85, 30), &parent, kChildId));
  HDC dc = GetDC(label.m_hWnd);
  LRESULT brush = SendMessageW(parent.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(label.m_hWnd));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(label.seenType, static_cast<UINT>(CTLCOLOR_STATIC));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 255));
  label.giveBrush = false;
  brush = SendMessageW(parent.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(label.m_hWnd));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(GRAY_BRUSH)));
  EXPECT_EQ(parent.lastCtlType, static_cast<UINT>(CTLCOLOR_STATIC));
  ReleaseDC(label.m_hWnd, dc);
}

TEST(HandleMap, ADestroyedWindowLeavesNoObjectBehindAndTheObjectEndsItsWindow) {
  HWND h = nullptr;
  {
    CDerivedTestWnd wnd;
    ASSERT_TRUE(wnd.Make());
    h = wnd.m_hWnd;
    CDerivedTestWnd again;
    EXPECT_FALSE(again.SubclassWindow(h)) << "a window has one object";
  }
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);

  CDerivedTestWnd wnd;
  ASSERT_TRUE(wnd.Make());
  h = wnd.m_hWnd;
  ASSERT_TRUE(wnd.DestroyWindow());
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

}  // namespace
