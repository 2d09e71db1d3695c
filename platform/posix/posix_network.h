// The transport's two UDP sockets on Linux.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/network.h"

struct msghdr;

namespace tessavue {

struct PosixNetworkOptions {
  // The workstation's address, when the user names it (--local-ip).
  std::optional<Ipv4Address> localAddress;
  // Port the receive socket binds; 0 takes any free port (tests).
  std::uint16_t receivePort = kProtocolPort;
  // Where requests go: the group and the protocol port. Tests point this at
  // loopback.
  Ipv4Address destination{{224, 0, 0, 1}};
  std::uint16_t destinationPort = kProtocolPort;
  // Receive buffer asked for, so that a burst of replies from many devices
  // waits in the socket instead of being dropped.
  int receiveBufferBytes = 4 * 1024 * 1024;
};

class PosixNetwork : public DatagramNetwork {
 public:
  PosixNetwork() = default;
  explicit PosixNetwork(PosixNetworkOptions options) : options_(options) {}
  ~PosixNetwork() override;
  PosixNetwork(const PosixNetwork&) = delete;
  PosixNetwork& operator=(const PosixNetwork&) = delete;

  // Names the workstation's address instead of finding it.
  void SetLocalAddress(const Ipv4Address& address) { options_.localAddress = address; }

  // After Open: the port the receive socket is bound to, the index of the
  // workstation's interface (0 when no interface holds its address), and the
  // receive buffer the system granted (bytes, as the system reports it).
  std::uint16_t boundPort() const { return boundPort_; }
  unsigned interfaceIndex() const { return interfaceIndex_; }
  int grantedReceiveBuffer() const { return grantedBuffer_; }

  bool Startup() override { return true; }
  void Cleanup() override {}
  // The named address; otherwise the address the system would send from to
  // reach the group (a connected UDP socket sends nothing); otherwise the
  // first IPv4 interface that is up and not loopback.
  bool LocalAddress(Ipv4Address& address) override;
  // The receive socket takes the port on every address; Receive keeps
  // what arrives on the interface that holds `local` (unicast to it, the
  // group, broadcasts) and drops the rest.
  bool Open(const Ipv4Address& local) override;
  void Close() override;
  void SendToGroup(const std::uint8_t* data, std::size_t length) override;
  bool WaitReadable(std::int64_t timeoutMicros) override;
  // A datagram longer than `capacity` is read whole by the system and
  // reported here as an error (-1), never as a cut-down datagram. Datagrams
  // from other interfaces are skipped.
  int Receive(std::uint8_t* buffer, std::size_t capacity) override;
  void FillRandom(std::uint8_t* out, std::size_t length) override;

 private:
  // Foreign datagrams one Receive passes over before it reports -1.
  static constexpr int kMaxSkippedPerReceive = 64;
  bool FromWorkstationInterface(const msghdr& message) const;

  PosixNetworkOptions options_;
  Ipv4Address localAddress_;
  unsigned interfaceIndex_ = 0;
  int sendSocket_ = -1;
  int receiveSocket_ = -1;
  std::uint16_t boundPort_ = 0;
  int grantedBuffer_ = 0;
};

}  // namespace tessavue
