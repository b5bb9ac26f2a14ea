// The generated test recordings: collecting the card gives exactly the recordings whose names the
// rules take, with the partners the generator wrote, and the joined folder its JM and JB files.
#include "tavrin/browser/recording_pair.h"
#include "tests/support/recording_paths.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

namespace {

struct Expected {
  std::string trigger, joined, main, rear;
};

// The value of `"key": "..."` or `"key": null` on one manifest line.
bool ReadValue(const std::string& line, const std::string& key, std::string* value) {
  const std::string tag = "\"" + key + "\": ";
  const size_t at = line.find(tag);
  if (at == std::string::npos) return false;
  std::string rest = line.substr(at + tag.size());
  value->clear();
  if (rest.rfind("\"", 0) == 0) *value = rest.substr(1, rest.find('"', 1) - 1);
  return true;
}

// The "recordings" list of manifest.json (one field a line, as the generator writes it).
std::vector<Expected> ReadRecordings(const std::string& json) {
  std::vector<Expected> out;
  std::istringstream in(json.substr(0, json.find("\"files\": [")));
  std::string line, value;
  while (std::getline(in, line)) {
    if (ReadValue(line, "index", &value)) out.emplace_back();
    if (out.empty()) continue;
    if (ReadValue(line, "trigger", &value)) out.back().trigger = value;
    if (ReadValue(line, "joined_prefix", &value)) out.back().joined = value;
    if (ReadValue(line, "main", &value)) out.back().main = value;
    if (ReadValue(line, "rear", &value)) out.back().rear = value;
  }
  return out;
}

std::wstring Windows(const std::string& relative) {
  return relative.empty() ? std::wstring() : quill::test::RecordingPath(relative);
}

// The rules list a recording of every trigger letter and every joined prefix.
bool Listed(const Expected& e) {
  return e.trigger.size() == 1 && std::string("AGMPSTUOR").find(e.trigger) != std::string::npos;
}

class GeneratedCard : public testing::Test {
 protected:
  void SetUp() override {
    if (quill::test::RecordingsDir().empty()) GTEST_SKIP() << "QUILL_RECORDINGS is not set";
    const std::string manifest = quill::test::RecordingsDirUnix() + "/manifest.json";
    recordings_ = ReadRecordings(quill::test::ReadHostFile(manifest));
    ASSERT_FALSE(recordings_.empty());
  }

  void ExpectListed(const std::string& root, const RecordingList& list) {
    std::map<std::wstring, std::wstring> expected, got;  // main -> rear
    for (const Expected& e : recordings_) {
      if (Listed(e) && (e.main.rfind(root, 0) == 0 || e.rear.rfind(root, 0) == 0)) {
        expected[Windows(e.main)] = Windows(e.rear);
      }
    }
    for (const sRECORDINGPAIR& r : list) got[r.szMainPath] = r.szRearPath;
    EXPECT_EQ(got, expected);
    EXPECT_EQ(list.size(), expected.size());
  }

  std::vector<Expected> recordings_;
};

TEST_F(GeneratedCard, CollectingTheCardListsEveryNamedRecordingWithItsPartner) {
  RecordingList list;
  ASSERT_TRUE(ScanRecordingTree((quill::test::RecordingsDir() + L"card").c_str(), list, nullptr, 0));
  ExpectListed("card/", list);
  for (const sRECORDINGPAIR& r : list) {
    EXPECT_GT(r.szMainPath[0] ? r.uMainSize : r.uRearSize, 0u) << RecordingKey(r);
  }
}

TEST_F(GeneratedCard, TheDriveScanShowsBothDayFoldersAsRows) {
  RecordingList list, rows;
  ASSERT_TRUE(ScanRecordingFolders((quill::test::RecordingsDir() + L"card").c_str(), nullptr, nullptr, list,
                                   &rows, kScanDayFolders, true, nullptr, 0));
  EXPECT_TRUE(list.empty());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::wstring(rows[0].szMainName), L"20240315_001");
  EXPECT_EQ(std::wstring(rows[1].szMainName), L"20240316_001");
}

TEST_F(GeneratedCard, TheJoinedFolderListsEveryJoinedPrefix) {
  RecordingList list;
  ASSERT_TRUE(ScanRecordingFolders((quill::test::RecordingsDir() + L"joined").c_str(), nullptr, nullptr,
                                   list, nullptr, kScanFolderTree, true, nullptr, 0));
  GroupRecordings(list);
  ExpectListed("joined/", list);
}

}  // namespace
