// The program's seven fonts, the screen's DPI factor, the UI language row and the working directory
// captured at start-up. InitAppFontsAndLanguage sets them once (the main dialog's OnInitDialog);
// afterwards every window only reads them, from any thread.
#pragma once

#include <windows.h>

#include "platform/framework/cstring.h"
#include "platform/framework/wnd.h"

extern double g_dDpiScale;  // horizontal DPI / 96 (1.0 at 96 DPI); never 0 or negative
extern HFONT g_hFont9;
extern HFONT g_hFont10;
extern HFONT g_hFont13;
extern HFONT g_hFont17;
extern HFONT g_hFont22;
extern HFONT g_hFont12;
extern HFONT g_hFont15;
extern wchar_t g_szAppDirectory[MAX_PATH];

// The US English user language, which selects row 1 of the UI text table.
constexpr LANGID kLangIdUsEnglish = 1033;

// Sets the DPI factor, the language row and the fonts from the window's DC (the screen's when wnd is
// null) and captures the working directory. Returns 0 without changing anything when no DC could be had
// (the directory is captured all the same), else 1.
int InitAppFontsAndLanguage(CWnd* wnd);

// The working directory captured by InitAppFontsAndLanguage (empty before it ran).
CString GetAppDirectory();

// Deletes the seven fonts (at shut-down, after the main dialog has ended).
void DeleteAppFonts();

namespace quill::skin {

// The point sizes of the seven fonts, in the order of their creation and of the globals above.
constexpr int kFontPointSizes[7] = {9, 10, 13, 17, 22, 12, 15};

// The DPI factor of a horizontal DPI: dpiX / 96, and 1.0 when the DPI is unknown (0 or negative).
double DpiScaleOf(int dpiX);

// lfHeight of a font of `points` at the given DPIs: the size is divided by the DPI factor and truncated
// before it is scaled by the vertical DPI, so the pixel height stays about the same at every DPI.
int AppFontHeight(int points, double dpiScale, int dpiY);

// Makes the seven fonts for the given DPIs with the face of the current UI text row; replaces (and
// deletes) fonts made before. Also sets g_dDpiScale.
void CreateAppFonts(int dpiX, int dpiY);

// Captures the current directory into g_szAppDirectory; falls back to the executable's folder when the
// current directory cannot be read or does not fit, so the settings never go to a drive's root.
void CaptureAppDirectory();

}  // namespace quill::skin
