// The Linux sockets over loopback only: the receive socket is bound to a free
// port, and the "group" is a socket on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "network_contract.h"
#include "posix_clock.h"
#include "posix_network.h"

namespace tessavue {
namespace {

const Ipv4Address kLoopback{{127, 0, 0, 1}};

// Sends one datagram to `to`:`port` from the socket `fd`.
void SendFrom(int fd, const Ipv4Address& to, std::uint16_t port, const std::uint8_t* data,
              std::size_t length) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  std::memcpy(&address.sin_addr, to.octet, 4);
  EXPECT_EQ(sendto(fd, data, length, 0, reinterpret_cast<sockaddr*>(&address), sizeof address),
            static_cast<ssize_t>(length));
}

// A plain socket that sends one datagram to `to`:`port`.
void SendFrom(const Ipv4Address& to, std::uint16_t port, const std::uint8_t* data,
              std::size_t length) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  SendFrom(fd, to, port, data, length);
  close(fd);
}

// The device's socket on 127.0.0.1.
class PosixDevice {
 public:
  PosixDevice() {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~PosixDevice() { close(fd_); }
  PosixDevice(const PosixDevice&) = delete;
  PosixDevice& operator=(const PosixDevice&) = delete;
  std::uint16_t port() const { return port_; }
  void SendTo(std::uint16_t port, const std::vector<std::uint8_t>& datagram) {
    SendFrom(fd_, kLoopback, port, datagram.data(), datagram.size());
  }
  std::vector<std::vector<std::uint8_t>> ReadFor(int millis) {
    std::vector<std::vector<std::uint8_t>> heard;
    std::uint8_t buffer[kMaxDatagram];
    pollfd p{fd_, POLLIN, 0};
    while (poll(&p, 1, millis) > 0) {
      ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n >= 0) heard.emplace_back(buffer, buffer + n);
    }
    return heard;
  }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

struct PosixHarness
    : contract::LoopbackHarness<PosixNetwork, PosixNetworkOptions, PosixDevice, PosixClock> {};
using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(PosixNetwork, DatagramNetworkContract, PosixHarness);

TEST(PosixNetwork, AsksForALargeReceiveBuffer) {
  PosixNetworkOptions o;
  o.receivePort = 0;
  PosixNetwork net(o);
  ASSERT_TRUE(net.Open(kLoopback));
  // What the system granted, read back: never more than it allows, but some.
  EXPECT_GT(net.grantedReceiveBuffer(), 0);
}

// The receive socket takes the port on every address but keeps only what
// arrives on the workstation's interface. Without root and without a second
// network: the workstation is this host's own non-loopback address (the
// system names that address's interface for what is sent to it from here),
// and loopback plays "another interface".
TEST(PosixNetwork, KeepsOnlyWhatReachesTheWorkstationsInterface) {
  PosixNetwork finder;
  Ipv4Address own;
  if (!finder.LocalAddress(own) || own.octet[0] == 127)
    GTEST_SKIP() << "this host has no non-loopback IPv4 address";
  PosixNetworkOptions o;
  o.localAddress = own;
  o.receivePort = 0;
  PosixNetwork net(o);
  ASSERT_TRUE(net.Open(own));
  const std::uint16_t port = net.boundPort();
  ASSERT_NE(port, 0);
  EXPECT_NE(net.interfaceIndex(), 0u);
  EXPECT_NE(net.interfaceIndex(), if_nametoindex("lo"));

  const std::uint8_t foreign[2] = {0xF0, 1}, mine[2] = {0x11, 2};
  // Bound to every address: loopback reaches the socket, and is dropped.
  SendFrom(kLoopback, port, foreign, sizeof foreign);
  SendFrom(own, port, mine, sizeof mine);
  SendFrom(kLoopback, port, foreign, sizeof foreign);
  std::uint8_t buffer[kMaxDatagram];
  std::vector<std::vector<std::uint8_t>> heard;
  PosixClock clock;
  const std::int64_t end = clock.NowMicros() + 300000;
  while (clock.NowMicros() < end) {
    if (!net.WaitReadable(20000)) continue;
    int n = net.Receive(buffer, sizeof buffer);
    if (n >= 0) heard.emplace_back(buffer, buffer + n);
  }
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], std::vector<std::uint8_t>(mine, mine + 2));
}

// What one datagram of each text, sent to `port` on each address, gets
// through the socket's filter, in the order sent.
std::vector<std::string> HeardOf(PosixNetwork& net, std::uint16_t port,
                                 const std::vector<std::pair<Ipv4Address, std::string>>& sends) {
  for (const auto& [to, text] : sends)
    SendFrom(to, port, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  std::vector<std::string> heard;
  std::uint8_t buffer[kMaxDatagram];
  PosixClock clock;
  const std::int64_t end = clock.NowMicros() + 200000;
  while (clock.NowMicros() < end) {
    if (!net.WaitReadable(20000)) continue;
    int n = net.Receive(buffer, sizeof buffer);
    if (n >= 0) heard.emplace_back(reinterpret_cast<char*>(buffer), n);
  }
  return heard;
}

// The interfaces change under open sockets: the same receive socket (the
// same port) keeps what arrives on the new set of interfaces only, and a
// request for an interface whose address the host does not have is not sent
// out of another one. The host's own address and loopback play the two
// interfaces.
TEST(PosixNetwork, ChangedInterfacesKeepTheSocketAndFollowTheNewSet) {
  PosixNetwork finder;
  Ipv4Address own;
  if (!finder.LocalAddress(own) || own.octet[0] == 127)
    GTEST_SKIP() << "this host has no non-loopback IPv4 address";
  PosixNetworkOptions o;
  o.receivePort = 0;
  o.destination = kLoopback;
  PosixNetwork net(o);
  ASSERT_TRUE(net.Open(own));
  const std::uint16_t port = net.boundPort();
  ASSERT_NE(port, 0);
  using Heard = std::vector<std::string>;
  EXPECT_EQ(HeardOf(net, port, {{kLoopback, "lo-1"}, {own, "own-1"}}), Heard{"own-1"});

  net.ChangeInterfaces({own, kLoopback});
  EXPECT_EQ(net.boundPort(), port);
  ASSERT_EQ(net.interfaceIndexes().size(), 2u);
  EXPECT_EQ(net.interfaceIndexes()[1], if_nametoindex("lo"));
  EXPECT_EQ(HeardOf(net, port, {{kLoopback, "lo-2"}, {own, "own-2"}}), (Heard{"lo-2", "own-2"}));

  net.ChangeInterfaces({kLoopback});
  EXPECT_EQ(HeardOf(net, port, {{own, "own-3"}, {kLoopback, "lo-3"}}), Heard{"lo-3"});

  // No interface at all: nothing is kept, nothing can be sent.
  net.ChangeInterfaces({});
  EXPECT_TRUE(net.interfaceIndexes().empty());
  EXPECT_TRUE(HeardOf(net, port, {{own, "own-4"}, {kLoopback, "lo-4"}}).empty());

  // Requests go to loopback on the socket's own port here. Interface 1 is
  // an address this host does not hold: its request stays unsent.
  PosixNetworkOptions back = o;
  back.destinationPort = port;
  PosixNetwork sender(back);
  ASSERT_TRUE(sender.Open(kLoopback));
  net.ChangeInterfaces({kLoopback});
  sender.ChangeInterfaces({kLoopback, Ipv4Address{{10, 254, 253, 252}}});
  const std::uint8_t first[] = {'v', 'i', 'a', '0'}, second[] = {'v', 'i', 'a', '1'};
  sender.SendToGroupOn(1, second, sizeof second);
  sender.SendToGroupOn(0, first, sizeof first);
  EXPECT_EQ(HeardOf(net, port, {}), Heard{"via0"});
}

}  // namespace
}  // namespace tessavue
