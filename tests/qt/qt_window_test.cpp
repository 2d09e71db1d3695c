// The real Qt window on the offscreen platform, clicked through against the
// demo world: three simulated devices on the in-memory network and the
// in-memory drive map.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

#include "login_dialog.h"
#include "memory_target_store.h"
#include "search_address_dialog.h"
#include "qt_window_fixture.h"

using namespace tessavue;

namespace {

class QtWindowTest : public QtWindowFixture {
 protected:
  static std::string Text(const QtIpAddressEdit* edit) {
    std::uint8_t f[4];
    if (edit->IsBlank()) return "blank";
    edit->GetAddress(f);
    return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) + "." +
           std::to_string(f[3]);
  }
  // Keys go where the focus is, as the field moves it on by itself.
  static void TypeAddress(QtIpAddressEdit* edit, const QString& text) {
    edit->ClearAddress();
    edit->window()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(edit->window(), 2000));
    edit->field(0)->setFocus();
    for (QChar c : text) {
      QWidget* target = QApplication::focusWidget();
      QTest::keyClick(target ? target : edit->field(0), c.toLatin1());
    }
  }
  std::vector<std::string> Column(QtListView* list, int column) {
    std::vector<std::string> out;
    for (int i = 0; i < list->GetItemCount(); ++i) out.push_back(list->GetItemText(i, column));
    return out;
  }
  std::vector<std::string> ComboItems(QtComboBox* combo) {
    std::vector<std::string> out;
    for (int i = 0; i < combo->count(); ++i) out.push_back(combo->GetLBText(i));
    return out;
  }
};

TEST_F(QtWindowTest, StartShowsTheDevicesFoundInTheWindowOfTemplate102) {
  EXPECT_EQ(w().windowTitle(), "Quillon Tessavue");
  EXPECT_EQ(Column(ui().deviceList, 0),
            (std::vector<std::string>{"Tessavue-Office", "Tessavue-Media", "Tessavue-Lab"}));
  EXPECT_EQ(Column(ui().deviceList, 1),
            (std::vector<std::string>{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));
  EXPECT_EQ(ui().deviceList->GetItemText(2, 3), "192.168.1.1");
  // Columns and their widths in pixels.
  QStringList headings;
  std::vector<int> widths;
  for (int i = 0; i < ui().deviceList->columnCount(); ++i) {
    headings << ui().deviceList->headerItem()->text(i);
    widths.push_back(ui().deviceList->columnWidth(i));
  }
  EXPECT_EQ(headings, (QStringList{"Name", "IP", "Netmask", "Gateway"}));
  EXPECT_EQ(widths, (std::vector<int>{94, 81, 81, 81}));
  EXPECT_EQ(ui().shareList->headerItem()->text(0), "Link Name");
  EXPECT_EQ(ui().shareList->headerItem()->text(1), "Location");
  EXPECT_EQ(ui().shareList->columnWidth(0), 120);
  EXPECT_EQ(ui().shareList->GetItemCount(), 0);
  // Address fields blank; the DHCP list unselected; D: first free letter.
  EXPECT_TRUE(ui().ipAddress->IsBlank());
  EXPECT_TRUE(ui().gatewayAddress->IsBlank());
  EXPECT_EQ(ComboItems(ui().dhcpCombo), (std::vector<std::string>{"Disabled", "Enabled"}));
  EXPECT_EQ(ui().dhcpCombo->GetCurSel(), -1);
  EXPECT_EQ(ui().driveCombo->count(), 23);
  EXPECT_EQ(ui().driveCombo->currentText(), "D:");
  // Group captions, the dialog's colours and the About entry.
  QStringList groups;
  for (auto* g : w().findChildren<QGroupBox*>()) groups << g->title();
  EXPECT_EQ(groups, (QStringList{"Server", "LAN", "Link Info"}));
  EXPECT_EQ(w().palette().color(QPalette::Window), QColor(0, 98, 147));
  EXPECT_EQ(w().palette().color(QPalette::WindowText), QColor(255, 255, 255));
  EXPECT_NE(ui().connectButton->palette().color(QPalette::Window), QColor(0, 98, 147));
  ContextMenu(QString());
  ASSERT_FALSE(modals_.menuEntries.empty());
  EXPECT_EQ(modals_.menuEntries[0], "About Dorvel(&A)...");
  // Buttons and fields lie inside the window.
  for (QWidget* c : std::initializer_list<QWidget*>{ui().exitButton, ui().aboutButton,
                                                    ui().driveCombo, ui().applyButton})
    EXPECT_TRUE(w().rect().contains(c->geometry())) << c->objectName().toStdString();
}

TEST_F(QtWindowTest, ARowClickShowsItsSettingsSharesAndWhatMayBeUsed) {
  ClickRow(ui().deviceList, 0);
  EXPECT_EQ(Text(ui().ipAddress), "192.168.0.20");
  EXPECT_EQ(Text(ui().netmaskAddress), "255.255.255.0");
  EXPECT_EQ(Text(ui().gatewayAddress), "192.168.0.1");
  EXPECT_EQ(ui().dhcpCombo->currentText(), "Disabled");
  EXPECT_EQ(Column(ui().shareList, 0), (std::vector<std::string>{"public", "backup", "scans"}));
  EXPECT_TRUE(ui().connectButton->isEnabled());
  EXPECT_TRUE(ui().configurationButton->isEnabled());

  // A DHCP device greys out the address fields until "Disabled" is picked.
  ClickRow(ui().deviceList, 1);
  EXPECT_EQ(ui().dhcpCombo->currentText(), "Enabled");
  EXPECT_FALSE(ui().ipAddress->isEnabled());
  EXPECT_FALSE(ui().gatewayAddress->isEnabled());
  ui().dhcpCombo->setCurrentIndex(0);
  emit ui().dhcpCombo->activated(0);
  EXPECT_TRUE(ui().ipAddress->isEnabled());
  EXPECT_TRUE(ui().netmaskAddress->isEnabled());

  // A device on another subnet: no Connect, Disconnect or web page; Apply
  // stays.
  ClickRow(ui().deviceList, 2);
  EXPECT_FALSE(ui().connectButton->isEnabled());
  EXPECT_FALSE(ui().disconnectButton->isEnabled());
  EXPECT_FALSE(ui().configurationButton->isEnabled());
  EXPECT_TRUE(ui().applyButton->isEnabled());
  EXPECT_EQ(Column(ui().shareList, 0), (std::vector<std::string>{"archive"}));

  // Configuration opens the selected device's page; the second device here.
  ClickRow(ui().deviceList, 1);
  QTest::mouseClick(ui().configurationButton, Qt::LeftButton);
  EXPECT_EQ(shell_.openedUrls, (std::vector<std::string>{"http://192.168.0.31"}));
  EXPECT_TRUE(modals_.shown.empty());
}

TEST_F(QtWindowTest, ApplyChecksTheFieldsThenMovesTheDevice) {
  ClickRow(ui().deviceList, 0);
  TypeAddress(ui().gatewayAddress, "192.168.1.1");
  QTest::mouseClick(ui().applyButton, Qt::LeftButton);
  ASSERT_EQ(modals_.shown.size(), 1u);
  EXPECT_EQ(modals_.shown[0].text, "Gateway address input error!");
  EXPECT_EQ(modals_.shown[0].caption, "Warnning");
  EXPECT_EQ(modals_.shown[0].icon, QMessageBox::Warning);
  EXPECT_EQ(Text(ui().gatewayAddress), "192.168.1.1");  // kept after a failure

  // Typed as a user does: digits and dots, moving from field to field.
  TypeAddress(ui().ipAddress, "192.168.0.77");
  TypeAddress(ui().netmaskAddress, "255.255.255.0");
  TypeAddress(ui().gatewayAddress, "192.168.0.1");
  QTest::mouseClick(ui().applyButton, Qt::LeftButton);
  // The default administrator password works: no dialog, no message, and
  // the list is searched anew.
  EXPECT_EQ(modals_.shown.size(), 1u);
  EXPECT_EQ(ui().deviceList->GetItemText(0, 1), "192.168.0.77");
  EXPECT_TRUE(ui().ipAddress->IsBlank());
}

TEST_F(QtWindowTest, ApplyAsksForTheAdministratorPasswordWhenTheDefaultIsRefused) {
  ClickRow(ui().deviceList, 1);  // password "tessavue", on DHCP
  modals_.logins.push_back(ModalDriver::Type("", "tessavue"));
  QTest::mouseClick(ui().applyButton, Qt::LeftButton);
  ASSERT_EQ(modals_.shown.size(), 2u);
  EXPECT_EQ(modals_.shown[0].kind, "login");
  EXPECT_EQ(modals_.shown[0].caption, "Login");
  EXPECT_FALSE(modals_.shown[0].userNameEnabled);
  EXPECT_EQ(modals_.shown[0].userName, "qewro");
  EXPECT_EQ(modals_.shown[1].text, "Set to dhcp client done!");
  EXPECT_EQ(modals_.shown[1].caption, "Confirm");
  EXPECT_EQ(modals_.shown[1].icon, QMessageBox::Information);
}

TEST_F(QtWindowTest, ConnectAndDisconnectMapAShareOnTheChosenLetter) {
  ClickRow(ui().deviceList, 0);
  ClickRow(ui().shareList, 1);  // backup
  ui().driveCombo->setCurrentIndex(ui().driveCombo->findText("E:"));
  QTest::mouseClick(ui().connectButton, Qt::LeftButton);
  ASSERT_EQ(modals_.shown.size(), 1u);
  EXPECT_EQ(modals_.shown[0].text, "Mount Disk OK!");
  EXPECT_EQ(world_.connections.Connection('E'), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(ui().shareList->GetItemText(1, 1), "E:");
  EXPECT_NE(ui().driveCombo->findText("E: \\\\Tessavue-Office\\backup"), -1);
  EXPECT_EQ(ui().driveCombo->currentText(), "D:");

  // A share that takes one account only: the first try with no credentials
  // fails, then the "Login" dialog asks for them (user name editable).
  ClickRow(ui().deviceList, 1);
  ClickRow(ui().shareList, 0);  // music
  modals_.logins.push_back(ModalDriver::Type(kDemoShareUser, kDemoSharePassword));
  QTest::mouseClick(ui().connectButton, Qt::LeftButton);
  ASSERT_EQ(modals_.shown.size(), 3u);
  EXPECT_EQ(modals_.shown[1].kind, "login");
  EXPECT_TRUE(modals_.shown[1].userNameEnabled);
  EXPECT_EQ(modals_.shown[2].text, "Mount Disk OK!");
  EXPECT_EQ(world_.connections.Connection('D'), "\\\\Tessavue-Media\\music");
  EXPECT_EQ(ui().shareList->GetItemText(0, 1), "D:");

  // Disconnect the selected share's letter.
  ClickRow(ui().shareList, 0);
  QTest::mouseClick(ui().disconnectButton, Qt::LeftButton);
  ASSERT_EQ(modals_.shown.size(), 4u);
  EXPECT_EQ(modals_.shown[3].text, "Umount Disk OK!");
  EXPECT_FALSE(world_.connections.Connection('D').has_value());
  EXPECT_EQ(ui().shareList->GetItemText(0, 1), "");
}

TEST_F(QtWindowTest, MappingsMadeOutsideShowWhenTheWindowIsActivated) {
  ClickRow(ui().deviceList, 0);
  world_.connections.MapOutside('G', "\\\\tessavue-office\\SCANS");
  EXPECT_EQ(ui().shareList->GetItemText(2, 1), "");
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&w(), &activate);
  EXPECT_EQ(ui().shareList->GetItemText(2, 1), "G:");
  EXPECT_NE(ui().driveCombo->findText("G: \\\\tessavue-office\\SCANS"), -1);
}

TEST_F(QtWindowTest, AboutBoxFromTheButtonAndTheWindowMenu) {
  QTest::mouseClick(ui().aboutButton, Qt::LeftButton);
  ContextMenu(QStringLiteral("About Dorvel(&A)..."));
  ASSERT_EQ(modals_.shown.size(), 2u);
  for (const Shown& s : modals_.shown) {
    EXPECT_EQ(s.kind, "about");
    EXPECT_EQ(s.caption, "Quillon Tessavue");
    EXPECT_NE(s.text.find("Network Dorvel"), std::string::npos);
  }
}

TEST_F(QtWindowTest, ExitAndEscapeEndTheWindowAndCloseTheTransportOnce) {
  QTest::mouseClick(ui().exitButton, Qt::LeftButton);
  EXPECT_FALSE(w().isVisible());
  EXPECT_FALSE(app_.protocol.TransportStarted());
  EXPECT_FALSE(world_.network.IsOpen());

  QtMainWindow second(app_);
  second.InitDialog();
  second.show();
  QTest::keyClick(&second, Qt::Key_Escape);
  EXPECT_FALSE(second.isVisible());
}

TEST(QtIpAddressEditTest, BehavesLikeTheWindowsControl) {
  QtIpAddressEdit edit(nullptr);
  edit.show();
  edit.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&edit, 2000));
  std::uint8_t f[4];
  EXPECT_TRUE(edit.IsBlank());
  EXPECT_EQ(edit.GetAddress(f), 0);

  // Three digits move on by themselves; a number above 255 becomes 255;
  // letters are not taken.
  edit.field(0)->setFocus();
  QTest::keyClicks(edit.field(0), "10");
  QTest::keyClick(edit.field(0), Qt::Key_Period);
  QTest::keyClicks(edit.field(1), "x999");
  QTest::keyClicks(edit.field(2), "7");
  EXPECT_EQ(edit.field(1)->text(), "255");
  EXPECT_EQ(edit.field(2)->text(), "7");
  EXPECT_FALSE(edit.IsBlank());
  EXPECT_EQ(edit.GetAddress(f), 3);
  EXPECT_EQ(f[0], 10);
  EXPECT_EQ(f[1], 255);
  EXPECT_EQ(f[3], 0);  // blank reads as 0

  // Backspace at the start of a field goes back into the one before.
  edit.field(3)->setFocus();
  QTest::keyClick(edit.field(3), Qt::Key_Backspace);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
  EXPECT_EQ(edit.field(2)->text(), "");
}

TEST(QtLoginWindowTest, SixteenCharactersHiddenPasswordAndCancelKeepsCredentials) {
  MemorySystem system;
  system.SetVersion(1, 4, 10, 2222);  // Windows 98 SE: the user's own name
  system.userName = "maria";
  Login credentials{"before", "", LoginMode::kWindowsAccount};
  {
    LoginDialog logic(credentials, system);
    QtLoginWindow login(logic, nullptr);
    EXPECT_EQ(login.windowTitle(), "Login");
    EXPECT_EQ(LoginWindowControls(login).userNameEdit->text(), "maria");
    EXPECT_FALSE(LoginWindowControls(login).userNameEdit->isEnabled());
    EXPECT_EQ(LoginWindowControls(login).passwordEdit->echoMode(), QLineEdit::Password);
    QTest::keyClicks(LoginWindowControls(login).passwordEdit, "abcdefghijklmnopqrst");
    EXPECT_EQ(LoginWindowControls(login).passwordEdit->text(), "abcdefghijklmnop");
    QTest::keyClick(&login, Qt::Key_Escape);
    EXPECT_EQ(login.result(), kIdCancel);
  }
  EXPECT_EQ(credentials.userName, "before");
  {
    system.SetVersion(2, 5, 1, 2600);  // XP: an empty, editable user name
    LoginDialog logic(credentials, system);
    QtLoginWindow login(logic, nullptr);
    login.show();
    EXPECT_TRUE(LoginWindowControls(login).userNameEdit->isEnabled());
    QTest::keyClicks(LoginWindowControls(login).userNameEdit, "ABCDEFGHIJKLMNOP");
    QTest::keyClicks(LoginWindowControls(login).passwordEdit, "pw");
    QTest::keyClick(LoginWindowControls(login).passwordEdit, Qt::Key_Return);  // the default button
    EXPECT_EQ(login.result(), kIdOk);
  }
  EXPECT_EQ(credentials.userName, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(credentials.password, "pw");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace {

// A device behind a router: the group never reaches it, it answers what is
// sent to its own address.
class QtSearchAddressTest : public QtWindowFixture {
 protected:
  QtSearchAddressTest() {
    DeviceSettings far;
    far.name = "Far-Box";
    far.ip = Ipv4Address{{10, 9, 0, 30}};
    far.netmask = Ipv4Address{{255, 255, 255, 0}};
    far.gateway = Ipv4Address{{10, 9, 0, 1}};
    far.shares = "archive:photos";
    far.serial = {0xfa, 0x12, 0, 0, 0, 1};
    beyond_.AddDevice(far);
  }
  int RowOf(const std::string& ip) {
    for (int i = 0; i < ui().deviceList->GetItemCount(); ++i)
      if (ui().deviceList->GetItemText(i, 1) == ip) return i;
    return -1;
  }
  SimulatedSegment beyond_{world_.network, 0, SegmentPlace::kBehindRouter};
};

TEST_F(QtSearchAddressTest, TheContextMenuEntryAsksForAnAddressAndListsTheDeviceThere) {
  EXPECT_EQ(RowOf("10.9.0.30"), -1);
  modals_.addresses = {QStringLiteral("127.0.0.1"), QStringLiteral("10.9..30"),
                       QStringLiteral("10.9.0.30")};
  ContextMenu(QStringLiteral("Search at address..."));
  EXPECT_EQ(modals_.menuEntries,
            (std::vector<std::string>{"About Dorvel(&A)...", "Search at address...",
                                      "Forget searched addresses"}));

  // One dialog, pressed three times: two refusals, each with its warning.
  std::vector<std::string> kinds;
  for (const Shown& s : modals_.shown) kinds.push_back(s.kind);
  EXPECT_EQ(kinds, (std::vector<std::string>{"search", "message", "search", "message", "search"}));
  ASSERT_EQ(modals_.shown.size(), 5u);
  EXPECT_EQ(modals_.shown[0].caption, "Search at address");
  EXPECT_EQ(modals_.shown[1].caption, "Warnning");
  EXPECT_EQ(modals_.shown[1].icon, QMessageBox::Warning);
  EXPECT_NE(modals_.shown[1].text.find("loopback"), std::string::npos) << modals_.shown[1].text;
  EXPECT_EQ(modals_.shown[3].text, "Please input IP address!");
  EXPECT_EQ(app_.protocol.targets(), (std::vector<SearchTarget>{{Ipv4Address{{10, 9, 0, 30}}}}));

  const int row = RowOf("10.9.0.30");
  ASSERT_GE(row, 0);
  EXPECT_EQ(ui().deviceList->GetItemText(row, 0), "Far-Box");
  ClickRow(ui().deviceList, row);
  EXPECT_EQ(ui().shareList->GetItemText(0, 0), "archive");
  EXPECT_EQ(ui().shareList->GetItemText(1, 0), "photos");
  EXPECT_TRUE(ui().connectButton->isEnabled());
  EXPECT_TRUE(ui().configurationButton->isEnabled());
}

TEST_F(QtSearchAddressTest, TheSlashFieldTakesASubnetOfTwoDigitsAndForgetEmptiesTheTargets) {
  modals_.addresses = {QStringLiteral("10.9.0.0/219"), QStringLiteral("10.9.0.0/24")};
  ContextMenu(QStringLiteral("Search at address..."));
  // "219" typed into a two-character field is "21": refused as too wide.
  ASSERT_GE(modals_.shown.size(), 2u);
  EXPECT_NE(modals_.shown[1].text.find("10.9.0.0/21 is wider"), std::string::npos)
      << modals_.shown[1].text;
  EXPECT_EQ(app_.protocol.targets(), (std::vector<SearchTarget>{{Ipv4Address{{10, 9, 0, 0}}, 24}}));
  EXPECT_GE(RowOf("10.9.0.30"), 0);
  ContextMenu(QStringLiteral("Forget searched addresses"));
  EXPECT_TRUE(app_.protocol.targets().empty());
  EXPECT_EQ(RowOf("10.9.0.30"), -1);
}

TEST_F(QtSearchAddressTest, ARememberedSubnetIsSearchedAtTheNextStartUntilForgotten) {
  // The next start of the program, over the list the last one left.
  MemoryTargetStore remembered;
  remembered.SetLines({"10.9.0.0/24"});
  UtilityApp next(world_.network, world_.clock, world_.connections, shell_, system_,
                  world_.resolver);
  next.RememberTargetsIn(remembered);
  ASSERT_TRUE(next.protocol.InitTransport());
  QtMainWindow again(next);
  again.InitDialog();
  // The first search runs once the window is painted.
  again.show();
  for (int i = 0; i < 500 && !(again.logic().FirstSearchDone() && !again.Waiting()); ++i)
    QTest::qWait(10);
  QtListView* list = MainWindowControls(again).deviceList;
  auto listed = [list](const std::string& ip) {
    for (int i = 0; i < list->GetItemCount(); ++i)
      if (list->GetItemText(i, 1) == ip) return true;
    return false;
  };
  EXPECT_TRUE(listed("10.9.0.30"));
  ContextMenu(again, QStringLiteral("Forget searched addresses"));
  EXPECT_TRUE(remembered.lines().empty());
  EXPECT_FALSE(listed("10.9.0.30"));
}

TEST_F(QtSearchAddressTest, CancelAddsNoTargetAndSearchesNothing) {
  const std::size_t sent = world_.network.sent().size();
  modals_.addresses = {QStringLiteral("cancel")};
  ContextMenu(QStringLiteral("Search at address..."));
  EXPECT_TRUE(app_.protocol.targets().empty());
  EXPECT_EQ(world_.network.sent().size(), sent);
  ASSERT_EQ(modals_.shown.size(), 1u);
  EXPECT_EQ(modals_.shown[0].kind, "search");
}

}  // namespace

namespace {

// The window noting, when its first search begins, whether it had been
// painted and whether a search request had been sent already.
class StartWatchWindow : public QtMainWindow {
 public:
  StartWatchWindow(UtilityApp& app, const SimulatedDevice& device)
      : QtMainWindow(app), device_(device) {}
  void WaitBegins() override {
    if (initialised && !searchBegan && device_.counters().searches == 0) {
      searchBegan = true;
      paintedFirst = painted;
    }
    QtMainWindow::WaitBegins();
  }
  void KeepAlive() override {
    QtMainWindow::KeepAlive();
    if (searchBegan && !MainWindowControls(*this).refreshButton->isEnabled()) refreshGreyed = true;
  }
  bool initialised = false, searchBegan = false, painted = false, paintedFirst = false;
  bool refreshGreyed = false;

 protected:
  bool event(QEvent* e) override {
    const bool result = QtMainWindow::event(e);
    if (e->type() == QEvent::Paint) painted = true;
    return result;
  }

 private:
  const SimulatedDevice& device_;
};

}  // namespace

TEST(QtStartTest, TheWindowIsPaintedBeforeItsFirstSearchRunsAsARefresh) {
  DemoWorld world;
  MemorySystem system;
  RecordingShell shell;
  UtilityApp app(world.network, world.clock, world.connections, shell, system, world.resolver);
  ASSERT_TRUE(app.protocol.InitTransport());
  StartWatchWindow window(app, world.segment.device(0));
  window.InitDialog();
  window.initialised = true;
  MainWindowControls ui(window);
  // Ready to show: the drive list filled, no search asked for yet.
  EXPECT_EQ(ui.driveCombo->count(), 23);
  EXPECT_EQ(ui.deviceList->GetItemCount(), 0);
  EXPECT_EQ(world.segment.device(0).counters().searches, 0);

  window.show();
  for (int i = 0; i < 500 && !(window.logic().FirstSearchDone() && !window.Waiting()); ++i)
    QTest::qWait(10);
  EXPECT_TRUE(window.searchBegan);
  EXPECT_TRUE(window.paintedFirst);
  EXPECT_TRUE(window.refreshGreyed);  // as during a "Refresh"
  EXPECT_EQ(world.segment.device(0).counters().searches, 3);
  EXPECT_EQ(ui.deviceList->GetItemCount(), 3);
  EXPECT_TRUE(ui.refreshButton->isEnabled());
}
