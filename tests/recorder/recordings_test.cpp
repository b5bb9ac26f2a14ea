// The generated recordings read back: every value the generator wrote into its manifest for a file
// (manifest-files.tsv, manifest-records.tsv) must come out of the probe, Load and the time-scale walks.
#include "playcore/recorder/box_handlers.h"
#include "playcore/recorder/file_map.h"
#include "playcore/recorder/recorder_probe.h"

#include "tests/recorder/recorder_test_util.h"
#include "tests/support/recording_paths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace playcore {
namespace {

using namespace quill::test;

using Row = TableRow;

double Number(const Row& row, const char* column) { return NumberOf(row, column); }
long Int(const Row& row, const char* column) { return static_cast<long>(IntOf(row, column)); }

std::string TimeText(const SYSTEMTIME& st) {
  char buf[32];
  snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
           st.wMinute, st.wSecond);
  return buf;
}

// The header sample the generator wrote: the value texts of the header bytes, read with the C
// runtime (not the reader under test), divided by 1000.
float HeaderValue(const std::string& hex, size_t offset) {
  std::string text;
  for (size_t i = offset; i < offset + 4; ++i) {
    text += static_cast<char>(std::strtol(hex.substr(2 * i, 2).c_str(), nullptr, 16));
  }
  return static_cast<float>(std::strtod(text.c_str(), nullptr)) / 1000.0f;
}

void CheckRecords(const sMP4FILEMAP& map, const std::vector<const Row*>& rows, const std::string& file) {
  ASSERT_EQ(map.gpsPoints->size(), rows.size()) << file;
  for (size_t k = 0; k < rows.size(); ++k) {
    const Row& r = *rows[k];
    const sGPSPOINT& p = (*map.gpsPoints)[k];
    const sEVENTRECORD& e = (*map.events)[k];
    SCOPED_TRACE(file + " record " + std::to_string(k));
    EXPECT_EQ(p.recordNumber, Int(r, "k"));
    EXPECT_EQ(p.valid, Int(r, "valid"));
    EXPECT_NEAR(p.latitude, Number(r, "latitude"), 1e-9);
    EXPECT_NEAR(p.longitude, Number(r, "longitude"), 1e-9);
    EXPECT_DOUBLE_EQ(p.number, Number(r, "number"));
    EXPECT_EQ(TimeText(p.localTime), r.at("local_time"));
    EXPECT_DOUBLE_EQ(e.value1, Number(r, "value1"));
    EXPECT_DOUBLE_EQ(e.value2, Number(r, "value2"));
    EXPECT_DOUBLE_EQ(e.value3, Number(r, "value3"));
    EXPECT_EQ(e.type, Int(r, "type"));
    EXPECT_EQ(e.axis, Int(r, "axis_code"));
    EXPECT_EQ(static_cast<long>(e.flags), Int(r, "flag"));
    EXPECT_EQ(e.highNibble, Int(r, "next_high"));
    EXPECT_EQ(e.lowNibble, Int(r, "next_low"));
  }
}

TEST(GeneratedRecordings, ReadBackExactlyWhatTheGeneratorWrote) {
  std::string dir = RecordingsDirUnix();
  ASSERT_FALSE(dir.empty()) << "QUILL_RECORDINGS is not set";
  std::vector<Row> files = ReadHostTable(dir + "/manifest-files.tsv");
  std::vector<Row> records = ReadHostTable(dir + "/manifest-records.tsv");
  ASSERT_FALSE(files.empty());
  std::map<std::string, std::vector<const Row*>> byFile;
  for (const Row& r : records) byFile[r.at("path")].push_back(&r);
  for (const Row& f : files) {
    const std::string& name = f.at("path");
    std::wstring path = RecordingPath(name);
    EXPECT_EQ(ProbeRecorderFile(path.c_str()), 1) << name;
    ScopedFileMap map;
    ASSERT_EQ(map->Load(path.c_str()), 1) << name;
    EXPECT_EQ(map->headerSample.tag, f.at("tag")[0]) << name;
    const std::string& hex = f.at("header_hex");
    EXPECT_FLOAT_EQ(map->headerSample.value1, HeaderValue(hex, 6)) << name;
    EXPECT_FLOAT_EQ(map->headerSample.value2, HeaderValue(hex, 10)) << name;
    EXPECT_FLOAT_EQ(map->headerSample.value3, HeaderValue(hex, 14)) << name;
    EXPECT_GT(map->mdatSize, 8u);
    EXPECT_LT(map->mdatSize, static_cast<uint64_t>(Int(f, "box_offset")));
    CheckRecords(map.get(), byFile[name], name);

    ASSERT_EQ(map->OpenFile(path.c_str()), 1);
    EXPECT_EQ(map->fileSize, static_cast<uint64_t>(Int(f, "size")));
    sTAGENTRY mvhd = MvhdEntry(), moov = MoovEntry(), stts = SttsEntry(), stsz = StszEntry();
    float seconds = 0.0f;
    EXPECT_EQ(map->ScanForTag(&mvhd, &moov, &seconds), 1);
    EXPECT_NEAR(seconds, Number(f, "duration_ms") / 1000.0, 0.1) << name;
    EXPECT_EQ(map->WalkBoxPath(&stts), 1);
    EXPECT_FLOAT_EQ(map->timeScale, static_cast<float>(Int(f, "frame_length_ms"))) << name;
    uint32_t samples = 0;
    EXPECT_EQ(map->ScanForTag(&stsz, nullptr, &samples), 1);
    EXPECT_EQ(samples, static_cast<uint32_t>(Int(f, "frames"))) << name;
  }
}

}  // namespace
}  // namespace playcore
