// Resource and control ids of the main window and its small windows. The numbers are fixed: the main
// dialog, the movie window, the logo and the model selection name their templates, images and
// controls by them.
#pragma once

// Icons and cursors (res/app/, drawn by tools/draw_app_images.py).
#define IDI_MAIN                           128  // the main window's icon (16, 32, 48)
#define IDC_PANE_CURSOR                    191  // 32x32, the video panes' own cursor

// Dialog templates.
#define IDD_MAIN                           102  // the main window
#define IDD_LOGO                           354  // the logo window (child of the map frame)
#define IDD_CONTROLLER                     355  // the controller pad (child of the main window)
#define IDD_CONTAINER                      356  // the map frame (a child of the main window)
#define IDD_MOVIE_FRAME                    390  // the movie window: the frame's layout as a top-level window
#define IDD_MODEL_SELECT                   378  // the first-run model selection

// Controls of the model selection.
#define IDC_MODEL_TEXT                     1019
#define IDC_MODEL_SPARE1                   1020
#define IDC_MODEL_SPARE2                   1021

// Tool button faces: four 32x32 images side by side (normal, hover, pressed, disabled), black keyed.
#define IDB_TOOL_CSV                       137
#define IDB_TOOL_DELETE                    138
#define IDB_TOOL_FAST                      139
#define IDB_TOOL_SLOW                      142
#define IDB_TOOL_PREVIOUS                  144
#define IDB_TOOL_NEXT                      145
#define IDB_TOOL_SOURCE                    146
#define IDB_TOOL_PAUSE                     147
#define IDB_TOOL_PLAY                      148
#define IDB_TOOL_JOIN                      150
#define IDB_TOOL_SETTINGS                  151
#define IDB_TOOL_SNAPSHOT                  153
#define IDB_TOOL_FIRST                     154
#define IDB_TOOL_ENLARGE                   200
#define IDB_TOOL_FLIP                      357
#define IDB_TOOL_MAP                       358
#define IDB_TOOL_DISPLAY_MODE              359
#define IDB_TOOL_DISPLAY_SWITCH            367
#define IDB_TOOL_UPLOAD                    368
#define IDB_TOOL_MIRROR                    372
// Caption button faces (46x18 and 26x18 images) and the movie window's 13x12 size button.
#define IDB_CAPTION_CLOSE                  155
#define IDB_CAPTION_MINIMISE               156
#define IDB_CAPTION_SIZE                   157
#define IDB_MOVIE_SIZE                     375
#define IDB_PAD_UP                         360  // the controller pad's buttons, four faces each
#define IDB_PAD_DOWN                       361
#define IDB_PAD_LEFT                       362
#define IDB_PAD_RIGHT                      363
#define IDB_PAD_RESET                      364  // also the view-reset face of button 38012
