#include "playcore/recorder/position_table.h"

#include "playcore/recorder/file_map.h"

#include <cmath>
#include <cstddef>
#include <new>

namespace playcore {

namespace {

// A difference away from zero by this much, so that a small change still shows as a bar.
constexpr double kDifferenceNudge = 0.005;
// The table holds a pointer per position; a duration beyond this is not a movie of this recorder.
constexpr int64_t kMaxPositions = 64 * 1024 * 1024;
// A GPS record lags its event by this many records in the event's link.
constexpr size_t kGpsLinkLag = 3;

int32_t PositionOf(int32_t key, float timeScale) {
  float position = static_cast<float>(key) / timeScale;
  return std::isfinite(position) && std::fabs(position) < 2147483520.0f
             ? static_cast<int32_t>(position)
             : 0;
}

void MakeDifferences(std::vector<sEVENTRECORD>* events, double sEVENTRECORD::*value) {
  if (events->empty()) return;
  double prev = (*events)[0].*value;
  for (sEVENTRECORD& e : *events) {
    double raw = e.*value;
    double d = raw - prev;
    prev = raw;
    if (d > 0) d += kDifferenceNudge;
    if (d < 0) d -= kDifferenceNudge;
    e.*value = d;
  }
}

void FillTable(std::vector<sEVENTRECORD>* events, std::vector<sEVENTRECORD*>* table) {
  const size_t count = events->size();
  if (count == 0) return;  // no event to point at: the entries stay null
  const size_t n = table->size();
  const size_t step = n < count ? 2 : 1;
  size_t j = 0;
  for (size_t p = 0; p < n; ++p) {
    if (j < count) {
      (*table)[p] = &(*events)[j];
      if (j + 1 < count && static_cast<int64_t>((*events)[j + 1].positionKey) <=
                               static_cast<int64_t>(p)) {
        j += step;
      }
    }
    if (j >= count) (*table)[p] = &events->back();
  }
}

void LinkAndMeasure(std::vector<sGPSPOINT>* points, std::vector<sEVENTRECORD>* events,
                    sPEAKVALUES* peaks) {
  *peaks = sPEAKVALUES{};
  if (events->empty() || points->empty()) return;
  const size_t g_count = points->size();
  size_t g = 0;
  for (sEVENTRECORD& e : *events) {
    peaks->axis[0] = std::fmax(peaks->axis[0], std::fabs(e.value1));
    peaks->axis[1] = std::fmax(peaks->axis[1], std::fabs(e.value2));
    peaks->axis[2] = std::fmax(peaks->axis[2], std::fabs(e.value3));
    sGPSPOINT& point = (*points)[g];
    if (point.positionKey <= e.positionKey) {
      point.eventLink = &e;
      if (g + 1 < g_count) ++g;
    }
    e.gpsLink = &(*points)[g >= kGpsLinkLag ? g - kGpsLinkLag : 0];
  }
  peaks->peak = std::fmax(peaks->axis[0], std::fmax(peaks->axis[1], peaks->axis[2]));
}

}  // namespace

int BuildPositionTable(std::vector<sGPSPOINT>* points, std::vector<sEVENTRECORD>* events,
                       std::vector<sEVENTRECORD*>* table, float timeScale, int64_t positions,
                       sPEAKVALUES* peaks) {
  if (positions < 1 || positions > kMaxPositions) return 0;
  if (!points || !events || !table || !(timeScale > 0.0f) || !std::isfinite(timeScale)) return 0;
  try {
    table->assign(static_cast<size_t>(positions), nullptr);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (sEVENTRECORD& e : *events) e.positionKey = PositionOf(e.positionKey, timeScale);
  for (sGPSPOINT& p : *points) p.positionKey = PositionOf(p.positionKey, timeScale);
  MakeDifferences(events, &sEVENTRECORD::value1);
  MakeDifferences(events, &sEVENTRECORD::value2);
  MakeDifferences(events, &sEVENTRECORD::value3);
  FillTable(events, table);
  LinkAndMeasure(points, events, peaks);
  return 1;
}

int sMP4FILEMAP::BuildPositionTable(int64_t positions) {
  sPEAKVALUES peaks = {};
  if (!playcore::BuildPositionTable(gpsPoints, events, positionTable, timeScale, positions,
                                    &peaks)) {
    return 0;
  }
  for (int i = 0; i < 3; ++i) peakAxis[i] = peaks.axis[i];
  peakValue = peaks.peak;
  return 1;
}

}  // namespace playcore
