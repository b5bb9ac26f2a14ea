// Joins across awkward inputs (a recording without the recorder's data box in the middle of a run,
// allocations failing while recordings are loaded and merged), and the joined data boxes the join
// tests wrote read back through the recorder-file reader the player uses: every record of every part,
// in order, numbered from 0 across the whole join.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "playcore/mp4/join_merge.h"
#include "playcore/mp4/multi_movie.h"
#include "playcore/recorder/file_map.h"
#include "tests/join/join_fixture.h"
#include "tests/support/test_env.h"

// Allocation failure on demand: while g_allocationsLeft is 0 or more, the allocation that finds it 0
// throws std::bad_alloc (once) and sets g_allocationFailed. The test thread alone arms it.
long g_allocationsLeft = -1;
bool g_allocationFailed = false;

void* operator new(std::size_t size) {
  if (g_allocationsLeft == 0) {
    g_allocationsLeft = -1;
    g_allocationFailed = true;
    throw std::bad_alloc();
  }
  if (g_allocationsLeft > 0) --g_allocationsLeft;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace quill::test;
using playcore::MultiMoviePtr;
using playcore::sGPSPOINT;
using playcore::sMULTIMOVIE;

// The GPS points of one file as the player reads them.
std::vector<sGPSPOINT> Points(const std::wstring& path) {
  playcore::ScopedFileMap map;
  std::vector<sGPSPOINT> points;
  if (map->Load(path.c_str()) == 1 && map->gpsPoints) points = *map->gpsPoints;
  return points;
}

// A generated input cut before its data box (the last box of the file).
std::wstring WithoutDataBox(const TempDir& dir, const char* input) {
  Bytes f = ReadAll(JoinInput(input));
  int64_t gps = FindBox(f, {"gps0"});
  EXPECT_GT(gps, 0);
  f.resize(static_cast<size_t>(gps));
  std::wstring path = dir.path() + L"nodata.mp4";
  EXPECT_TRUE(WriteAll(path, f));
  return path;
}

// Regression: the records of a recording without a data box were simply skipped, so every later
// record (GPS track, events) sat earlier on the timeline than its video. Its span (main_2: 1.5 s)
// is now filled with invalid records, one per 100 ms.
TEST(JoinRepairs, RecordingWithoutDataBoxKeepsLaterRecordsAtTheirTimes) {
  if (!HaveJoinInputs()) GTEST_SKIP() << "no join inputs";
  TempDir dir;
  const std::wstring inputs[] = {JoinInput("main_1.mp4"), WithoutDataBox(dir, "main_2.mp4"),
                                 JoinInput("main_3.mp4")};
  const std::wstring out = dir.path() + L"J_gap.mp4";
  {
    MultiMoviePtr join(sMULTIMOVIE::Create(nullptr));
    ASSERT_EQ(join->StartChannel(inputs[0].c_str(), nullptr), 1);
    ASSERT_EQ(join->AddRecording(inputs[1].c_str(), nullptr), 1);
    ASSERT_EQ(join->AddRecording(inputs[2].c_str(), nullptr), 1);
    ASSERT_EQ(join->WriteJoined(out.c_str(), nullptr), 1) << join->failure();
  }
  const std::vector<sGPSPOINT> first = Points(inputs[0]), last = Points(inputs[2]);
  ASSERT_EQ(first.size(), 100u);
  ASSERT_EQ(last.size(), 30u);
  const size_t kGap = 15;
  const std::vector<sGPSPOINT> joined = Points(out);
  ASSERT_EQ(joined.size(), first.size() + kGap + last.size());
  const struct {
    size_t from, to;           // joined record range
    const std::vector<sGPSPOINT>* source;  // null: the filled gap
  } spans[] = {{0, 100, &first}, {100, 100 + kGap, nullptr}, {100 + kGap, joined.size(), &last}};
  for (const auto& s : spans) {
    for (size_t i = s.from; i < s.to; ++i) {
      SCOPED_TRACE(i);
      const sGPSPOINT& p = joined[i];
      EXPECT_EQ(p.positionKey, static_cast<int32_t>(i) * playcore::kPositionKeyPerRecord);
      if (!s.source) {
        EXPECT_EQ(p.valid, 0);
        EXPECT_EQ(p.latitude, 0.0);
        continue;
      }
      const sGPSPOINT& want = (*s.source)[i - s.from];
      EXPECT_EQ(p.valid, want.valid);
      EXPECT_EQ(p.latitude, want.latitude);
      EXPECT_EQ(std::memcmp(&p.localTime, &want.localTime, sizeof want.localTime), 0);
    }
  }
}

// Runs `prepare`, then `step` with its n-th allocation failing, for n = 0, 1, ... until a run of
// `step` makes fewer allocations; `check(failed)` judges each run.
template <class Prepare, class Step, class Check>
void WithEachAllocationFailing(Prepare prepare, Step step, Check check) {
  const long kMostAllocations = 100000;  // a bound against a run that never ends
  for (long n = 0; n < kMostAllocations; ++n) {
    SCOPED_TRACE(n);
    prepare();
    g_allocationFailed = false;
    g_allocationsLeft = n;
    bool threw = false;
    try {
      step();
    } catch (...) {
      threw = true;
    }
    g_allocationsLeft = -1;
    ASSERT_FALSE(threw) << "an exception left the call";
    check(g_allocationFailed);
    if (!g_allocationFailed) return;
  }
  FAIL() << "still allocating";
}

// Regression: std::bad_alloc from the tree nodes, the table search or the index escaped both calls
// into the tool worker instead of failing them like any other reason.
TEST(JoinRepairs, RunningOutOfMemoryFailsTheLoadAndTheMergeInsteadOfThrowing) {
  if (!HaveJoinInputs()) GTEST_SKIP() << "no join inputs";
  const std::wstring first = JoinInput("main_1.mp4"), second = JoinInput("main_2.mp4");
  std::unique_ptr<playcore::sMP4MOVIE> joined, next;
  WithEachAllocationFailing([] {}, [&] { joined = playcore::sMP4MOVIE::Load(first.c_str()); },
                            [&](bool failed) { EXPECT_EQ(joined == nullptr, failed); });
  bool merged = false;
  std::string why;
  WithEachAllocationFailing(
      [&] {
        joined = playcore::sMP4MOVIE::Load(first.c_str());
        next = playcore::sMP4MOVIE::Load(second.c_str());
        ASSERT_TRUE(joined && next);
        why.clear();
      },
      [&] { merged = playcore::MergeRecording(joined.get(), next.get(), &why); },
      [&](bool failed) {
        EXPECT_EQ(merged, !failed);
        EXPECT_TRUE(!failed || !why.empty());
      });
}

struct Listed {
  std::string output;
  std::vector<std::string> parts;
};

std::vector<Listed> ListedJoins() {
  std::vector<Listed> joins;
  for (const wchar_t* name : {L"joined.txt", L"joined_recordings.txt"}) {
    Bytes text = ReadAll(JoinOutputDir() + name);
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      Listed l;
      std::string f;
      std::getline(fields, l.output, '\t');
      while (std::getline(fields, f, '\t')) l.parts.push_back(f);
      if (!l.parts.empty()) joins.push_back(l);
    }
  }
  return joins;
}

std::wstring PathOf(const std::string& label) {
  return label[0] == '/' ? HostPathToWindows(label) : JoinInput(label.c_str());
}

TEST(JoinRecorderReadTest, JoinedDataBoxesReadBackAsEveryPartsRecordsInOrder) {
  std::vector<Listed> joins = ListedJoins();
  if (joins.empty()) GTEST_SKIP() << "the join tests listed no outputs";
  for (const Listed& j : joins) {
    SCOPED_TRACE(j.output);
    std::vector<sGPSPOINT> joined =
        Points(JoinOutputDir() + std::wstring(j.output.begin(), j.output.end()));
    std::vector<sGPSPOINT> want;
    for (const std::string& part : j.parts) {
      std::vector<sGPSPOINT> p = Points(PathOf(part));
      want.insert(want.end(), p.begin(), p.end());
    }
    ASSERT_EQ(joined.size(), want.size());
    ASSERT_FALSE(joined.empty());
    for (size_t i = 0; i < joined.size(); ++i) {
      EXPECT_EQ(joined[i].recordNumber, static_cast<int32_t>(i));
      EXPECT_EQ(joined[i].valid, want[i].valid);
      EXPECT_EQ(joined[i].latitude, want[i].latitude);
      EXPECT_EQ(joined[i].longitude, want[i].longitude);
      EXPECT_EQ(std::memcmp(&joined[i].localTime, &want[i].localTime, sizeof(SYSTEMTIME)), 0) << i;
    }
  }
}

}  // namespace
