// Start and end of the transport, ClientId, and the list invariants.
#include <gtest/gtest.h>

#include "protocol_test_access.h"
#include "simulated_lan.h"

namespace tessavue::testing {
namespace {

TEST(Transport, InitMakesClientIdAndLocalIpFromTheLocalAddress) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  net.SetLocalAddress(Ipv4Address{{172, 16, 5, 9}});
  DeviceProtocol protocol(net, clock);
  EXPECT_FALSE(protocol.TransportStarted());
  ASSERT_TRUE(protocol.InitTransport());
  EXPECT_STREQ(protocol.localIp(), "172.16.5.9");
  EXPECT_EQ(protocol.clientId()[6], 172);
  EXPECT_EQ(protocol.clientId()[9], 9);
  EXPECT_TRUE(net.IsOpen());
  EXPECT_EQ(net.boundAddress(), (Ipv4Address{{172, 16, 5, 9}}));

  // The six leading bytes come from the network's random source.
  VirtualClock clock2;
  MemoryNetwork net2(clock2);
  net2.SetRandomSeed(99);
  net2.SetLocalAddress(Ipv4Address{{172, 16, 5, 9}});
  DeviceProtocol other(net2, clock2);
  other.InitTransport();
  EXPECT_NE(0, std::memcmp(protocol.clientId(), other.clientId(), 6));
}

TEST(Transport, StartupFailureAndMissingAddress) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  net.SetStartupFails(true);
  {
    DeviceProtocol protocol(net, clock);
    EXPECT_FALSE(protocol.InitTransport());
    EXPECT_FALSE(protocol.TransportStarted());
    EXPECT_FALSE(net.IsOpen());
    protocol.ShutdownTransport();
  }
  // Nothing was started, so nothing is released.
  EXPECT_EQ(net.cleanups(), 0);

  net.SetStartupFails(false);
  net.SetNoLocalAddress(true);
  DeviceProtocol protocol(net, clock);
  ASSERT_TRUE(protocol.InitTransport());
  EXPECT_STREQ(protocol.localIp(), "0.0.0.0");
  EXPECT_TRUE(net.IsOpen());
}

TEST(Transport, ShutdownIsSafeBeforeInitAndTwice) {
  VirtualClock clock;
  MemoryNetwork net(clock);
  DeviceProtocol protocol(net, clock);
  protocol.ShutdownTransport();
  EXPECT_EQ(net.cleanups(), 0);
  ASSERT_TRUE(protocol.InitTransport());
  protocol.ShutdownTransport();
  protocol.ShutdownTransport();
  EXPECT_FALSE(net.IsOpen());
  EXPECT_EQ(net.cleanups(), 1);

  // Closed: nothing goes out and nothing comes in; requests simply fail.
  std::uint8_t probe[1] = {1};
  protocol.SendRequest(probe, 1);
  EXPECT_TRUE(net.sent().empty());
  AppendDevice(ProtocolTestAccess::DeviceList(protocol), "n", "1.2.3.4", "", "", "1",
               protocol.clientId());
  protocol.SelectDevice("1.2.3.4");
  EXPECT_EQ(protocol.CheckAdminPassword("", ""), 0);

  // And it starts again.
  ASSERT_TRUE(protocol.InitTransport());
  EXPECT_TRUE(net.IsOpen());
  EXPECT_EQ(net.startups(), 2);
}

TEST(MemoryNetwork, TimeAndDeliveryRules) {
  VirtualClock clock(500);
  MemoryNetwork net(clock);
  std::uint8_t buffer[kMaxDatagram + 1];
  // Closed: deliveries are dropped, waits pass the whole time-out.
  net.Deliver({1}, 0);
  EXPECT_FALSE(net.WaitReadable(300));
  EXPECT_EQ(clock.NowMicros(), 800);
  ASSERT_TRUE(net.Open(Ipv4Address{}));
  EXPECT_EQ(net.pending(), 0u);

  // A wait ends at the next delivery, in order of time, then of delivery.
  net.Deliver({2}, 1000);
  net.Deliver({3}, 200);
  net.Deliver({4}, 200);
  EXPECT_TRUE(net.WaitReadable(5000));
  EXPECT_EQ(clock.NowMicros(), 1000);
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 1);
  EXPECT_EQ(buffer[0], 3);
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 1);
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);  // not due yet
  EXPECT_FALSE(net.WaitReadable(100));
  EXPECT_EQ(clock.NowMicros(), 1100);
  EXPECT_TRUE(net.WaitReadable(1000));
  EXPECT_EQ(clock.NowMicros(), 1800);

  // Too long for the buffer: an error, and the datagram is gone.
  net.Deliver(std::vector<std::uint8_t>(kMaxDatagram + 1, 7), 0);
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 1);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);
  EXPECT_EQ(net.pending(), 0u);

  // A full receive buffer drops what arrives, as a socket would.
  net.SetReceiveBufferLimit(2);
  for (std::uint8_t i = 0; i < 5; ++i) net.Deliver({i}, i);
  clock.Advance(10);
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 1);
  EXPECT_EQ(buffer[0], 0);
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 1);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);
  EXPECT_EQ(net.dropped(), 3u);
}

TEST(Lists, AppendClearAndLookups) {
  DeviceListType devices;
  const std::uint8_t id[10] = {};
  EXPECT_TRUE(devices.IsEmpty());
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1.1"));
  // Over-long fields are cut and stay terminated.
  std::string longName(400, 'n');
  AppendDevice(devices, longName.c_str(), "1.1.1.1", "255.255.255.255x", "", "1", id);
  AppendDevice(devices, "b", "1.1.1.2", "", "", "", id);
  EXPECT_EQ(devices.count, 2);
  EXPECT_EQ(std::strlen(devices.head->name), 255u);
  EXPECT_STREQ(devices.head->netmask, "255.255.255.255");
  EXPECT_TRUE(ContainsAddress(devices, "1.1.1.2"));
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1.22"));
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1."));
  EXPECT_EQ(FindByAddress(devices, "1.1.1.2"), devices.tail);
  devices.Clear();
  EXPECT_EQ(devices.count, 0);
  EXPECT_EQ(devices.head, nullptr);
  EXPECT_EQ(devices.tail, nullptr);

  ShareListType shares;
  AppendShare(shares, "Media");
  EXPECT_TRUE(ContainsName(shares, "Media"));
  EXPECT_FALSE(ContainsName(shares, "media"));
  AppendShare(shares, std::string(80, 's').c_str());
  EXPECT_EQ(std::strlen(shares.tail->name), 63u);
  EXPECT_EQ(shares.head->next, shares.tail);
}

TEST(DottedText, FormatAndStrictParse) {
  const std::uint8_t a[4] = {255, 0, 10, 1};
  char text[16];
  FormatDotted(a, text);
  std::uint8_t b[4];
  ASSERT_TRUE(ParseDotted(text, b));
  EXPECT_EQ(0, std::memcmp(a, b, 4));
  for (const char* bad : {"", "1.2.3", "1.2.3.4.", "256.1.1.1", "1..2.3", "1.2.3.4x", "1234.1.1.1"})
    EXPECT_FALSE(ParseDotted(bad, b)) << bad;
}

}  // namespace
}  // namespace tessavue::testing
