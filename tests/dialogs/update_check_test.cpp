// The update check: version file bodies, the decision and its message, and the fetch through WinINet
// against the loopback server, including servers that stall or close in the middle of a body; the
// proxy text.
#include <gtest/gtest.h>

#include <future>
#include <string>

#include "tavrin/app/web/inet_session.h"
#include "tavrin/app/web/update_check.h"
#include "tavrin/skin/ui_texts.h"
#include "tests/dialogs/loopback.h"

namespace {

using namespace quill::app;
using quill::test::LoopbackSite;

// A generous safety net for calls that must end by themselves; no test measures time with it.
constexpr auto kSafetyNet = std::chrono::seconds(60);

struct BodyCase {
  const char* name;
  std::string body;
  bool ok;
  std::wstring version;
};

TEST(VersionBody, TheTextAfterTheTagUpToTheLineEndIsTheVersion) {
  const BodyCase cases[] = {
      {"tag inside text", "abcVER:2.0.3\r\n", true, L"2.0.3"},
      {"line end and blanks cut", "VER:2.0.2  \r\nmore", true, L"2.0.2"},
      {"no line end", "VER:1.4", true, L"1.4"},
      {"no tag", "version 2.0.3\r\n", false, L""},
      {"tag without a version", "VER:\r\n", false, L""},
      {"empty body", "", false, L""},
      {"300 characters are cut to 259", "VER:" + std::string(300, '7'), true, std::wstring(259, L'7')},
      {"letters, digits, dot, underscore and dash", "VER:2.0.3-rc_1B\r\n", true, L"2.0.3-rc_1B"},
      {"link markup after the version", "VER:2.0.3<a href=\"C:\\x.exe\">2.0.3</a>", false, L""},
      {"a blank inside", "VER:2.0.3 beta", false, L""},
      {"a quote", "VER:2.0\"3", false, L""},
  };
  for (const BodyCase& c : cases) {
    std::wstring version = L"stale";
    EXPECT_EQ(ParseVersionBody(c.body.data(), c.body.size(), &version), c.ok) << c.name;
    EXPECT_EQ(version, c.version) << c.name;
  }
}

struct ServerCase {
  const char* mode;
  const wchar_t* firmware;  // the card's
  bool viewer;              // a newer viewer is reported
  bool firmwareNewer;       // a newer firmware is reported
};

// The whole decision through WinINet: what each version file on the server gives.
TEST(UpdateCheckAgainstServer, CurrentVersionsGiveNothingAndNewerOnesTheirItems) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  const ServerCase cases[] = {
      {"current", L"1.2.3", false, false},
      {"current", L"1.2.3.9", false, false},  // compared by the version part
      {"newviewer", L"1.2.3", true, false},
      {"newviewer", L"", true, false},
      {"both", L"1.2.3", true, true},
      {"both", L"", true, false},  // no card firmware: only the viewer is checked
      {"nover", L"1.2.3", false, false},
      {"empty", L"1.2.3", false, false},
      // Spoofed files whose version carries a link: that file counts as holding no version.
      {"hostileviewer", L"1.2.3", false, false},
      {"hostilefirmware", L"1.2.3", true, false},
      // The card's firmware text is not a version: only the viewer is checked.
      {"both", L"1.2<a href=\"x\">", true, false},
  };
  for (const ServerCase& c : cases) {
    const UpdateAddresses at = UpdateAddressesAt(LoopbackSite(c.mode));
    const UpdateFindings found = FindUpdates(at, c.firmware, L"2.0.2", FetchVersion);
    EXPECT_EQ(found.viewer, c.viewer) << c.mode;
    EXPECT_EQ(found.firmware, c.firmwareNewer) << c.mode;
    const std::wstring message = BuildUpdateMessage(found, at, L"2.0.2");
    EXPECT_EQ(message.empty(), !c.viewer && !c.firmwareNewer) << c.mode;
    // The only markup is the download pages' links.
    size_t anchors = 0;
    for (size_t pos = message.find(L"<a "); pos != std::wstring::npos; pos = message.find(L"<a ", pos + 1)) {
      ++anchors;
    }
    EXPECT_EQ(anchors, (c.viewer ? 1u : 0u) + (c.firmwareNewer ? 1u : 0u)) << c.mode;
  }
}

TEST(UpdateCheckAgainstServer, BothNewerGiveTwoItemsWithTheFirmwareFirst) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  const UpdateAddresses at = UpdateAddressesAt(LoopbackSite("both"));
  const std::wstring message = BuildUpdateMessage(FindUpdates(at, L"1.2.3", L"2.0.2", FetchVersion), at, L"2.0.2");
  const size_t firmware = message.find(std::wstring(UIText(110)) + L":\r\n" + UIText(109) + L"1.2.3");
  const size_t viewer = message.find(std::wstring(UIText(112)) + L":\r\n" + UIText(109) + L"2.0.2");
  ASSERT_NE(firmware, std::wstring::npos);
  ASSERT_NE(viewer, std::wstring::npos);
  EXPECT_LT(firmware, viewer);
  EXPECT_NE(message.find(L"<a href=\"" + at.firmwarePage + L"\">"), std::wstring::npos);
  EXPECT_EQ(message.substr(message.size() - 6), L"</a>\r\n");
}

TEST(UpdateCheckAgainstServer, LongVersionsAreBounded) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  const UpdateFindings found =
      FindUpdates(UpdateAddressesAt(LoopbackSite("long")), std::wstring(400, L'1'), L"2.0.2", FetchVersion);
  EXPECT_EQ(found.viewerNew, std::wstring(kVersionTextMax, L'9'));
  EXPECT_EQ(found.firmwareCurrent.size(), kVersionTextMax);
}

TEST(UpdateCheckDecision, AnUnreadableViewerFileReportsNothingAndNoFirmwareSkipsItsFile) {
  int firmwareReads = 0;
  const UpdateAddresses at = UpdateAddressesAt(L"http://site");
  auto fetch = [&](const std::wstring& url, std::wstring* v) {
    if (url == at.firmwareFile) {
      ++firmwareReads;
      *v = L"9.9.9";
      return true;
    }
    return false;
  };
  EXPECT_FALSE(FindUpdates(at, L"1.0.0", L"2.0.2", fetch).Any());
  EXPECT_EQ(firmwareReads, 1);
  FindUpdates(at, L"", L"2.0.2", fetch);
  EXPECT_EQ(firmwareReads, 1);
}

// Servers that never finish: each fetch fails by itself (the safety net only catches a hang).
TEST(VersionFetch, AStallingOrBrokenServerFails) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  for (const char* mode : {"stall", "stallbody", "midbody", "missing"}) {
    const std::wstring url = UpdateAddressesAt(LoopbackSite(mode)).viewerFile;
    auto fetch = std::async(std::launch::async, [url] {
      std::wstring version = L"stale";
      const bool ok = FetchVersion(url, &version);
      return ok || !version.empty();
    });
    ASSERT_EQ(fetch.wait_for(kSafetyNet), std::future_status::ready) << mode;
    EXPECT_FALSE(fetch.get()) << mode;
  }
}

TEST(ConnectionTest, AListeningHostIsReachableAndAClosedPortIsNot) {
  if (LoopbackSite("").empty()) GTEST_SKIP() << "needs the loopback server";
  EXPECT_TRUE(TestConnection(LoopbackSite("")));
  EXPECT_FALSE(TestConnection(L"http://127.0.0.1:9/"));
}

struct ProxyCase {
  const wchar_t* text;
  bool ok;
  const wchar_t* host;
  unsigned short port;
};

TEST(ProxyText, HostAndPortOrThePreconfiguredSession) {
  const ProxyCase cases[] = {
      {L"h:8080", true, L"h", 8080},
      {L"http=h:1;https=g:2", true, L"h", 1},
      {L"https=g:2;HTTP=proxy.lan:3128", true, L"proxy.lan", 3128},
      {L"http://h:8080/", true, L"h", 8080},
      {L"https=g:2", false, L"", 0},
      {L"h", false, L"", 0},
      {L"", false, L"", 0},
      {L":80", false, L"", 0},
      {L"h:", false, L"", 0},
      {L"h:0", false, L"", 0},
      {L"h:65536", false, L"", 0},
      {L"h:80x", false, L"", 0},
      {L"h:99999999999", false, L"", 0},
  };
  for (const ProxyCase& c : cases) {
    std::wstring host;
    unsigned short port = 0;
    EXPECT_EQ(ParseProxyServer(c.text, &host, &port), c.ok) << std::string(c.text, c.text + wcslen(c.text));
    if (c.ok) {
      EXPECT_EQ(host, c.host);
      EXPECT_EQ(port, c.port);
    }
  }
  EXPECT_FALSE(ParseProxyServer(L"x:" + std::wstring(300, L'1'), nullptr, nullptr));
}

}  // namespace
