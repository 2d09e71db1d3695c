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
  EXPECT_EQ(host.systemMenuEntries, (Texts{"About Dorvel(&A)...", "Search at address..."}));
  EXPECT_EQ(host.systemMenuCommands, (std::vector<unsigned>{0x0010, 0x0020}));
  const std::size_t sent = network.sent().size();

  SearchAt({{""},
            {"10..0.5"},
            {"127.0.0.1"},
            {"224.0.0.1"},
            {"255.255.255.255"},
            {"0.0.0.0"},
            {"", false}});
  ASSERT_EQ(host.addressRuns, std::vector<int>{2});  // one dialog, closed by Cancel
  ASSERT_EQ(host.messages.size(), 6u);
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
  EXPECT_EQ(protocol.targets(), (std::vector<Ipv4Address>{Ipv4Address{{10, 9, 0, 30}}}));
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

  // Targets last for the run: Refresh keeps finding it, and the same
  // address given again stays one target.
  dialog.OnRefresh();
  EXPECT_EQ(Rows().size(), 4u);
  SearchAt({{"10.9.0.30"}});
  EXPECT_EQ(protocol.targets().size(), 1u);
  EXPECT_EQ(Rows().size(), 4u);
}

}  // namespace
}  // namespace tessavue
