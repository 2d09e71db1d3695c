// The main window while the workstation's networks change: "Refresh" lists
// the devices of the networks of the moment, without a restart.
#include "window_fixture.h"

namespace tessavue {
namespace {

using Texts = std::vector<std::string>;

class ChangingNetworksWindowTest : public WindowTest {
 protected:
  Texts Rows() { return deviceList.ColumnTexts(1); }
};

TEST_F(ChangingNetworksWindowTest, RefreshFindsTheDevicesOnceTheWorkstationHasAnAddress) {
  // Started before the cable was in.
  network.SetLocalAddresses({});
  Open();
  EXPECT_TRUE(Rows().empty());
  dialog.OnRefresh();
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(refreshButton.IsEnabled());
  EXPECT_TRUE(network.sent().empty());

  network.SetLocalAddresses({Ipv4Address{{192, 168, 0, 100}}});
  dialog.OnRefresh();
  EXPECT_EQ(Rows(), (Texts{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));
  ClickDevice(kOffice);
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"public", "backup", "scans"}));
  EXPECT_TRUE(connectButton.IsEnabled());
}

TEST_F(ChangingNetworksWindowTest, AfterANewLeaseTheOldRowsAskNothingUntilRefresh) {
  Open();
  ASSERT_EQ(Rows().size(), 3u);
  // A new lease on the same subnet while the window is open.
  network.SetLocalAddresses({Ipv4Address{{192, 168, 0, 133}}});
  const std::size_t sentBefore = network.sent().size();
  ClickDevice(kOffice);
  EXPECT_EQ(network.sent().size(), sentBefore);
  EXPECT_TRUE(shareList.ColumnTexts(0).empty());

  dialog.OnRefresh();
  EXPECT_EQ(Rows(), (Texts{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));
  ClickDevice(kOffice);
  EXPECT_EQ(shareList.ColumnTexts(0), (Texts{"public", "backup", "scans"}));
  EXPECT_STREQ(protocol.localIp(), "192.168.0.133");
}

}  // namespace
}  // namespace tessavue
