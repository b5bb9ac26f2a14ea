// Resource and control ids of the drive-data views: the G-sensor graph and the info panel. The numbers
// are fixed: the main dialog and the views name their templates, images and controls by them.
#pragma once

// Dialog templates (borderless children; every control is made in code).
#define IDD_INFO_PANEL                     135
#define IDD_GSENSOR_GRAPH                  136

// Images (res/skin/, drawn by tools/draw_skin.py from tools/driveviews_images.json).
#define IDB_GRAPH_BACKGROUND               162  // 732x80; its width and height set the graph's geometry
#define IDB_GRAPH_ASSIST_MARK              176  // 9x9, white transparent: the mark of category 11
#define IDB_INFO_TOGGLE                    365  // 60x15: four 15x15 faces of the info panel's toggles
#define IDB_INFO_G_BLANK_X                 384  // 57x20: no G value, layout 0, one per axis
#define IDB_INFO_G_BLANK_Y                 385
#define IDB_INFO_G_BLANK_Z                 386
#define IDB_INFO_G_BLANK_X_LARGE           387  // 98x32: the same for layout 1
#define IDB_INFO_G_BLANK_Y_LARGE           388
#define IDB_INFO_G_BLANK_Z_LARGE           390

// Strings: the G-sensor graph's axis names (front-back, left-right, up-down).
#define IDS_GRAPH_AXIS_X                   166
#define IDS_GRAPH_AXIS_Y                   167
#define IDS_GRAPH_AXIS_Z                   168

// The info panel's toggles (one per G axis).
#define IDC_INFO_TOGGLE_FIRST              38600
#define IDC_INFO_TOGGLE_LAST               38602
