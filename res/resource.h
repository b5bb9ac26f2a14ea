// Resource ids of the program. Numbers are fixed: the windows name their images, templates and
// controls by them.
#pragma once

// Skin images (res/skin/, drawn by tools/draw_skin.py from tools/skin_images.json).
#define IDB_SKIN_BACKDROP                  129  // 1200x750
#define IDB_SKIN_SEEK_REST                 159  // 256x16
#define IDB_SKIN_SEEK_THUMB                160  // 14x16
#define IDB_SKIN_SEEK_THUMB_PRESSED        161  // 14x16
#define IDB_SKIN_LOGO                      164  // 392x406
#define IDB_SKIN_VOLUME_PLAYED             167  // 128x12
#define IDB_SKIN_VOLUME_REST               168  // 128x12
#define IDB_SKIN_VOLUME_THUMB              169  // 10x12
#define IDB_SKIN_VOLUME_THUMB_PRESSED      170  // 10x12
#define IDI_APP                            171  // 16, 32
#define IDB_SKIN_SEEK_PLAYED               174  // 256x16
#define IDB_SKIN_GPS_FIX                   190  // 30x21
#define IDB_SKIN_TRIGGER_CONTINUOUS        192  // 60x35
#define IDB_SKIN_TRIGGER_MANUAL            195  // 60x35
#define IDB_SKIN_TRIGGER_SHOCK             196  // 60x35
#define IDB_SKIN_TRIGGER_PARKING           197  // 60x35
#define IDB_SKIN_TRIGGER_PARKING_SHOCK     198  // 60x35
#define IDB_SKIN_TRIGGER_RADAR             199  // 60x35
#define IDB_SKIN_HEADER_STRIP              201  // 720x77
#define IDB_SKIN_LABEL_STRIP_309X34        202  // 309x34
#define IDB_SKIN_UNIT_TAG_KMH              203  // 76x31
#define IDB_SKIN_UNIT_TAG_MPH              204  // 76x31
#define IDB_SKIN_UNIT_TAG_GPS              205  // 76x31
#define IDB_SKIN_LABEL_STRIP_191X19        206  // 191x19
#define IDB_SKIN_LABEL_STRIP_139X14        207  // 139x14
#define IDB_SKIN_AXIS_TAG_Z                208  // 45x18
#define IDB_SKIN_AXIS_TAG_X                209  // 45x18
#define IDB_SKIN_AXIS_TAG_Y                210  // 45x18
#define IDB_SKIN_ON_TAG                    211  // 48x16
#define IDB_SKIN_DATE_TAG                  212  // 80x26
#define IDB_SKIN_SMALL_TAG                 213  // 32x14
#define IDB_SKIN_SIDE_PANEL_WIDE           214  // 452x634
#define IDB_SKIN_SIDE_PANEL_NARROW         215  // 227x634
#define IDB_SKIN_CHECK_BOX                 217  // 48x12
#define IDB_SKIN_LABEL_STRIP_187X21        218  // 187x21
#define IDB_SKIN_SPEED_TAG                 219  // 32x21
#define IDB_SKIN_DIAL_GX                   307  // 210x151
#define IDB_SKIN_DIAL_GY                   309  // 210x151
#define IDB_SKIN_NEEDLE                    312  // 22x106
#define IDB_SKIN_NEEDLE_MASK               313  // 22x106
#define IDB_SKIN_DIAL_SPEED                320  // 210x151
#define IDB_SKIN_DIAL_GZ                   321  // 210x151
#define IDB_SKIN_LOGO_PARKING              324  // 392x406
#define IDB_SKIN_DIAL_RPM                  325  // 210x151
#define IDP_SKIN_INFO_SPEED_1X             331  // 48x35
#define IDP_SKIN_INFO_SPEED_2X             332  // 48x35
#define IDP_SKIN_INFO_SPEED_4X             333  // 48x35
#define IDP_SKIN_INFO_SMALL_A              334  // 25x35
#define IDP_SKIN_INFO_SMALL_B              335  // 25x35
#define IDP_SKIN_INFO_SMALL_C              336  // 25x35
#define IDP_SKIN_INFO_SMALL_D              337  // 25x35
#define IDP_SKIN_INFO_SQUARE_F             338  // 35x35
#define IDP_SKIN_INFO_SQUARE_B             339  // 35x35
#define IDP_SKIN_INFO_SQUARE_L             340  // 35x35
#define IDP_SKIN_INFO_SQUARE_R             341  // 35x35
#define IDP_SKIN_INFO_LABEL_FRONT          342  // 80x18
#define IDP_SKIN_INFO_LABEL_REAR           343  // 80x18
#define IDP_SKIN_INFO_LABEL_DUAL           344  // 80x18
#define IDP_SKIN_INFO_LABEL_360            345  // 80x18
#define IDP_SKIN_INFO_TRIGGER              348  // 42x35
#define IDP_SKIN_INFO_LABEL_FLAT           349  // 80x18
#define IDB_SKIN_OFF_TAG                   350  // 48x16
#define IDB_SKIN_TIME_TAG                  351  // 42x28
#define IDB_SKIN_CAPTION_CLOSE             352  // 52x12
#define IDB_SKIN_CONTROLLER_PAD            366  // 140x120
#define IDB_SKIN_CAMERA_MAIN               376  // 78x45
#define IDB_SKIN_CAMERA_REAR               377  // 78x45

// The skinned message box.
#define IDD_MSGBOX                         326
#define IDC_MSGBOX_TEXT                    1012
