// Which addresses the Internet Explorer map dialog treats as its own page: the control reports the
// page's address in its own canonical form (spaces and characters outside ASCII percent-escaped as
// UTF-8, '/' for '\'), so the program's path is compared after undoing both, and the path must be
// followed by the '/' that starts the resource name (a longer file name that begins with the
// program's is another file).
#pragma once

#include <string>

namespace driveviews {

// `url` names a resource of the program at `programPath` (res://<program>/<resource>).
bool IsOwnMapPage(const std::wstring& url, const std::wstring& programPath);
// The control may go to `url`: the program's own page, or the empty page it starts from.
bool AllowMapNavigation(const std::wstring& url, const std::wstring& programPath);
// The page at `url` gets window.external: the program's own page only.
bool GivesMapExternal(const std::wstring& url, const std::wstring& programPath);

// %XX escapes undone, decoded as UTF-8; text that does not decode as UTF-8 keeps its escapes.
std::wstring UnescapeUrlText(const std::wstring& text);

}  // namespace driveviews
