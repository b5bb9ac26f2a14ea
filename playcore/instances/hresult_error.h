// The message box that names a failed HRESULT, shown for the playback core's platform calls.
#pragma once

#include <windows.h>

#include <string>

namespace playcore {

// The text shown for a failure code: its name, the "install codecs" text for a missing filter once the
// main dialog has handed it in, else "Unknown 0x%x" in lower-case hex.
std::wstring HResultErrorText(HRESULT hr);

// 1 for a success code; otherwise shows the text with the caption "ERROR" and answers 0.
int ShowHResultError(HRESULT hr);

// The UI text shown for 0x80040200 (no filter could take the stream); copied.
void SetCodecMissingText(const wchar_t* text);

// Where the box is shown; tests replace it to read the text and caption without a window.
typedef int(WINAPI* MessageBoxHook)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);  // null restores MessageBoxW; answers the old

}  // namespace playcore
