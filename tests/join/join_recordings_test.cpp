// Joins of the generator's test recordings (main and rear camera pairs of the card, as the join
// command takes them), checked like the joins of the join's own inputs; the outputs are listed for
// the host-side ffprobe/ffmpeg check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/join/join_check.h"
#include "tests/join/join_fixture.h"
#include "tests/support/recording_paths.h"

namespace {

using namespace quill::test;

struct Pair {
  std::string number;
  std::string main, rear;  // paths relative to the recordings folder
};

// Main/rear pairs of the card, in card order, from the generator's manifest.
std::vector<Pair> CardPairs(std::vector<std::string>* mainOnly) {
  std::vector<Pair> pairs;
  for (const TableRow& row : ReadHostTable(RecordingsDirUnix() + "/manifest-files.tsv")) {
    const std::string& path = row.at("path");
    if (path.rfind("card/", 0) != 0) continue;
    std::string number = path.substr(path.rfind('/') + 1, 3);
    if (pairs.empty() || pairs.back().number != number) pairs.push_back({number, "", ""});
    (row.at("camera") == "M" ? pairs.back().main : pairs.back().rear) = path;
  }
  std::vector<Pair> complete;
  for (const Pair& p : pairs) {
    if (!p.main.empty() && !p.rear.empty()) complete.push_back(p);
    if (!p.main.empty() && p.rear.empty()) mainOnly->push_back(p.main);
  }
  return complete;
}

JoinInputFile Input(const std::string& relative) {
  return {RecordingPath(relative), RecordingsDirUnix() + "/" + relative};
}

class JoinRecordingsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { StartJoinManifest(L"joined_recordings.txt"); }
  void SetUp() override {
    if (RecordingsDirUnix().empty() || JoinOutputDir().empty()) GTEST_SKIP() << "no recordings";
    pairs_ = CardPairs(&mainOnly_);
  }
  void JoinPairs(size_t first, size_t count, const std::string& tag) {
    ASSERT_LE(first + count, pairs_.size());
    std::vector<JoinInputFile> a, b;
    for (size_t i = first; i < first + count; ++i) {
      a.push_back(Input(pairs_[i].main));
      b.push_back(Input(pairs_[i].rear));
    }
    JoinAndCheck(a, b, "J_card_" + tag + "_M.mp4", "J_card_" + tag + "_R.mp4");
  }
  std::vector<Pair> pairs_;
  std::vector<std::string> mainOnly_;
};

// Five pairs of the card (main 1:1, rear 16:9, several frame rates) per camera; the counts of parts are
// varied in join_test.cpp.
TEST_F(JoinRecordingsTest, FivePairsJoinPerCamera) { JoinPairs(3, 5, "x5"); }

// A data box of more than 1 MB (14,000 records) followed by another recording's records.
TEST_F(JoinRecordingsTest, ALargeDataBoxJoinsWithTheNextRecording) {
  ASSERT_FALSE(mainOnly_.empty());
  ASSERT_FALSE(pairs_.empty());
  JoinAndCheck({Input(mainOnly_.back()), Input(pairs_.back().main)}, {}, "J_card_bigdata_M.mp4", "");
}

}  // namespace
