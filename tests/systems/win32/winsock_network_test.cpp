// Windows Sockets over loopback only, against the datagram network's
// contract: the receive socket is bound to a free port on 127.0.0.1, and the
// "group" is a plain socket on 127.0.0.1 that plays the device.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <vector>

#include "network_contract.h"
#include "win32_clock.h"
#include "winsock_network.h"

namespace tessavue {
namespace {

// The device's socket on 127.0.0.1, with Windows Sockets started for it
// before the network's.
class WinsockDevice {
 public:
  WinsockDevice() {
    WSADATA data;
    WSAStartup(0x0101, &data);
    socket_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~WinsockDevice() {
    closesocket(socket_);
    WSACleanup();
  }
  WinsockDevice(const WinsockDevice&) = delete;
  WinsockDevice& operator=(const WinsockDevice&) = delete;
  std::uint16_t port() const { return port_; }
  void SendTo(std::uint16_t port, const std::vector<std::uint8_t>& datagram) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(socket_, reinterpret_cast<const char*>(datagram.data()),
           static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  std::vector<std::vector<std::uint8_t>> ReadFor(int millis) {
    std::vector<std::vector<std::uint8_t>> heard;
    char buffer[kMaxDatagram];
    for (;;) {
      fd_set readable;
      readable.fd_count = 1;
      readable.fd_array[0] = socket_;
      timeval wait{0, millis * 1000};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) break;
      // A request that met no socket may come back as an error: not a
      // datagram.
      int n = recv(socket_, buffer, sizeof buffer, 0);
      if (n >= 0) heard.emplace_back(buffer, buffer + n);
    }
    return heard;
  }

 private:
  SOCKET socket_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
};

struct WinsockHarness
    : contract::LoopbackHarness<WinsockNetwork, WinsockNetworkOptions, WinsockDevice, Win32Clock> {
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(WinsockNetwork, DatagramNetworkContract, WinsockHarness);

// Of the Windows side alone: the host's own addresses, found through its
// name, never include loopback.
TEST(WinsockNetwork, TheHostsAddressesLeaveLoopbackOut) {
  WinsockNetwork net;
  ASSERT_TRUE(net.Startup());
  std::vector<Ipv4Address> all;
  if (net.LocalAddresses(all)) {
    for (const Ipv4Address& a : all) {
      EXPECT_NE(a.octet[0], 127);
      EXPECT_NE(a.octet[0], 0);
    }
  }
  net.Cleanup();
}

}  // namespace
}  // namespace tessavue
