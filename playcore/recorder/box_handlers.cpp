#include "playcore/recorder/box_handlers.h"

#include "playcore/recorder/gps_records.h"
#include "playcore/recorder/movie_boxes.h"

#include <cstring>
#include <new>

namespace playcore {

int SensorHeaderHandler(sMP4FILEMAP*, const sBOXSPAN& span, const sCALLERWORDS& words) {
  auto* sample = static_cast<sGSENSORSAMPLE*>(words.word[0]);
  if (!sample) return 0;
  return ParseSensorHeader(span.data, span.length, sample);
}

int GpsEventRecordsHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words) {
  auto* points = static_cast<std::vector<sGPSPOINT>*>(words.word[0]);
  auto* events = static_cast<std::vector<sEVENTRECORD>*>(words.word[1]);
  if (!points || !events) return 0;
  try {
    return ParseGpsEventRecords(span.data, span.length, points, events, &map->recordCounter);
  } catch (const std::bad_alloc&) {
    return 0;  // what was appended stays; the caller clears the vectors
  }
}

int sMP4FILEMAP::ParseGpsRecords(sMP4FILEMAP* map, const sBOXSPAN& span,
                                 const sCALLERWORDS& words) {
  auto* points = static_cast<std::vector<sGPSPOINT>*>(words.word[0]);
  if (!points) points = map->gpsPoints;
  if (!points) return 0;
  try {
    return ParseGpsPoints(span.data, span.length, points, &map->recordCounter);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int MdatSizeHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS&) {
  uint64_t size = 0;
  if (!ParseMdatSize(span.data, span.length, span.bytesToEnd, &size)) return 0;
  map->mdatSize = size;
  map->mdatSizeFloat = static_cast<float>(size);
  return 1;
}

int sMP4FILEMAP::ParseRatio(sMP4FILEMAP*, const sBOXSPAN& span, const sCALLERWORDS& words) {
  auto* out = static_cast<float*>(words.word[0]);
  float ratio = 0.0f;
  if (!out || !ParseMvhdRatio(span.data, span.length, &ratio)) return 0;
  *out = ratio;
  return 1;
}

int SttsHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS&) {
  float timeScale = 0.0f;
  if (!ParseSttsTimeScale(span.data, span.length, &timeScale)) return 0;
  map->timeScale = timeScale;
  map->timeScaleCopy = timeScale;
  return 1;
}

int StszHandler(sMP4FILEMAP*, const sBOXSPAN& span, const sCALLERWORDS& words) {
  auto* out = static_cast<uint32_t*>(words.word[0]);
  uint32_t count = 0;
  if (!out || !ParseStszCount(span.data, span.length, &count)) return 0;
  *out = count;
  return 1;
}

int ContainerHandler(sMP4FILEMAP*, const sBOXSPAN&, const sCALLERWORDS&) { return 1; }

sTAGENTRY MakeTagEntry(const char* tag, BoxHandler handler) {
  sTAGENTRY e = {};
  size_t n = std::strlen(tag);
  e.tagLength = static_cast<uint32_t>(n < sizeof e.tag ? n : sizeof e.tag);
  std::memcpy(e.tag, tag, e.tagLength);
  e.handler = handler;
  return e;
}

sTAGENTRY GpsSensorEntry() { return MakeTagEntry("@CS", SensorHeaderHandler); }
sTAGENTRY GpsEventEntry() { return MakeTagEntry("gps0", GpsEventRecordsHandler); }
sTAGENTRY GpsPointsEntry() { return MakeTagEntry("gps0", sMP4FILEMAP::ParseGpsRecords); }
sTAGENTRY MdatEntry() { return MakeTagEntry("mdat", MdatSizeHandler); }
sTAGENTRY MoovEntry() { return MakeTagEntry("moov", ContainerHandler); }
sTAGENTRY MvhdEntry() { return MakeTagEntry("mvhd", sMP4FILEMAP::ParseRatio); }
sTAGENTRY SttsEntry() { return MakeTagEntry("stts", SttsHandler); }
sTAGENTRY StszEntry() { return MakeTagEntry("stsz", StszHandler); }

}  // namespace playcore
