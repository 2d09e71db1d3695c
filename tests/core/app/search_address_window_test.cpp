// "Search at address...": the entry below About, its dialog, and the devices
// found through the address it adds.
#include "search_address_dialog.h"
#include "window_fixture.h"

namespace tessavue {
namespace {

using Texts = std::vector<std::string>;

class SearchAddressWindowTest : public WindowTest {
 protected:
  SearchAddressWindowTest() {
    DeviceSettings far;
    far.name = "Far-Box";
    far.ip = Ipv4Address{{10, 9, 0, 30}};
    far.netmask = Ipv4Address{{255, 255, 255, 0}};
    far.gateway = Ipv4Address{{10, 9, 0, 1}};
    far.shares = "archive:photos";
    far.serial = {0xfa, 0x12, 0, 0, 0, 1};
    far.replyDelayMicros = 4000;
    beyond.AddDevice(far);
  }
  Texts Rows() { return deviceList.ColumnTexts(1); }
  int RowOf(const std::string& ip) {
    const Texts rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (rows[i] == ip) return static_cast<int>(i);
    return -1;
  }
  void SearchAt(std::vector<AddressAnswer> answers) {
    for (AddressAnswer& a : answers) host.addressScript.push_back(a);
    EXPECT_TRUE(dialog.OnSysCommand(kIdmSearchAtAddress));
  }

  SimulatedSegment beyond{network, 0, SegmentPlace::kBehindRouter};
};

TEST_F(SearchAddressWindowTest, TheEntryStandsBelowAboutAndRefusedAddressesKeepTheDialogOpen) {
  Open();
  EXPECT_EQ(host.systemMenuEntries,
            (Texts{"About Dorvel(&A)...", "Search at address...", "Forget searched addresses"}));
  EXPECT_EQ(host.systemMenuCommands, (std::vector<unsigned>{0x0010, 0x0020, 0x0030}));
  const std::size_t sent = network.sent().size();

  SearchAt({{""},
            {"10..0.5"},
            {"127.0.0.1"},
            {"224.0.0.1"},
            {"255.255.255.255"},
            {"0.0.0.0"},
            {"10.9.0.0/21"},
            {"10.9.0.5/24"},
            {"10.9.0.0/3x"},
            {"", false}});
  ASSERT_EQ(host.addressRuns, std::vector<int>{2});  // one dialog, closed by Cancel
  ASSERT_EQ(host.messages.size(), 9u);
  for (const RecordedMessage& m : host.messages) {
    EXPECT_EQ(m.caption, "Warnning");
    EXPECT_EQ(m.icon, MessageIcon::Exclamation);
  }
  EXPECT_EQ(host.messages[0].text, "Please input IP address!");
  EXPECT_EQ(host.messages[1].text, "Please input IP address!");
  EXPECT_NE(host.messages[2].text.find("loopback"), std::string::npos) << host.messages[2].text;
  EXPECT_NE(host.messages[3].text.find("multicast"), std::string::npos) << host.messages[3].text;
  EXPECT_NE(host.messages[4].text.find("broadcast"), std::string::npos) << host.messages[4].text;
  EXPECT_NE(host.messages[5].text.find("0.0.0.0"), std::string::npos) << host.messages[5].text;
  EXPECT_NE(host.messages[6].text.find("wider than /22"), std::string::npos);
  EXPECT_NE(host.messages[7].text.find("host bits"), std::string::npos);
  // The prefix field takes two characters: "3x" is refused as it stands.
  EXPECT_NE(host.messages[8].text.find("'10.9.0.0/3x'"), std::string::npos)
      << host.messages[8].text;
  EXPECT_TRUE(protocol.targets().empty());
  EXPECT_EQ(network.sent().size(), sent);  // no refresh
  EXPECT_EQ(host.modalsWhileBusy, 0);

  // The menu has no entry without a system menu.
  ScriptedDialogHost bare;
  bare.hasSystemMenu = false;
  EXPECT_FALSE(bare.AddSystemMenuEntry("Search at address...", kIdmSearchAtAddress));
}

TEST_F(SearchAddressWindowTest, ADeviceBehindTheRouterIsListedReachableAndItsSharesFetched) {
  Open();
  EXPECT_EQ(Rows(), (Texts{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));

  // A refused address first, then the right one in the same dialog.
  SearchAt({{"127.0.0.1"}, {"10.9.0.30"}});
  EXPECT_EQ(host.addressRuns, std::vector<int>{1});
  EXPECT_EQ(protocol.targets(), (std::vector<SearchTarget>{{Ipv4Address{{10, 9, 0, 30}}}}));
  // In the order of the replies, as every row.
  EXPECT_EQ(Rows(), (Texts{"192.168.0.20", "10.9.0.30", "192.168.0.31", "192.168.1.40"}));
  ASSERT_GE(RowOf("10.9.0.30"), 0);
  EXPECT_EQ(deviceList.GetItemText(RowOf("10.9.0.30"), 0), "Far-Box");
  EXPECT_TRUE(refreshButton.IsEnabled());
  EXPECT_FALSE(host.waits.busy());

  ClickDevice(RowOf("10.9.0.30"));
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"archive", "photos"}));
  EXPECT_TRUE(connectButton.IsEnabled());
  EXPECT_TRUE(disconnectButton.IsEnabled());
  EXPECT_TRUE(configurationButton.IsEnabled());
  // A device on another subnet of the segment still fails the subnet test.
  ClickDevice(RowOf("192.168.1.40"));
  EXPECT_FALSE(connectButton.IsEnabled());
  EXPECT_FALSE(configurationButton.IsEnabled());

  // Refresh keeps finding it, and the same address given again stays one
  // target.
  dialog.OnRefresh();
  EXPECT_EQ(Rows().size(), 4u);
  SearchAt({{"10.9.0.30"}});
  EXPECT_EQ(protocol.targets().size(), 1u);
  EXPECT_EQ(Rows().size(), 4u);
  EXPECT_EQ(remembered.lines(), Texts{"10.9.0.30"});
}

TEST_F(SearchAddressWindowTest, ASubnetIsRememberedForTheNextStartUntilForgotten) {
  DeviceSettings second = beyond.device(0).settings();
  second.name = "Far-Two";
  second.ip = Ipv4Address{{10, 9, 0, 77}};
  second.serial[5] = 2;
  beyond.AddDevice(second);
  Open();
  SearchAt({{"10.9.0.0/24"}});
  EXPECT_EQ(remembered.lines(), Texts{"10.9.0.0/24"});
  EXPECT_GE(RowOf("10.9.0.30"), 0);
  EXPECT_GE(RowOf("10.9.0.77"), 0);
  EXPECT_EQ(Rows().size(), 5u);  // each once

  // The next start: another window over the same store searches it at once.
  DeviceProtocol nextProtocol{network, clock};
  ASSERT_TRUE(nextProtocol.InitTransport());
  ScriptedDialogHost nextHost;
  HeadlessListView nextDevices;
  MainDialog next{nextProtocol, drives,
                  SystemServices{connections, shell, system, resolver, &remembered}, nextHost,
                  MainDialogControls{configurationButton, disconnectButton, connectButton,
                                     dhcpCombo, driveCombo, shareList, nextDevices, refreshButton,
                                     ipAddress, netmaskAddress, gatewayAddress}};
  next.OnInitDialog();
  next.OnWindowShown();
  EXPECT_EQ(nextDevices.GetItemCount(), 5);
  EXPECT_EQ(nextProtocol.targets(), (std::vector<SearchTarget>{{Ipv4Address{{10, 9, 0, 0}}, 24}}));

  // Forgotten: gone from the store, and the next refresh no longer finds them.
  EXPECT_TRUE(dialog.OnSysCommand(kIdmForgetTargets));
  EXPECT_TRUE(remembered.lines().empty());
  EXPECT_EQ(RowOf("10.9.0.77"), -1);
  EXPECT_EQ(Rows().size(), 3u);
  EXPECT_TRUE(protocol.targets().empty());
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(SearchAddressWindowTest, ADamagedListIsSaidOnceAndAStoreThatFailsKeepsTheAddressForTheRun) {
  remembered.SetLines({"10.9.0.30", "10.9.0.0/16"});
  Open();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].text.find("damaged"), std::string::npos) << host.messages[0].text;
  EXPECT_EQ(host.messages[0].caption, "Warnning");
  EXPECT_EQ(RowOf("10.9.0.30"), -1);
  dialog.OnRefresh();
  EXPECT_EQ(host.messages.size(), 1u);

  remembered.SetWriteFails(true);
  SearchAt({{"10.9.0.30"}});
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_NE(host.messages[1].text.find("could not be remembered"), std::string::npos);
  EXPECT_GE(RowOf("10.9.0.30"), 0);
  dialog.OnRefresh();
  EXPECT_GE(RowOf("10.9.0.30"), 0);
}

}  // namespace
}  // namespace tessavue
