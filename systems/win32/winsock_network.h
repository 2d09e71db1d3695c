// The transport's two UDP sockets on Windows, through Windows Sockets 1.1
// calls (ws2_32).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "network.h"

namespace tessavue {

struct WinsockNetworkOptions {
  // The workstation's address, when the user names it.
  std::optional<Ipv4Address> localAddress;
  std::uint16_t receivePort = kProtocolPort;
  Ipv4Address destination{{224, 0, 0, 1}};
  std::uint16_t destinationPort = kProtocolPort;
  int receiveBufferBytes = 4 * 1024 * 1024;
};

class WinsockNetwork : public DatagramNetwork {
 public:
  WinsockNetwork() = default;
  explicit WinsockNetwork(WinsockNetworkOptions options) : options_(options) {}
  ~WinsockNetwork() override;
  WinsockNetwork(const WinsockNetwork&) = delete;
  WinsockNetwork& operator=(const WinsockNetwork&) = delete;

  void SetLocalAddress(const Ipv4Address& address) { options_.localAddress = address; }
  // After Open: the port the first receive socket is bound to.
  std::uint16_t boundPort() const { return boundPort_; }

  // WSAStartup asking for version 1.1.
  bool Startup() override;
  void Cleanup() override;
  // The named address alone, else every address of the host's own name (the
  // first one first), loopback and 0.0.0.0 left out.
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override;
  // One receive socket per address, bound to it (that is how Windows hears
  // each interface: unicast, the group and broadcasts on it), each joined to
  // the group; one send socket for all.
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override;
  void Close() override;
  // With several interfaces, IP_MULTICAST_IF picks the interface's address
  // before the send.
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override;
  // A connected UDP socket that sends nothing: the system's choice of
  // source address for `to`.
  bool RouteSource(const Ipv4Address& to, Ipv4Address& source) override;
  SendResult SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                           std::size_t length) override;
  bool LocalBroadcasts(std::vector<Ipv4Address>& addresses) override;
  // One more receive socket bound to each address that no interface socket
  // has already.
  void HearUnicastAt(const std::vector<Ipv4Address>& addresses) override;
  // select over every receive socket.
  bool WaitReadable(std::int64_t timeoutMicros) override;
  // Reads from the next readable receive socket, taking them in turn. A
  // datagram longer than `capacity` fails (WSAEMSGSIZE) and gives -1.
  int Receive(std::uint8_t* buffer, std::size_t capacity) override;
  // RtlGenRandom, else CryptGenRandom, from advapi32 when the system has it.
  void FillRandom(std::uint8_t* out, std::size_t length) override;

 private:
  static constexpr std::uintptr_t kNoSocket = ~static_cast<std::uintptr_t>(0);
  WinsockNetworkOptions options_;
  std::uintptr_t sendSocket_ = kNoSocket;
  std::vector<std::uintptr_t> receiveSockets_;
  std::vector<Ipv4Address> locals_;
  // Receive sockets for unicast to the addresses of HearUnicastAt.
  std::vector<std::uintptr_t> beyondSockets_;
  std::vector<Ipv4Address> beyond_;
  // Every receive socket: the interfaces' first, then the others.
  std::vector<std::uintptr_t> AllReceiveSockets() const;
  // A receive socket bound to `local` on the receive port (kNoSocket when
  // it cannot be had).
  std::uintptr_t OpenReceiveSocket(const Ipv4Address& local, bool& bound);
  // The interface the send socket's multicast goes out of (-1: not set).
  long sendInterface_ = -1;
  // Where the next Receive starts looking, so no socket starves the others.
  std::size_t nextReceive_ = 0;
  std::uint16_t boundPort_ = 0;
};

}  // namespace tessavue
