// The message box that names a failed HRESULT, shown for the playback core's platform calls.
#pragma once

#include <windows.h>

#include <string>

namespace playcore {

// The text shown for a failure code: its name, the "install codecs" text for a missing filter once the
// main dialog has handed it in, else "Unknown 0x%x" in lower-case hex.
std::wstring HResultErrorText(HRESULT hr);

// 1 for a success code; otherwise shows the text with the caption "ERROR", owned by the window handed
// to SetErrorBoxOwner, and answers 0.
//
// The box runs a message loop, so whatever the owner's window does meanwhile (its close, its timers, the
// next open) runs on this thread. A thread that holds a player instance (its gate entered, maybe its
// mutex) does not show the box there: a close from the box would wait for that very instance for ever.
// The first failure is kept and shown once the thread has let its last instance go. A failure raised
// from inside a box this thread already shows is not shown on top of it.
int ShowHResultError(HRESULT hr);

// The window the boxes belong to (the main window, which is disabled while one is up); null: none.
void SetErrorBoxOwner(HWND owner);

// Called by the instance gate as this thread enters and leaves an instance; the leave that lets the
// last one go shows the box kept meanwhile.
void HoldErrorBoxes();
void ReleaseErrorBoxes();

// The UI text shown for 0x80040200 (no filter could take the stream); copied.
void SetCodecMissingText(const wchar_t* text);

// Where the box is shown; tests replace it to read the text and caption without a window.
typedef int(WINAPI* MessageBoxHook)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);  // null restores MessageBoxW; answers the old

}  // namespace playcore
