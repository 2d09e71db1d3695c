// What every set of controls does alike, whatever draws them: the headless
// controls, the Qt widgets and the Windows common controls. The window logic
// counts on exactly this. An implementation's test file instantiates the
// suite with a harness that makes its controls and plays the user:
//
//   struct Harness {
//     ListView& MakeListView();          // report view, single selection
//     ComboBox& MakeComboBox(bool sorted);  // drop-down list
//     IpAddressControl& MakeIpAddress();
//     EditControl& MakeEdit();
//     void ClickRow(ListView& list, int row);     // the user selects a row
//     void Type(EditControl& edit, const std::string& text);  // at the keyboard
//   };
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(QtControls, ControlsContract, Harness);
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "controls.h"

namespace tessavue::contract {

template <typename Harness>
class ControlsContract : public ::testing::Test {
 protected:
  Harness harness;
};

TYPED_TEST_SUITE_P(ControlsContract);

TYPED_TEST_P(ControlsContract, ListViewRowsColumnsAndLongTexts) {
  ListView& list = this->harness.MakeListView();
  list.SetFullRowSelect();
  EXPECT_EQ(list.InsertColumn(0, "Name", 94), 0);
  EXPECT_EQ(list.InsertColumn(1, "IP", 81), 1);
  EXPECT_EQ(list.InsertItem(0, ""), 0);
  EXPECT_EQ(list.InsertItem(5, ""), 1);  // past the end: appended
  // A device name can be 255 characters; longer texts come back whole too,
  // and every byte of the 8-bit text as it went in.
  std::string longName(700, 'n');
  longName[0] = 'N';
  longName[1] = '\xE9';
  EXPECT_TRUE(list.SetItemText(1, 0, longName));
  EXPECT_TRUE(list.SetItemText(1, 1, "10.0.0.1"));
  EXPECT_EQ(list.GetItemText(1, 0), longName);
  EXPECT_EQ(list.GetItemText(1, 1), "10.0.0.1");
  // Empty for a cell never set, a row or a column that does not exist.
  EXPECT_EQ(list.GetItemText(0, 1), "");
  EXPECT_EQ(list.GetItemText(7, 0), "");
  EXPECT_EQ(list.GetItemText(1, 5), "");
  EXPECT_EQ(list.GetItemCount(), 2);
  // A row inserted at the top moves the others down.
  EXPECT_EQ(list.InsertItem(0, "first"), 0);
  EXPECT_EQ(list.GetItemText(0, 0), "first");
  EXPECT_EQ(list.GetItemText(2, 1), "10.0.0.1");
  EXPECT_EQ(list.GetTopIndex(), 0);
  list.DeleteAllItems();
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetItemText(0, 0), "");
  list.Enable(false);
  EXPECT_FALSE(list.IsEnabled());
  list.Enable(true);
  EXPECT_TRUE(list.IsEnabled());
}

TYPED_TEST_P(ControlsContract, ListViewShowsOneSelectedRowInItsState) {
  ListView& list = this->harness.MakeListView();
  list.SetFullRowSelect();
  list.InsertColumn(0, "Name", 94);
  for (int row = 0; row < 3; ++row) list.InsertItem(row, "row " + std::to_string(row));
  for (int row = 0; row < 3; ++row) EXPECT_EQ(list.GetItemState(row, kListItemSelected), 0u);
  this->harness.ClickRow(list, 1);
  EXPECT_EQ(list.GetItemState(1, kListItemSelected), kListItemSelected);
  // Only the bits asked for.
  EXPECT_EQ(list.GetItemState(1, 0), 0u);
  // Single selection: another row takes the selection over.
  this->harness.ClickRow(list, 2);
  EXPECT_EQ(list.GetItemState(1, kListItemSelected), 0u);
  EXPECT_EQ(list.GetItemState(2, kListItemSelected), kListItemSelected);
  EXPECT_EQ(list.GetItemState(9, kListItemSelected), 0u);
}

TYPED_TEST_P(ControlsContract, SortedComboBoxPlacesIgnoringCaseAndStartsWithNoSelection) {
  ComboBox& combo = this->harness.MakeComboBox(true);
  EXPECT_EQ(combo.AddString("F: \\\\box\\public"), 0);
  EXPECT_EQ(combo.AddString("D:"), 0);
  EXPECT_EQ(combo.AddString("e:"), 1);
  EXPECT_EQ(combo.GetCount(), 3);
  // Filling it selects nothing.
  EXPECT_EQ(combo.GetCurSel(), -1);
  combo.SetCurSel(2);
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.GetLBText(2), "F: \\\\box\\public");
  EXPECT_EQ(combo.GetLBText(combo.GetCurSel()), "F: \\\\box\\public");
  EXPECT_EQ(combo.GetLBText(3), "");
  EXPECT_EQ(combo.GetLBText(-1), "");
  combo.SetCurSel(-1);
  EXPECT_EQ(combo.GetCurSel(), -1);
  // (An index past the items clears the selection on Windows, as CB_SETCURSEL
  // is documented, and in the Qt and headless controls; Wine's combo box
  // keeps it, so that is checked with each of those on its own.)
  combo.SetCurSel(0);
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
  EXPECT_EQ(combo.GetCurSel(), -1);
}

TYPED_TEST_P(ControlsContract, UnsortedComboBoxAppends) {
  ComboBox& combo = this->harness.MakeComboBox(false);
  EXPECT_EQ(combo.AddString("Enabled"), 0);
  EXPECT_EQ(combo.AddString("Disabled"), 1);
  EXPECT_EQ(combo.GetLBText(0), "Enabled");
  EXPECT_EQ(combo.GetLBText(1), "Disabled");
  combo.Enable(false);
  EXPECT_FALSE(combo.IsEnabled());
}

TYPED_TEST_P(ControlsContract, IpAddressFieldsInOrderAndBlankReadsAsZero) {
  IpAddressControl& address = this->harness.MakeIpAddress();
  EXPECT_TRUE(address.IsBlank());
  std::uint8_t fields[4] = {9, 9, 9, 9};
  EXPECT_EQ(address.GetAddress(fields), 0);
  EXPECT_EQ(fields[0] + fields[1] + fields[2] + fields[3], 0);
  const std::uint8_t set[4] = {192, 168, 0, 254};
  address.SetAddress(set);
  EXPECT_FALSE(address.IsBlank());
  EXPECT_EQ(address.GetAddress(fields), 4);
  EXPECT_EQ(fields[0], 192);
  EXPECT_EQ(fields[1], 168);
  EXPECT_EQ(fields[2], 0);
  EXPECT_EQ(fields[3], 254);
  // 0.0.0.0 is an address, not four blank fields.
  const std::uint8_t zero[4] = {0, 0, 0, 0};
  address.SetAddress(zero);
  EXPECT_FALSE(address.IsBlank());
  EXPECT_EQ(address.GetAddress(fields), 4);
  address.ClearAddress();
  EXPECT_TRUE(address.IsBlank());
  EXPECT_EQ(address.GetAddress(fields), 0);
  address.Enable(false);
  EXPECT_FALSE(address.IsEnabled());
}

TYPED_TEST_P(ControlsContract, EditTypingStopsAtTheLimit) {
  EditControl& edit = this->harness.MakeEdit();
  edit.SetLimitText(16);
  this->harness.Type(edit, "abcdefghijklmnopqrst");
  EXPECT_EQ(edit.GetText(), "abcdefghijklmnop");
  edit.SetText("");
  EXPECT_EQ(edit.GetText(), "");
  edit.SetText("caf\xE9");
  EXPECT_EQ(edit.GetText(), "caf\xE9");
  edit.Enable(false);
  EXPECT_FALSE(edit.IsEnabled());
}

REGISTER_TYPED_TEST_SUITE_P(ControlsContract, ListViewRowsColumnsAndLongTexts,
                            ListViewShowsOneSelectedRowInItsState,
                            SortedComboBoxPlacesIgnoringCaseAndStartsWithNoSelection,
                            UnsortedComboBoxAppends, IpAddressFieldsInOrderAndBlankReadsAsZero,
                            EditTypingStopsAtTheLimit);

}  // namespace tessavue::contract
