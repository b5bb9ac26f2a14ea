// The controls' thin members against real controls: list and tree items, combo box texts, tool tips.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/framework/controls.h"

namespace {

class CHost : public CWnd {
 public:
  BOOL Make() { return CreateEx(0, AfxRegisterWndClass(0), L"", WS_POPUP, CRect(0, 0, 400, 300), nullptr, 0); }
};

TEST(ListCtrl, ItemsTextsStatesAndDataGoThroughTheControl) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CListCtrl list;
  ASSERT_TRUE(list.Create(LVS_REPORT | WS_VISIBLE, CRect(0, 0, 300, 200), &host, 1001));
  EXPECT_EQ(list.InsertColumn(0, L"ファイル名", LVCFMT_LEFT, 120), 0);
  EXPECT_EQ(list.InsertColumn(1, L"録画トリガー", LVCFMT_LEFT, 80), 1);
  EXPECT_EQ(list.InsertItem(0, L"001_120000A"), 0);
  EXPECT_EQ(list.InsertItem(LVIF_TEXT | LVIF_PARAM, 1, L"001_120100G", 0, 0, 0, 42), 1);
  EXPECT_TRUE(list.SetItemText(1, 1, L"衝撃"));
  EXPECT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemText(1, 0), L"001_120100G");
  EXPECT_EQ(list.GetItemText(1, 1), L"衝撃");
  EXPECT_EQ(list.GetItemData(1), 42u);
  EXPECT_TRUE(list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
  EXPECT_EQ(list.GetItemState(0, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
  CRect r;
  EXPECT_TRUE(list.GetItemRect(1, &r, LVIR_BOUNDS));
  EXPECT_GT(r.Height(), 0);
  EXPECT_EQ(list.HitTest(CPoint(r.left + 5, r.top + 2)), 1);
  EXPECT_TRUE(list.DeleteItem(0));
  EXPECT_EQ(list.GetItemText(0, 0), L"001_120100G");
  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetItemText(5, 0), L"") << "an item that does not exist reads as empty";
}

TEST(TreeCtrl, ItemsFormATreeWithTextsAndData) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_VISIBLE | TVS_HASLINES, CRect(0, 0, 200, 200), &host, 38300));
  HTREEITEM root = tree.InsertItem(L"E:");
  HTREEITEM day = tree.InsertItem(L"20240101_001", root);
  ASSERT_NE(day, nullptr);
  EXPECT_TRUE(tree.SetItemData(day, 0x15));
  EXPECT_EQ(tree.GetItemData(day), 0x15u);
  EXPECT_EQ(tree.GetRootItem(), root);
  EXPECT_EQ(tree.GetChildItem(root), day);
  EXPECT_EQ(tree.GetParentItem(day), root);
  EXPECT_EQ(tree.GetItemText(day), L"20240101_001");
  EXPECT_TRUE(tree.SelectItem(day));
  EXPECT_EQ(tree.GetSelectedItem(), day);
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_TRUE(tree.DeleteAllItems());
  EXPECT_EQ(tree.GetCount(), 0u);
}

TEST(ComboBox, StringsAndTheSelectionReadBack) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CComboBox combo;
  ASSERT_TRUE(combo.Create(CBS_DROPDOWNLIST | WS_VSCROLL, CRect(0, 0, 150, 200), &host, 39100));
  EXPECT_EQ(combo.AddString(L"E:\\"), 0);
  EXPECT_EQ(combo.AddString(L"F:\\"), 1);
  EXPECT_EQ(combo.SetCurSel(1), 1);
  EXPECT_EQ(combo.GetCurSel(), 1);
  CString text;
  combo.GetLBText(1, text);
  EXPECT_EQ(text, L"F:\\");
  combo.GetLBText(7, text);
  EXPECT_TRUE(text.IsEmpty());
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
}

TEST(ToolTipCtrl, AToolsTextCanBeAddedChangedAndRemoved) {
  CHost host;
  ASSERT_TRUE(host.Make());
  CButton play;
  ASSERT_TRUE(play.Create(L"再生", WS_VISIBLE, CRect(10, 10, 80, 40), &host, 38001));
  CToolTipCtrl tips;
  ASSERT_TRUE(tips.Create(&host));
  ASSERT_TRUE(tips.AddTool(&play, L"再生"));
  EXPECT_EQ(tips.GetToolCount(), 1);
  EXPECT_EQ(tips.GetText(&play), L"再生");
  tips.UpdateTipText(L"一時停止", &play);
  EXPECT_EQ(tips.GetText(&play), L"一時停止");
  tips.DelTool(&play);
  EXPECT_EQ(tips.GetToolCount(), 0);
}

}  // namespace
