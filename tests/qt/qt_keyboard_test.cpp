// The Qt window worked without a mouse, read by a screen reader, and drawn at
// a scale factor: keys sent to the real widgets on the offscreen platform.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QPixmap>
#include <QTest>

#include "qt_window_fixture.h"

using namespace tessavue;

namespace {

class QtKeyboardTest : public QtWindowFixture {
 protected:
  int ShareQueries(int device) { return world_.segment.device(device).counters().shareQueries; }
  int AllShareQueries() { return ShareQueries(0) + ShareQueries(1) + ShareQueries(2); }
  // The row the list shows as selected; -1 when none.
  int SelectedRow() {
    for (int i = 0; i < ui().deviceList->GetItemCount(); ++i)
      if (ui().deviceList->GetItemState(i, kListItemSelected)) return i;
    return -1;
  }
  std::string Ip() {
    std::uint8_t f[4];
    if (ui().ipAddress->IsBlank()) return "blank";
    ui().ipAddress->GetAddress(f);
    return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) + "." +
           std::to_string(f[3]);
  }
  void FocusDeviceList() {
    ui().deviceList->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), ui().deviceList);
  }
  // Longer than the settle time, with the events handled meanwhile.
  static void Settle() { QTest::qWait(kSelectionSettleMillis + 200); }
};

TEST_F(QtKeyboardTest, ArrowsHomeEndAndTypeAheadShowTheRowOnceSettled) {
  FocusDeviceList();
  QTest::keyClick(ui().deviceList, Qt::Key_Down);
  ASSERT_EQ(SelectedRow(), 0);
  // Highlighted at once, shown once the selection has stayed put.
  EXPECT_EQ(Ip(), "blank");
  EXPECT_EQ(AllShareQueries(), 0);
  Settle();
  EXPECT_EQ(Ip(), "192.168.0.20");
  EXPECT_EQ(ui().dhcpCombo->currentText(), "Disabled");
  EXPECT_EQ(ui().shareList->GetItemText(0, 0), "public");
  EXPECT_EQ(ShareQueries(0), 1);
  EXPECT_TRUE(w().logic().deviceSelected());
  // The focus stays with the keys.
  EXPECT_EQ(QApplication::focusWidget(), ui().deviceList);

  QTest::keyClick(ui().deviceList, Qt::Key_End);
  Settle();
  EXPECT_EQ(SelectedRow(), 2);
  EXPECT_EQ(Ip(), "192.168.1.40");
  EXPECT_FALSE(ui().connectButton->isEnabled());

  QTest::keyClick(ui().deviceList, Qt::Key_Home);
  Settle();
  EXPECT_EQ(Ip(), "192.168.0.20");
  EXPECT_TRUE(ui().connectButton->isEnabled());

  // Typing a name's first letters.
  QTest::keyClicks(ui().deviceList, "Tessavue-M");
  Settle();
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(Ip(), "192.168.0.31");
  EXPECT_EQ(ui().dhcpCombo->currentText(), "Enabled");
  EXPECT_FALSE(ui().ipAddress->isEnabled());
  EXPECT_EQ(ShareQueries(0), 2);
  EXPECT_EQ(ShareQueries(1), 1);
  EXPECT_EQ(ShareQueries(2), 1);
  EXPECT_TRUE(modals_.shown.empty());
}

TEST_F(QtKeyboardTest, BurstsAndHeldKeysAskForTheSharesOnce) {
  FocusDeviceList();
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Down})
    QTest::keyClick(ui().deviceList, key);
  Settle();
  EXPECT_EQ(SelectedRow(), 2);
  EXPECT_EQ(ShareQueries(2), 1);
  EXPECT_EQ(AllShareQueries(), 1);

  // Held down: no query while it is held, however long, one when let go.
  QTest::keyPress(ui().deviceList, Qt::Key_Up);
  QTest::qWait(kSelectionSettleMillis + 300);
  EXPECT_EQ(AllShareQueries(), 1);
  EXPECT_EQ(Ip(), "192.168.1.40");
  QTest::keyRelease(ui().deviceList, Qt::Key_Up);
  Settle();
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(ShareQueries(1), 1);
  EXPECT_EQ(AllShareQueries(), 2);
}

TEST_F(QtKeyboardTest, MouseClickIsShownAtOnceAndOnlyOnce) {
  ClickRow(ui().deviceList, 1);
  EXPECT_EQ(Ip(), "192.168.0.31");
  EXPECT_EQ(ShareQueries(1), 1);
  // Nothing left to settle: no second query.
  Settle();
  EXPECT_EQ(ShareQueries(1), 1);
  // A key, then a click before it settles: the clicked row wins, and the
  // row the key chose is never shown.
  QTest::keyClick(ui().deviceList, Qt::Key_Down);
  EXPECT_EQ(Ip(), "192.168.0.31");
  ClickRow(ui().deviceList, 0);
  EXPECT_EQ(Ip(), "192.168.0.20");
  Settle();
  EXPECT_EQ(Ip(), "192.168.0.20");
  EXPECT_EQ(ShareQueries(2), 0);
  EXPECT_EQ(ShareQueries(0), 1);
}

TEST_F(QtKeyboardTest, TabVisitsEveryControlInTheTemplatesOrderAndEnterPressesButtons) {
  const std::vector<QWidget*> expected{
      ui().deviceList,     ui().refreshButton,    ui().configurationButton, ui().ipAddress,
      ui().netmaskAddress, ui().gatewayAddress,   ui().applyButton,         ui().shareList,
      ui().connectButton,  ui().disconnectButton, ui().exitButton,          ui().driveCombo,
      ui().dhcpCombo,      ui().aboutButton,      ui().deviceList};
  FocusDeviceList();
  std::vector<QWidget*> visited{ui().deviceList};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    QWidget* from = QApplication::focusWidget();
    ASSERT_NE(from, nullptr);
    QTest::keyClick(from, Qt::Key_Tab);
    QWidget* to = QApplication::focusWidget();
    // An address field's octets belong to their control.
    if (to && dynamic_cast<QtIpAddressEdit*>(to->parentWidget())) to = to->parentWidget();
    visited.push_back(to);
  }
  EXPECT_EQ(visited, expected);

  // Enter on a focused button is its click: "Refresh" searches again.
  int searches = world_.segment.device(0).counters().searches;
  ui().refreshButton->setFocus(Qt::TabFocusReason);
  QTest::keyClick(ui().refreshButton, Qt::Key_Return);
  EXPECT_GT(world_.segment.device(0).counters().searches, searches);
  EXPECT_TRUE(w().isVisible());
  // Enter anywhere else ends the dialog, as Windows' IDOK does.
  FocusDeviceList();
  QTest::keyClick(ui().deviceList, Qt::Key_Return);
  EXPECT_FALSE(w().isVisible());
}

TEST_F(QtKeyboardTest, EveryControlHasTheNameOfItsLabelOrGroup) {
  auto name = [](QWidget* widget) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    return a ? a->text(QAccessible::Name) : QStringLiteral("<no interface>");
  };
  const std::vector<std::pair<QWidget*, QString>> names{
      {ui().deviceList, "Server"},
      {ui().refreshButton, "Refresh"},
      {ui().configurationButton, "Configuration"},
      {ui().ipAddress, "I P :"},
      {ui().ipAddress->field(0), "I P :"},
      {ui().ipAddress->field(3), "I P :"},
      {ui().netmaskAddress->field(0), "Netmask :"},
      {ui().gatewayAddress->field(0), "Gateway :"},
      {ui().applyButton, "Apply"},
      {ui().shareList, "Link Info"},
      {ui().connectButton, "Connect"},
      {ui().disconnectButton, "Disconnect"},
      {ui().aboutButton, "About"},
      {ui().exitButton, "Exit"},
  };
  for (const auto& [widget, expected] : names)
    EXPECT_EQ(name(widget), expected) << widget->metaObject()->className();
  // Each label is tied to its control; a drop-down list is named by it where
  // its own name is its text (Linux).
  auto label = [](QWidget* widget) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
    if (!a) return QStringLiteral("<no interface>");
    const auto labels = a->relations(QAccessible::Label);
    return labels.isEmpty() ? QStringLiteral("<no label>")
                            : labels.first().first->text(QAccessible::Name);
  };
  EXPECT_EQ(label(ui().dhcpCombo), "DHCP Client :");
  EXPECT_EQ(label(ui().driveCombo), "Network Drive :");
  EXPECT_EQ(label(ui().ipAddress), "I P :");
  EXPECT_EQ(label(ui().gatewayAddress), "Gateway :");
  EXPECT_EQ(ui().dhcpCombo->accessibleName(), "DHCP Client :");
  EXPECT_EQ(ui().driveCombo->accessibleName(), "Network Drive :");

  // The "Login" dialog's two edits.
  modals_.logins.push_back([&](QtLoginWindow& login) {
    EXPECT_EQ(name(LoginWindowControls(login).userNameEdit), "User name :");
    EXPECT_EQ(name(LoginWindowControls(login).passwordEdit), "Password :");
    EXPECT_EQ(name(LoginWindowControls(login).okButton), "OK");
    EXPECT_EQ(name(LoginWindowControls(login).cancelButton), "Cancel");
    login.reject();
  });
  ClickRow(ui().deviceList, 1);  // changed password: the dialog is shown
  ui().dhcpCombo->setCurrentIndex(1);
  ui().applyButton->click();
  ASSERT_FALSE(modals_.shown.empty());
  EXPECT_EQ(modals_.shown[0].kind, "login");
}

// Runs at whatever QT_SCALE_FACTOR the process was started with (ctest runs
// it at 1, 1.5 and 2): the layout is the same in logical pixels, drawn with
// more device pixels, and no name or address in the list is cut.
TEST_F(QtKeyboardTest, ScaleFactorEnlargesTheLayoutAndCutsNothing) {
  bool ok = false;
  double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
  if (!ok) factor = 1.0;
  EXPECT_DOUBLE_EQ(w().devicePixelRatioF(), factor);
  ClickRow(ui().deviceList, 0);

  QtListView* list = ui().deviceList;
  std::vector<int> widths;
  for (int i = 0; i < list->columnCount(); ++i) widths.push_back(list->columnWidth(i));
  EXPECT_EQ(widths, (std::vector<int>{94, 81, 81, 81}));
  const QFontMetrics fm(list->font());
  for (int row = 0; row < list->GetItemCount(); ++row) {
    for (int column = 0; column < list->columnCount(); ++column) {
      QString text = list->topLevelItem(row)->text(column);
      QRect cell = list->visualRect(list->model()->index(row, column));
      // The cell's text with the item's margins on both sides.
      EXPECT_LE(fm.horizontalAdvance(text) + 8, cell.width())
          << "row " << row << " column " << column << ": " << text.toStdString();
    }
  }
  // Every control within the window, none hidden behind another's edge.
  for (QWidget* control :
       std::vector<QWidget*>{ui().deviceList, ui().shareList, ui().exitButton, ui().aboutButton,
                             ui().disconnectButton, ui().dhcpCombo, ui().driveCombo}) {
    EXPECT_TRUE(w().rect().contains(control->geometry())) << control->metaObject()->className();
  }

  QPixmap shot = w().grab();
  EXPECT_DOUBLE_EQ(shot.devicePixelRatio(), factor);
  EXPECT_NEAR(shot.width(), w().width() * factor, 1.0);
  EXPECT_NEAR(shot.height(), w().height() * factor, 1.0);
  QString dir = qEnvironmentVariable("TESSAVUE_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    QDir().mkpath(dir);
    QString file = QStringLiteral("%1/qt-main-scale-%2.png").arg(dir).arg(factor);
    EXPECT_TRUE(shot.save(file)) << file.toStdString();
  }
}

}  // namespace
