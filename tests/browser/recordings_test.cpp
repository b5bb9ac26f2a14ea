// The generated test card (the recordings fixture) opened as a folder source: every recording file the
// name rules accept lies in exactly one row of its day folder's list, with the size the generator wrote.
#include "tests/browser/browser_host.h"
#include "tests/support/recording_paths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using namespace quill::test;

TEST(GeneratedCard, EveryAcceptedRecordingIsListedOnceWithItsSize) {
  const std::wstring root = RecordingsDir();
  ASSERT_FALSE(root.empty()) << "QUILL_RECORDINGS is not set";
  const std::vector<TableRow> manifest = ReadHostTable(RecordingsDirUnix() + "/manifest-files.tsv");
  ASSERT_FALSE(manifest.empty());
  PaneStage stage;
  stage.pane->OpenSource((root + L"card").c_str(), CFilerContainerDlg::kSourceFolder);
  HTREEITEM top = stage.pane->m_tree.GetRootItem();
  ASSERT_NE(top, nullptr);
  std::map<std::wstring, int> seen;  // path -> rows naming it
  std::map<std::wstring, uint64_t> sizes;
  int days = 0;
  for (HTREEITEM day = stage.pane->m_tree.GetChildItem(top); day;
       day = stage.pane->m_tree.GetNextSiblingItem(day), ++days) {
    stage.pane->LoadFolder(day, 0, FALSE);
    EXPECT_EQ(stage.pane->m_list.GetItemCount(), static_cast<int>(stage.pane->m_list.m_shownRecords.size()));
    for (const sRECORDINGPAIR& r : stage.pane->m_list.m_shownRecords) {
      if (r.szMainPath[0]) { ++seen[r.szMainPath]; sizes[r.szMainPath] = r.uMainSize; }
      if (r.szRearPath[0]) { ++seen[r.szRearPath]; sizes[r.szRearPath] = r.uRearSize; }
    }
  }
  EXPECT_GE(days, 2);
  int accepted = 0;
  for (const TableRow& f : manifest) {
    const std::string& name = f.at("path");
    if (name.rfind("card/", 0) != 0 || std::string("AGMPS").find(f.at("trigger")) == std::string::npos) continue;
    const std::wstring path = RecordingPath(name);
    ++accepted;
    EXPECT_EQ(seen[path], 1) << name;
    EXPECT_EQ(sizes[path], static_cast<uint64_t>(IntOf(f, "size"))) << name;
  }
  EXPECT_GT(accepted, 5);
}

}  // namespace
