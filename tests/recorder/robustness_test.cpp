// Damaged recordings through the probe, Load, the tag scans and the path walk: at least 10,000
// deterministic mutations per run (truncations around every box boundary, header byte flips, size
// fields of 0, 1, 7 and past the file, 64-bit sizes, counts larger than their box, byte flips in the
// data box, seeded random damage). No crash, no hang (a file not answered within 30 s stops the run;
// how long files take is the benchmark's business), no error box, sane answers, and the untouched file
// still reads exactly.
#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/file_map.h"
#include "playcore/recorder/gps_box_format.h"
#include "playcore/recorder/gps_records.h"
#include "playcore/recorder/movie_boxes.h"
#include "playcore/recorder/recorder_probe.h"

#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"
#include "tests/recorder/robustness_mutations.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <process.h>

#include <cstring>
#include <string>
#include <vector>

namespace playcore {
namespace {

using namespace quill::test;

constexpr size_t kMinMutations = 10000;
constexpr DWORD kHangMs = 30000;
constexpr int kWorkers = 4;

// What one file gives through every entry point; compared whole for the untouched file.
struct Reading {
  int probe = -1, load = -1, scanMvhd = -1, scanStsz = -1, path = -1, find = -1;
  float seconds = 0.0f, timeScale = 0.0f;
  uint32_t samples = 0;
  uint64_t mdatSize = 0;
  std::vector<sGPSPOINT> points, gpsOnly;
  std::vector<sEVENTRECORD> events;
  sGSENSORSAMPLE sample = {};
};

Reading ReadFile(const std::wstring& path) {
  Reading r;
  r.probe = ProbeRecorderFile(path.c_str());
  {
    ScopedFileMap map;
    r.load = map->Load(path.c_str());
    if (r.load) {
      r.points = *map->gpsPoints;
      r.events = *map->events;
      r.sample = map->headerSample;
      r.mdatSize = map->mdatSize;
    }
  }
  ScopedFileMap map;
  if (!map->OpenFile(path.c_str())) return r;
  sTAGENTRY mvhd = MvhdEntry(), moov = MoovEntry(), stsz = StszEntry(), stts = SttsEntry();
  sTAGENTRY gps = GpsPointsEntry();
  r.scanMvhd = map->ScanForTag(&mvhd, &moov, &r.seconds);
  r.scanStsz = map->ScanForTag(&stsz, nullptr, &r.samples);
  r.path = map->WalkBoxPath(&stts);
  r.timeScale = map->timeScale;
  r.find = map->FindGpsBox(&gps, sCALLERWORDS{{&r.gpsOnly, nullptr, nullptr, nullptr}});
  return r;
}

// The pure readers straight over the mutated bytes, each given exactly the bytes from where the
// original box stood to the end of the file, with a no-access page after them.
void ReadBytesDirectly(const std::string& bytes, const BaseFile& base) {
  if (base.gpsData < bytes.size()) {
    GuardedBytes data(bytes.substr(base.gpsData));
    std::vector<sGPSPOINT> points;
    std::vector<sEVENTRECORD> events;
    int32_t counter = 0;
    sGSENSORSAMPLE sample;
    ParseGpsEventRecords(data.data(), data.size(), &points, &events, &counter);
    ParseSensorHeader(data.data(), data.size(), &sample);
  }
  if (base.sttsPayload < bytes.size()) {
    GuardedBytes data(bytes.substr(base.sttsPayload));
    float ts = 0.0f;
    ParseSttsTimeScale(data.data(), data.size(), &ts);
  }
}

std::string Check(const Reading& r, uint64_t fileSize) {
  if (r.load == 1 && r.events.size() != r.points.size()) return "points and events differ";
  if (r.points.size() > gpsbox::kMaxRecords) return "more records than a count can name";
  if (r.points.size() * gpsbox::kRecordSize > fileSize) return "more records than the file holds";
  for (size_t k = 0; k < r.points.size(); ++k) {
    if (r.points[k].recordNumber != static_cast<int32_t>(k)) return "record numbers out of order";
  }
  if (r.load == 1 && r.mdatSize > fileSize) return "an mdat larger than the file";
  for (int a : {r.probe, r.load, r.scanMvhd, r.scanStsz, r.path, r.find}) {
    if (a < -1 || a > 1) return "an answer other than 0 or 1";
  }
  return std::string();
}

struct Worker {
  const std::vector<Mutation>* mutations;
  size_t first, end;
  std::wstring path;
  volatile LONG current;          // index being read, -1 when done
  volatile LONG startTick;        // when the current file began
  std::vector<std::string> failures;
};

unsigned __stdcall RunWorker(void* arg) {
  auto* w = static_cast<Worker*>(arg);
  for (size_t i = w->first; i < w->end; ++i) {
    const Mutation& m = (*w->mutations)[i];
    InterlockedExchange(&w->startTick, static_cast<LONG>(GetTickCount()));
    InterlockedExchange(&w->current, static_cast<LONG>(i));
    std::string bytes = m.Bytes();
    ReadBytesDirectly(bytes, *m.base);
    if (!WriteWholeFile(w->path, bytes)) {
      w->failures.push_back("cannot write " + m.name);
      continue;
    }
    std::string problem = Check(ReadFile(w->path), bytes.size());
    if (!problem.empty()) w->failures.push_back(m.name + ": " + problem);
  }
  InterlockedExchange(&w->current, -1);
  return 0;
}

std::vector<BaseFile> BaseFiles() {
  std::vector<BaseFile> bases;
  bases.push_back(MakeBase("fixture", RecorderMovie(SampleRecords(20), 2048)));
  std::string faststart = FtypBox() + MoovBox(1000, 3000, {33333, 33333}, 2) +
                          Box("mdat", std::string(1500, 'm')) +
                          GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(12));
  bases.push_back(MakeBase("faststart", faststart));
  // A generated recording when the generator made them (a real moov with two tracks).
  std::string dir = RecordingsDirUnix();
  std::string real = dir.empty() ? std::string()
                                 : ReadHostFile(dir + "/card/20240315_001/001_093000A_R.MP4");
  if (!real.empty()) bases.push_back(MakeBase("generated", real));
  return bases;
}

class Robustness : public MapErrorGuard {};

TEST_F(Robustness, DamagedFilesAreAnsweredSafely) {
  TempDir dir;
  std::vector<BaseFile> bases = BaseFiles();
  std::vector<Reading> before;
  for (size_t b = 0; b < bases.size(); ++b) {
    std::wstring path = dir.path() + L"base" + std::to_wstring(b) + L".mp4";
    ASSERT_TRUE(WriteWholeFile(path, bases[b].bytes));
    before.push_back(ReadFile(path));
    ASSERT_EQ(before.back().load, 1) << bases[b].name;
    ASSERT_EQ(before.back().probe, 1) << bases[b].name;
    ASSERT_GT(before.back().timeScale, 0.0f) << bases[b].name;
  }
  std::vector<Mutation> mutations = MakeMutations(bases, kMinMutations);
  ASSERT_GE(mutations.size(), kMinMutations);

  Worker workers[kWorkers];
  HANDLE threads[kWorkers];
  for (int i = 0; i < kWorkers; ++i) {
    Worker& w = workers[i];
    w.mutations = &mutations;
    w.first = mutations.size() * i / kWorkers;
    w.end = mutations.size() * (i + 1) / kWorkers;
    w.path = dir.path() + L"mutated" + std::to_wstring(i) + L".mp4";
    w.current = static_cast<LONG>(w.first);
    w.startTick = static_cast<LONG>(GetTickCount());
    threads[i] = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, RunWorker, &w, 0, nullptr));
    ASSERT_NE(threads[i], nullptr);
  }
  // The watchdog: a file that is not answered in time is a hang; the run cannot go on past it.
  while (WaitForMultipleObjects(kWorkers, threads, TRUE, 100) == WAIT_TIMEOUT) {
    for (Worker& w : workers) {
      LONG index = w.current;
      DWORD busy = GetTickCount() - static_cast<DWORD>(w.startTick);
      if (index >= 0 && busy > kHangMs) {
        fprintf(stderr, "hang: %s\n", mutations[static_cast<size_t>(index)].name.c_str());
        fflush(stderr);
        ExitProcess(3);
      }
    }
  }
  for (int i = 0; i < kWorkers; ++i) {
    CloseHandle(threads[i]);
    for (const std::string& f : workers[i].failures) ADD_FAILURE() << f;
  }
  size_t systematic = 0;
  for (const Mutation& m : mutations) systematic += m.name.find(" random ") == std::string::npos;
  printf("%zu mutations (%zu systematic) of %zu files\n", mutations.size(), systematic, bases.size());
  EXPECT_EQ(reported_, 0) << "a mapping failure would have shown an error box";

  // The untouched files read exactly as before the run.
  for (size_t b = 0; b < bases.size(); ++b) {
    std::wstring path = dir.path() + L"base" + std::to_wstring(b) + L".mp4";
    Reading again = ReadFile(path);
    const Reading& first = before[b];
    EXPECT_EQ(again.points.size(), first.points.size());
    EXPECT_EQ(0, memcmp(again.points.data(), first.points.data(),
                        first.points.size() * sizeof(sGPSPOINT)));
    EXPECT_EQ(0, memcmp(again.events.data(), first.events.data(),
                        first.events.size() * sizeof(sEVENTRECORD)));
    EXPECT_EQ(0, memcmp(&again.sample, &first.sample, sizeof first.sample));
    EXPECT_EQ(again.mdatSize, first.mdatSize);
    EXPECT_EQ(again.seconds, first.seconds);
    EXPECT_EQ(again.timeScale, first.timeScale);
    EXPECT_EQ(again.samples, first.samples);
    EXPECT_EQ(again.gpsOnly.size(), first.points.size());
  }
}

}  // namespace
}  // namespace playcore
