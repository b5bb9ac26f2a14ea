// The joined "gps0" payload: header from the first recording, records of all, copied file to file.
// The layout is the recorder reader's (playcore/recorder/gps_box_format.h).
#include "playcore/mp4/gps_box_writer.h"

namespace playcore {

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
  if (!out->Write(gpsbox::kDataMark, gpsbox::kMarkSize)) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kGpsPayloadHeaderOffset, gpsbox::kDataHeaderSize))
    return false;
  if (!out->WriteU16(static_cast<uint16_t>(total))) return false;
  if (!out->CopyRange(*first.map, first.payloadOffsetRead + kGpsPayloadRecordsOffset, first.gpsRecordBytes))
    return false;
  for (const sTAGNODE* part : first.chain) {
    if (!out->CopyRange(*part->map, part->payloadOffsetRead + kGpsPayloadRecordsOffset, part->gpsRecordBytes))
      return false;
  }
  return out->Write(gpsbox::kEndMark, gpsbox::kMarkSize);
}

}  // namespace playcore
