// The four requests to the selected device: what goes out, and what the
// lists and SelectedDeviceIp hold afterwards.
#include <gtest/gtest.h>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

struct OneDevice : Lan {
  SimulatedDevice& device;
  OneDevice() : device(AddDevice()) {
    protocol.SearchDevices();
    Select("192.168.0.20");
    net.ClearSent();
  }
};

TEST(Requests, NothingIsSentWithoutASelectedListedDevice) {
  OneDevice lan;
  // Shares of the device listed before: a request that cannot go out still
  // leaves no stale share behind.
  ASSERT_EQ(lan.protocol.FetchShares(), 1);
  ASSERT_EQ(lan.protocol.shareList().size(), 2u);
  lan.net.ClearSent();
  for (const char* selection : {"", "192.168.0.2", "192.168.0.200"}) {
    lan.Select(selection);
    EXPECT_EQ(lan.protocol.CheckAdminPassword("", ""), 0);
    EXPECT_EQ(lan.protocol.FetchShares(), 0);
    EXPECT_EQ(lan.protocol.SetDeviceDhcp(), 0);
    EXPECT_EQ(lan.protocol.SetDeviceStatic(), 0);
  }
  EXPECT_TRUE(lan.net.sent().empty());
  EXPECT_EQ(lan.protocol.shareList().size(), 0u);

  // And with an empty device list nothing is sent either.
  lan.device.settings().searchAnswer.silent = true;
  lan.protocol.SearchDevices();
  lan.net.ClearSent();
  lan.Select("192.168.0.20");
  EXPECT_EQ(lan.protocol.FetchShares(), 0);
  EXPECT_TRUE(lan.net.sent().empty());
}

TEST(Requests, PasswordCheckSendsTheLoginTextsToTheSelectedDevice) {
  OneDevice lan;
  EXPECT_NE(lan.protocol.CheckAdminPassword("qewro", "qewro"), 0);
  ASSERT_EQ(lan.net.sent().size(), 1u);
  EXPECT_EQ(lan.net.sent()[0],
            wire::BuildPasswordQuery(lan.protocol.clientId(), lan.device.DeviceId().data(), "qewro",
                                     "qewro"));

  EXPECT_EQ(lan.protocol.CheckAdminPassword("qewro", "wrong"), 0);

  // 16 characters fill the field and go out whole.
  lan.device.settings().adminUser = "sixteen-chars-us";
  lan.device.settings().adminPassword = "sixteen-chars-pw";
  EXPECT_NE(lan.protocol.CheckAdminPassword("sixteen-chars-us", "sixteen-chars-pw"), 0);
  EXPECT_EQ(lan.net.sent().back().size(), 28u + 34u);
}

TEST(Requests, FetchSharesRefillsTheShareList) {
  OneDevice lan;
  lan.device.settings().shares = ":MEDIA::BACKUP:MEDIA:";
  ASSERT_EQ(lan.protocol.FetchShares(), 1);
  EXPECT_EQ(lan.net.sent()[0],
            wire::BuildShareQuery(lan.protocol.clientId(), lan.device.DeviceId().data()));
  ASSERT_EQ(lan.protocol.shareList().size(), 2u);
  EXPECT_STREQ(lan.protocol.shareList().front().name, "MEDIA");
  EXPECT_STREQ(lan.protocol.shareList().back().name, "BACKUP");

  // Nothing after offset 28: answered, no shares.
  lan.device.settings().shares = "";
  EXPECT_EQ(lan.protocol.FetchShares(), 1);
  EXPECT_EQ(lan.protocol.shareList().size(), 0u);

  // No answer: 0 and the list stays empty.
  lan.device.settings().shares.assign(1, 'X');
  lan.device.settings().queryAnswer.silent = true;
  EXPECT_EQ(lan.protocol.FetchShares(), 0);
  EXPECT_TRUE(lan.protocol.shareList().empty());
}

TEST(Requests, DhcpSetMovesTheRecordAndTheSelection) {
  OneDevice lan;
  ASSERT_EQ(lan.protocol.SetDeviceDhcp(), 1);
  EXPECT_EQ(lan.net.sent()[0].size(), 60u);
  const DeviceRecord* r = &lan.protocol.deviceList().front();
  EXPECT_STREQ(r->ip, "192.168.0.77");
  EXPECT_EQ(0, std::memcmp(r->deviceId, lan.device.DeviceId().data(), 10));
  EXPECT_STREQ(r->netmask, "255.255.255.0");
  EXPECT_STREQ(lan.protocol.selectedDeviceIp(), "192.168.0.77");

  // The next request reaches the device under its new identifier.
  EXPECT_EQ(lan.protocol.FetchShares(), 1);
  EXPECT_EQ(lan.protocol.shareList().size(), 2u);

  // Same address again: the record keeps it, still success.
  EXPECT_EQ(lan.protocol.SetDeviceDhcp(), 1);
  EXPECT_STREQ(lan.protocol.deviceList().front().ip, "192.168.0.77");
  EXPECT_EQ(lan.protocol.deviceList().size(), 1u);
}

TEST(Requests, StaticSetNeedsTheReplyFromTheNewAddress) {
  OneDevice lan;
  lan.protocol.SetNewAddress("10.20.30.40", "255.255.0.0", "10.20.0.1");

  // A set reply from the old address does not confirm the change.
  const std::uint8_t old[4] = {192, 168, 0, 20};
  lan.net.Deliver(lan.Reply(wire::kSetReply, old, 24), 1000);
  const std::uint8_t oldId[10] = {0xD0, 1, 2, 3, 4, 5, 192, 168, 0, 20};
  ASSERT_EQ(lan.protocol.SetDeviceStatic(), 1);
  EXPECT_EQ(lan.net.sent()[0], wire::BuildStaticSet(lan.protocol.clientId(), oldId, "255.255.0.0",
                                                    "10.20.0.1", "10.20.30.40"));
  const DeviceRecord* r = &lan.protocol.deviceList().front();
  EXPECT_STREQ(r->ip, "10.20.30.40");
  EXPECT_STREQ(r->netmask, "255.255.0.0");
  EXPECT_STREQ(r->gateway, "10.20.0.1");
  const std::uint8_t expectedId[10] = {0xD0, 1, 2, 3, 4, 5, 10, 20, 30, 40};
  EXPECT_EQ(0, std::memcmp(r->deviceId, expectedId, 10));
  EXPECT_STREQ(lan.protocol.selectedDeviceIp(), "10.20.30.40");

  // A device that never confirms: 0, record and selection unchanged.
  lan.device.settings().setAnswer.silent = true;
  lan.protocol.SetNewAddress("10.20.30.41", "255.255.0.0", "10.20.0.1");
  EXPECT_EQ(lan.protocol.SetDeviceStatic(), 0);
  EXPECT_STREQ(lan.protocol.deviceList().front().ip, "10.20.30.40");
  EXPECT_STREQ(lan.protocol.selectedDeviceIp(), "10.20.30.40");
}

}  // namespace
}  // namespace tessavue::testing
