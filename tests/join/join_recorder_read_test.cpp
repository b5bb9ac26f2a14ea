// The joined data boxes the join tests wrote, read back through the recorder-file reader the player
// uses: every record of every part, in order, numbered from 0 across the whole join.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "playcore/recorder/file_map.h"
#include "tests/join/join_fixture.h"
#include "tests/support/test_env.h"

namespace {

using namespace quill::test;

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

// The GPS points of one file as the player reads them.
std::vector<playcore::sGPSPOINT> Points(const std::wstring& path) {
  playcore::sMP4FILEMAP map;
  std::vector<playcore::sGPSPOINT> points;
  if (!map.Init()) return points;
  if (map.Load(path.c_str()) == 1 && map.gpsPoints) points = *map.gpsPoints;
  map.Close();
  return points;
}

TEST(JoinRecorderReadTest, JoinedDataBoxesReadBackAsEveryPartsRecordsInOrder) {
  std::vector<Listed> joins = ListedJoins();
  if (joins.empty()) GTEST_SKIP() << "the join tests listed no outputs";
  for (const Listed& j : joins) {
    SCOPED_TRACE(j.output);
    std::vector<playcore::sGPSPOINT> joined =
        Points(JoinOutputDir() + std::wstring(j.output.begin(), j.output.end()));
    std::vector<playcore::sGPSPOINT> want;
    for (const std::string& part : j.parts) {
      std::vector<playcore::sGPSPOINT> p = Points(PathOf(part));
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
