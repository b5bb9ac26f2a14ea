// The map service's key and script address. The project ships no key: a user supplies one as MAP /
// SERVICEKEY in the settings file (map_host_values.h, MapServiceKey), or a build puts one here (a key
// of the service's own form: letters, digits, '-' and '_'). The page gets the key only inside the
// script address.
#pragma once

// The built-in key, used when the settings file holds none; empty in the project's own builds.
inline constexpr char kMapServiceKey[] = "";

// The map script's address; %s is the key, and "loadLibs" is the page function the script calls.
inline constexpr wchar_t kMapScriptUrlForm[] =
    L"https://maps.googleapis.com/maps/api/js?key=%s&v=3&sensor=false&callback=loadLibs";
