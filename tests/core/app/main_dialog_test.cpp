// The main window: start, refresh, a click in the device list, the address
// mode, repaint, the web page and the small commands.
#include <algorithm>

#include "window_fixture.h"

namespace tessavue {
namespace {

using Texts = std::vector<std::string>;

class MainDialogTest : public WindowTest {};

TEST_F(MainDialogTest, StartListsDevicesWithEmptyAddressFields) {
  connections.MapOutside('E', "\\\\Tessavue-Office\\public");
  std::int64_t before = clock.NowMicros();
  Open();

  EXPECT_EQ(host.systemMenuEntries,
            (Texts{"About Dorvel(&A)...", "Search at address...", "Forget searched addresses"}));
  ASSERT_EQ(shareList.columns().size(), 2u);
  EXPECT_EQ(shareList.columns()[1].heading, "Location");
  EXPECT_EQ(dhcpCombo.items(), (Texts{"Disabled", "Enabled"}));

  EXPECT_EQ(deviceList.ColumnTexts(0),
            (Texts{"Tessavue-Office", "Tessavue-Media", "Tessavue-Lab"}));
  EXPECT_EQ(deviceList.ColumnTexts(1), (Texts{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));
  EXPECT_EQ(deviceList.ColumnTexts(2)[0], "255.255.255.0");
  EXPECT_EQ(deviceList.ColumnTexts(3)[2], "192.168.1.1");
  EXPECT_TRUE(ipAddress.IsBlank() && netmaskAddress.IsBlank() && gatewayAddress.IsBlank());
  EXPECT_TRUE(refreshButton.IsEnabled());
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_EQ(driveCombo.items()[0], "D:");
  EXPECT_EQ(driveCombo.items()[1], "E: \\\\Tessavue-Office\\public");
  EXPECT_EQ(driveCombo.CurrentText(), "D:");
  // The search cost about 1.2 s of the virtual clock, not of the real one.
  EXPECT_GT(clock.NowMicros() - before, 1'000'000);
  EXPECT_LT(clock.NowMicros() - before, 2'000'000);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(MainDialogTest, TheWindowIsReadyBeforeItsFirstSearchWhichRunsAsARefresh) {
  connections.MapOutside('E', "\\\\Tessavue-Office\\public");
  ASSERT_TRUE(protocol.InitTransport());
  const std::int64_t before = clock.NowMicros();
  ASSERT_TRUE(dialog.OnInitDialog());
  // Columns and drive list are there; nothing has been asked of the network.
  EXPECT_EQ(deviceList.columns().size(), 4u);
  EXPECT_EQ(driveCombo.items()[1], "E: \\\\Tessavue-Office\\public");
  EXPECT_EQ(deviceList.GetItemCount(), 0);
  EXPECT_EQ(Device(kOffice).counters().searches, 0);
  EXPECT_LT(clock.NowMicros() - before, 100'000);
  EXPECT_FALSE(host.waits.busy());
  EXPECT_TRUE(refreshButton.IsEnabled());

  // On screen: the search runs as "Refresh" does, greyed button, wait state
  // and rows as the devices answer.
  int rowsSeen = 0;
  bool greyedAndBusy = true;
  host.waits.onKeepAlive = [&] {
    greyedAndBusy = greyedAndBusy && !refreshButton.IsEnabled() && host.waits.busy();
    rowsSeen = std::max(rowsSeen, deviceList.GetItemCount());
  };
  dialog.OnWindowShown();
  EXPECT_TRUE(greyedAndBusy);
  EXPECT_EQ(rowsSeen, 3);
  EXPECT_EQ(Device(kOffice).counters().searches, 3);
  EXPECT_EQ(deviceList.ColumnTexts(0),
            (Texts{"Tessavue-Office", "Tessavue-Media", "Tessavue-Lab"}));
  EXPECT_TRUE(refreshButton.IsEnabled());
  EXPECT_FALSE(host.waits.busy());

  // It is the first search only: a later show (restored from the task bar)
  // asks nothing.
  dialog.OnWindowShown();
  EXPECT_EQ(Device(kOffice).counters().searches, 3);
}

TEST_F(MainDialogTest, ARefreshBeforeTheWindowShowsStandsForTheFirstSearch) {
  ASSERT_TRUE(protocol.InitTransport());
  ASSERT_TRUE(dialog.OnInitDialog());
  dialog.OnRefresh();
  dialog.OnWindowShown();
  EXPECT_EQ(Device(kOffice).counters().searches, 3);
  EXPECT_EQ(deviceList.GetItemCount(), 3);
}

TEST_F(MainDialogTest, RefreshReplacesRowsAndForgetsSelection) {
  Open();
  ClickDevice(kOffice);
  ASSERT_EQ(shareList.GetItemCount(), 3);
  segment.SetSilent(kMedia, true);
  dialog.OnRefresh();
  EXPECT_EQ(deviceList.ColumnTexts(0), (Texts{"Tessavue-Office", "Tessavue-Lab"}));
  EXPECT_EQ(shareList.GetItemCount(), 0);
  EXPECT_TRUE(ipAddress.IsBlank() && netmaskAddress.IsBlank() && gatewayAddress.IsBlank());
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_EQ(deviceList.SelectedRow(), -1);
}

TEST_F(MainDialogTest, ClickShowsTheDevicesSettingsAndShares) {
  connections.MapOutside('G', "\\\\TESSAVUE-OFFICE\\Backup");
  Open();
  ClickDevice(kOffice);

  EXPECT_TRUE(dialog.deviceSelected());
  EXPECT_GE(deviceList.focusCount(), 1);
  EXPECT_STREQ(protocol.selectedDeviceIp(), "192.168.0.20");
  // The octets in the order they are written, not as a network-order number.
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
  EXPECT_EQ(netmaskAddress.Text(), "255.255.255.0");
  EXPECT_EQ(gatewayAddress.Text(), "192.168.0.1");
  EXPECT_EQ(dhcpCombo.CurrentText(), "Disabled");
  EXPECT_TRUE(ipAddress.IsEnabled() && netmaskAddress.IsEnabled() && gatewayAddress.IsEnabled());
  EXPECT_TRUE(connectButton.IsEnabled() && disconnectButton.IsEnabled() &&
              configurationButton.IsEnabled());

  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"public", "backup", "scans"}));
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "G:", ""}));
  EXPECT_EQ(Device(kOffice).counters().shareQueries, 1);
}

TEST_F(MainDialogTest, AddressModeGreysTheAddressFields) {
  Open();
  ClickDevice(kMedia);
  EXPECT_EQ(dhcpCombo.CurrentText(), "Enabled");
  EXPECT_FALSE(ipAddress.IsEnabled() || netmaskAddress.IsEnabled() || gatewayAddress.IsEnabled());
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"music", "video", "photos"}));

  dhcpCombo.SelectText("Disabled");
  dialog.OnDhcpModeChange();
  EXPECT_TRUE(ipAddress.IsEnabled() && netmaskAddress.IsEnabled() && gatewayAddress.IsEnabled());
  dhcpCombo.SelectText("Enabled");
  dialog.OnDhcpModeChange();
  EXPECT_FALSE(ipAddress.IsEnabled() || netmaskAddress.IsEnabled() || gatewayAddress.IsEnabled());
  // No selection: nothing changes.
  dhcpCombo.SetCurSel(-1);
  dialog.OnDhcpModeChange();
  EXPECT_FALSE(ipAddress.IsEnabled());

  ClickDevice(kOffice);
  EXPECT_EQ(dhcpCombo.CurrentText(), "Disabled");
  EXPECT_TRUE(ipAddress.IsEnabled() && netmaskAddress.IsEnabled() && gatewayAddress.IsEnabled());
}

TEST_F(MainDialogTest, SubnetTestEnablesTheShareAndWebCommands) {
  Open();
  ClickDevice(kLab);
  EXPECT_FALSE(connectButton.IsEnabled() || disconnectButton.IsEnabled() ||
               configurationButton.IsEnabled());
  EXPECT_EQ(shareList.ColumnTexts(0), Texts{"archive"});
  ClickDevice(kOffice);
  EXPECT_TRUE(connectButton.IsEnabled() && disconnectButton.IsEnabled() &&
              configurationButton.IsEnabled());
}

TEST_F(MainDialogTest, SubnetTestUsesTheWorkstationsOwnAddress) {
  // Seen from the lab's subnet, the lab is reachable and the office is not.
  network.SetLocalAddress(Ipv4Address{{192, 168, 1, 7}});
  Open();
  ClickDevice(kLab);
  EXPECT_TRUE(connectButton.IsEnabled() && configurationButton.IsEnabled());
  ClickDevice(kOffice);
  EXPECT_FALSE(connectButton.IsEnabled() || configurationButton.IsEnabled());
}

TEST_F(MainDialogTest, SubnetTestUsesTheAddressOfTheNetworkTheDeviceWasHeardOn) {
  // A second network, 192.168.1.7, with a device of its own on that subnet.
  // The demo's lab device (192.168.1.40) answers on the first network, whose
  // address is on another subnet.
  network.SetLocalAddresses({Ipv4Address{{192, 168, 0, 100}}, Ipv4Address{{192, 168, 1, 7}}});
  SimulatedSegment second{network, 1};
  DeviceSettings near;
  near.name = "Tessavue-Near";
  near.ip = Ipv4Address{{192, 168, 1, 41}};
  near.netmask = Ipv4Address{{255, 255, 255, 0}};
  near.gateway = Ipv4Address{{192, 168, 1, 1}};
  near.shares = "near";
  near.replyDelayMicros = 300000;  // after the demo devices: their rows stay first
  second.AddDevice(near);
  Open();
  ASSERT_EQ(deviceList.GetItemCount(), 4);
  ASSERT_EQ(deviceList.GetItemText(3, 1), "192.168.1.41");

  ClickDevice(3);
  EXPECT_TRUE(connectButton.IsEnabled() && disconnectButton.IsEnabled() &&
              configurationButton.IsEnabled());
  EXPECT_EQ(shareList.ColumnTexts(0), Texts{"near"});
  ClickDevice(kLab);
  EXPECT_FALSE(connectButton.IsEnabled() || disconnectButton.IsEnabled() ||
               configurationButton.IsEnabled());
  ClickDevice(kOffice);
  EXPECT_TRUE(connectButton.IsEnabled() && configurationButton.IsEnabled());
}

TEST_F(MainDialogTest, ClickBesideTheRowsLeavesNoDeviceSelected) {
  Open();
  ClickDevice(kOffice);
  std::size_t sentBefore = network.sent().size();
  ClickDevice(-1);
  EXPECT_FALSE(dialog.deviceSelected());
  // The fields keep what they showed.
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");

  dialog.OnApply();
  EXPECT_EQ(LastMessage(), (RecordedMessage{"You should select a server to modify IP!", "Error",
                                            MessageIcon::Stop}));
  EXPECT_EQ(network.sent().size(), sentBefore);
}

TEST_F(MainDialogTest, RowsAboveTheFirstVisibleRowAreNotSeen) {
  segment.AddGeneratedDevices(5, Ipv4Address{{192, 168, 0, 50}}, Ipv4Address{{255, 255, 255, 0}},
                              Ipv4Address{{192, 168, 0, 1}});
  Open();
  ASSERT_EQ(deviceList.GetItemCount(), 8);
  deviceList.ClickRow(kOffice);
  deviceList.ScrollTo(2);
  ASSERT_EQ(deviceList.GetTopIndex(), 2);

  dialog.OnConfiguration();
  EXPECT_EQ(LastMessage(), (RecordedMessage{"You should select a sever to connect.", "Warnning",
                                            MessageIcon::Exclamation}));
  EXPECT_TRUE(shell.openedUrls.empty());
  dialog.OnDeviceListClick();
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_EQ(FindSelectedRow(deviceList, 0), -1);

  deviceList.ClickRow(5);
  dialog.OnConfiguration();
  EXPECT_EQ(shell.openedUrls, Texts{"http://" + deviceList.GetItemText(5, 1)});
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(FindSelectedRow(deviceList, 6), -1);
}

TEST_F(MainDialogTest, RepaintRebuildsDriveListAndShareList) {
  Open();
  ClickDevice(kOffice);
  shareList.ClickRow(1);
  driveCombo.SelectText("F:");

  // Mapped outside the program meanwhile, on two letters.
  connections.MapOutside('H', "\\\\tessavue-office\\backup");
  connections.MapOutside('K', "\\\\192.168.0.20\\BACKUP");
  dialog.RescanDrives();
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "K:", ""}));
  EXPECT_EQ(shareList.SelectedRow(), -1);
  EXPECT_EQ(driveCombo.CurrentText(), "D:");
  EXPECT_NE(std::find(driveCombo.items().begin(), driveCombo.items().end(),
                      "H: \\\\tessavue-office\\backup"),
            driveCombo.items().end());
  // The paint asks the device nothing.
  EXPECT_EQ(Device(kOffice).counters().shareQueries, 1);

  // With no device row selected the share list stays as it was.
  deviceList.ClearSelection();
  connections.CancelConnection("K:", kConnectUpdateProfile, true);
  dialog.RescanDrives();
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "K:", ""}));
}

TEST_F(MainDialogTest, AboutSystemCommandAndExit) {
  host.hasSystemMenu = false;
  Open();
  EXPECT_TRUE(host.systemMenuEntries.empty());
  dialog.OnAbout();
  EXPECT_TRUE(dialog.OnSysCommand(0x0010));
  EXPECT_FALSE(dialog.OnSysCommand(0xF060));  // SC_CLOSE: default processing
  EXPECT_FALSE(dialog.OnSysCommand(0x0040));
  EXPECT_EQ(host.aboutRuns, 2);

  ASSERT_TRUE(network.IsOpen());
  dialog.OnExit();
  EXPECT_EQ(host.destroyCount, 1);
  EXPECT_FALSE(network.IsOpen());
  dialog.OnDestroy();  // the window's destruction runs the shutdown again
  EXPECT_FALSE(protocol.TransportStarted());
  EXPECT_EQ(network.cleanups(), 1);
}

}  // namespace
}  // namespace tessavue
