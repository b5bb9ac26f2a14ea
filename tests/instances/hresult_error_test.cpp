// The HRESULT error box: every named code's text and the caption, seen through the replaceable
// message-box hook, so no window is ever shown.
#include "playcore/instances/hresult_error.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace playcore {
namespace {

struct Shown {
  std::wstring text;
  std::wstring caption;
  UINT type;
  HWND owner;
};
std::vector<Shown> g_shown;
HRESULT g_raiseInsideBox = S_OK;  // a failure raised from inside the box's own loop (a timer's tick)

int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_shown.push_back({text, caption, type, owner});
  if (FAILED(g_raiseInsideBox)) ShowHResultError(g_raiseInsideBox);
  return IDOK;
}

class HResultErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_shown.clear();
    previous_ = SetMessageBoxHook(RecordBox);
    SetCodecMissingText(nullptr);
  }
  void TearDown() override {
    SetMessageBoxHook(previous_);
    SetCodecMissingText(nullptr);
    SetErrorBoxOwner(nullptr);
    g_raiseInsideBox = S_OK;
  }
  MessageBoxHook previous_ = nullptr;
};

TEST_F(HResultErrorTest, EveryNamedFailureShowsItsNameUnderTheCaptionError) {
  const struct {
    unsigned hr;
    const wchar_t* text;
  } cases[] = {
      {0x80004002, L"E_NOINTERFACE"},       {0x80004001, L"E_NOTIMPL"},
      {0x80004003, L"E_POINTER"},           {0x80040209, L"VFW_E_NOT_CONNECTED"},
      {0x80040227, L"VFW_E_WRONG_STATE"},   {0x80070057, L"E_INVALIDARG"},
      {0x8007000E, L"E_OUTOFMEMORY"},       {0x80004005, L"Unknown 0x80004005"},
      {0x8004020A, L"Unknown 0x8004020a"},  {0x80040200, L"Unknown 0x80040200"},
  };
  for (const auto& c : cases) {
    g_shown.clear();
    EXPECT_EQ(ShowHResultError(static_cast<HRESULT>(c.hr)), 0);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0].text, c.text);
    EXPECT_EQ(g_shown[0].caption, L"ERROR");
    EXPECT_EQ(g_shown[0].type, static_cast<UINT>(MB_OK));
  }
}

TEST_F(HResultErrorTest, MissingCodecShowsTheHandedInUiTextOnceSet) {
  const wchar_t* text = L"コーデックとスプリッターをインストールしてください。";
  SetCodecMissingText(text);
  EXPECT_EQ(ShowHResultError(static_cast<HRESULT>(0x80040200)), 0);
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0].text, text);
  // Other unknown codes keep the hex form.
  EXPECT_EQ(HResultErrorText(static_cast<HRESULT>(0x80040201)), L"Unknown 0x80040201");
}

// Regression: a box raised inside a slot ran its message loop while the slot held its instance, so a
// close from the box waited on that instance for ever. A failure on a thread that holds instances is
// kept and shown once the last is let go: the first one only, one box for one operation.
TEST_F(HResultErrorTest, AFailureWhileInstancesAreHeldIsShownOnceTheLastIsLetGo) {
  HoldErrorBoxes();
  HoldErrorBoxes();  // a slot inside a LockAll of the same thread
  EXPECT_EQ(ShowHResultError(static_cast<HRESULT>(0x80004005)), 0);
  EXPECT_EQ(ShowHResultError(E_NOTIMPL), 0);
  EXPECT_EQ(ShowHResultError(S_OK), 1);
  EXPECT_TRUE(g_shown.empty());
  ReleaseErrorBoxes();
  EXPECT_TRUE(g_shown.empty()) << "an instance is still held";
  ReleaseErrorBoxes();
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0].text, L"Unknown 0x80004005");
  ReleaseErrorBoxes();  // a leave without a failure kept shows nothing
  EXPECT_EQ(g_shown.size(), 1u);
}

// The box belongs to the main window (handed in), which the system disables while it is up; a thread
// other than the window's shows it without an owner (disabling a window of another thread waits for
// that thread). A failure raised by the box's own loop (the next tick) is not shown on top of it.
TEST_F(HResultErrorTest, TheBoxBelongsToTheOwnersThreadAndNeverNestsAnother) {
  HWND owner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  SetErrorBoxOwner(owner);
  g_raiseInsideBox = E_POINTER;
  ShowHResultError(E_OUTOFMEMORY);
  ASSERT_EQ(g_shown.size(), 1u);
  EXPECT_EQ(g_shown[0].owner, owner);
  g_raiseInsideBox = S_OK;
  std::thread other([] { ShowHResultError(E_NOTIMPL); });
  other.join();
  ASSERT_EQ(g_shown.size(), 2u);
  EXPECT_EQ(g_shown[1].owner, nullptr);
  DestroyWindow(owner);
}

}  // namespace
}  // namespace playcore
