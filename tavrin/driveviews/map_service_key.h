// The map service's key and script address: the one place where the program's key for the map service
// is kept. The project ships no key, so the map pages stay without a map until one is put here (a key
// of the service's own form: letters, digits, '-' and '_'). The page gets the key only inside the
// script address.
#pragma once

// The key; empty in the project's own builds.
inline constexpr char kMapServiceKey[] = "";

// The map script's address; %s is the key, and "loadLibs" is the page function the script calls.
inline constexpr wchar_t kMapScriptUrlForm[] =
    L"https://maps.googleapis.com/maps/api/js?key=%s&v=3&sensor=false&callback=loadLibs";
