// The HRESULT error box: every named code's text and the caption, seen through the replaceable
// message-box hook, so no window is ever shown.
#include "playcore/instances/hresult_error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace playcore {
namespace {

struct Shown {
  std::wstring text;
  std::wstring caption;
  UINT type;
};
std::vector<Shown> g_shown;

int WINAPI RecordBox(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  g_shown.push_back({text, caption, type});
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

}  // namespace
}  // namespace playcore
