// The hand-written WebView2 declarations put every method the program calls into the slot the runtime
// has it in: one missing or extra declaration before it would call the wrong method. Slots are read
// from the compiler's pointers to virtual members (offset in the vtable + 1, as this ABI stores them).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/webview2/webview2_decl.h"

namespace {

template <class Member>
int Slot(Member member) {
  static_assert(sizeof(Member) >= sizeof(uintptr_t), "pointer to member");
  uintptr_t raw = 0;
  std::memcpy(&raw, &member, sizeof(raw));
  return static_cast<int>((raw - 1) / sizeof(void*));
}

}  // namespace

TEST(WebView2Declarations, PutTheCalledMethodsInTheRuntimesSlots) {
  struct Case {
    int slot;
    int expected;
    const char* name;
  } cases[] = {
      {Slot(&ICoreWebView2::get_Settings), 3, "get_Settings"},
      {Slot(&ICoreWebView2::NavigateToString), 6, "NavigateToString"},
      {Slot(&ICoreWebView2::add_NavigationStarting), 7, "add_NavigationStarting"},
      {Slot(&ICoreWebView2::remove_NavigationStarting), 8, "remove_NavigationStarting"},
      {Slot(&ICoreWebView2::ExecuteScript), 29, "ExecuteScript"},
      {Slot(&ICoreWebView2::PostWebMessageAsJson), 32, "PostWebMessageAsJson"},
      {Slot(&ICoreWebView2::add_WebMessageReceived), 34, "add_WebMessageReceived"},
      {Slot(&ICoreWebView2::remove_WebMessageReceived), 35, "remove_WebMessageReceived"},
      {Slot(&ICoreWebView2::AddHostObjectToScript), 49, "AddHostObjectToScript"},
      {Slot(&ICoreWebView2::RemoveHostObjectFromScript), 50, "RemoveHostObjectFromScript"},
      {Slot(&ICoreWebView2Controller::put_Bounds), 6, "put_Bounds"},
      {Slot(&ICoreWebView2Controller::put_ZoomFactor), 8, "put_ZoomFactor"},
      {Slot(&ICoreWebView2Controller::MoveFocus), 12, "MoveFocus"},
      {Slot(&ICoreWebView2Controller::Close), 24, "Close"},
      {Slot(&ICoreWebView2Controller::get_CoreWebView2), 25, "get_CoreWebView2"},
      {Slot(&ICoreWebView2Settings::put_IsScriptEnabled), 4, "put_IsScriptEnabled"},
      {Slot(&ICoreWebView2Settings::put_IsWebMessageEnabled), 6, "put_IsWebMessageEnabled"},
      {Slot(&ICoreWebView2Settings::put_AreDefaultScriptDialogsEnabled), 8, "put_AreDefaultScriptDialogsEnabled"},
      {Slot(&ICoreWebView2Environment::CreateCoreWebView2Controller), 3, "CreateCoreWebView2Controller"},
      {Slot(&ICoreWebView2EnvironmentOptions::put_TargetCompatibleBrowserVersion), 8, "put_Target..."},
      {Slot(&ICoreWebView2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount), 10, "put_AllowSSO"},
      {Slot(&ICoreWebView2WebMessageReceivedEventArgs::get_WebMessageAsJson), 4, "get_WebMessageAsJson"},
      {Slot(&ICoreWebView2NavigationStartingEventArgs::get_Uri), 3, "get_Uri"},
      {Slot(&ICoreWebView2NavigationStartingEventArgs::put_Cancel), 8, "put_Cancel"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.slot, c.expected) << c.name;
  // Interface identifiers the runtime answers QueryInterface for.
  EXPECT_TRUE(IsEqualGUID(__uuidof(ICoreWebView2),
                          GUID{0x76eceacb, 0x0462, 0x4d94, {0xac, 0x83, 0x42, 0x3a, 0x67, 0x93, 0x77, 0x5e}}));
}
