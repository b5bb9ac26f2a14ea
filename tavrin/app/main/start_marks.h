// The start-up's own clock: the moment each step of the program's start ends, kept from the entry on
// and published on the main window once its first paint is done, so that the start benchmark
// (tests/app/start_bench.cpp) can print where the start-up's time goes. Publishing costs a few window
// properties; nothing reads them inside the program.
//
// Threads: the UI thread only (the steps are the start-up's, which runs there).
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

namespace quill::app {

// The steps, in the order they end. Each is marked once, at its end; kEntry is the program's entry.
enum class StartStep : int {
  kEntry,             // wWinMain (before it: the process's start, the DLL imports, the static objects)
  kAppInit,           // common controls, the control container, the shell manager, GDI+
  kDialogCreated,     // the dialog template's window and controls, up to OnInitDialog
  kBase,              // OnInitDialog 1-3: base, icon, power notifications, mutexes
  kFonts,             // 4: fonts, DPI and language
  kTitleAndSize,      // 5
  kSkinImages,        // 6
  kChildWindows,      // 7
  kSettingsFile,      // 8
  kPlayers,           // 9-14
  kControls,          // 15-25
  kSource,            // 26
  kInitDone,          // 27-30
  kShown,             // the window shown
  kAfterInit,         // the after-start steps (posted by OnInitDialog, run before the first paint)
  kFirstPaint,        // every window of the program painted once after the show
  kCount
};

constexpr std::array<const wchar_t*, static_cast<size_t>(StartStep::kCount)> kStartStepNames = {
    L"entry",    L"app-init", L"dialog",   L"base",     L"fonts",    L"title",     L"skin",       L"children",
    L"settings", L"players",  L"controls", L"source",   L"init-end", L"shown",     L"after-init", L"first-paint"};

// The window property of a step: "QuillmereX.Start.<name>", its value the microseconds from the
// entry to the step's end, plus 1 (0 is an absent property). "QuillmereX.Start.before-entry" holds the
// microseconds from the process's creation to the entry, plus 1.
constexpr const wchar_t* kStartPropPrefix = L"QuillmereX.Start.";
constexpr const wchar_t* kStartBeforeEntryName = L"before-entry";

// Marks the end of `step` now (a step already marked keeps its first mark).
void MarkStart(StartStep step);
// Whether `step` is marked.
bool StartMarked(StartStep step);

// The published values of a set of marks (counter ticks, 0 = not marked) at `ticksPerSecond`: per
// step the microseconds from the entry plus 1, or 0 for a step without a mark or before the entry.
std::array<uintptr_t, static_cast<size_t>(StartStep::kCount)> StartPropertyValues(
    const std::array<int64_t, static_cast<size_t>(StartStep::kCount)>& ticks, int64_t ticksPerSecond);

// Sets the properties of the marks made so far, and of the time before the entry, on `window`.
void PublishStartMarks(HWND window);

// The steps of opening a pair, in the order they end, for the playback benchmark: what the open
// waits for (its timers, the first tick) apart from what it does (closing the previous pair,
// opening the players, reading the drive data, starting).
enum class OpenStep : int {
  kPrepared,    // the open is armed (its timer set)
  kTimerWaited, // the open timer ran out and the open begins
  kClosed,      // the previous pair's drive data and players closed
  kOpened,      // both players opening
  kReady,       // both players ready; the drive data worker starts
  kLoaded,      // the drive data arrived and playback was asked for
  kStartTimer,  // the start timer ran out
  kStarted,     // the views, the volume and the tick set up
  kFirstTick,   // the first tick after the start: the first position shown
  kCount
};

constexpr std::array<const wchar_t*, static_cast<size_t>(OpenStep::kCount)> kOpenStepNames = {
    L"prepared", L"timer", L"closed", L"opened", L"ready", L"loaded", L"start-timer", L"started", L"first-tick"};

// "QuillmereX.Open.<name>": the microseconds from the open's kPrepared to the step's end, plus 1.
constexpr const wchar_t* kOpenPropPrefix = L"QuillmereX.Open.";

// The published value of a mark `span` counter ticks after its reference, at `ticksPerSecond`: the
// microseconds plus 1, or 0 when the span is negative or does not fit.
uintptr_t MicrosValue(int64_t span, int64_t ticksPerSecond);

// Marks the end of `step` of the current open on `window` (UI thread). kPrepared begins an open and
// removes the marks of the one before. A step is marked once per open, and only after the step
// before it: a tick of the previous pair, or an open that failed half-way, leaves no later marks.
void MarkOpen(HWND window, OpenStep step);

}  // namespace quill::app
