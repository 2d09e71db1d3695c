// Simulated devices on the in-memory network, seen through the protocol.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "demo_devices.h"
#include "memory_segment.h"
#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"

namespace tessavue {
namespace {

Ipv4Address A(int a, int b, int c, int d) {
  return Ipv4Address{{std::uint8_t(a), std::uint8_t(b), std::uint8_t(c), std::uint8_t(d)}};
}

TEST(SimulatedSegment, RepliesArriveAfterEachDevicesDelayAndOnlyForThisWorkstation) {
  VirtualClock clock;
  MemoryNetwork network(clock);
  SimulatedSegment segment(network);
  DeviceSettings slow;
  slow.ip = A(192, 168, 0, 20);
  slow.replyDelayMicros = 500'000;
  segment.AddDevice(slow);
  ASSERT_TRUE(network.Startup());
  ASSERT_TRUE(network.Open(A(192, 168, 0, 100)));

  std::uint8_t search[11] = {1, 9, 9, 9, 9, 9, 9, 192, 168, 0, 100};
  network.SendToGroup(search, sizeof search);
  EXPECT_FALSE(network.WaitReadable(499'000));
  EXPECT_TRUE(network.WaitReadable(2'000));
  std::uint8_t buffer[4096];
  EXPECT_EQ(network.Receive(buffer, sizeof buffer), 60);

  // A request naming another workstation is answered to it, not to us.
  search[10] = 101;
  network.SendToGroup(search, sizeof search);
  EXPECT_FALSE(network.WaitReadable(1'000'000));
  EXPECT_EQ(segment.repliesToOthers(), 1);
}

// Replies to the group and broadcasts on the workstation's subnet reach it
// whoever asked; the client identifier is what keeps another workstation's
// answers out.
TEST(SimulatedSegment, GroupAndBroadcastRepliesReachEveryWorkstationAndOnlyOursCount) {
  VirtualClock clock;
  MemoryNetwork network(clock);
  SimulatedSegment segment(network);
  const ReplyMode modes[] = {ReplyMode::kUnicast, ReplyMode::kGroup, ReplyMode::kBroadcast,
                             ReplyMode::kBroadcast};
  for (int i = 0; i < 4; ++i) {
    DeviceSettings s;
    s.name = std::string("Box-") + ReplyModeName(modes[i]);
    // The last one broadcasts on the next subnet, which the workstation is not on.
    s.ip = i < 3 ? A(192, 168, 0, 20 + i) : A(192, 168, 1, 23);
    s.netmask = A(255, 255, 255, 0);
    s.shares = "public";
    s.serial = {0, 0, 0, 0, 0, std::uint8_t(i + 1)};
    s.reply = modes[i];
    segment.AddDevice(s);
  }
  DeviceProtocol protocol(network, clock);
  ASSERT_TRUE(protocol.InitTransport());
  protocol.SearchDevices();
  std::set<std::string> names;
  for (const DeviceRecord& r : protocol.deviceList()) names.insert(r.name);
  EXPECT_EQ(names, (std::set<std::string>{"Box-unicast", "Box-group", "Box-broadcast"}));

  // Another workstation (192.168.0.101) asks each device on our subnet for its
  // shares: the group and broadcast answers arrive here too.
  const std::size_t before = network.pending();
  const int othersBefore = segment.repliesToOthers();
  for (int i = 0; i < 3; ++i) {
    std::uint8_t query[28] = {3, 7, 7, 7, 7, 7, 7, 192, 168, 0, 101};
    const auto id = segment.device(i).DeviceId();
    std::memcpy(query + 11, id.data(), 10);
    query[21] = 3;
    segment.HearFromAnotherWorkstation(query, sizeof query);
  }
  EXPECT_EQ(network.pending(), before + 2);
  EXPECT_EQ(segment.repliesToOthers(), othersBefore + 1);

  // The group device's answer to that query waits in our socket; silenced, it
  // does not answer ours, and the stranger's answer must not pass for it.
  segment.SetSilent(1, true);
  protocol.SelectDevice("192.168.0.21");
  EXPECT_EQ(protocol.FetchShares(), 0);
  EXPECT_EQ(protocol.shareList().size(), 0u);
  segment.SetSilent(1, false);
  EXPECT_EQ(protocol.FetchShares(), 1);
  EXPECT_EQ(protocol.shareList().size(), 1u);
  protocol.ShutdownTransport();
}

TEST(SimulatedSegment, ProtocolFindsDemoDevicesAndAThousandGenerated) {
  VirtualClock clock;
  MemoryNetwork network(clock);
  SimulatedSegment segment(network);
  for (auto& s : DemoDevices(A(192, 168, 0, 100))) segment.AddDevice(s);
  segment.AddGeneratedDevices(1000, A(10, 213, 0, 1), A(255, 255, 0, 0), A(10, 213, 0, 254));
  DeviceProtocol protocol(network, clock);
  ASSERT_TRUE(protocol.InitTransport());
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  EXPECT_LT(clock.NowMicros() - start, 1'400'000);
  ASSERT_EQ(protocol.deviceList().size(), 1003u);
  std::set<std::string> names;
  for (const DeviceRecord& r : protocol.deviceList()) names.insert(r.name);
  EXPECT_EQ(names.size(), 1003u);
  EXPECT_TRUE(names.count("Tessavue-Media"));
  EXPECT_TRUE(names.count("Tessavue-1000"));

  // The demo device with its own password refuses the default one.
  protocol.SelectDevice("192.168.0.31");
  EXPECT_EQ(protocol.CheckAdminPassword("qewro", "qewro"), 0);
  EXPECT_NE(protocol.CheckAdminPassword("qewro", "tessavue"), 0);
  EXPECT_EQ(protocol.FetchShares(), 1);
  EXPECT_EQ(protocol.shareList().size(), 3u);
  protocol.ShutdownTransport();
}

TEST(SimulatedSegment, OutlivedByTheNetwork) {
  VirtualClock clock;
  MemoryNetwork network(clock);
  {
    SimulatedSegment segment(network);
    DeviceSettings s;
    s.ip = A(192, 168, 0, 20);
    segment.AddDevice(s);
  }
  ASSERT_TRUE(network.Startup());
  ASSERT_TRUE(network.Open(A(192, 168, 0, 100)));
  std::uint8_t search[11] = {1, 0, 0, 0, 0, 0, 0, 192, 168, 0, 100};
  network.SendToGroup(search, sizeof search);
  EXPECT_FALSE(network.WaitReadable(100'000));
}

}  // namespace
}  // namespace tessavue
