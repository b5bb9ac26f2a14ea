// Opening a source reads each recording once: the open's scan and the load of the folder it selects
// share the probe's answers.
#include "tavrin/browser/recording_probe.h"
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using namespace quill::test;

std::map<std::wstring, int> g_probeCounts;

int CountingProbe(const wchar_t* path) {
  ++g_probeCounts[path];
  return 1;
}

struct OpenCase {
  const char* what;
  int kind;
  const wchar_t* relative;  // below the card; "" for the card itself
  int rows;
};

const OpenCase kOpens[] = {
    {"folder", CFilerContainerDlg::kSourceFolder, L"", 0},
    {"day folder", CFilerContainerDlg::kSourceFolder, L"\\20240101_001", 10},
    {"drive", CFilerContainerDlg::kSourceDrive, L"", 10},
};

TEST(OpenSourceProbe, EachRecordingIsProbedOnce) {
  TempDir dir;
  const std::wstring card = dir.path() + L"card";
  ASSERT_TRUE(WriteCard(card, EveryTriggerCard()));
  PaneStage stage;
  SetRecordingProbe(&CountingProbe);
  for (const OpenCase& c : kOpens) {
    SCOPED_TRACE(c.what);
    g_probeCounts.clear();
    stage.pane->OpenSource((card + c.relative).c_str(), c.kind);
    EXPECT_EQ(stage.pane->m_list.GetItemCount(), c.rows);
    for (const auto& [path, count] : g_probeCounts) {
      EXPECT_EQ(count, 1) << std::string(path.begin(), path.end());
    }
  }
  g_probeCounts.clear();
  stage.pane->OpenSource((card + L"\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
  EXPECT_FALSE(g_probeCounts.empty());  // a new open asks again
  SetRecordingProbe(nullptr);
}

}  // namespace
