// The headless controls against the controls' contract (their keys and
// scrolling are checked through the window logic in tests/core/app).
#include <gtest/gtest.h>

#include <deque>

#include "controls_contract.h"
#include "headless_controls.h"

namespace tessavue {
namespace {

class HeadlessHarness {
 public:
  ListView& MakeListView() { return lists_.emplace_back(); }
  ComboBox& MakeComboBox(bool sorted) { return combos_.emplace_back(sorted); }
  IpAddressControl& MakeIpAddress() { return addresses_.emplace_back(); }
  EditControl& MakeEdit() { return edits_.emplace_back(); }
  void ClickRow(ListView& list, int row) { static_cast<HeadlessListView&>(list).ClickRow(row); }
  void Type(EditControl& edit, const std::string& text) {
    static_cast<HeadlessEdit&>(edit).Type(text);
  }

 private:
  // A deque keeps every control where it was made.
  std::deque<HeadlessListView> lists_;
  std::deque<HeadlessComboBox> combos_;
  std::deque<HeadlessIpAddressControl> addresses_;
  std::deque<HeadlessEdit> edits_;
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(HeadlessControls, ControlsContract, HeadlessHarness);

TEST(HeadlessComboBox, AnIndexPastTheItemsClearsTheSelection) {
  HeadlessComboBox combo;
  combo.AddString("d:");
  combo.AddString("E:");
  combo.SetCurSel(1);
  EXPECT_EQ(combo.CurrentText(), "E:");
  combo.SetCurSel(7);
  EXPECT_EQ(combo.GetCurSel(), -1);
  EXPECT_EQ(combo.CurrentText(), "");
}

}  // namespace
}  // namespace tessavue
