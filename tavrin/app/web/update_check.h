// The update check's decisions, without the network: the version in a version file's body, whether the
// recorder's firmware or the viewer has a newer version, and the message of the update dialog. The
// fetch is handed in, so the same code runs against the maker's site and against a test server.
// Any thread (the update thread calls them).
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace quill::app {

// A version text is at most this many characters (the rest of a longer one is dropped).
constexpr size_t kVersionTextMax = 259;
// Bytes of a version file that are read; the version sits on its first line.
constexpr size_t kVersionBodyMax = 1024;

// A version is made of letters, digits, '.', '_' and '-' only. The texts go into the update dialog's
// link markup, and they come from a server over plain HTTP or from the card: anything else (a quote,
// '<', a blank) is not a version and is never shown.
bool IsVersionText(const std::wstring& text);

// The version in a version file's body (ANSI bytes): the text after the first "VER:", up to the first
// CR or LF, trailing blanks removed, at most kVersionTextMax characters. False (version cleared) when
// the body is empty, has no "VER:", no text after it, or that text is not a version (IsVersionText).
bool ParseVersionBody(const char* bytes, size_t count, std::wstring* version);

// The four addresses the check reads and links to.
struct UpdateAddresses {
  std::wstring firmwareFile;
  std::wstring firmwarePage;
  std::wstring viewerFile;
  std::wstring viewerPage;
};
// The addresses on a site ("http://host[:port]", no trailing '/').
UpdateAddresses UpdateAddressesAt(const std::wstring& site);
// The program's own: on the maker's site (web_addresses.h).
UpdateAddresses ProgramUpdateAddresses();

// Reads one version file: true with the version, false when it cannot be read or holds none.
using VersionFetch = std::function<bool(const std::wstring& url, std::wstring* version)>;

// What the check found.
struct UpdateFindings {
  bool firmware = false;  // the site's firmware differs from the card's
  bool viewer = false;    // the site's viewer differs from this program
  std::wstring firmwareCurrent, firmwareNew, viewerNew;
  bool Any() const { return firmware || viewer; }
};

// The check: the firmware only when a firmware version is known (storedFirmware a version), compared by
// their version parts (TrimVersionText); the viewer compared exactly with the program's version. When
// the viewer's file cannot be read or holds no version nothing is reported, whatever the firmware gave;
// a fetched firmware text that is not a version leaves the firmware out.
UpdateFindings FindUpdates(const UpdateAddresses& at, const std::wstring& storedFirmware,
                           const std::wstring& programVersion, const VersionFetch& fetch);

// The update dialog's text with its links (firmware item first); empty when nothing was found.
std::wstring BuildUpdateMessage(const UpdateFindings& found, const UpdateAddresses& at,
                                const std::wstring& programVersion);

}  // namespace quill::app
