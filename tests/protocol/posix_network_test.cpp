// The Linux sockets over loopback only: a datagram sent to the receive
// socket's own address comes back whole, one over 4096 bytes is an error.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_network.h"

namespace tessavue {
namespace {

const Ipv4Address kLoopback{{127, 0, 0, 1}};

// A network bound to a free loopback port whose requests go to itself.
struct LoopbackNetwork {
  PosixNetwork net;
  LoopbackNetwork() : net(Options()) {
    EXPECT_TRUE(net.Open(kLoopback));
    EXPECT_NE(net.boundPort(), 0);
  }
  static PosixNetworkOptions Options() {
    PosixNetworkOptions o;
    o.localAddress = kLoopback;
    o.receivePort = 0;
    o.destination = kLoopback;
    o.destinationPort = 0;  // set once the port is known
    return o;
  }
  void SendToSelf(const std::vector<std::uint8_t>& datagram) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(net.boundPort());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sendto(fd, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(datagram.size()));
    close(fd);
  }
};

TEST(PosixNetwork, LoopbackRoundTripAndSizeLimit) {
  LoopbackNetwork lo;
  std::uint8_t buffer[kMaxDatagram + 1];
  PosixClock clock;

  // Nothing queued: the wait lasts about its time-out.
  std::int64_t start = clock.NowMicros();
  EXPECT_FALSE(lo.net.WaitReadable(20000));
  EXPECT_GE(clock.NowMicros() - start, 19000);

  std::vector<std::uint8_t> exact(kMaxDatagram, 0x5A);
  exact[0] = 2;
  lo.SendToSelf(exact);
  lo.SendToSelf(std::vector<std::uint8_t>(kMaxDatagram + 1, 0x33));
  lo.SendToSelf({4, 1, 2});

  ASSERT_TRUE(lo.net.WaitReadable(1000000));
  ASSERT_EQ(lo.net.Receive(buffer, kMaxDatagram), static_cast<int>(kMaxDatagram));
  EXPECT_EQ(std::vector<std::uint8_t>(buffer, buffer + kMaxDatagram), exact);
  // 4097 bytes: an error, and the datagram is gone.
  ASSERT_TRUE(lo.net.WaitReadable(1000000));
  EXPECT_EQ(lo.net.Receive(buffer, kMaxDatagram), -1);
  ASSERT_TRUE(lo.net.WaitReadable(1000000));
  ASSERT_EQ(lo.net.Receive(buffer, kMaxDatagram), 3);
  EXPECT_EQ(buffer[0], 4);
  // Empty now: a receive does not block.
  EXPECT_EQ(lo.net.Receive(buffer, kMaxDatagram), -1);

  // Closed: no waiting on a socket, no receiving; closing twice is harmless.
  lo.net.Close();
  lo.net.Close();
  EXPECT_FALSE(lo.net.WaitReadable(1000));
  EXPECT_EQ(lo.net.Receive(buffer, kMaxDatagram), -1);
}

TEST(PosixNetwork, SendsThroughTheSendSocketToTheDestination) {
  PosixNetworkOptions o = LoopbackNetwork::Options();
  // First find a free port by opening once, then aim the sends at it.
  PosixNetwork probe(o);
  ASSERT_TRUE(probe.Open(kLoopback));
  o.destinationPort = probe.boundPort();
  o.receivePort = probe.boundPort();
  probe.Close();
  PosixNetwork net(o);
  ASSERT_TRUE(net.Open(kLoopback));
  EXPECT_GT(net.grantedReceiveBuffer(), 0);

  const std::uint8_t request[11] = {1, 9, 9, 9, 9, 9, 9, 127, 0, 0, 1};
  net.SendToGroup(request, sizeof request);
  std::uint8_t buffer[kMaxDatagram + 1];
  ASSERT_TRUE(net.WaitReadable(1000000));
  ASSERT_EQ(net.Receive(buffer, kMaxDatagram), 11);
  EXPECT_EQ(0, std::memcmp(buffer, request, 11));
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
