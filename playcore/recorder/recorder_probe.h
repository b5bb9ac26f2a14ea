// Is a file one of the recorder's movies? The recorder closes every movie with its "gps0" box, so
// "CSOEND" stands within the file's last 85 bytes, and the file starts with an "ftyp" box.
#pragma once

#include <cstddef>
#include <cstdint>

namespace playcore {

// True when "CSOEND" lies wholly within `tail` (NUL bytes included in the search like blanks).
bool TailHasEndMark(const uint8_t* tail, size_t length);

// True when the file's first bytes hold "ftyp" at offsets 4-7.
bool HeadHasFileType(const uint8_t* head, size_t length);

// 1 when the file at `path` is a recorder movie, else 0 (a file that cannot be opened or read, one
// shorter than the tail the mark is looked for in, no mark, no "ftyp"). Nothing is shown. The caller
// holds its player instance's mutex.
int ProbeRecorderFile(const wchar_t* path);

}  // namespace playcore
