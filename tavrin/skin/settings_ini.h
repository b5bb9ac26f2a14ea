// The settings file Default_Folder.ini in the start-up working directory (GetAppDirectory), the
// folder chooser that starts at a stored folder, the removable drives and the start-up source.
//
// Keys of the file (section / key: values; who writes, who reads):
//   DISPLAY / INFOCHECK  "31"                     start-up when the file is missing; nobody
//   DISPLAY / ASPECT     "on" | "off"             start-up ("on"), the aspect command; nobody
//   DISPLAY / VOLUME     "%d" 0..65535            start-up ("65535"), volume changes; start-up
//   DISPLAY / MODELSELECT "0" | "1" | "2"         model selection; start-up (empty: first run)
//   DECODE / INNER       free text                nobody; start-up
//   MAP / SERVICEKEY     the map service key      the user; the map page (only inside its script address)
//   DECODE / HW          "on" = hardware decoding nobody; start-up
//   SOURCE / SELECT      "FILE" | "FOLDER" | "SD" source dialog; source dialog
//   SOURCE / FOLDER, FILE  paths                  source dialog; FindDefaultSourceFolder, source dialog
//   FOLDERPATH / CSV_FOLDER, CONNECT_FOLDER, CONVERT_FOLDER, SNAPSHOT_FOLDER
//                        output folders           the CSV, join, conversion and snapshot commands
//
// Every function may be called from the UI thread and from the tool workers: each access is one call of
// the system's profile functions, which serialise access to the file.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "platform/framework/cstring.h"
#include "platform/framework/wnd.h"

constexpr wchar_t kIniFileName[] = L"Default_Folder.ini";
constexpr int kIniValueMax = 259;  // characters of a value that a read returns

// The full path of the settings file; empty while no working directory has been captured (the file is
// then neither read nor written: it must never land at the root of the current drive).
CString GetIniFilePath();

// Writes one value; afterwards the file has the hidden attribute alone. FALSE when the write failed
// (the attributes are then as before). Any thread; the writes of the process happen one at a time.
BOOL WriteIni(LPCWSTR section, LPCWSTR key, LPCWSTR value);

// One value, or "" for a missing file, section or key.
CString ReadIni(LPCWSTR section, LPCWSTR key);

// Writes DISPLAY/INFOCHECK "31", DISPLAY/ASPECT "on" and DISPLAY/VOLUME "65535" when the file does not
// exist yet (start-up). TRUE when the file was missing and all three were written.
BOOL WriteIniDefaultsIfMissing();

// The folder chooser: starts at the stored folder (section, key), or at the start-up directory when
// none is stored; returns the chosen folder or "" (cancelled or unresolvable, the latter reported with
// UI text 98). It never writes the file: callers store a non-empty result themselves. Works on worker
// threads (it sets up COM on the calling thread for the chooser's lifetime).
CString GetFolderFromIniOrBrowse(CWnd* parent, LPCWSTR section, LPCWSTR key, LPCWSTR title);

// The chooser's callback: selects the start folder (lpData) when the chooser is ready; returns 0.
int CALLBACK BrowseCallbackProc(HWND hwnd, UINT msg, LPARAM lp, LPARAM data);

// The roots of the removable drives ("E:\\"), drive A: left out. Returns the index of the last root
// added, or -1 when there is none or the drive list could not be read.
int GetRemovableDrives(CStringArray& drives);

// The source to open at start-up: 1 the last removable drive whose root exists (path "E:", without the
// backslash), else 2 the stored SOURCE/FOLDER when it exists, else 3 the stored SOURCE/FILE when it
// exists, else 0 (path then holds the stored file value, possibly empty).
int FindDefaultSourceFolder(CString& path);

// A stored source path as a full path: a relative one (a hand-edited settings file) is taken against
// the folder of the settings file (GetAppDirectory); a full path, an empty one, or one too long to
// combine comes back as it is.
CString SourcePathInAppDirectory(const CString& stored);

namespace quill::skin {

// How the chooser and its failure message are shown; replaceable (tests, the skinned message box).
using FolderBrowseFn = PIDLIST_ABSOLUTE (*)(BROWSEINFOW* info);
using SettingsMessageFn = void (*)(CWnd* owner, LPCWSTR text, LPCWSTR caption);
void SetFolderBrowseFunction(FolderBrowseFn fn);      // null: the shell's chooser
void SetSettingsMessageFunction(SettingsMessageFn fn);  // null: the skinned message box (CMsgBox)

// The chooser flags: file-system folders only, the resizable new-style dialog.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;  // 0x41
constexpr unsigned kUITextFolderPathFailed = 98;  // "フォルダパスの取得に失敗しました。"

}  // namespace quill::skin
