// What the device protocol needs from the system: a monotonic clock with
// pauses, and the UDP sockets it talks through. The real
// implementations live in posix/ and win32/; memory/ holds an in-memory
// network on a virtual clock for the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ipv4_address.h"

namespace tessavue {

constexpr std::uint16_t kProtocolPort = 13579;
constexpr const char* kGroupAddressText = "224.0.0.1";
// Largest datagram the protocol reads; anything longer is a receive error.
constexpr std::size_t kMaxDatagram = 4096;

// What became of a datagram sent by unicast.
enum class SendResult {
  kSent,
  kNotOpen,      // the sockets are closed
  kDenied,       // the system refused it (a broadcast address, a firewall)
  kUnreachable,  // no route to the address, or its network is down
  kBufferFull,   // the system's send buffer was full: this one was dropped
  kFailed,       // any other error
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in microseconds from an arbitrary origin.
  virtual std::int64_t NowMicros() = 0;
  virtual void SleepMicros(std::int64_t micros) = 0;
};

// The sockets of the transport: requests go to the group on each of the
// workstation's interfaces, and every reply is read from one place, whichever
// interface it arrived on. An interface is named by its position in the list
// given to OpenInterfaces (0 is the first).
class DatagramNetwork {
 public:
  virtual ~DatagramNetwork() = default;

  // Starts the socket layer (Windows Sockets 1.1 on Windows). false: it cannot
  // be started at all, and the program ends.
  virtual bool Startup() = 0;
  // Releases the socket layer. Only called after a successful Startup().
  virtual void Cleanup() = 0;

  // The workstation's IPv4 interfaces to search on, the platform's preferred
  // one first: those that are up, not loopback and can send multicast, or the
  // one address named by the user alone. false when none can be found.
  // Read anew at every call: the networks may change while the program runs.
  virtual bool LocalAddresses(std::vector<Ipv4Address>& addresses) = 0;
  // The first of them.
  bool LocalAddress(Ipv4Address& address) {
    std::vector<Ipv4Address> all;
    if (!LocalAddresses(all) || all.empty()) return false;
    address = all.front();
    return true;
  }

  // Opens the sockets for the interfaces `locals`: replies to the workstation
  // on any of them are heard (unicast to its address, the group, broadcasts),
  // the group is joined on each, multicast loop-back is off. Asks for a
  // large receive buffer. false when a step failed (the transport then hears
  // less, or nothing).
  virtual bool OpenInterfaces(const std::vector<Ipv4Address>& locals) = 0;
  bool Open(const Ipv4Address& local) { return OpenInterfaces({local}); }
  // Moves open sockets to the interfaces `locals` when the workstation's
  // networks changed while they were open: what OpenInterfaces would have
  // made for `locals`, with the group left on the interfaces that are gone
  // and joined on the new ones. `locals` may be empty (no network at all:
  // nothing is heard and nothing can be sent). By default the sockets are
  // closed and opened anew.
  virtual bool ChangeInterfaces(const std::vector<Ipv4Address>& locals) {
    Close();
    return OpenInterfaces(locals);
  }
  // Closes every socket. Safe to call when they are closed or never opened.
  virtual void Close() = 0;

  // One datagram of `length` bytes to the group on the protocol port, out of
  // interface `via`.
  virtual void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) = 0;
  void SendToGroup(const std::uint8_t* data, std::size_t length) { SendToGroupOn(0, data, length); }
  // ---- devices beyond the segment, reached by unicast ----
  // The source address the system's route to `to` uses (the address of the
  // interface it leaves by). false when there is no route.
  virtual bool RouteSource(const Ipv4Address& to, Ipv4Address& source) {
    (void)to;
    (void)source;
    return false;
  }
  // One datagram of `length` bytes to `to` on the protocol port, by
  // unicast, out of the interface the system's route picks. Never blocks.
  virtual SendResult SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                                   std::size_t length) {
    (void)to;
    (void)data;
    (void)length;
    return SendResult::kNotOpen;
  }
  // The broadcast addresses of the workstation's networks (the directed
  // broadcast of each interface that has one). false when they cannot be
  // known; `addresses` is then empty.
  virtual bool LocalBroadcasts(std::vector<Ipv4Address>& addresses) {
    addresses.clear();
    return false;
  }
  // Replies by unicast to these addresses of the workstation are heard as
  // well, on whichever interface they arrive (one the search does not use,
  // such as a VPN's). Replaces the previous set; empty: none beyond the
  // interfaces of OpenInterfaces.
  virtual void HearUnicastAt(const std::vector<Ipv4Address>& addresses) { (void)addresses; }

  // Waits at most `timeoutMicros` until a datagram can be read.
  // true when one can be read now.
  virtual bool WaitReadable(std::int64_t timeoutMicros) = 0;
  // Reads one datagram into `buffer` (at most `capacity` bytes). Returns its
  // length, or -1 on any error, including a datagram longer than `capacity`.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity) = 0;

  // Fills `out` with bytes from the platform's random source.
  virtual void FillRandom(std::uint8_t* out, std::size_t length) = 0;
};

}  // namespace tessavue
