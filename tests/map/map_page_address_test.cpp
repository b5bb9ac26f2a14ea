// The Internet Explorer map dialog's own-page decisions (which addresses may be navigated to and get
// window.external) in the forms the control reports addresses in, window.external outliving its
// dialog, and the map service key taken from the settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "map_fake_host.h"
#include "tavrin/driveviews/map_dialog_ie.h"
#include "tavrin/driveviews/map_host_values.h"
#include "tavrin/driveviews/map_page_address.h"
#include "tavrin/driveviews/map_wrap.h"

using namespace driveviews;
using namespace maptest;

namespace {

const std::wstring kSpaced = L"C:\\Program Files (x86)\\Quillmere\\QuillmereX.exe";
const std::wstring kJapanese = L"C:\\Users\\\u3042\u3044\\Quillmere\\QuillmereX.exe";

TEST(MapPageAddress, KnowsTheProgramsOwnPageInEveryFormTheControlReports) {
  struct Case {
    const char* name;
    std::wstring program, url;
    bool own;
  } cases[] = {
      {"as written", kSpaced, L"res://" + kSpaced + L"/103", true},
      {"spaces escaped", kSpaced, L"res://C:\\Program%20Files%20(x86)\\Quillmere\\QuillmereX.exe/103", true},
      {"forward slashes, escaped", kSpaced, L"res://C:/Program%20Files%20%28x86%29/Quillmere/QuillmereX.exe/103", true},
      {"other case", kSpaced, L"RES://c:\\program files (x86)\\quillmere\\QUILLMEREX.EXE/103", true},
      {"type and name", kSpaced, L"res://" + kSpaced + L"/23/103", true},
      {"non-ASCII as written", kJapanese, L"res://" + kJapanese + L"/103", true},
      {"non-ASCII escaped as UTF-8", kJapanese,
       L"res://C:\\Users\\%E3%81%82%E3%81%84\\Quillmere\\QuillmereX.exe/103", true},
      {"lower-case escapes", kJapanese, L"res://C:/Users/%e3%81%82%e3%81%84/Quillmere/QuillmereX.exe/103", true},
      {"another program's page", kSpaced, L"res://C:\\Windows\\System32\\shdoclc.dll/dnserror.htm", false},
      {"a longer name that starts with ours", kSpaced, L"res://" + kSpaced + L".evil.dll/103", false},
      {"our folder, another file", kSpaced, L"res://C:\\Program Files (x86)\\Quillmere\\other.dll/103", false},
      {"the program without a resource", kSpaced, L"res://" + kSpaced, false},
      {"web page", kSpaced, L"https://example.invalid/" + kSpaced + L"/103", false},
      {"file address of the program", kSpaced, L"file:///C:/Program%20Files%20(x86)/Quillmere/QuillmereX.exe", false},
      {"broken escape", kSpaced, L"res://C:\\Program%2GFiles (x86)\\Quillmere\\QuillmereX.exe/103", false},
      {"escape that is not UTF-8", kJapanese, L"res://C:\\Users\\%82%A0%82%A2\\Quillmere\\QuillmereX.exe/103", false},
      {"no program path", L"", L"res:///103", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsOwnMapPage(c.url, c.program), c.own) << c.name;
    EXPECT_EQ(GivesMapExternal(c.url, c.program), c.own) << c.name;
    EXPECT_EQ(AllowMapNavigation(c.url, c.program), c.own) << c.name;
  }
  // The control starts from the empty page; it may go there, but the page gets no window.external.
  EXPECT_TRUE(AllowMapNavigation(L"about:blank", kSpaced));
  EXPECT_FALSE(GivesMapExternal(L"about:blank", kSpaced));
  EXPECT_FALSE(AllowMapNavigation(L"javascript:window.external.JS2C_GetMapURL()", kSpaced));
}

TEST(MapPageAddress, UndoesEscapesAsUtf8AndLeavesTheRest) {
  struct Case {
    std::wstring in, out;
  } cases[] = {
      {L"a%20b", L"a b"},          {L"%E3%81%82", L"\u3042"}, {L"100%", L"100%"},
      {L"%zz", L"%zz"},            {L"%41%42", L"AB"},        {L"%82%A0", L"%82%A0"},
      {L"%E3%81", L"%E3%81"},  // a cut sequence stays as it came
  };
  for (const Case& c : cases) EXPECT_EQ(UnescapeUrlText(c.in), c.out) << std::string(c.in.begin(), c.in.end());
}

TEST(MapExternal, AnswersNothingAndFreesItselfWhenReleasedAfterItsDialog) {
  OleInitialize(nullptr);
  RecordingHost host;
  auto* dialog = new CGoogleMapDlg();
  dialog->SetHostFuncs(&host);
  IDispatch* external = dialog->ExternalDispatch();
  ASSERT_NE(external, nullptr);
  external->AddRef();  // what the control holds
  delete dialog;
  // The control's late call reaches no host, and its last release frees the object.
  VARIANT r;
  VariantInit(&r);
  ASSERT_EQ(Call(external, L"JS2C_ConnectTest", {}, &r), S_OK);
  EXPECT_EQ(r.vt, VT_BOOL);
  EXPECT_EQ(r.boolVal, VARIANT_FALSE);
  ASSERT_EQ(Call(external, L"JS2C_OnInitHtml", {}, &r), S_OK);
  EXPECT_EQ(host.inits, 0);
  IDispatch* again = nullptr;
  ASSERT_EQ(external->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again->Release(), 1u) << "QueryInterface counts the reference it hands out";
  EXPECT_EQ(external->Release(), 0u);
  OleUninitialize();
}

TEST(MapServiceKey, ComesFromTheSettingsFileWhenItHoldsOne) {
  struct Case {
    const wchar_t* setting;
    std::string key;
    bool accepted;
  } cases[] = {
      {L"", "", false},  // none stored: the built-in key, empty in these builds
      {L"   ", "", false},
      {L"AbC-123_xyz", "AbC-123_xyz", true},
      {L"  AbC-123_xyz\t", "AbC-123_xyz", true},
      {L"key with spaces", "key with spaces", false},
      {L"k\u00e9y", "k?y", false},
      {L"abc&callback=evil", "abc&callback=evil", false},
  };
  for (const Case& c : cases) {
    const std::string key = MapServiceKeyFrom(c.setting);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(!MapScriptUrl(key).empty(), c.accepted) << key;
  }
  EXPECT_GT(MapServiceKeyFrom(std::wstring(200, L'a')).size(), kMaxMapKey) << "too long stays too long";
}

}  // namespace
