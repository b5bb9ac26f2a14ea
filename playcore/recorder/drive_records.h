// The in-memory drive records read from a recording's "gps0" box: one GPS point and one event record
// per GPS record, and the G-sensor sample of the box's data header. The graph, the map views and the
// join read these fields directly, so the field order and widths are fixed (32-bit build: pointers are
// four bytes; the static_asserts pin the layouts).
#pragma once

#include <windows.h>

#include <cstdint>

namespace playcore {

struct sEVENTRECORD;

// One GPS fix.
struct sGPSPOINT {
  int32_t recordNumber;      // index of the record in its box, from 0
  int32_t positionKey;       // record number x 100; a playback position after the per-position pass
  int32_t valid;             // 1 when the status byte is 'A'
  sEVENTRECORD* eventLink;   // set by the per-position pass
  int64_t reserved1;         // zero
  double latitude;           // degrees, south negative
  double longitude;          // degrees, west negative
  double number;             // the four-character number of record offsets 27-30
  double reserved2;          // zero; the map page takes it as the direction
  SYSTEMTIME localTime;      // all zero when the time could not be formed
};

// The event entry of one GPS record.
struct sEVENTRECORD {
  int32_t recordNumber;
  int32_t type;              // 5, 7 or -1
  int32_t reserved1;         // zero
  int32_t axis;              // 'X' 2, 'Y' 3, 'Z' 1, else 0
  int32_t positionKey;       // as in sGPSPOINT
  uint32_t flags;            // event block offset 26, kept whole
  sGPSPOINT* gpsLink;        // set by the per-position pass
  int32_t reserved2;         // zero
  double value1;             // g; differences between neighbours after the per-position pass
  double value2;
  double value3;
  int32_t highNibble;        // high four bits of the byte after the record
  int32_t lowNibble;         // low four bits of that byte
};

// The G-sensor sample of a box's data header.
struct sGSENSORSAMPLE {
  float value1;              // g
  float value2;
  float value3;
  char tag;                  // 'N' or 'P'
  uint8_t raw[6];            // header bytes 0-5
  uint8_t reserved[5];       // zero
};

// Allocated and freed with the other record vectors; nothing fills it.
struct sSPARERECORD {
  int32_t words[4];
};

constexpr int32_t kEventTypeNone = -1;
constexpr int32_t kEventTypeD20 = 5;   // 'D' at event block offset 20
constexpr int32_t kEventTypeD22 = 7;   // 'D' at event block offset 22
constexpr int32_t kPositionKeyPerRecord = 100;

static_assert(sizeof(sGSENSORSAMPLE) == 24, "the header sample is a 24-byte record");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(sGPSPOINT) == 72, "sGPSPOINT layout");
static_assert(sizeof(sEVENTRECORD) == 64, "sEVENTRECORD layout");
#endif

}  // namespace playcore
