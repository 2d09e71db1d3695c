// The headless controls must behave like the Windows ones the window logic
// was written against, or the window tests would prove nothing.
#include "platform/memory/headless_controls.h"

#include <gtest/gtest.h>

namespace tessavue {
namespace {

TEST(HeadlessComboBox, SortedStyleOrdersIgnoringCaseAndKeepsSelection) {
  HeadlessComboBox combo;
  EXPECT_EQ(combo.AddString("Enabled"), 0);
  EXPECT_EQ(combo.AddString("Disabled"), 0);
  combo.SetCurSel(1);
  EXPECT_EQ(combo.AddString("apple"), 0);
  EXPECT_EQ(combo.AddString("E: \\\\srv\\x"), 2);  // "e: " sorts after "Disabled", before "Enabled"
  EXPECT_EQ(combo.items(),
            (std::vector<std::string>{"apple", "Disabled", "E: \\\\srv\\x", "Enabled"}));
  EXPECT_EQ(combo.CurrentText(), "Enabled");
  combo.SetCurSel(9);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.GetLBText(-1), "");

  HeadlessComboBox plain(false);
  plain.AddString("b");
  EXPECT_EQ(plain.AddString("a"), 1);
}

TEST(HeadlessListView, SelectionStateAndFirstVisibleRow) {
  HeadlessListView list(3);
  list.InsertColumn(0, "Name", 94);
  list.InsertColumn(1, "IP", 81);
  for (int i = 0; i < 6; ++i) list.InsertItem(i, "row" + std::to_string(i));
  EXPECT_TRUE(list.SetItemText(2, 1, "10.0.0.2"));
  EXPECT_FALSE(list.SetItemText(2, 5, "no such column"));
  EXPECT_FALSE(list.SetItemText(6, 0, "no such row"));
  EXPECT_EQ(list.GetItemText(2, 1), "10.0.0.2");
  EXPECT_EQ(list.GetItemText(3, 1), "");

  list.ClickRow(1);
  list.ClickRow(4);  // single selection
  EXPECT_EQ(list.GetItemState(1, kListItemSelected), 0u);
  EXPECT_EQ(list.GetItemState(4, kListItemSelected), kListItemSelected);
  EXPECT_EQ(list.GetItemState(4, 0), 0u);

  list.ScrollTo(10);  // the last page stays full
  EXPECT_EQ(list.GetTopIndex(), 3);
  list.ClickRow(7);  // beside the rows
  EXPECT_EQ(list.SelectedRow(), -1);
  list.DeleteAllItems();
  EXPECT_EQ(list.GetTopIndex(), 0);
  EXPECT_EQ(list.InsertItem(5, "x"), 0);
}

TEST(HeadlessIpAddressControl, BlankFieldsReadAsZero) {
  HeadlessIpAddressControl ip;
  std::uint8_t f[4] = {9, 9, 9, 9};
  EXPECT_TRUE(ip.IsBlank());
  EXPECT_EQ(ip.GetAddress(f), 0);
  EXPECT_EQ(f[0] + f[1] + f[2] + f[3], 0);
  ip.TypeField(1, 168);
  EXPECT_FALSE(ip.IsBlank());
  EXPECT_EQ(ip.GetAddress(f), 1);
  EXPECT_EQ(ip.Text(), ".168..");
  EXPECT_TRUE(ip.TypeText("192.168.0.10"));
  EXPECT_FALSE(ip.TypeText("192.168.0.256"));
  EXPECT_FALSE(ip.TypeText("1.2.3"));
  EXPECT_EQ(ip.Text(), "192.168.0.10");
  ip.ClearAddress();
  EXPECT_TRUE(ip.IsBlank());
}

TEST(HeadlessEdit, TypingLimitHoldsButSetTextDoesNot) {
  HeadlessEdit edit;
  edit.SetLimitText(4);
  EXPECT_TRUE(edit.Type("abcdef"));
  EXPECT_EQ(edit.GetText(), "abcd");
  edit.SetText("abcdef");
  EXPECT_EQ(edit.GetText(), "abcdef");
  edit.Enable(false);
  EXPECT_FALSE(edit.Type("zz"));
  EXPECT_EQ(edit.GetText(), "abcdef");
}

}  // namespace
}  // namespace tessavue
