// The search: what ends up in DeviceList, and how long it takes.
#include <gtest/gtest.h>

#include <string>

#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

TEST(Discovery, ListsEachDeviceOnceWithItsFields) {
  Lan lan;
  SimulatedDevice& a = lan.AddDevice();
  a.settings().name = "Attic NAS";
  a.settings().dhcp = true;
  SimulatedDevice& b = lan.AddDevice();
  b.settings().ip = Ipv4Address{{10, 0, 0, 250}};
  b.settings().serial[0] = 0xB0;
  b.settings().netmask = Ipv4Address{{255, 0, 0, 0}};
  b.settings().gateway = Ipv4Address{{10, 0, 0, 1}};
  b.settings().name = "";
  b.settings().searchAnswer.delayMicros = 1000;  // answers before the other each time

  lan.protocol.SearchDevices();

  // Three sends, each answered by both: still one record per device, in the
  // order of first replies.
  EXPECT_EQ(a.counters().searches, 3);
  ASSERT_EQ(lan.protocol.deviceList().size(), 2u);
  const DeviceRecord* first = &lan.protocol.deviceList()[0];
  const DeviceRecord* second = &lan.protocol.deviceList()[1];
  EXPECT_STREQ(first->ip, "10.0.0.250");
  EXPECT_STREQ(first->name, "");
  EXPECT_STREQ(first->netmask, "255.0.0.0");
  EXPECT_STREQ(first->gateway, "10.0.0.1");
  EXPECT_STREQ(first->dhcpFlag, "0");
  EXPECT_EQ(0, std::memcmp(first->deviceId, b.DeviceId().data(), 10));
  EXPECT_STREQ(second->ip, "192.168.0.20");
  EXPECT_STREQ(second->name, "Attic NAS");
  EXPECT_STREQ(second->dhcpFlag, "1");
}

TEST(Discovery, SendsThreeRequestsAndEndsByTime) {
  Lan lan;
  std::vector<std::int64_t> sendTimes;
  lan.net.AddGroupListener(
      [&](const std::uint8_t*, std::size_t) { sendTimes.push_back(lan.clock.NowMicros()); });
  const std::int64_t start = lan.clock.NowMicros();
  lan.protocol.SearchDevices();
  const std::int64_t elapsed = lan.clock.NowMicros() - start;

  ASSERT_EQ(lan.net.sent().size(), 3u);
  const wire::Bytes expected = wire::BuildSearchRequest(lan.protocol.clientId());
  for (const auto& d : lan.net.sent()) EXPECT_EQ(d, expected);
  EXPECT_EQ(sendTimes, (std::vector<std::int64_t>{start, start + 80000, start + 160000}));
  // 0.26 s of sends and gaps, then 0.94 s of collection; never more than
  // 0.1 s beyond.
  EXPECT_GE(elapsed, 1200000);
  EXPECT_LE(elapsed, 1300000);
}

TEST(Discovery, SameAddressFromTwoDevicesKeepsTheFirstReply) {
  Lan lan;
  DeviceSettings& early = lan.AddDevice().settings();
  early.name = "early";
  early.searchAnswer.delayMicros = 30000;
  DeviceSettings& late = lan.AddDevice().settings();  // same address, other identity
  late.name = "late";
  late.serial[0] = 0xEE;
  late.searchAnswer.delayMicros = 1000;

  lan.protocol.SearchDevices();

  ASSERT_EQ(lan.protocol.deviceList().size(), 1u);
  // "late" answers the first send 1 ms after it, "early" 30 ms after it.
  EXPECT_STREQ(lan.protocol.deviceList().front().name, "late");
  EXPECT_EQ(lan.protocol.deviceList().front().deviceId[0], 0xEE);
}

TEST(Discovery, RepliesOutsideTheWindowOrForOthersAreNotListed) {
  Lan lan;
  DeviceSettings& slow = lan.AddDevice().settings();
  slow.searchAnswer.delayMicros = 1300000;  // after the window, even for the first send
  DeviceSettings& edge = lan.AddDevice().settings();
  edge.ip = Ipv4Address{{192, 168, 0, 21}};
  edge.searchAnswer.delayMicros = 1000000;  // lands at 1.0 s, inside the window: listed

  // Another workstation's reply and a reply with another opcode.
  const std::uint8_t other[4] = {192, 168, 0, 30};
  wire::Bytes foreign = lan.Reply(wire::kSearchReply, other, 60);
  foreign[1] ^= 0xFF;
  lan.net.Deliver(foreign, 1000);
  lan.net.Deliver(lan.Reply(wire::kQueryReply, other, 60), 2000);

  lan.protocol.SearchDevices();
  ASSERT_EQ(lan.protocol.deviceList().size(), 1u);
  EXPECT_STREQ(lan.protocol.deviceList().front().ip, "192.168.0.21");

  // The slow device's replies arrive later and must not pass for answers to
  // the share query that follows.
  lan.Select("192.168.0.21");
  edge.queryAnswer.silent = true;
  EXPECT_EQ(lan.protocol.FetchShares(), 0);
  EXPECT_EQ(lan.protocol.shareList().size(), 0u);
}

TEST(Discovery, EmptySearchClearsEarlierResultsAndLeavesShares) {
  Lan lan;
  DeviceSettings& d = lan.AddDevice().settings();
  lan.protocol.SearchDevices();
  ASSERT_EQ(lan.protocol.deviceList().size(), 1u);
  lan.Select("192.168.0.20");
  ASSERT_EQ(lan.protocol.FetchShares(), 1);

  d.searchAnswer.silent = true;
  lan.protocol.SearchDevices();
  EXPECT_EQ(lan.protocol.deviceList().size(), 0u);
  EXPECT_TRUE(lan.protocol.deviceList().empty());
  EXPECT_EQ(lan.protocol.shareList().size(), 2u);
}

TEST(Discovery, ThousandDevicesAnsweringEveryCopyAreAllListed) {
  Lan lan;
  constexpr int kDevices = 1000;
  // Each device answers every copy, spread over 0 to 50 ms after the send.
  lan.net.AddGroupListener([&](const std::uint8_t* data, std::size_t length) {
    wire::RequestHeader h = wire::ParseRequestHeader(wire::WireView(data, length));
    if (h.opcode != wire::kSearchRequest) return;
    for (int i = 0; i < kDevices; ++i) {
      std::uint8_t id[10] = {0,
                             0,
                             0,
                             0,
                             static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i),
                             10,
                             1,
                             static_cast<std::uint8_t>(i >> 8),
                             static_cast<std::uint8_t>(i)};
      lan.net.Deliver(wire::BuildSearchReply(h.clientId, id, '1', "255.255.0.0", "10.1.0.1",
                                             "dev" + std::to_string(i)),
                      (i * 50) % 50000);
    }
  });
  lan.protocol.SearchDevices();

  ASSERT_EQ(static_cast<int>(lan.protocol.deviceList().size()), kDevices);
  int i = 0;
  for (const DeviceRecord& r : lan.protocol.deviceList()) {
    std::uint8_t a[4] = {10, 1, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
    ASSERT_EQ(r.ip, DottedText(a));
    ASSERT_EQ(std::string(r.name), "dev" + std::to_string(i));
    ++i;
  }
  EXPECT_EQ(i, kDevices);
  EXPECT_EQ(lan.net.pending(), 0u);
}

TEST(Discovery, RepliesAreReadWhileTheRequestsAreStillGoingOut) {
  Lan lan;
  // A receive buffer of 100 datagrams, and 1000 devices answering each send
  // within 50 ms: only a search that reads during the gaps between its
  // sends can list them all.
  lan.net.SetReceiveBufferLimit(100);
  lan.net.AddGroupListener([&](const std::uint8_t* data, std::size_t length) {
    wire::RequestHeader h = wire::ParseRequestHeader(wire::WireView(data, length));
    for (int i = 0; i < 1000; ++i) {
      std::uint8_t id[10] = {
          0, 0, 0, 0, 0, 0, 10, 2, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
      lan.net.Deliver(wire::BuildSearchReply(h.clientId, id, '0', "", "", "d"), i * 50);
    }
  });
  lan.protocol.SearchDevices();
  EXPECT_EQ(lan.protocol.deviceList().size(), 1000u);
  EXPECT_EQ(lan.net.dropped(), 0u);
}

TEST(Discovery, FloodOfJunkDoesNotHoldTheSearchOpen) {
  Lan lan;
  DeviceSettings& d = lan.AddDevice().settings();
  d.searchAnswer.delayMicros = 600000;
  const std::uint8_t a[4] = {1, 2, 3, 4};
  // 50,000 stray datagrams, one every 30 microseconds, for 1.5 s.
  for (int i = 0; i < 50000; ++i) lan.net.Deliver(lan.Reply(wire::kSetReply, a), i * 30);
  lan.net.FailNextReceives(1000);
  const std::int64_t start = lan.clock.NowMicros();
  lan.protocol.SearchDevices();
  EXPECT_LE(lan.clock.NowMicros() - start, 1300000);
  EXPECT_EQ(lan.protocol.deviceList().size(), 1u);
}

}  // namespace
}  // namespace tessavue::testing
