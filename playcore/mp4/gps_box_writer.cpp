// The joined "gps0" payload: header from the first recording, records of all, copied file to file.
#include "playcore/mp4/gps_box_writer.h"

namespace playcore {

namespace {

constexpr char kStartTag[] = "CSODAT";
constexpr char kEndTag[] = "CSOEND";
constexpr size_t kTagSize = 6;
constexpr uint64_t kHeaderOffset = 6;  // payload bytes 6-31
constexpr size_t kHeaderSize = 26;
constexpr uint64_t kRecordsOffset = 34;

}  // namespace

uint64_t GpsTotalRecords(const sTAGNODE& first) {
  return first.gpsJoinedCount ? first.gpsJoinedCount : first.gpsRecordCount;
}

bool WriteGpsPayload(const sTAGNODE& first, OutputFile* out) {
  uint64_t total = GpsTotalRecords(first);
  if (!first.gpsWellFormed || total > kGpsMaxRecords) return false;
  uint64_t sum = first.gpsRecordCount;
  for (const sTAGNODE* part : first.chain) {
    if (!part->gpsWellFormed) return false;
    sum += part->gpsRecordCount;
  }
  // The count field and the records written must agree, or readers lose records.
  if (sum != total) return false;
  if (!out->Write(kStartTag, kTagSize)) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kHeaderOffset, kHeaderSize)) return false;
  if (!out->WriteU16(static_cast<uint16_t>(total))) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kRecordsOffset, first.gpsRecordBytes))
    return false;
  for (const sTAGNODE* part : first.chain) {
    if (!out->CopyRange(*part->map, part->payloadOffsetRead + kRecordsOffset, part->gpsRecordBytes))
      return false;
  }
  return out->Write(kEndTag, kTagSize);
}

}  // namespace playcore
