// The two faces of the join button as tool workers: the join (folder, file selection, join, optional
// upload conversion) and the upload conversion of the current recording. They do everything between
// the tool frame's start and finish: the folder choice, the dialogs, the messages, the settings.
//
// The tool frame runs one of them on its worker thread:
//   ConvertToolHost host;  host.mainWnd = this; host.progressOwner = m_hWnd; host.shown = <shown list>;
//   host.current = <current record or empty>; host.stopPlayback = ...; host.markRows = ...;
//   host.cancel = &<its CommandCancel>;            // its stop calls cancel->Cancel()
//   int r = JoinToolThread(host);                  // or UploadConvertToolThread(host)
// r: 0 done, 1 failed (the failure message was shown), 2 cancelled or nothing to do (quiet). The
// upload conversion's 0 is the tool's success; a join sets no success (no completion message).
//
// Threads: a worker thread. The dialogs run modally on it, owned by `mainWnd`, whose thread must keep
// pumping (and must not wait for this worker without pumping). `stopPlayback` and `markRows` are
// called on the worker and must reach the UI thread themselves (SendMessage to the main window).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/framework/wnd.h"
#include "tavrin/app/tools/join_command.h"
#include "tavrin/browser/recording_pair.h"

class CFileSelectDlg;

namespace quill::app {

struct ConvertToolHost {
  CWnd* mainWnd = nullptr;       // owner of the dialogs and message boxes
  HWND progressOwner = nullptr;  // gets quill::msg::kProgress from the join and the converter
  RecordingList shown;           // join: the recordings offered (the main dialog's shown list)
  bool hasCurrent = false;       // upload conversion: the current recording
  sRECORDINGPAIR current = {};
  std::function<void()> stopPlayback;
  // Sets (true) or clears (false) the row flags of the picked recordings in the shown list.
  std::function<void(const RecordingList& picked, bool set)> markRows;
  CommandCancel* cancel = nullptr;

  // Replaceable steps (tests); null: the program's own dialogs and system calls.
  std::function<std::wstring(const wchar_t* key)> chooseFolder;  // FOLDERPATH/<key> or a browse
  std::function<INT_PTR(CFileSelectDlg& dlg)> runSelection;       // DoModal
  std::function<INT_PTR(const wchar_t* text, const wchar_t* caption, UINT type)> message;
  std::function<int(const std::wstring& source, ConvertOptions* options)> options;  // CConvertDlg
  ConvertFn convert;                                              // ConvertRecording
  FreeSpaceFn freeSpace;
  std::function<void(const wchar_t* key, const std::wstring& folder)> storeFolder;  // WriteIni
  std::function<bool(int channel)> joinWriting;                   // JoinHooks::writing
  // Where the reason of a failed join or conversion goes (the message box says only that it
  // failed); null: the debugger output.
  std::function<void(const std::string& line)> log;
};

int JoinToolThread(ConvertToolHost& host);
int UploadConvertToolThread(ConvertToolHost& host);

// The conversion-mask dialog run modally for `source`: 0 with the areas and the audio choice when it
// was accepted, else 2.
int RunConvertOptions(CWnd* parent, const std::wstring& source, ConvertOptions* options);

}  // namespace quill::app
