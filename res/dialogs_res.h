// Resource and control ids of the settings, source selection and update dialogs. The numbers are fixed:
// the main dialog and the dialogs name their templates, images and controls by them.
#pragma once

// Dialog templates (borderless popups; the controls are made in code, except the update dialog's
// buttons).
#define IDD_SETTINGS                       175
#define IDD_SOURCE_OPEN                    179
#define IDD_UPDATE                         220

// Images (res/skin/, drawn by tools/draw_skin.py from tools/dialogs_images.json).
#define IDB_CHOICE_BOX                     327  // 48x12: four 12x12 faces of a choice box

// Settings dialog.
#define IDC_SETTINGS_PARKING_SHOCK         32968
#define IDC_SETTINGS_FORMAT                32978  // the SD-card format command (no control sends it)
#define IDC_SETTINGS_VERSION               32981
#define IDC_SETTINGS_LINK                  38800
#define IDC_SETTINGS_CLOSE                 21

// Source selection dialog.
#define IDC_SOURCE_SD                      39000
#define IDC_SOURCE_FOLDER                  39001
#define IDC_SOURCE_FILE                    39002
#define IDC_SOURCE_FOLDER_BROWSE           39003
#define IDC_SOURCE_FILE_BROWSE             39004
#define IDC_SOURCE_DRIVES                  39100
#define IDC_SOURCE_FOLDER_EDIT             39200
#define IDC_SOURCE_FILE_EDIT               39201
#define IDC_SOURCE_CLOSE                   23

// Update dialog.
#define IDC_UPDATE_LINK                    1010
