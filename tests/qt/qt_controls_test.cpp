// The Qt widgets against the controls' contract, on the offscreen platform.
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "controls_contract.h"
#include "qt_controls.h"

namespace tessavue {
namespace {

// Every control is a child of one shown window, which owns them.
class QtHarness {
 public:
  QtHarness() { window_.show(); }
  ListView& MakeListView() { return *new QtListView(&window_); }
  ComboBox& MakeComboBox(bool sorted) { return *new QtComboBox(sorted, &window_); }
  IpAddressControl& MakeIpAddress() { return *new QtIpAddressEdit(&window_); }
  EditControl& MakeEdit() {
    auto* edit = new QtEditControl(&window_);
    edit->show();
    return *edit;
  }
  void ClickRow(ListView& list, int row) {
    auto& view = static_cast<QtListView&>(list);
    view.setCurrentItem(view.topLevelItem(row));
  }
  void Type(EditControl& edit, const std::string& text) {
    QTest::keyClicks(&static_cast<QtEditControl&>(edit), ToQt(text));
  }

 private:
  QWidget window_;
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(QtControls, ControlsContract, QtHarness);

TEST(QtComboBoxTest, AnIndexPastTheItemsClearsTheSelection) {
  QtComboBox combo(true, nullptr);
  combo.AddString("d:");
  combo.AddString("E:");
  combo.SetCurSel(1);
  EXPECT_EQ(combo.GetLBText(combo.GetCurSel()), "E:");
  combo.SetCurSel(7);
  EXPECT_EQ(combo.GetCurSel(), -1);
}

}  // namespace
}  // namespace tessavue
