// Whether the program runs on Wine rather than Windows: some media session calls that Windows
// answers never complete under Wine's video renderer, and the player works around them there only.
#pragma once

namespace playcore {

// True when ntdll exports wine_get_version (checked once).
bool RunningOnWine();

}  // namespace playcore
