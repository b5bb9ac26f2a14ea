// The file selection dialog's choices: row clicks, the join mode's run, select all, the camera and
// upload options, and the delayed warning about rows that cannot be chosen.
#include "tavrin/browser/file_select_dlg.h"

#include "res/browser_res.h"
#include "tavrin/skin/ui_texts.h"

namespace {
constexpr UINT kTextNotChoosable = 179;
constexpr UINT kTextConfirm = 106;
}  // namespace

void CFileSelectDlg::SetRowState(int row, UINT state) {
  if (row >= 0 && row < RowCount() && RowState(row) != state) m_list.SetStateImage(row, state);
}

LRESULT CFileSelectDlg::OnListClicked(WPARAM, LPARAM lp) {
  const int row = static_cast<int>(lp);
  if (row < 0 || row >= RowCount()) return 0;
  m_list.m_nClickedItem = row;
  const UINT state = RowState(row);
  SetRowState(row, state == kStateChosen ? kStateNotChosen : kStateChosen);
  if (m_nMode == kModeJoin && !m_bBusy) {
    m_list.SetRedraw(FALSE);
    m_bBusy = TRUE;
    const bool stopped = StepChoiceRun(
        m_run, row, [this](int r) { return IsChoosable(r); },
        [this](int r) { return RowState(r) == kStateChosen; });
    ApplyRun(stopped);
    m_bBusy = FALSE;
    m_list.SetRedraw(TRUE);
    m_list.Invalidate();
  } else {
    m_run.anchor = row;
  }
  UpdateTotals();
  return 0;
}

void CFileSelectDlg::ApplyRun(bool stopped) {
  const int old = m_list.GetNextItem(-1, LVNI_SELECTED);
  if (old >= 0) m_list.SetItemState(old, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (m_run.anchor >= 0 && m_run.anchor < RowCount()) {
    m_list.SetItemState(m_run.anchor, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    m_list.SetSelectionMark(m_run.anchor);
  }
  for (int r = 0; r < RowCount(); ++r) SetRowState(r, m_run.Contains(r) ? kStateChosen : kStateNotChosen);
  if (stopped) SetTimer(kWarnTimer, kWarnDelayMs);
}

void CFileSelectDlg::SelectAllRows() {
  m_list.SetRedraw(FALSE);
  m_bBusy = TRUE;
  bool stopped = false;
  const BOOL on = m_chkOption[kSelectAll].m_bChecked;
  const ChoiceRun range = SelectAllRange(m_run.anchor, RowCount(), [this](int r) { return IsChoosable(r); },
                                         &stopped);
  for (int r = 0; r < RowCount(); ++r) SetRowState(r, on && range.Contains(r) ? kStateChosen : kStateNotChosen);
  m_run = on ? range : ChoiceRun{range.anchor, -1, 0};
  if (m_run.anchor < RowCount()) m_list.SetSelectionMark(m_run.anchor);
  m_bBusy = FALSE;
  m_list.SetRedraw(TRUE);
  m_list.Invalidate();
  if (on && stopped) SetTimer(kWarnTimer, kWarnDelayMs);
}

void CFileSelectDlg::UnchooseAll() {
  for (int r = 0; r < RowCount(); ++r) SetRowState(r, kStateNotChosen);
  m_run.Clear();
}

void CFileSelectDlg::UpdateCameraCode() {
  const BOOL main = m_chkOption[kMainCamera].m_bChecked;
  const BOOL rear = m_chkOption[kRearCamera].m_bChecked;
  m_nCamera = main && rear ? 3 : main ? 1 : rear ? 2 : 0;
}

void CFileSelectDlg::ToggleUpload() {
  CSkinCheckButton& upload = m_chkOption[kUpload];
  CSkinCheckButton& rear = m_chkOption[kRearCamera];
  if (!upload.m_bChecked) {
    rear.EnableWindow(TRUE);
    m_nUploadOption = 0;
    return;
  }
  // The upload conversion works on main-camera files only.
  if (m_nCamera == 0 || m_nCamera == 2) {
    upload.m_bChecked = FALSE;
    m_nUploadOption = 0;
  } else if (m_nCamera == 1) {
    rear.EnableWindow(FALSE);
    m_nUploadOption = 1;
  } else {
    rear.m_bChecked = FALSE;
    rear.EnableWindow(FALSE);
    rear.Invalidate(FALSE);
    UpdateCameraCode();
    m_nUploadOption = 1;
  }
}

void CFileSelectDlg::OnCheckCommand(UINT id) { OnCheckButton(id); }

void CFileSelectDlg::OnCheckButton(UINT id) {
  if (id < IDC_FILESEL_SHOW_ALL || id > IDC_FILESEL_UPLOAD) return;
  CSkinCheckButton& button = m_chkOption[id - IDC_FILESEL_SHOW_ALL];
  button.m_bChecked = !button.m_bChecked;
  switch (id) {
    case IDC_FILESEL_SHOW_ALL: FillRows(button.m_bChecked); break;
    case IDC_FILESEL_SELECT_ALL: SelectAllRows(); break;
    case IDC_FILESEL_MAIN_CAMERA:
    case IDC_FILESEL_REAR_CAMERA:
      UpdateCameraCode();
      if (!m_chkOption[kMainCamera].m_bChecked) {
        m_chkOption[kUpload].m_bChecked = FALSE;
        m_nUploadOption = 0;
        m_chkOption[kUpload].Invalidate(FALSE);
        m_chkOption[kRearCamera].EnableWindow(TRUE);
      }
      UnchooseAll();
      break;
    case IDC_FILESEL_UPLOAD: ToggleUpload(); break;
    default: break;
  }
  button.Invalidate(FALSE);
  UpdateTotals();
}

void CFileSelectDlg::OnTimer(UINT_PTR id) {
  if (id != kWarnTimer) {
    CSkinDialog::OnTimer(id);
    return;
  }
  KillTimer(kWarnTimer);
  Message(kTextNotChoosable, UIText(kTextConfirm), 0);
}
