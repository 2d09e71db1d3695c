// Start and end of the transport, ClientId, and the list invariants.
#include <gtest/gtest.h>

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
  {
    VirtualClock clock;
    MemoryNetwork net(clock);
    DeviceProtocol protocol(net, clock);
    protocol.ShutdownTransport();
    EXPECT_EQ(net.cleanups(), 0);
  }
  // A device listed by a search, then the transport closed twice.
  Lan lan;
  lan.AddDevice();
  lan.protocol.SearchDevices();
  ASSERT_EQ(lan.protocol.deviceList().size(), 1u);
  lan.protocol.ShutdownTransport();
  lan.protocol.ShutdownTransport();
  EXPECT_FALSE(lan.net.IsOpen());
  EXPECT_EQ(lan.net.cleanups(), 1);

  // Closed: nothing goes out and nothing comes in; requests to the listed
  // device simply fail.
  lan.net.ClearSent();
  std::uint8_t probe[1] = {1};
  lan.protocol.SendRequest(probe, 1);
  lan.Select("192.168.0.20");
  EXPECT_EQ(lan.protocol.CheckAdminPassword(kDefaultAdministrator, kDefaultAdministrator), 0);
  EXPECT_EQ(lan.protocol.FetchShares(), 0);
  EXPECT_TRUE(lan.net.sent().empty());

  // And it starts again: the same device answers.
  ASSERT_TRUE(lan.protocol.InitTransport());
  EXPECT_TRUE(lan.net.IsOpen());
  EXPECT_EQ(lan.net.startups(), 2);
  EXPECT_NE(lan.protocol.CheckAdminPassword(kDefaultAdministrator, kDefaultAdministrator), 0);
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

TEST(Lists, AppendLookupsAndRecordsThatStayPut) {
  DeviceListType devices;
  const std::uint8_t id[10] = {};
  EXPECT_TRUE(devices.empty());
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1.1"));
  // Over-long fields are cut and stay terminated.
  std::string longName(400, 'n');
  AppendDevice(devices, longName.c_str(), "1.1.1.1", "255.255.255.255x", "", "1", id);
  AppendDevice(devices, "b", "1.1.1.2", "", "", "", id);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(std::strlen(devices.front().name), 255u);
  EXPECT_STREQ(devices.front().netmask, "255.255.255.255");
  EXPECT_TRUE(ContainsAddress(devices, "1.1.1.2"));
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1.22"));
  EXPECT_FALSE(ContainsAddress(devices, "1.1.1."));
  EXPECT_EQ(FindByAddress(devices, "1.1.1.2"), &devices.back());
  // A record stays where it is while later ones join.
  const DeviceRecord* first = &devices.front();
  for (int i = 0; i < 1000; ++i) AppendDevice(devices, "more", "1.1.2.1", "", "", "", id);
  EXPECT_EQ(FindByAddress(devices, "1.1.1.1"), first);

  ShareListType shares;
  AppendShare(shares, "Media");
  EXPECT_TRUE(ContainsName(shares, "Media"));
  EXPECT_FALSE(ContainsName(shares, "media"));
  AppendShare(shares, std::string(80, 's').c_str());
  ASSERT_EQ(shares.size(), 2u);
  EXPECT_EQ(std::strlen(shares.back().name), 63u);
}

TEST(DottedText, FormatAndStrictParse) {
  const std::uint8_t a[4] = {255, 0, 10, 1};
  char text[16];
  FormatDotted(a, text);
  EXPECT_STREQ(text, "255.0.10.1");
  EXPECT_EQ(DottedText(a), "255.0.10.1");
  EXPECT_EQ(DottedText(Ipv4Address{{0, 0, 0, 0}}), "0.0.0.0");
  std::uint8_t b[4];
  ASSERT_TRUE(ParseDotted(text, b));
  EXPECT_EQ(0, std::memcmp(a, b, 4));

  Ipv4Address parsed;
  EXPECT_TRUE(ParseAddress("255.255.255.255", parsed));
  EXPECT_EQ(parsed, (Ipv4Address{{255, 255, 255, 255}}));
  EXPECT_TRUE(ParseAddress("010.1.1.1", parsed));
  EXPECT_EQ(parsed, (Ipv4Address{{10, 1, 1, 1}}));
  for (const char* bad :
       {"", "1.2.3", "1.2.3.4.", "1.2.3.4.5", "256.1.1.1", "1..2.3", "1.2.3.4x", "1234.1.1.1",
        " 1.2.3.4", "1.2.3.4 ", "1.2.3.0004", "a.b.c.d", "1.2.3.-4", "1.2.3.4\n"}) {
    EXPECT_FALSE(ParseDotted(bad, b)) << bad;
    EXPECT_FALSE(ParseAddress(bad, parsed)) << bad;
  }
  // What follows a NUL is never ignored; a failed parse leaves the address.
  EXPECT_FALSE(ParseAddress(std::string("1.2.3.4\0junk", 12), parsed));
  EXPECT_EQ(parsed, (Ipv4Address{{10, 1, 1, 1}}));
}

TEST(DottedText, SameSubnetUnderAnyMask) {
  const std::uint8_t ws[4] = {192, 168, 0, 100};
  const std::uint8_t near[4] = {192, 168, 0, 7};
  const std::uint8_t far[4] = {192, 168, 1, 7};
  const std::uint8_t mask24[4] = {255, 255, 255, 0};
  const std::uint8_t mask23[4] = {255, 255, 254, 0};
  const std::uint8_t none[4] = {0, 0, 0, 0};
  const std::uint8_t all[4] = {255, 255, 255, 255};
  EXPECT_TRUE(SameSubnet(ws, near, mask24));
  EXPECT_FALSE(SameSubnet(ws, far, mask24));
  EXPECT_TRUE(SameSubnet(ws, far, mask23));
  EXPECT_TRUE(SameSubnet(ws, far, none));
  EXPECT_FALSE(SameSubnet(ws, near, all));
  EXPECT_TRUE(SameSubnet(ws, ws, all));
}

TEST(PercentText, EncodesEveryByteButTheUnreservedAndDecodesBack) {
  std::string every;
  for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
  const std::string encoded = PercentEncode(every);
  EXPECT_EQ(encoded.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%"),
            std::string::npos);
  EXPECT_EQ(PercentEncode("a b@c;d:e/f\xe9"), "a%20b%40c%3Bd%3Ae%2Ff%E9");
  std::string decoded;
  ASSERT_TRUE(PercentDecode(encoded, decoded));
  EXPECT_EQ(decoded, every);
  ASSERT_TRUE(PercentDecode("%2c%2C%00", decoded));
  EXPECT_EQ(decoded, std::string(",,\0", 3));

  // A '%' that starts no escape: refused, or kept as it is.
  for (const char* broken : {"%", "x%2", "%zz", "%g0", "a%%41"}) {
    EXPECT_FALSE(PercentDecode(broken, decoded)) << broken;
  }
  ASSERT_TRUE(PercentDecode("x%2", decoded, BrokenEscape::kKeep));
  EXPECT_EQ(decoded, "x%2");
  ASSERT_TRUE(PercentDecode("a%%41%zz", decoded, BrokenEscape::kKeep));
  EXPECT_EQ(decoded, "a%A%zz");
}

}  // namespace
}  // namespace tessavue::testing
