// Resource and control ids of the conversion-mask dialog.
#pragma once

#define IDD_CONVERT_MASK                   183  // borderless popup; the controls are made in code

// The converter's own pictures (tools/draw_convert_images.py).
#define IDP_CONVERT_BAND                   391  // 960x160, laid over the top third of every frame
#define IDP_CONVERT_MARK                   392  // 64x64, kept by the converter beside the band

#define IDC_CONVERT_PREVIEW                1013
#define IDC_CONVERT_CLOSE                  26
#define IDC_CONVERT_DELETE_ALL             33
#define IDC_CONVERT_UNDO                   34
#define IDC_CONVERT_REMOVE_AUDIO           34469
#define IDC_CONVERT_REMOVE_AUDIO_LAST      34470
