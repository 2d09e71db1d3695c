// The device list worked with the keyboard: a row reached with the arrows,
// Home/End, the page keys or type-ahead is shown as a click shows it, once
// the selection has stayed put for a moment.
#include "window_fixture.h"

namespace tessavue {
namespace {

using Key = HeadlessListView::Key;
using Texts = std::vector<std::string>;

constexpr std::int64_t kMs = 1000;

class KeyboardTest : public WindowTest {
 protected:
  int ShareQueries(int device) { return Device(device).counters().shareQueries; }
  int AllShareQueries() {
    return ShareQueries(kOffice) + ShareQueries(kMedia) + ShareQueries(kLab);
  }
};

TEST_F(KeyboardTest, SettledRowIsShownAsAClickShowsIt) {
  Open();
  int focusBefore = deviceList.focusCount();
  deviceList.PressKey(Key::Down);
  ASSERT_EQ(deviceList.SelectedRow(), kOffice);
  // Not yet: the user may still be moving.
  host.Pass(200 * kMs);
  EXPECT_TRUE(ipAddress.IsBlank());
  EXPECT_EQ(AllShareQueries(), 0);
  EXPECT_FALSE(dialog.deviceSelected());

  host.Pass(100 * kMs);
  EXPECT_TRUE(dialog.deviceSelected());
  EXPECT_STREQ(protocol.selectedDeviceIp(), "192.168.0.20");
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
  EXPECT_EQ(netmaskAddress.Text(), "255.255.255.0");
  EXPECT_EQ(gatewayAddress.Text(), "192.168.0.1");
  EXPECT_EQ(dhcpCombo.CurrentText(), "Disabled");
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"public", "backup", "scans"}));
  EXPECT_EQ(ShareQueries(kOffice), 1);
  // The user may have tabbed on meanwhile: the focus stays where it is.
  EXPECT_EQ(deviceList.focusCount(), focusBefore);
  // Shown once; the time going on changes nothing.
  host.Pass(5000 * kMs);
  EXPECT_EQ(ShareQueries(kOffice), 1);

  // The other devices by the other keys: a DHCP device greys the fields, a
  // device on another subnet disables the share and web commands.
  deviceList.TypeAhead("tessavue-m");
  host.Pass(300 * kMs);
  EXPECT_EQ(dhcpCombo.CurrentText(), "Enabled");
  EXPECT_FALSE(ipAddress.IsEnabled());
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"music", "video", "photos"}));
  deviceList.PressKey(Key::End);
  host.Pass(300 * kMs);
  EXPECT_EQ(ipAddress.Text(), "192.168.1.40");
  EXPECT_TRUE(ipAddress.IsEnabled());
  EXPECT_FALSE(connectButton.IsEnabled() || configurationButton.IsEnabled());
  deviceList.PressKey(Key::Home);
  host.Pass(300 * kMs);
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
  EXPECT_TRUE(connectButton.IsEnabled());
  EXPECT_EQ(ShareQueries(kOffice), 2);
  EXPECT_EQ(ShareQueries(kMedia), 1);
  EXPECT_EQ(ShareQueries(kLab), 1);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(KeyboardTest, ABurstOfChangesAsksForTheSharesOnce) {
  Open();
  // Key repeats come every few tens of milliseconds: no row in between is
  // shown or asked.
  for (Key key : {Key::Down, Key::Down, Key::Down, Key::Up, Key::PageDown, Key::End}) {
    deviceList.PressKey(key);
    host.Pass(40 * kMs);
  }
  EXPECT_EQ(AllShareQueries(), 0);
  host.Pass(250 * kMs);
  EXPECT_EQ(ShareQueries(kLab), 1);
  EXPECT_EQ(AllShareQueries(), 1);
  EXPECT_EQ(ipAddress.Text(), "192.168.1.40");

  // A key held down: its repeat may pause longer than the settle time (the
  // delay before the first repeat), yet nothing is asked until it is let go.
  host.selectionKeyHeld = true;
  deviceList.PressKey(Key::Up);
  host.Pass(600 * kMs);
  deviceList.PressKey(Key::Up);
  host.Pass(600 * kMs);
  EXPECT_EQ(AllShareQueries(), 1);
  host.selectionKeyHeld = false;
  host.Pass(300 * kMs);
  EXPECT_EQ(ShareQueries(kOffice), 1);
  EXPECT_EQ(AllShareQueries(), 2);

  // Down and back Up before it settles: the row shown already, nothing asked.
  deviceList.PressKey(Key::Down);
  host.Pass(50 * kMs);
  deviceList.PressKey(Key::Up);
  host.Pass(500 * kMs);
  EXPECT_EQ(AllShareQueries(), 2);
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
}

TEST_F(KeyboardTest, MouseClickStaysImmediateAndWinsOverAPendingKey) {
  Open();
  ClickDevice(kMedia);
  // At once, without any time passing, and once.
  EXPECT_EQ(ShareQueries(kMedia), 1);
  EXPECT_EQ(dhcpCombo.CurrentText(), "Enabled");
  EXPECT_GE(deviceList.focusCount(), 1);
  EXPECT_FALSE(host.timers.Running(kSelectionSettleTimer));
  host.Pass(1000 * kMs);
  EXPECT_EQ(ShareQueries(kMedia), 1);

  // A key, then a click on another row before the key's row settles: the
  // click's row is shown and the key's row is never asked.
  deviceList.PressKey(Key::Down);
  host.Pass(100 * kMs);
  ClickDevice(kOffice);
  EXPECT_FALSE(host.timers.Running(kSelectionSettleTimer));
  host.Pass(1000 * kMs);
  EXPECT_EQ(ShareQueries(kLab), 0);
  EXPECT_EQ(ShareQueries(kOffice), 1);
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");

  // A click beside the rows still drops the selection, keyboard or not.
  deviceList.ClickRow(-1);
  dialog.OnDeviceListClick();
  EXPECT_FALSE(dialog.deviceSelected());
}

TEST_F(KeyboardTest, KeyboardChoiceIsWhatApplyActsOn) {
  Open();
  ClickDevice(kMedia);
  // Up to the first device by keyboard; Apply changes that device, not the
  // one clicked before.
  deviceList.PressKey(Key::Up);
  host.Pass(300 * kMs);
  dhcpCombo.SelectText("Enabled");
  dialog.OnApply();
  EXPECT_EQ(LastMessage().text, "Set to dhcp client done!");
  EXPECT_EQ(Device(kOffice).counters().setDhcp, 1);
  EXPECT_EQ(Device(kMedia).counters().setDhcp, 0);
  EXPECT_EQ(Device(kMedia).counters().passwordChecks, 0);
}

TEST_F(KeyboardTest, TimerDuringAHandlerWaitsForItsEnd) {
  Open();
  deviceList.PressKey(Key::Down);
  // The user presses "Refresh" before the row settles; the timer comes due
  // during the search's wait (the window handles its timers there), and the
  // search's own row changes are none of the user's.
  int startsBefore = host.timers.starts(kSelectionSettleTimer);
  bool fired = false;
  host.waits.onKeepAlive = [&] {
    if (fired) return;
    fired = true;
    dialog.OnDeviceListSelectionChange();
    dialog.TimerFired(kSelectionSettleTimer);
  };
  dialog.OnRefresh();
  host.waits.onKeepAlive = nullptr;
  ASSERT_TRUE(fired);
  // Put off (again each time it came due during the search), not lost and
  // not run inside the search.
  EXPECT_GT(host.timers.starts(kSelectionSettleTimer), startsBefore + 1);
  EXPECT_TRUE(host.timers.Running(kSelectionSettleTimer));
  EXPECT_EQ(AllShareQueries(), 0);
  // The refresh left no row selected: nothing to show when it fires.
  host.Pass(500 * kMs);
  EXPECT_EQ(AllShareQueries(), 0);
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_TRUE(ipAddress.IsBlank());

  // After a refresh the first row is new again, even where the row shown
  // before the refresh had the same place and address.
  ClickDevice(kOffice);
  dialog.OnRefresh();
  deviceList.PressKey(Key::Down);
  host.Pass(300 * kMs);
  EXPECT_TRUE(dialog.deviceSelected());
  EXPECT_EQ(ShareQueries(kOffice), 2);
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
}

// Every handler pressed while a row the keyboard chose has not settled yet:
// that row is shown first, as its click would show it, and the handler acts
// on it; nothing is taken from the device shown before.
TEST_F(KeyboardTest, HandlersPressedBeforeTheRowSettlesActOnTheHighlightedDevice) {
  connections.MapOutside('G', "\\\\Tessavue-Office\\backup");
  Open();
  auto officeShownMediaHighlighted = [&] {
    ClickDevice(kOffice);
    deviceList.PressKey(Key::Down);
    ASSERT_EQ(deviceList.SelectedRow(), kMedia);
    ASSERT_EQ(ipAddress.Text(), "192.168.0.20");
  };
  auto settledOnMedia = [&](const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(ipAddress.Text(), "192.168.0.31");
    EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"music", "video", "photos"}));
    // Settled once: the timer has nothing left to do.
    int queries = ShareQueries(kMedia);
    host.Pass(1000 * kMs);
    EXPECT_EQ(ShareQueries(kMedia), queries);
  };

  // Connect: the share row chosen was the office's; the media device's list
  // has none chosen, so nothing is mapped.
  officeShownMediaHighlighted();
  shareList.ClickRow(0);
  driveCombo.SelectText("E:");
  connections.calls.clear();
  dialog.OnConnect();
  settledOnMedia("Connect");
  EXPECT_EQ(LastMessage().text, "You should select a samba server disk to mount!");
  for (const std::string& call : connections.calls) EXPECT_NE(call.rfind("add", 0), 0u) << call;

  // Disconnect: the office's "backup" row (on G:) chosen; G: stays.
  officeShownMediaHighlighted();
  shareList.ClickRow(1);
  std::size_t messages = host.messages.size();
  dialog.OnDisconnect();
  settledOnMedia("Disconnect");
  EXPECT_EQ(connections.Connection('G'), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(host.messages.size(), messages);

  // Configuration: the media device's page.
  officeShownMediaHighlighted();
  dialog.OnConfiguration();
  settledOnMedia("Configuration");
  EXPECT_EQ(shell.openedUrls, (Texts{"http://192.168.0.31"}));

  // Apply: the fields shown were the office's; nothing is sent, and the next
  // Apply acts on the media device with what its fields show.
  officeShownMediaHighlighted();
  dhcpCombo.SelectText("Enabled");
  dialog.OnApply();
  settledOnMedia("Apply");
  EXPECT_EQ(Device(kOffice).counters().passwordChecks + Device(kMedia).counters().passwordChecks,
            0);
  EXPECT_EQ(dhcpCombo.CurrentText(), "Enabled");
  host.ScriptLogin({std::nullopt, "tessavue", true});
  dialog.OnApply();
  EXPECT_EQ(Device(kMedia).counters().setDhcp, 1);
  EXPECT_EQ(Device(kOffice).counters().setDhcp, 0);

  // The DHCP choice: made for the media device, kept over its own setting.
  officeShownMediaHighlighted();
  dhcpCombo.SelectText("Disabled");
  dialog.OnDhcpModeChange();
  settledOnMedia("DHCP choice");
  EXPECT_EQ(dhcpCombo.CurrentText(), "Disabled");
  EXPECT_TRUE(ipAddress.IsEnabled());

  // Refresh empties the list: the pending row is dropped, never asked.
  officeShownMediaHighlighted();
  int queries = AllShareQueries();
  dialog.OnRefresh();
  host.Pass(1000 * kMs);
  EXPECT_EQ(AllShareQueries(), queries);
  EXPECT_FALSE(dialog.deviceSelected());
}

// The "Location" column is always matched against the device whose shares
// it lists, also when a paint comes while another row is highlighted.
TEST_F(KeyboardTest, LocationColumnMatchesTheDeviceItLists) {
  // A share of the media device with the name of one of the office's.
  connections.MapOutside('G', "\\\\Tessavue-Media\\public");
  connections.MapOutside('H', "\\\\192.168.0.20\\scans");
  Open();
  ClickDevice(kOffice);
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "", "H:"}));
  deviceList.PressKey(Key::Down);
  dialog.RescanDrives();
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"public", "backup", "scans"}));
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "", "H:"}));
  // Back to the row shown before it settled: nothing to ask, nothing stale.
  deviceList.PressKey(Key::Up);
  host.Pass(300 * kMs);
  EXPECT_EQ(ShareQueries(kMedia), 0);
  dialog.RescanDrives();
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "", "H:"}));
}

}  // namespace
}  // namespace tessavue
