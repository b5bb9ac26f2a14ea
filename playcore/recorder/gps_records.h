// Readers of the "gps0" box's contents, over the bytes from the byte after "CSODAT" to the end of
// what the caller mapped (`length`). They know nothing of files; every read is bounded by `length`.
#pragma once

#include "playcore/recorder/drive_records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace playcore {

// The number of whole records the bytes hold: min(N, (length - 34) / 79), the 34 being the data
// header, the count and the closing "CSOEND".
uint32_t AvailableGpsRecords(const uint8_t* data, size_t length);

// Appends one sGPSPOINT and one sEVENTRECORD per record. `counter` is the map's record counter: it
// numbers the records from 0 and ends at the index of the last record (-1 when there is none).
// Answers 1; 0 only when the bytes do not even hold the count.
int ParseGpsEventRecords(const uint8_t* data, size_t length, std::vector<sGPSPOINT>* points,
                         std::vector<sEVENTRECORD>* events, int32_t* counter);

// The same walk appending only the GPS points; 1 (also for N = 0), 0 when the count is missing.
int ParseGpsPoints(const uint8_t* data, size_t length, std::vector<sGPSPOINT>* points,
                   int32_t* counter);

// The header G-sensor sample by the group rule: groups 34 bytes apart, the next one read only when
// group bytes 30-32 are "@CS" and byte 33 an upper-case letter; the last group read is kept. Answers
// 26 x the groups read, or 0 for no sample (values -1.0, the tag found kept).
int ParseSensorHeader(const uint8_t* data, size_t length, sGSENSORSAMPLE* sample);

// One record's point and event entry (pure field readers; `record` holds 79 bytes, `next` is the
// byte after the record).
sGPSPOINT ReadGpsPoint(const uint8_t* record, int32_t recordNumber);
sEVENTRECORD ReadEventRecord(const uint8_t* record, int32_t recordNumber, uint8_t next);

}  // namespace playcore
