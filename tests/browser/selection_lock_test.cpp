// Selecting a row opens it only under the playback mutex, and only when the row is still there once
// the mutex is taken.
#include "tests/browser/browser_host.h"
#include "tests/names/card_fixture.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

using namespace quill::test;

class SelectionLock : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WriteCard(dir_.path() + L"card", EveryTriggerCard()));
    stage_ = std::make_unique<PaneStage>();
    stage_->pane->OpenSource((dir_.path() + L"card\\20240101_001").c_str(), CFilerContainerDlg::kSourceFolder);
    ASSERT_EQ(stage_->pane->m_list.GetItemCount(), 10);
    stage_->owner.opened.clear();
  }
  TempDir dir_;
  std::unique_ptr<PaneStage> stage_;
};

TEST_F(SelectionLock, WithoutTheMutexNothingIsOpened) {
  FakeOwner& owner = stage_->owner;
  const HANDLE mutex = owner.mutex;
  owner.mutex = nullptr;  // the wait fails
  stage_->pane->SelectItem(3, FALSE);
  owner.mutex = mutex;
  EXPECT_TRUE(owner.opened.empty());
  EXPECT_NE(owner.current, 3);
}

TEST_F(SelectionLock, RowsDeletedDuringTheWaitAreNotOpened) {
  FakeOwner& owner = stage_->owner;
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const HWND list = stage_->pane->m_list.m_hWnd;
  std::thread worker([&] {
    WaitForSingleObject(owner.mutex, INFINITE);
    SetEvent(held);
    // Answered only once the UI thread waits for the mutex: the rows go while it waits.
    ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    ReleaseMutex(owner.mutex);
  });
  WaitForSingleObject(held, INFINITE);
  stage_->pane->SelectItem(3, FALSE);
  worker.join();
  CloseHandle(held);
  EXPECT_EQ(stage_->pane->m_list.GetItemCount(), 0);
  EXPECT_TRUE(owner.opened.empty());
  EXPECT_NE(owner.current, 3);
}

}  // namespace
