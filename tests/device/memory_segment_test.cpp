// Simulated devices on the in-memory network, seen through the protocol.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device/demo_devices.h"
#include "device/memory_segment.h"
#include "platform/memory/memory_network.h"
#include "platform/memory/virtual_clock.h"
#include "protocol/protocol.h"

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
  ASSERT_EQ(protocol.DeviceList.count, 1003);
  std::set<std::string> names;
  for (const DeviceRecord* r = protocol.DeviceList.head; r; r = r->next) names.insert(r->name);
  EXPECT_EQ(names.size(), 1003u);
  EXPECT_TRUE(names.count("Tessavue-Media"));
  EXPECT_TRUE(names.count("Tessavue-1000"));

  // The demo device with its own password refuses the default one.
  CopyText(protocol.SelectedDeviceIp, 16, "192.168.0.31");
  CopyText(protocol.LoginUserName, 17, "qewro");
  CopyText(protocol.LoginPassword, 17, "qewro");
  EXPECT_EQ(protocol.CheckAdminPassword(), 0);
  CopyText(protocol.LoginPassword, 17, "tessavue");
  EXPECT_NE(protocol.CheckAdminPassword(), 0);
  EXPECT_EQ(protocol.FetchShares(), 1);
  EXPECT_EQ(protocol.ShareList.count, 3);
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
