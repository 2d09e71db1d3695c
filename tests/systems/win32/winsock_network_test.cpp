// Windows Sockets over loopback only, against the datagram network's
// contract: the receive socket is bound to a free port on 127.0.0.1, and the
// "group" is a plain socket on 127.0.0.1 that plays the device.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "network_contract.h"
#include "win32_clock.h"
#include "winsock_network.h"

namespace tessavue {
namespace {

const Ipv4Address kLoopback{{127, 0, 0, 1}};

class WinsockHarness {
 public:
  WinsockHarness() {
    WSADATA data;
    WSAStartup(0x0101, &data);  // for the device's socket, before the network's
    device_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(device_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(device_, reinterpret_cast<sockaddr*>(&address), &length);
    WinsockNetworkOptions o;
    o.receivePort = 0;
    o.destination = kLoopback;
    o.destinationPort = ntohs(address.sin_port);
    network_.emplace(o);
    network_->Startup();
  }
  ~WinsockHarness() {
    network_->Close();
    network_->Cleanup();
    closesocket(device_);
    WSACleanup();
  }
  DatagramNetwork& network() { return *network_; }
  Clock& clock() { return clock_; }
  bool Open() {
    const bool ok = network_->Open(kLoopback);
    port_ = network_->boundPort();
    return ok && port_ != 0;
  }
  void Arrive(const std::vector<std::uint8_t>& datagram) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(device_, reinterpret_cast<const char*>(datagram.data()),
           static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  // Whatever reaches the device within 150 ms.
  std::vector<std::vector<std::uint8_t>> Sent() {
    std::vector<std::vector<std::uint8_t>> heard;
    char buffer[kMaxDatagram];
    for (;;) {
      fd_set readable;
      readable.fd_count = 1;
      readable.fd_array[0] = device_;
      timeval wait{0, 150000};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) break;
      int n = recv(device_, buffer, sizeof buffer, 0);
      // A request that met no socket comes back as an error on some
      // systems: not a datagram.
      if (n >= 0) heard.emplace_back(buffer, buffer + n);
    }
    return heard;
  }
  Ipv4Address DeviceAddress() { return kLoopback; }
  void NameLocalAddress(const Ipv4Address& address) { network_->SetLocalAddress(address); }

 private:
  SOCKET device_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
  Win32Clock clock_;
  std::optional<WinsockNetwork> network_;
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
