// The transport's two UDP sockets on Windows, through Windows Sockets 1.1
// calls (ws2_32).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/network.h"

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
  std::uint16_t boundPort() const { return boundPort_; }

  // WSAStartup asking for version 1.1.
  bool Startup() override;
  void Cleanup() override;
  // The named address, else the first address of the host's own name.
  bool LocalAddress(Ipv4Address& address) override;
  bool Open(const Ipv4Address& local) override;
  void Close() override;
  void SendToGroup(const std::uint8_t* data, std::size_t length) override;
  bool WaitReadable(std::int64_t timeoutMicros) override;
  // A datagram longer than `capacity` fails (WSAEMSGSIZE) and gives -1.
  int Receive(std::uint8_t* buffer, std::size_t capacity) override;
  // RtlGenRandom, else CryptGenRandom, from advapi32 when the system has it.
  void FillRandom(std::uint8_t* out, std::size_t length) override;

 private:
  static constexpr std::uintptr_t kNoSocket = ~static_cast<std::uintptr_t>(0);
  WinsockNetworkOptions options_;
  std::uintptr_t sendSocket_ = kNoSocket;
  std::uintptr_t receiveSocket_ = kNoSocket;
  std::uint16_t boundPort_ = 0;
};

}  // namespace tessavue
