// CSourceOpenDlg: where recordings are read from: an SD card (a removable drive), a folder or one movie
// file. The choice and the three values are kept in the settings file (section SOURCE), so the dialog
// opens with the last choice and the start-up source rule reads the same keys. The source command runs
// it modally and, on IDOK, opens the source its members (or the settings keys) name.
//
// The source command: CSourceOpenDlg dlg(this); on IDOK the browser pane opens
// (dlg.ChosenSourcePath(), dlg.m_nKind): the kinds are the pane's own source kinds.
//
// Threads: UI thread only.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "platform/framework/controls.h"
#include "platform/framework/cstring.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"

namespace quill::app {

// The chosen kind of source.
enum SourceKind { kSourceSd = 1, kSourceFolder = 2, kSourceFile = 3 };

// The kind a stored SOURCE/SELECT names: "FOLDER" and "FILE" theirs, anything else the SD card.
SourceKind SourceKindOfSelect(const CString& select);
// Whether OK can be pressed: the chosen row has a value.
bool SourceChoiceComplete(SourceKind kind, bool driveSelected, const CString& folder, const CString& file);
// The open-file dialog's first name: the folder and "*.mp4" joined by '\\'; "*.mp4" alone when that
// would not fit a path buffer of MAX_PATH characters.
CString FileBrowseInitialName(const CString& folder);
// Writes SOURCE/SELECT and the kind's own key; false when a write failed.
bool WriteSourceChoice(SourceKind kind, const CString& drive, const CString& folder, const CString& file);

// How the open-file dialog is shown; replaceable for the tests.
using OpenFileFn = BOOL(WINAPI*)(OPENFILENAMEW* ofn);
void SetOpenFileFunction(OpenFileFn fn);  // null: GetOpenFileNameW

// How OK tells that the choice could not be stored (the dialog then stays open); replaceable for the
// tests.
using SourceErrorFn = void (*)(HWND owner, const wchar_t* text);
void SetSourceErrorFunction(SourceErrorFn fn);  // null: the program's message box

// A skinned button that shows its text on a framed face (the "..." buttons have no images).
class CTextSkinButton : public CSkinButton {
 public:
  void DrawItem(LPDRAWITEMSTRUCT dis) override;
};

class CSourceOpenDlg : public CSkinDialog {
 public:
  static constexpr int kWidth = 540;
  static constexpr int kHeight = 250;

  explicit CSourceOpenDlg(CWnd* parent = nullptr);
  ~CSourceOpenDlg() override = default;

  BOOL OnInitDialog() override;
  void OnOK() override;
  // After IDOK: the drive without its backslash ("E:"), the folder or the file, by m_nKind.
  CString ChosenSourcePath() const;

  CSkinCheckButton m_choice[3];  // SD card, folder, file
  CComboBox m_cbDrives;
  CEdit m_edFolder;
  CEdit m_edFile;
  CTextSkinButton m_btnFolder;
  CTextSkinButton m_btnFile;
  CString m_strFolder;
  CString m_strFile;
  CString m_strDrive;
  SourceKind m_nKind = kSourceSd;

 protected:
  void OnChooseKind(UINT id);
  void OnBrowseFolder();
  void OnBrowseFile();
  void OnDriveChange();
  void OnEditChange();
  void OnCaptionClose() { OnCancel(); }
  DECLARE_MESSAGE_MAP()

 private:
  void CreateRows();
  void FillDrives();
  void UpdateOk();
};

}  // namespace quill::app
