// The box handlers a walk can be given, and the tag entries that pair them with their tags. Each
// handler checks the bytes it was handed through the pure readers and stores what it read into the
// map or into the caller's words; the words each handler expects are listed beside it.
#pragma once

#include "playcore/recorder/file_map.h"

namespace playcore {

// word[0]: sGSENSORSAMPLE*. Answers ParseSensorHeader's result (0: no sample).
int SensorHeaderHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// word[0]: std::vector<sGPSPOINT>*, word[1]: std::vector<sEVENTRECORD>*; numbers the records with
// the map's record counter. 1, or 0 when the box holds no count or memory ran out.
int GpsEventRecordsHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// Stores the "mdat" box size into the map (64-bit and float). 1, or 0 for a damaged header.
int MdatSizeHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// Stores the "stts" time scale into the map's time scale and its copy. 1, or 0 for a short payload.
int SttsHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// word[0]: uint32_t* for the "stsz" sample count. 1, or 0 for a short payload.
int StszHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// A container found by the tag scan: nothing to read. 1.
int ContainerHandler(sMP4FILEMAP* map, const sBOXSPAN& span, const sCALLERWORDS& words);
// sMP4FILEMAP::ParseGpsRecords: word[0]: std::vector<sGPSPOINT>* (the map's own when null).
// sMP4FILEMAP::ParseRatio: word[0]: float* for the "mvhd" duration in seconds.

sTAGENTRY MakeTagEntry(const char* tag, BoxHandler handler);

sTAGENTRY GpsSensorEntry();   // "@CS", the header sample (FindGpsBox)
sTAGENTRY GpsEventEntry();    // "gps0", GPS points and event records
sTAGENTRY GpsPointsEntry();   // "gps0", GPS points only
sTAGENTRY MdatEntry();        // "mdat", its size
sTAGENTRY MoovEntry();        // "moov", the container of the scan for "mvhd"
sTAGENTRY MvhdEntry();        // "mvhd", duration in seconds into the caller word
sTAGENTRY SttsEntry();        // "stts", the time scale
sTAGENTRY StszEntry();        // "stsz", the sample count into the caller word

}  // namespace playcore
