// "Apply": the address checks, the administrator login and the two changes.
#include "window_fixture.h"

namespace tessavue {
namespace {

class ApplyTest : public WindowTest {
 protected:
  void SelectStatic(int row) {
    Open();
    ClickDevice(row);
    dhcpCombo.SelectText("Disabled");
    dialog.OnDhcpModeChange();
  }
  void Type(const char* ip, const char* mask, const char* gateway) {
    ASSERT_TRUE(ipAddress.TypeText(ip));
    ASSERT_TRUE(netmaskAddress.TypeText(mask));
    ASSERT_TRUE(gatewayAddress.TypeText(gateway));
  }
  RecordedMessage Warning(const char* text) {
    return RecordedMessage{text, "Warnning", MessageIcon::Exclamation};
  }
};

TEST_F(ApplyTest, BlankFieldsAreReportedInOrder) {
  SelectStatic(kOffice);
  ipAddress.ClearAddress();
  netmaskAddress.ClearAddress();
  gatewayAddress.ClearAddress();
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), Warning("Please input IP address!"));

  ipAddress.TypeField(3, 7);  // one field is enough to be not blank
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), Warning("Please input net mask address!"));
  netmaskAddress.TypeText("255.255.255.0");
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), Warning("Please input gateway address!"));
  EXPECT_EQ(host.messages.size(), 3u);
  EXPECT_EQ(Device(kOffice).counters().passwordChecks, 0);
  EXPECT_TRUE(host.loginRuns.empty());
}

TEST_F(ApplyTest, GatewayMustLieInTheAddressSubnet) {
  SelectStatic(kOffice);
  Type("192.168.0.10", "255.255.255.0", "192.168.1.1");
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), Warning("Gateway address input error!"));
  EXPECT_STREQ(protocol.newIp(), "192.168.0.10");
  EXPECT_STREQ(protocol.newGateway(), "192.168.1.1");
  EXPECT_EQ(Device(kOffice).counters().passwordChecks, 0);
  // After a failure the fields keep what the user typed.
  EXPECT_EQ(gatewayAddress.Text(), "192.168.1.1");
  EXPECT_EQ(deviceList.GetItemCount(), 3);
}

TEST_F(ApplyTest, StaticChangeWithDefaultPasswordNeedsNoDialog) {
  SelectStatic(kOffice);
  Type("192.168.0.10", "255.255.255.0", "192.168.0.1");
  dialog.OnApply();

  EXPECT_TRUE(host.loginRuns.empty());
  EXPECT_TRUE(host.messages.empty());  // the fixed-address path reports nothing
  EXPECT_EQ(Device(kOffice).counters().setStatic, 1);
  EXPECT_EQ(dialog.login().userName, "qewro");
  EXPECT_EQ(dialog.login().password, "qewro");
  // Refreshed: the device is listed under its new address, nothing selected.
  EXPECT_EQ(deviceList.GetItemText(kOffice, 1), "192.168.0.10");
  EXPECT_TRUE(ipAddress.IsBlank() && netmaskAddress.IsBlank() && gatewayAddress.IsBlank());
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_EQ(Device(kOffice).counters().searches, 6);  // two searches of three requests
}

TEST_F(ApplyTest, ZeroNetmaskLetsAnyGatewayPass) {
  SelectStatic(kOffice);
  Type("10.1.2.3", "0.0.0.0", "172.16.9.9");
  dialog.OnApply();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Device(kOffice).counters().setStatic, 1);
  EXPECT_EQ(deviceList.GetItemText(kOffice, 1), "10.1.2.3");
}

TEST_F(ApplyTest, DhcpIgnoresTheAddressFieldsAndRefreshes) {
  Open();
  ClickDevice(kOffice);
  ipAddress.ClearAddress();
  gatewayAddress.ClearAddress();
  dhcpCombo.SelectText("Enabled");
  dialog.OnApply();
  EXPECT_EQ(LastMessage(),
            (RecordedMessage{"Set to dhcp client done!", "Confirm", MessageIcon::Information}));
  EXPECT_EQ(Device(kOffice).counters().setDhcp, 1);
  EXPECT_FALSE(dialog.deviceSelected());
  EXPECT_EQ(deviceList.GetItemCount(), 3);
}

TEST_F(ApplyTest, ChangedPasswordIsAskedForOnce) {
  Open();
  ClickDevice(kMedia);
  host.ScriptLogin({std::nullopt, "tessavue", true});
  dialog.OnApply();

  ASSERT_EQ(host.loginRuns.size(), 1u);
  EXPECT_EQ(host.loginRuns[0].userNameShown, "qewro");
  EXPECT_FALSE(host.loginRuns[0].userNameEnabled);
  EXPECT_EQ(Device(kMedia).counters().passwordChecks, 2);
  EXPECT_EQ(LastMessage().text, "Set to dhcp client done!");
  EXPECT_EQ(dialog.login().password, "tessavue");
}

TEST_F(ApplyTest, RefusedOrCancelledLoginChangesNothing) {
  Open();
  ClickDevice(kMedia);
  const RecordedMessage wrong{"Wrong administrator password input!", "Error", MessageIcon::Stop};

  host.ScriptLogin({std::nullopt, "guess", true});
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), wrong);

  host.ScriptLogin({std::nullopt, "tessavue", false});  // typed, then cancelled
  dialog.OnApply();
  EXPECT_EQ(LastMessage(), wrong);
  EXPECT_EQ(dialog.login().password, "qewro");

  EXPECT_EQ(host.loginRuns.size(), 2u);
  EXPECT_EQ(Device(kMedia).counters().passwordChecks, 4);
  EXPECT_EQ(Device(kMedia).counters().setDhcp, 0);
  EXPECT_TRUE(dialog.deviceSelected());
  EXPECT_EQ(host.messages.size(), 2u);
}

TEST_F(ApplyTest, UnansweredDhcpSwitchIsReportedAsFailure) {
  Open();
  ClickDevice(kOffice);
  hook.onSend = [this](const std::uint8_t* data, std::size_t length) {
    if (length > wire::kSubcodeOffset && data[0] == wire::kSetRequest) {
      segment.SetSilent(kOffice, true);
    }
  };
  dhcpCombo.SelectText("Enabled");
  std::int64_t before = clock.NowMicros();
  dialog.OnApply();
  EXPECT_EQ(LastMessage(),
            (RecordedMessage{"Set to dhcp client fail", "Error", MessageIcon::Stop}));
  EXPECT_GT(clock.NowMicros() - before, 10'000'000);  // the full wait, on the virtual clock
  // No refresh after a failure.
  EXPECT_TRUE(dialog.deviceSelected());
  EXPECT_EQ(ipAddress.Text(), "192.168.0.20");
}

TEST_F(ApplyTest, NoAddressModeChosenEndsSilently) {
  Open();
  ClickDevice(kOffice);
  dhcpCombo.SetCurSel(-1);
  dialog.OnApply();
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(Device(kOffice).counters().passwordChecks, 0);
}

}  // namespace
}  // namespace tessavue
