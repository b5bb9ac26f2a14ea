// Reloading a folder of the tree while one of its children is selected: deleting the selected child
// must not make the tree tell the owner (who would load again inside the delete and double the
// children), and clearing the pane or loading no item leaves nothing half-done.
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace quill::test;

std::vector<std::wstring> ChildrenOf(CFolderTreeCtrl& tree, HTREEITEM item) {
  std::vector<std::wstring> names;
  for (HTREEITEM c = tree.GetChildItem(item); c; c = tree.GetNextSiblingItem(c)) {
    names.emplace_back(static_cast<const wchar_t*>(tree.GetItemText(c)));
  }
  return names;
}

class FolderReload : public testing::Test {
 protected:
  void SetUp() override {
    card_ = dir_.path() + L"card";
    ASSERT_TRUE(WriteCard(card_, EveryTriggerCard()));
    stage_ = std::make_unique<PaneStage>();
    pane().OpenSource(card_.c_str(), CFilerContainerDlg::kSourceFolder);
    top_ = pane().m_tree.GetRootItem();
    ASSERT_NE(top_, nullptr);
    pane().m_tree.SelectItem(pane().m_tree.GetChildItem(top_));  // a child is the selected item
    ASSERT_EQ(pane().m_list.GetItemCount(), 10);
  }
  CFilerContainerDlg& pane() { return *stage_->pane; }

  TempDir dir_;
  std::wstring card_;
  std::unique_ptr<PaneStage> stage_;
  HTREEITEM top_ = nullptr;
};

TEST_F(FolderReload, DeletingTheSelectedChildDoesNotReloadInsideTheLoad) {
  const std::vector<std::wstring> days = {L"20240101_001", L"20240102_001", L"20240103_001"};
  const int changes = stage_->owner.folderChanges;
  EXPECT_EQ(pane().LoadFolder(top_, 0, FALSE), 0);  // the card's own folder holds no recordings
  EXPECT_EQ(ChildrenOf(pane().m_tree, top_), days);
  EXPECT_EQ(stage_->owner.folderChanges, changes);
  EXPECT_EQ(pane().m_list.m_records.size(), 0u);
}

TEST_F(FolderReload, ClearingThePaneTellsTheOwnerNothing) {
  const int changes = stage_->owner.folderChanges;
  pane().ClearAll();
  EXPECT_EQ(stage_->owner.folderChanges, changes);
  EXPECT_EQ(pane().m_tree.GetRootItem(), nullptr);
  EXPECT_EQ(pane().m_list.GetItemCount(), 0);
}

TEST_F(FolderReload, LoadingNoItemLeavesTheTreeAndTheList) {
  EXPECT_EQ(pane().LoadFolder(nullptr, 0, FALSE), 0);
  EXPECT_EQ(pane().m_tree.GetRootItem(), top_);
  EXPECT_EQ(ChildrenOf(pane().m_tree, top_).size(), 3u);
  EXPECT_EQ(pane().m_list.GetItemCount(), 10);
}

}  // namespace
