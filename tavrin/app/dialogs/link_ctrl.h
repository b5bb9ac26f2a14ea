// The link control of the settings and update dialogs, and the one handler of its clicks. The control
// is the common controls' SysLink (version 6, through the program's manifest); where that class is
// missing the markup's text is shown in a read-only edit instead, so the dialog still opens.
// UI thread of the owning dialog.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/framework/wnd.h"

namespace quill::app {

class CLinkCtrl : public CWnd {
 public:
  // markup: text with <a href="...">...</a> elements.
  BOOL Create(const wchar_t* markup, DWORD style, const RECT& rect, CWnd* parent, UINT id);
  bool IsSysLink() const { return sysLink_; }

 private:
  bool sysLink_ = false;
};

// The markup with its anchor elements removed (the fallback's text).
std::wstring LinkMarkupText(const std::wstring& markup);

// How a clicked address is opened; the tests record it instead.
using UrlOpener = void (*)(HWND owner, const wchar_t* url);
void SetUrlOpener(UrlOpener opener);  // null: ShellExecuteW "open", SW_SHOWNORMAL

// An address a click may open: "http://" or "https://" (any case) and a host, with no blank, control
// character, quote or angle bracket. Anything else (a program's path, "file:", a script) is never handed
// to the shell, whatever markup put it there.
bool IsWebAddress(const std::wstring& url);

// NM_CLICK of a link: opens the clicked item's address (bounded to its buffer) when it is a web address
// and, when `only` is not empty, exactly one of those. The result is 0.
void OpenClickedLink(HWND owner, const NMHDR* hdr, LRESULT* result, const std::vector<std::wstring>& only = {});

}  // namespace quill::app
