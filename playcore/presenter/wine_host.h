// Whether the program runs on Wine rather than Windows: some media session calls that Windows
// answers never complete under Wine's video renderer, and the player works around them there only.
#pragma once

namespace playcore {

// True when ntdll exports wine_get_version (checked once), unless a WineCheckOverride lives.
bool RunningOnWine();

// Makes RunningOnWine answer `wine` while it lives, for the whole process: the tests drive the
// Windows paths with it (the program never makes one). Not nested, and made while no thread of the
// code under test runs.
class WineCheckOverride {
 public:
  explicit WineCheckOverride(bool wine);
  ~WineCheckOverride();
  WineCheckOverride(const WineCheckOverride&) = delete;
  WineCheckOverride& operator=(const WineCheckOverride&) = delete;
};

}  // namespace playcore
