// The seven fonts, the DPI factor, the language row and the start-up directory.
#include "tavrin/skin/app_fonts.h"

#include <shlwapi.h>

#include "platform/framework/gdi.h"
#include "platform/framework/program_file.h"
#include "tavrin/skin/ui_texts.h"

double g_dDpiScale = 1.0;
HFONT g_hFont9 = nullptr;
HFONT g_hFont10 = nullptr;
HFONT g_hFont13 = nullptr;
HFONT g_hFont17 = nullptr;
HFONT g_hFont22 = nullptr;
HFONT g_hFont12 = nullptr;
HFONT g_hFont15 = nullptr;
wchar_t g_szAppDirectory[MAX_PATH] = L"";

namespace {

constexpr double kBaseDpi = 96.0;         // the DPI at which the factor is 1
constexpr int kPointsPerInch = 72;
constexpr BYTE kShiftJisCharset = 128;    // SHIFTJIS_CHARSET: the faces are Japanese
constexpr BYTE kFixedPitchFlag = 1;       // lfPitchAndFamily as the program has always used

HFONT* const kFontSlots[7] = {&g_hFont9, &g_hFont10, &g_hFont13, &g_hFont17,
                              &g_hFont22, &g_hFont12, &g_hFont15};

}  // namespace

namespace quill::skin {

double DpiScaleOf(int dpiX) {
  // A DC that reports no DPI would make the factor 0, and every size divided by it infinite.
  return dpiX > 0 ? dpiX / kBaseDpi : 1.0;
}

int AppFontHeight(int points, double dpiScale, int dpiY) {
  if (!(dpiScale > 0.0)) dpiScale = 1.0;
  int scaled = static_cast<int>(points / dpiScale);  // truncated toward zero
  return -MulDiv(scaled, dpiY, kPointsPerInch);
}

void CreateAppFonts(int dpiX, int dpiY) {
  g_dDpiScale = DpiScaleOf(dpiX);
  LOGFONTW lf = {};
  // The face buffer holds LF_FACESIZE characters including the terminator: copy at most 31.
  const wchar_t* face = g_UITextTable[g_nLanguage < kUITextRows ? g_nLanguage : 0][kUITextFontFace];
  lstrcpynW(lf.lfFaceName, face ? face : L"", LF_FACESIZE);
  lf.lfCharSet = kShiftJisCharset;
  lf.lfPitchAndFamily = kFixedPitchFlag;
  for (int i = 0; i < 7; ++i) {
    lf.lfHeight = AppFontHeight(kFontPointSizes[i], g_dDpiScale, dpiY);
    HFONT made = CreateFontIndirectW(&lf);  // null on failure: windows then use their default font
    if (*kFontSlots[i]) DeleteObject(*kFontSlots[i]);
    *kFontSlots[i] = made;
  }
}

void CaptureAppDirectory() {
  wchar_t dir[MAX_PATH] = L"";
  DWORD n = GetCurrentDirectoryW(MAX_PATH, dir);
  if (n == 0 || n >= MAX_PATH) {
    // The working directory cannot be held: use the executable's folder, never an empty path (the
    // settings file would land at the root of the current drive).
    const std::wstring program = quill::framework::ProgramFilePath();
    if (program.empty() || program.size() >= MAX_PATH) return;
    lstrcpynW(dir, program.c_str(), MAX_PATH);
    PathRemoveFileSpecW(dir);
  }
  lstrcpynW(g_szAppDirectory, dir, MAX_PATH);
}

}  // namespace quill::skin

int InitAppFontsAndLanguage(CWnd* wnd) {
  // The directory does not depend on the DC: capture it first, so a failure below cannot leave the
  // settings path empty.
  quill::skin::CaptureAppDirectory();
  HWND hwnd = HwndOf(wnd);
  HDC dc = GetDC(hwnd);
  if (!dc) return 0;
  int dpiX = GetDeviceCaps(dc, LOGPIXELSX);
  int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(hwnd, dc);
  if (GetUserDefaultLangID() == kLangIdUsEnglish) g_nLanguage = 1;
  quill::skin::CreateAppFonts(dpiX, dpiY);
  return 1;
}

CString GetAppDirectory() { return CString(g_szAppDirectory); }

void DeleteAppFonts() {
  for (HFONT* slot : kFontSlots) {
    if (*slot) DeleteObject(*slot);
    *slot = nullptr;
  }
}
