// The program's addresses on the web, in one place: the maker's web site with the version files and
// download pages of the update check, and the map service's host that the connectivity watch tests.
// The project has no published server: the site below is a reserved name that never resolves, so the
// update check finds nothing until a real site is put here. The fetch and decision functions take the
// address as a parameter; only the program passes these constants.
#pragma once

#include <string>

namespace quill::app {

// The maker's web site (scheme and host, no trailing '/').
inline constexpr wchar_t kMakerSite[] = L"http://www.quillmere.example";

inline constexpr wchar_t kFirmwareVersionPath[] = L"/support/recorder_update/model-a/model-a_sw_version.txt";
inline constexpr wchar_t kFirmwarePagePath[] = L"/support/recorder_update/model-a/model-a.html";
inline constexpr wchar_t kViewerVersionPath[] = L"/0_recorder/viewer/Quillmere/Quillmere_version.txt";
inline constexpr wchar_t kViewerPagePath[] = L"/0_recorder/viewer/Quillmere/viewer.html";

// The map service's host, as the map page loads its script from it.
inline constexpr wchar_t kMapCheckUrl[] = L"https://maps.googleapis.com/";

// The program's own version and name, as the settings dialog shows them and the update check compares.
inline constexpr wchar_t kProgramVersion[] = L"2.0.2";
inline constexpr wchar_t kProgramName[] = L"QuillmereX";

// The viewer's download page on a site (the settings dialog's link, the update message).
inline std::wstring ViewerPageUrl(const std::wstring& site = kMakerSite) { return site + kViewerPagePath; }

}  // namespace quill::app
