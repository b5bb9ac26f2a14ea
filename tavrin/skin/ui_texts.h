// The UI text table and the language row that every window reads its texts from:
// g_UITextTable[g_nLanguage][k] is UI text k. The row is chosen once at start-up
// (InitAppFontsAndLanguage, app_fonts.h) and never changes afterwards.
#pragma once

#include <cstdint>

constexpr unsigned kUITextRows = 2;       // 0 Japanese, 1 US English
constexpr unsigned kUITextCount = 260;    // entries per row
constexpr unsigned kUsedUITextCount = 212;  // entries 0..211 are set, the rest are null
constexpr unsigned kUITextFontFace = 113;   // "メイリオ": the face of the program's fonts

extern const wchar_t* const (&g_UITextTable)[kUITextRows][kUITextCount];
extern uint32_t g_nLanguage;

// UI text k of the current row; "" for an unused entry or an index out of range, so a caller can
// always measure or show the result.
const wchar_t* UIText(unsigned index);
