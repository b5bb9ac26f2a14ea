// timeBeginPeriod and timeEndPeriod, from winmm.dll at their first call (the presenter's scheduler;
// winmm.dll brings msacm32.dll with it).
#include <windows.h>
#include <mmsystem.h>

#include "platform/imports/import_entry.h"
#include "platform/imports/lazy_library.h"

namespace {

using quill::imports::WinmmLibrary;

// Without the library the timer resolution cannot be changed: the system's answer for a period it
// refuses.
MMRESULT WINAPI BeginPeriod(UINT period) {
  const auto real = WinmmLibrary().Find<decltype(&::timeBeginPeriod)>("timeBeginPeriod");
  return real ? real(period) : TIMERR_NOCANDO;
}

MMRESULT WINAPI EndPeriod(UINT period) {
  const auto real = WinmmLibrary().Find<decltype(&::timeEndPeriod)>("timeEndPeriod");
  return real ? real(period) : TIMERR_NOCANDO;
}

}  // namespace

QUILL_IMPORT_ENTRY(timeBeginPeriod, 4, BeginPeriod);
QUILL_IMPORT_ENTRY(timeEndPeriod, 4, EndPeriod);
