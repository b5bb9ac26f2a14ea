// Centring the dialogs in a monitor's work area.
#include "tavrin/app/dialogs/dialog_placement.h"

#include "tavrin/skin/window_utils.h"

namespace quill::app {

bool PlaceDialogOnMonitor(CWnd* dlg, CWnd* anchor, int width, int height) {
  if (!dlg || !dlg->m_hWnd || !anchor || !anchor->m_hWnd) return false;
  RECT work;
  if (!GetMonitorWorkRect(anchor, &work)) return false;
  const RECT rc = CentredIn(work, width, height);
  // A child's position is in its parent's client coordinates; these dialogs are popups.
  dlg->MoveWindow(rc.left, rc.top, width, height, TRUE);
  return true;
}

}  // namespace quill::app
