// The generated test card (the recordings fixture) opened as a folder source: every recording file the
// name rules accept lies in exactly one row of its day folder's list, with the size the generator wrote.
#include "tests/browser/browser_host.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace quill::test;

struct ManifestFile {
  std::string path;  // relative, '/' separated
  std::string trigger;
  uint64_t size = 0;
};

std::vector<ManifestFile> ReadManifest() {
  std::vector<ManifestFile> files;
  std::istringstream in(ReadHostFile(RecordingsDirUnix() + "/manifest-files.tsv"));
  std::string line;
  std::getline(in, line);  // the column titles
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::istringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 16) continue;
    files.push_back({cells[0], cells[2], std::stoull(cells[15])});
  }
  return files;
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(GeneratedCard, EveryAcceptedRecordingIsListedOnceWithItsSize) {
  const std::wstring root = RecordingsDir();
  ASSERT_FALSE(root.empty()) << "QUILL_RECORDINGS is not set";
  const std::vector<ManifestFile> manifest = ReadManifest();
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
  for (const ManifestFile& f : manifest) {
    if (f.path.rfind("card/", 0) != 0 || std::string("AGMPS").find(f.trigger) == std::string::npos) continue;
    std::wstring path = root + Wide(f.path);
    for (wchar_t& c : path) if (c == L'/') c = L'\\';
    const std::wstring ext = path.substr(path.size() - 4);
    if (ext != L".MP4" && ext != L".mp4") continue;
    ++accepted;
    EXPECT_EQ(seen[path], 1) << f.path;
    EXPECT_EQ(sizes[path], f.size) << f.path;
  }
  EXPECT_GT(accepted, 5);
}

}  // namespace
