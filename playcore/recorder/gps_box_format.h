// Byte layout of the recorder's own top-level box "gps0", shared by its readers and the join writer.
// Offsets are from the first byte of the box unless a name says otherwise; integers are big-endian.
//
//   0  size (48 + 79 x N)   4  "gps0"   8  "CSODAT"   14  data header (26 bytes)
//   40 N (16-bit)           42 N records of 79 bytes  42 + 79N  "CSOEND"
//
// The readers address the box from the byte after "CSODAT" (box offset 14): the header at 0-25,
// the count at 26-27 and record k at 28 + 79k.
#pragma once

#include <cstddef>
#include <cstdint>

namespace playcore {
namespace gpsbox {

constexpr char kDataMark[] = "CSODAT";
constexpr char kEndMark[] = "CSOEND";
constexpr size_t kMarkSize = 6;

constexpr size_t kBoxHeaderSize = 8;                    // size + "gps0"
constexpr size_t kDataOffset = kBoxHeaderSize + kMarkSize;  // box offset of the byte after "CSODAT"
constexpr size_t kDataHeaderSize = 26;
constexpr size_t kCountOffset = kDataHeaderSize;        // from the byte after "CSODAT"
constexpr size_t kRecordsOffset = kCountOffset + 2;     // from the byte after "CSODAT"
constexpr size_t kRecordSize = 79;
// Payload (from box offset 8) without records: "CSODAT" + header + count + "CSOEND".
constexpr size_t kPayloadOverhead = kMarkSize + kDataHeaderSize + 2 + kMarkSize;  // 40
constexpr size_t kBoxOverhead = kBoxHeaderSize + kPayloadOverhead;                 // 48
constexpr uint32_t kMaxRecords = 0xFFFF;  // the count is a 16-bit field
// The most a reader ever needs from the byte after "CSODAT": every record a 16-bit count can name,
// plus the trailing mark. Views of damaged boxes that claim more are cut to this.
constexpr size_t kMaxDataBytes = kRecordsOffset + kRecordSize * kMaxRecords + kMarkSize;

// Record-relative offsets and widths of the GPS record's fields.
constexpr size_t kStatusOffset = 5;
constexpr char kStatusValid = 'A';
constexpr size_t kLatitudeOffset = 6, kLatitudeWidth = 9;
constexpr size_t kLatitudeHemisphereOffset = 15;
constexpr size_t kLongitudeOffset = 16, kLongitudeWidth = 10;
constexpr size_t kLongitudeHemisphereOffset = 26;
constexpr size_t kNumberOffset = 27, kNumberWidth = 4;
constexpr size_t kTimeOffset = 31, kTimeWidth = 12;     // YYMMDDhhmmss
constexpr size_t kSecondsShiftOffset = 44, kSecondsShiftWidth = 3;
constexpr char kNoSecondsShift = '*';
constexpr size_t kEventBlockOffset = 52;

// Event-block-relative offsets (the block is record offsets 52-78).
constexpr size_t kEventValue2Offset = 5, kEventValue1Offset = 10, kEventValue3Offset = 15;
constexpr size_t kEventValueWidth = 5;
constexpr size_t kEventType5Offset = 20;
constexpr size_t kEventAxisOffset = 21;
constexpr size_t kEventType7Offset = 22;
constexpr size_t kEventFlagOffset = 26;
constexpr char kEventMark = 'D';

// The data header's G-sensor sample groups.
constexpr size_t kGroupStride = 34;
constexpr size_t kGroupRawSize = 6;
constexpr size_t kGroupValue1Offset = 6, kGroupValue2Offset = 10, kGroupValue3Offset = 14;
constexpr size_t kGroupValueWidth = 4;
constexpr size_t kGroupTagOffset = 18;
constexpr size_t kGroupChainOffset = 30;  // "@CS" followed by an upper-case letter
constexpr char kGroupChainMark[] = "@CS";
constexpr size_t kGroupConsumed = 26;     // what the sample reader reports per group read

// The probe looks for "CSOEND" in this many bytes at the end of the file.
constexpr size_t kProbeTailSize = 85;

}  // namespace gpsbox
}  // namespace playcore
