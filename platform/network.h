// What the device protocol needs from the system: a monotonic clock with
// pauses, and the pair of UDP sockets it talks through. The real
// implementations live in posix/ and win32/; memory/ holds an in-memory
// network on a virtual clock for the tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessavue {

constexpr std::uint16_t kProtocolPort = 13579;
constexpr const char* kGroupAddressText = "224.0.0.1";
// Largest datagram the protocol reads; anything longer is a receive error.
constexpr std::size_t kMaxDatagram = 4096;

// IPv4 address, octets in network order (octet[0] is the first of "a.b.c.d").
struct Ipv4Address {
  std::uint8_t octet[4] = {0, 0, 0, 0};
  friend bool operator==(const Ipv4Address&, const Ipv4Address&) = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in microseconds from an arbitrary origin.
  virtual std::int64_t NowMicros() = 0;
  virtual void SleepMicros(std::int64_t micros) = 0;
};

// The two sockets of the transport: one that sends every request to the
// group, one bound to the workstation's address and the protocol port that
// reads every reply.
class DatagramNetwork {
 public:
  virtual ~DatagramNetwork() = default;

  // Starts the socket layer (Windows Sockets 1.1 on Windows). false: it cannot
  // be started at all, and the program ends.
  virtual bool Startup() = 0;
  // Releases the socket layer. Only called after a successful Startup().
  virtual void Cleanup() = 0;

  // The workstation's own IPv4 address: the one named by the user when there
  // is one, otherwise the platform's choice. false when none can be found.
  virtual bool LocalAddress(Ipv4Address& address) = 0;

  // Opens both sockets: the receive socket bound to `local` and the protocol
  // port, joined to the group, with multicast loop-back off on both. Asks for
  // a large receive buffer. false when a step failed (the transport then
  // simply hears nothing).
  virtual bool Open(const Ipv4Address& local) = 0;
  // Closes both sockets. Safe to call when they are closed or never opened.
  virtual void Close() = 0;

  // One datagram of `length` bytes to the group on the protocol port.
  virtual void SendToGroup(const std::uint8_t* data, std::size_t length) = 0;
  // Waits at most `timeoutMicros` until the receive socket has a datagram.
  // true when one can be read now.
  virtual bool WaitReadable(std::int64_t timeoutMicros) = 0;
  // Reads one datagram into `buffer` (at most `capacity` bytes). Returns its
  // length, or -1 on any error, including a datagram longer than `capacity`.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity) = 0;

  // Fills `out` with bytes from the platform's random source.
  virtual void FillRandom(std::uint8_t* out, std::size_t length) = 0;
};

}  // namespace tessavue
