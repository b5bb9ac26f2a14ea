// Number and time texts of the recorder's GPS records. The fields are fixed-width ASCII without
// terminators; every reader here takes the field's bytes and width and never looks past them.
// Numbers are read with the C locale's rules whatever locale the program runs under.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace playcore {

// A decimal number as the C runtime's atof reads it (leading blanks, sign, digits, point, exponent),
// stopping at the first other byte or at the field's end; 0.0 when there is no number.
double ParseDecimalText(const uint8_t* field, size_t width);

// A whole number as atoi reads it (leading blanks, sign, digits); 0 when there is none.
int32_t ParseIntText(const uint8_t* field, size_t width);

// Degrees from a ddmm.mmmm / dddmm.mmmm text: (whole v / 100) + (v mod 100) / 60, negative when the
// hemisphere byte is 0. A text that reads as no finite number gives 0.0.
double DegreesFromText(const uint8_t* field, size_t width, uint8_t hemisphere);

// The local time of a fix from a whole 79-byte GPS record (`length` must cover it): the calendar time
// of the YYMMDDhhmmss text at offsets 31-42 plus the signed seconds at 44-46 ('*' at 44: none). A text
// that forms no calendar time gives 0 seconds since 1970 in local time. False when the record is short.
bool ParseRecordTime(const uint8_t* record, size_t length, SYSTEMTIME* localTime);

}  // namespace playcore
