// The Linux sockets over loopback only: the receive socket is bound to a free
// port on 127.0.0.1 and the "group" is that same address and port.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_network.h"

namespace tessavue {
namespace {

const Ipv4Address kLoopback{{127, 0, 0, 1}};

TEST(PosixNetwork, LoopbackRoundTripAndSizeLimit) {
  PosixNetworkOptions o;
  o.localAddress = kLoopback;
  o.destination = kLoopback;
  o.receivePort = 0;
  PosixNetwork probe(o);  // finds a free port
  ASSERT_TRUE(probe.Open(kLoopback));
  o.receivePort = o.destinationPort = probe.boundPort();
  probe.Close();
  PosixNetwork net(o);
  ASSERT_TRUE(net.Open(kLoopback));
  EXPECT_GT(net.grantedReceiveBuffer(), 0);
  std::uint8_t buffer[kMaxDatagram + 1];
  PosixClock clock;

  // Nothing queued: the wait lasts about its time-out.
  std::int64_t start = clock.NowMicros();
  EXPECT_FALSE(net.WaitReadable(20000));
  EXPECT_GE(clock.NowMicros() - start, 19000);

  std::vector<std::uint8_t> exact(kMaxDatagram, 0x5A);
  net.SendToGroup(exact.data(), exact.size());
  std::vector<std::uint8_t> over(kMaxDatagram + 1, 0x33);
  net.SendToGroup(over.data(), over.size());
  const std::uint8_t small[3] = {4, 1, 2};
  net.SendToGroup(small, sizeof small);

  ASSERT_TRUE(net.WaitReadable(1000000));
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), static_cast<int>(kMaxDatagram));
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + kMaxDatagram), exact);
  // 4097 bytes: an error, not a cut-down datagram, and it is gone.
  ASSERT_TRUE(net.WaitReadable(1000000));
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);
  ASSERT_TRUE(net.WaitReadable(1000000));
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 3);
  EXPECT_EQ(0, std::memcmp(buffer, small, 3));
  // Empty now: a receive does not block.
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);

  // Closed: no waiting on a socket, no receiving; closing twice is harmless.
  net.Close();
  net.Close();
  EXPECT_FALSE(net.WaitReadable(1000));
  EXPECT_EQ(net.Receive(buffer, kMaxDatagram), -1);
}

TEST(PosixNetwork, NamedAddressAndRandomBytes) {
  PosixNetwork net;
  net.SetLocalAddress(Ipv4Address{{10, 9, 8, 7}});
  Ipv4Address a;
  ASSERT_TRUE(net.LocalAddress(a));
  EXPECT_EQ(a, (Ipv4Address{{10, 9, 8, 7}}));

  // Two draws of 32 bytes from the system's source do not repeat.
  std::uint8_t x[32] = {}, y[32] = {};
  net.FillRandom(x, sizeof x);
  net.FillRandom(y, sizeof y);
  EXPECT_NE(0, std::memcmp(x, y, sizeof x));
}

}  // namespace
}  // namespace tessavue
