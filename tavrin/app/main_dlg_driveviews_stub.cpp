// Until the drive views are wired into the main window, following the position draws nothing more.
#include "tavrin/app/main_dlg.h"

void CtavrinDlg::RefreshDriveViews() {}
