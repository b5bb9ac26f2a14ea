#include "playcore/presenter/wine_host.h"

#include <windows.h>

namespace playcore {

namespace {

constexpr LONG kNotForced = -1;
volatile LONG g_forced = kNotForced;  // 0 or 1 while a WineCheckOverride lives

}  // namespace

bool RunningOnWine() {
  const LONG forced = InterlockedCompareExchange(&g_forced, kNotForced, kNotForced);
  if (forced != kNotForced) return forced != 0;
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

WineCheckOverride::WineCheckOverride(bool wine) { InterlockedExchange(&g_forced, wine ? 1 : 0); }

WineCheckOverride::~WineCheckOverride() { InterlockedExchange(&g_forced, kNotForced); }

}  // namespace playcore
