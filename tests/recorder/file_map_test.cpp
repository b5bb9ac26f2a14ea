#include "playcore/recorder/file_map.h"

#include "playcore/recorder/box_handlers.h"
#include "tests/recorder/recorder_fixture.h"
#include "tests/recorder/recorder_test_util.h"
#include "tests/support/test_env.h"
#include "playcore/recorder/recorder_probe.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace playcore {
namespace {

using namespace quill::test;

static_assert(std::is_trivially_copyable<sMP4FILEMAP>::value,
              "player instances clear their maps with memset");

class FileMapTest : public MapErrorGuard {
 protected:
  std::wstring Write(const std::string& name, const std::string& bytes) {
    std::wstring path = dir_.path() + std::wstring(name.begin(), name.end());
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }
  TempDir dir_;
};

TEST_F(FileMapTest, AGpsBoxBeforeTheMdatIsNotRead) {
  std::string bytes = FtypBox() + GpsBox(GpsHeaderBytes(GpsHeaderFields()), SampleRecords(4)) +
                      Box("mdat", std::string(100, 'm')) + MoovBox(1000, 5000, {33333}, 1);
  std::wstring path = Write("before.mp4", bytes);
  ScopedFileMap map;
  ASSERT_EQ(map->Load(path.c_str()), 1);
  EXPECT_TRUE(map->gpsPoints->empty());
  EXPECT_TRUE(map->events->empty());
  EXPECT_EQ(map->headerSample.tag, 'N');  // the sample walk does not look for "mdat"
}

TEST_F(FileMapTest, AFileWithoutGpsBoxOrHeaderSampleFailsToLoad) {
  GpsHeaderFields noSample;
  noSample.tag = '?';
  const std::string files[] = {
      FtypBox() + Box("mdat", std::string(64, 'm')) + MoovBox(1000, 5000, {33333}, 1),
      FtypBox() + Box("mdat", "m") + GpsBox(GpsHeaderBytes(noSample), SampleRecords(2)),
  };
  for (const std::string& bytes : files) {
    ScopedFileMap map;
    EXPECT_EQ(map->Load(Write("failing.mp4", bytes).c_str()), 0);
    EXPECT_EQ(map->loaded, 0);
    EXPECT_EQ(map->gpsPoints, nullptr);
    EXPECT_EQ(map->path[0], L'\0');
  }
  ScopedFileMap map;
  EXPECT_EQ(map->Load((dir_.path() + L"missing.mp4").c_str()), 0);
}

// Regression: a data box over the 1 MB handler view was read past the view.
TEST_F(FileMapTest, ADataBoxOverOneMegabyteIsReadWhole) {
  std::wstring path = Write("long.mp4", RecorderMovie(SampleRecords(14000)));
  ScopedFileMap map;
  ASSERT_EQ(map->Load(path.c_str()), 1);
  EXPECT_EQ(map->file, nullptr);  // handles closed, records kept
  EXPECT_EQ(map->mdatSize, 4096u + 8);
  EXPECT_EQ(std::wstring(map->path), path);
  ASSERT_EQ(map->gpsPoints->size(), 14000u);
  EXPECT_EQ(map->events->size(), 14000u);
  EXPECT_EQ(map->recordCounter, 14000);  // the last index, counted once more by the walk
  EXPECT_EQ(map->events->back().highNibble, 4);
  EXPECT_EQ(map->gpsPoints->back().recordNumber, 13999);
}

// Regression: a path longer than the field was cut to the name of another file.
TEST_F(FileMapTest, APathThatDoesNotFitFails) {
  std::wstring longPath = dir_.path() + std::wstring(300, L'a') + L".mp4";
  ScopedFileMap map;
  EXPECT_EQ(map->OpenFile(longPath.c_str()), 0);
  EXPECT_EQ(map->Load(longPath.c_str()), 0);
  EXPECT_EQ(map->path[0], L'\0');
}

TEST_F(FileMapTest, MoveFromHandsEverythingOverAndEmptiesTheSource) {
  std::wstring path = Write("move.mp4", RecorderMovie(SampleRecords(5)));
  ScopedFileMap source, destination;
  ASSERT_EQ(source->Load(path.c_str()), 1);
  destination->gpsPoints = new std::vector<sGPSPOINT>(3);  // freed by the move
  source->peakValue = 1.5;
  const std::vector<sGPSPOINT>* points = source->gpsPoints;
  EXPECT_EQ(sMP4FILEMAP::MoveFrom(&source.get(), &destination.get()), 1);
  EXPECT_EQ(destination->gpsPoints, points);
  EXPECT_EQ(destination->gpsPoints->size(), 5u);
  EXPECT_EQ(destination->peakValue, 1.5);
  EXPECT_EQ(std::wstring(destination->path), path);
  EXPECT_EQ(source->gpsPoints, nullptr);
  EXPECT_EQ(source->events, nullptr);
  EXPECT_EQ(source->path[0], L'\0');
  // Moving an empty map answers 0: no GPS points.
  EXPECT_EQ(sMP4FILEMAP::MoveFrom(&source.get(), &destination.get()), 0);
  EXPECT_EQ(destination->gpsPoints, nullptr);
}

TEST_F(FileMapTest, AViewAtOrPastTheLimitFailsQuietly) {
  std::wstring path = Write("view.mp4", RecorderMovie(SampleRecords(1)));
  ScopedFileMap map;
  ASSERT_EQ(map->OpenFile(path.c_str()), 1);
  FileMapView v;
  EXPECT_EQ(map->MapView(&v, map->fileSize, 16, map->fileSize), 0);
  EXPECT_EQ(map->MapView(&v, 100, 16, 50), 0);
  EXPECT_EQ(map->MapView(&v, map->fileSize + 70000, 16, map->fileSize), 0);
  EXPECT_EQ(reported_, 0);  // no message box
  // A view near the end is cut to the limit and its data lies `delta` past the aligned base.
  ASSERT_EQ(map->MapView(&v, map->fileSize - 10, 100, map->fileSize), 1);
  EXPECT_EQ(v.length(), 10u);
  EXPECT_EQ(v.delta(), (map->fileSize - 10) % map->granularity);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(v.data()) + 4, 6), "CSOEND");
}

TEST_F(FileMapTest, CloseLeavesNothingBehindAndMayRepeat) {
  std::wstring path = Write("close.mp4", RecorderMovie(SampleRecords(2)));
  sMP4FILEMAP map;
  ASSERT_EQ(map.Init(), 1);
  ASSERT_EQ(map.OpenFile(path.c_str()), 1);
  EXPECT_NE(map.mapping, nullptr);
  EXPECT_EQ(map.Close(), 1);
  EXPECT_EQ(map.mapping, nullptr);
  EXPECT_EQ(map.file, nullptr);
  EXPECT_EQ(map.mutex, nullptr);
  EXPECT_EQ(map.Close(), 1);
  // The file is free again: it can be replaced.
  EXPECT_TRUE(WriteWholeFile(path, "x"));
}

TEST(Probe, FindsTheEndMarkWithinTheLastEightyFiveBytesOnly) {
  std::string head = FtypBox();
  struct Case {
    const char* name;
    std::string bytes;
    int expected;
  } cases[] = {
      {"a whole recorder movie", RecorderMovie(SampleRecords(3)), 1},
      {"the mark as the last six bytes", head + std::string(200, 'x') + "CSOEND", 1},
      {"the mark 85 bytes from the end, NULs around it",
       head + std::string(200, '\0') + "CSOEND" + std::string(79, '\0'), 1},
      {"the mark 86 bytes from the end",
       head + std::string(200, '\0') + "CSOEND" + std::string(80, '\0'), 0},
      {"no ftyp at bytes 4-7", std::string(8, '\0') + "moov" + std::string(200, 'x') + "CSOEND", 0},
      {"no mark", head + std::string(300, 'x'), 0},
      {"an empty file", std::string(), 0},
      {"a file shorter than the tail", head + "CSOEND", 0},
      {"seven bytes", std::string("\0\0\0\0fty", 7), 0},
  };
  TempDir dir;
  int i = 0;
  for (const Case& c : cases) {
    std::wstring path = dir.path() + L"probe" + std::to_wstring(i++) + L".mp4";
    ASSERT_TRUE(WriteWholeFile(path, c.bytes));
    EXPECT_EQ(ProbeRecorderFile(path.c_str()), c.expected) << c.name;
  }
  EXPECT_EQ(ProbeRecorderFile((dir.path() + L"missing.mp4").c_str()), 0);
  EXPECT_EQ(ProbeRecorderFile(nullptr), 0);
}

}  // namespace
}  // namespace playcore
