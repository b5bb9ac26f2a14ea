// The link click handler: which clicked addresses reach the shell. The click's address comes from the
// link's markup, and the update dialog's markup carries texts from the network.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tavrin/app/dialogs/link_ctrl.h"

namespace {

using namespace quill::app;

std::vector<std::wstring> g_opened;
void RecordUrl(HWND, const wchar_t* url) { g_opened.push_back(url); }

struct ClickCase {
  const wchar_t* url;
  std::vector<std::wstring> only;  // empty: any web address
  bool opened;
};

TEST(LinkClick, OnlyWebAddressesAndWhereGivenOnlyTheDialogsOwnPagesAreOpened) {
  const std::wstring page = L"http://www.quillmere.example/0_recorder/viewer/Quillmere/viewer.html";
  const ClickCase cases[] = {
      {L"http://www.quillmere.example/", {}, true},
      {L"HTTPS://host/a?b=c#d", {}, true},
      {L"C:\\Windows\\System32\\cmd.exe", {}, false},
      {L"file:///C:/Windows/System32/calc.exe", {}, false},
      {L"\\\\server\\share\\run.exe", {}, false},
      {L"javascript:alert(1)", {}, false},
      {L"mailto:a@b", {}, false},
      {L"http:", {}, false},
      {L"http://", {}, false},
      {L"http:///etc", {}, false},
      {L"httpx://host/", {}, false},
      {L"http://host/a b", {}, false},
      {L"http://host/\"x", {}, false},
      {L"", {}, false},
      {page.c_str(), {page}, true},
      {L"http://www.quillmere.example/other.html", {page}, false},
      {L"http://evil.example/0_recorder/viewer/Quillmere/viewer.html", {page}, false},
  };
  SetUrlOpener(RecordUrl);
  for (const ClickCase& c : cases) {
    g_opened.clear();
    NMLINK click = {};
    click.hdr.code = NM_CLICK;
    lstrcpynW(click.item.szUrl, c.url, L_MAX_URL_LENGTH);
    LRESULT result = 1;
    OpenClickedLink(nullptr, &click.hdr, &result, c.only);
    const std::string name(c.url, c.url + wcslen(c.url));
    EXPECT_EQ(result, 0) << name;
    EXPECT_EQ(g_opened.size(), c.opened ? 1u : 0u) << name;
    if (c.opened && !g_opened.empty()) {
      EXPECT_EQ(g_opened[0], c.url) << name;
    }
  }
  SetUrlOpener(nullptr);
}

}  // namespace
