// CFileSelectDlg: picks recordings of the current list for the delete command (mode 0), a backup
// (mode 1) or the join and upload-conversion commands (mode 2). Rows carry check-box state images
// (1 not chosen, 2 not chosen under the mouse, 3 chosen); check buttons show all files of the source,
// select every shown row and choose the cameras; the totals of the chosen files are shown, the join
// limits enforced, and OK hands the chosen records back in m_chosen. The dialog's choice lives in the
// rows' state images only: the records' selection flag (set by a join on the rows it picked) is
// read, to draw those rows marked in the join mode, and never written.
//
// Threads: the thread that runs the dialog (DoModal works on workers too); messages through m_showMessage.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "tavrin/browser/file_select_run.h"
#include "tavrin/browser/recording_pair.h"
#include "tavrin/skin/skin_button.h"
#include "tavrin/skin/skin_dialog.h"
#include "tavrin/skin/skin_list.h"

class CFileSelectDlg : public CSkinDialog {
 public:
  static constexpr UINT kTemplateId = 178;
  static constexpr int kModeDelete = 0;
  static constexpr int kModeBackup = 1;
  static constexpr int kModeJoin = 2;
  static constexpr size_t kMaxCandidates = 1500;
  static constexpr uint64_t kSizeLimitMb = 1024;
  static constexpr int kCountLimit = 100;
  static constexpr UINT kCloseCommand = 22;
  static constexpr UINT_PTR kWarnTimer = 300;
  static constexpr UINT kWarnDelayMs = 500;
  static constexpr UINT kStateNotChosen = 1;
  static constexpr UINT kStateHover = 2;
  static constexpr UINT kStateChosen = 3;
  enum Option { kShowAll = 0, kSelectAll, kMainCamera, kRearCamera, kUpload, kOptionCount };

  explicit CFileSelectDlg(CWnd* parent = nullptr);
  ~CFileSelectDlg() override;

  // Copies at most the first 1500 records; more are announced once. Returns 1.
  int SetRecordings(const RecordingList& records);
  // Every recording of the source, offered by "show all files" (capped like SetRecordings, silently).
  void SetAllRecordings(const RecordingList& records);

  BOOL OnInitDialog() override;
  void OnOK() override;

  void FillRows(BOOL showAll);
  void UpdateTotals();
  bool IsChoosable(int row) const;
  UINT RowState(int row) const;
  int RowCount() const { return static_cast<int>(m_shown.size()); }
  // What a click on a check button does (also what the tests drive).
  void OnCheckButton(UINT id);

  CSkinListCtrl m_list;
  CImageList m_stateImages;
  CSkinCheckButton m_chkOption[kOptionCount];
  int m_nMode = kModeDelete;
  RecordingList m_records;
  RecordingList m_allRecords;
  RecordingList m_shown;
  RecordingList m_chosen;
  BOOL m_bBusy = FALSE;
  BOOL m_bMainSizeOver = FALSE, m_bRearSizeOver = FALSE;
  BOOL m_bMainCountOver = FALSE, m_bRearCountOver = FALSE;
  int m_nCamera = 3;
  int m_nUploadOption = 0;
  ChoiceRun m_run;
  uint64_t m_uMainTotalMb = 0, m_uRearTotalMb = 0;
  BOOL m_bUploadAvailable = TRUE;
  // Shows a message (text, caption, type); the skinned message box unless a caller replaces it.
  std::function<INT_PTR(const wchar_t*, const wchar_t*, UINT)> m_showMessage;

 protected:
  LRESULT OnListClicked(WPARAM wp, LPARAM lp);
  void OnCheckCommand(UINT id);
  void OnCloseCommand();
  void OnTimer(UINT_PTR id);
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT ctlType);
  void OnListCustomDraw(NMHDR* hdr, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  void CreateOptionButtons();
  void ApplyMode();
  void PlaceOnOwnerMonitor();
  void SetRowState(int row, UINT state);
  void ApplyRun(bool stopped);
  void SelectAllRows();
  void UnchooseAll();
  void UpdateCameraCode();
  void ToggleUpload();
  INT_PTR Message(UINT textId, const wchar_t* caption, UINT type);
};
