// Resource and control ids of the recordings browser: the browser pane, the file selection dialog and
// the folder tree's trigger marks. The numbers are fixed: the windows name their templates, images and
// controls by them.
#pragma once

// Dialog templates.
#define IDD_FILER_CONTAINER                353  // the browser pane (a child dialog; children made in code)
#define IDD_FILE_SELECT                    178  // the file selection dialog

// Folder-tree trigger marks (res/skin/, drawn by tools/draw_skin.py; white is transparent).
#define IDB_TREE_MARK_SHOCK                315  // 14x14, group G
#define IDB_TREE_MARK_MANUAL               316  // 14x14, group M
#define IDB_TREE_MARK_PARKING_SHOCK        317  // 14x14, groups S and U
#define IDB_TREE_MARK_PARKING              318  // 14x14, groups P and T
#define IDB_TREE_MARK_BASE                 319  // 14x14, "has recordings"
#define IDB_TREE_MARK_SPEED_CAMERA         346  // 21x14, group O
#define IDB_TREE_MARK_RADAR                347  // 21x14, group R

// Controls of the file selection dialog.
#define IDC_FILESEL_LIST                   1003
#define IDC_FILESEL_SHOW_ALL               1004
#define IDC_FILESEL_SELECT_ALL             1005
#define IDC_FILESEL_MAIN_CAMERA            1006
#define IDC_FILESEL_REAR_CAMERA            1007
#define IDC_FILESEL_UPLOAD                 1008
#define IDC_FILESEL_TOTAL_MAIN             1009
#define IDC_FILESEL_TOTAL_REAR             1010
