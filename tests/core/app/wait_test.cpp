// The window during the handlers' waits: the host's wait hook keeps it alive
// every few milliseconds, the wait state (wait cursor, no input) holds for the
// whole handler, and input that slips through starts nothing.
#include <algorithm>
#include <vector>

#include "window_fixture.h"

namespace tessavue {
namespace {

class WaitTest : public WindowTest {
 protected:
  // Notes the virtual time of every KeepAlive; `during` runs at the first.
  void Watch(std::function<void()> during = {}) {
    times.clear();
    host.waits.onKeepAlive = [this, during] {
      times.push_back(clock.NowMicros());
      if (times.size() == 1 && during) during();
    };
  }
  // Longest stretch between `start`, the KeepAlive calls and `end`.
  std::int64_t LongestGap(std::int64_t start, std::int64_t end) const {
    std::int64_t last = start, longest = 0;
    for (std::int64_t t : times) {
      longest = std::max(longest, t - last);
      last = t;
    }
    return std::max(longest, end - last);
  }
  // Every handler a click, key or close could start.
  void EveryHandler() {
    dialog.OnRefresh();
    dialog.OnDeviceListClick();
    dialog.OnApply();
    dialog.OnConnect();
    dialog.OnDisconnect();
    dialog.OnConfiguration();
    dialog.OnAbout();
    dialog.OnDhcpModeChange();
    sysCommandSwallowed = dialog.OnSysCommand(kIdmAboutBox);
    dialog.OnExit();
  }
  void ExpectBalanced() {
    EXPECT_EQ(host.waits.depth, 0);
    EXPECT_EQ(host.waits.begins, host.waits.ends);
    EXPECT_EQ(host.waits.unmatchedEnds, 0);
    EXPECT_EQ(host.waits.keepAlivesWhileIdle, 0);
    EXPECT_EQ(host.modalsWhileBusy, 0);
  }
  void SelectStatic(int row) {
    Open();
    ClickDevice(row);
    dhcpCombo.SelectText("Disabled");
    dialog.OnDhcpModeChange();
    ASSERT_TRUE(ipAddress.TypeText("192.168.0.10"));
    ASSERT_TRUE(gatewayAddress.TypeText("192.168.0.1"));
  }

  std::vector<std::int64_t> times;
  bool sysCommandSwallowed = false;
};

TEST_F(WaitTest, ASearchKeepsTheWindowAliveAndNothingStartsInsideIt) {
  Open();
  EXPECT_GT(host.waits.keepAlives, 100);  // the first search, once the window shows
  const int searches = Device(kOffice).counters().searches;
  Watch([this] { EveryHandler(); });

  const std::int64_t start = clock.NowMicros();
  dialog.OnRefresh();
  const std::int64_t end = clock.NowMicros();

  EXPECT_GT(end - start, 1'000'000);
  EXPECT_LE(LongestGap(start, end), 2 * kKeepAliveMicros);
  // One search of three requests; nothing else ran or ended the window.
  EXPECT_EQ(Device(kOffice).counters().searches, searches + 3);
  EXPECT_EQ(Device(kOffice).counters().shareQueries, 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.aboutRuns, 0);
  EXPECT_TRUE(sysCommandSwallowed);
  EXPECT_EQ(host.destroyCount, 0);
  EXPECT_TRUE(protocol.TransportStarted());
  EXPECT_EQ(deviceList.GetItemCount(), 3);
  ExpectBalanced();

  // After the wait the same handlers run again.
  EXPECT_TRUE(dialog.MayClose());
  dialog.OnAbout();
  EXPECT_EQ(host.aboutRuns, 1);
}

TEST_F(WaitTest, ALateAnswerToAnAddressChangeIsWaitedForWithTheWindowAlive) {
  SelectStatic(kOffice);
  // The device takes the change at once and confirms it 9 s later.
  network.HoldBack(wire::kSetReply, 9'000'000);
  const int checks = Device(kOffice).counters().passwordChecks;
  const int shareQueries = Device(kOffice).counters().shareQueries;
  Watch([this] { EveryHandler(); });

  const std::int64_t start = clock.NowMicros();
  dialog.OnApply();
  const std::int64_t end = clock.NowMicros();

  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(deviceList.GetItemText(kOffice, 1), "192.168.0.10");  // refreshed after the answer
  EXPECT_GT(end - start, 9'000'000);
  EXPECT_LE(LongestGap(start, end), 2 * kKeepAliveMicros);
  EXPECT_EQ(Device(kOffice).counters().passwordChecks, checks + 1);
  EXPECT_EQ(Device(kOffice).counters().setStatic, 1);
  EXPECT_EQ(Device(kOffice).counters().shareQueries, shareQueries);
  ExpectBalanced();
}

TEST_F(WaitTest, AnUnconfirmedStaticChangeFailsAndKeepsTheFields) {
  SelectStatic(kOffice);
  network.HoldBack(wire::kSetReply, 60'000'000);  // not within the wait
  const int searches = Device(kOffice).counters().searches;
  const std::int64_t start = clock.NowMicros();
  dialog.OnApply();

  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(LastMessage(), (RecordedMessage{"Set static IP fail", "Error", MessageIcon::Stop}));
  EXPECT_GT(clock.NowMicros() - start, 10'000'000);
  EXPECT_EQ(Device(kOffice).counters().setStatic, 1);
  // No refresh: the fields, the selection and the old row stay.
  EXPECT_EQ(Device(kOffice).counters().searches, searches);
  EXPECT_EQ(ipAddress.Text(), "192.168.0.10");
  EXPECT_EQ(netmaskAddress.Text(), "255.255.255.0");
  EXPECT_EQ(gatewayAddress.Text(), "192.168.0.1");
  EXPECT_EQ(deviceList.GetItemText(kOffice, 1), "192.168.0.20");
  EXPECT_TRUE(dialog.deviceSelected());
  ExpectBalanced();
}

TEST_F(WaitTest, TheUserAnswersTheHandlersDialogsOutsideTheWaitState) {
  Open();
  ClickDevice(kMedia);  // refuses the default password
  host.ScriptLogin({std::nullopt, "tessavue", true});
  host.waits.onKeepAlive = nullptr;
  const int beginsBefore = host.waits.begins;
  dialog.OnApply();
  ASSERT_EQ(host.loginRuns.size(), 1u);
  EXPECT_EQ(LastMessage().text, "Set to dhcp client done!");
  // Lifted for the login and for the message, on again after each.
  EXPECT_EQ(host.waits.begins - beginsBefore, 3);
  ExpectBalanced();

  // The same holds on a handler's early return.
  deviceList.ClearSelection();
  dialog.OnDeviceListClick();
  dialog.OnApply();
  EXPECT_EQ(LastMessage().text, "You should select a server to modify IP!");
  ExpectBalanced();
}

TEST_F(WaitTest, TheDialogLendsItsHostsHookForItsLife) {
  EXPECT_EQ(protocol.waitHook(), &host.waits);
  EXPECT_EQ(connections.waitHook, &host.waits);
  {
    ScriptedDialogHost other;
    MainDialog second(protocol, drives, SystemServices{connections, shell, system, resolver}, other,
                      MainDialogControls{configurationButton, disconnectButton, connectButton,
                                         dhcpCombo, driveCombo, shareList, deviceList,
                                         refreshButton, ipAddress, netmaskAddress, gatewayAddress});
    EXPECT_EQ(protocol.waitHook(), &other.waits);
  }
  // Gone with the dialog: nothing calls into a host that no longer exists.
  EXPECT_EQ(protocol.waitHook(), nullptr);
  EXPECT_EQ(connections.waitHook, nullptr);
}

}  // namespace
}  // namespace tessavue
