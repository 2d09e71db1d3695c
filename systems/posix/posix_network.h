// The transport's two UDP sockets on Linux.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "network.h"

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

  // After Open: the port the receive socket is bound to, the system's
  // index of the first interface (0 when no interface holds its address),
  // those of all of them in order, and the receive buffer the system granted
  // (bytes, as the system reports it).
  std::uint16_t boundPort() const { return boundPort_; }
  unsigned interfaceIndex() const {
    return interfaceIndexes_.empty() ? 0 : interfaceIndexes_.front();
  }
  const std::vector<unsigned>& interfaceIndexes() const { return interfaceIndexes_; }
  int grantedReceiveBuffer() const { return grantedBuffer_; }

  bool Startup() override { return true; }
  void Cleanup() override {}
  // The named address alone. Otherwise every interface that is up, not
  // loopback and multicast-capable (one address each), the one the system
  // would send from to reach the group first (a connected UDP socket sends
  // nothing). With none of those: that address, else the first interface
  // that is up and not loopback.
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override;
  // One receive socket takes the port on every address and joins the group
  // on each interface of `locals`; Receive keeps what arrives on those
  // interfaces (unicast, the group, broadcasts) and drops the rest.
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override;
  // The same sockets stay (what is queued in them, and the port, are kept):
  // the group is left on each interface that is no longer among `locals` and
  // joined on each new one, and Receive keeps what arrives on the new set.
  bool ChangeInterfaces(const std::vector<Ipv4Address>& locals) override;
  void Close() override;
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override;
  // A connected UDP socket that sends nothing: the system's choice of
  // source address for `to`.
  bool RouteSource(const Ipv4Address& to, Ipv4Address& source) override;
  // Through the send socket, to the destination port; the system's route
  // picks the interface.
  SendResult SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                           std::size_t length) override;
  bool LocalBroadcasts(std::vector<Ipv4Address>& addresses) override;
  // Receive also keeps what is addressed to these, on any interface.
  void HearUnicastAt(const std::vector<Ipv4Address>& addresses) override { beyond_ = addresses; }
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
  // The steps of OpenInterfaces on the new sockets: the receive buffer
  // asked for (and what was granted read back), the receive socket bound to
  // the port on every address (false when it could not be), the group joined
  // on each interface of locals_ with multicast loop-back off.
  void AskForReceiveBuffer();
  bool BindReceiveSocket();
  void JoinGroupOnEachInterface();
  // Joins (or leaves) the group on the receive socket, on the interface with
  // the system's index `index`, or, when that is 0, on the one holding
  // `address`.
  bool Membership(int option, unsigned index, const Ipv4Address& address);

  PosixNetworkOptions options_;
  std::vector<Ipv4Address> locals_;
  // Addresses of the workstation whose unicast is heard on any interface.
  std::vector<Ipv4Address> beyond_;
  // The system's index of each interface of locals_ (0: none holds it).
  std::vector<unsigned> interfaceIndexes_;
  // The interface the send socket's multicast goes out of (-1: not set).
  long sendInterface_ = -1;
  int sendSocket_ = -1;
  int receiveSocket_ = -1;
  std::uint16_t boundPort_ = 0;
  int grantedBuffer_ = 0;
};

}  // namespace tessavue
