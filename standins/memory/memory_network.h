// An in-memory network on a virtual clock. What the workstation sends to the
// group is handed at once to every listener (the simulated devices), which
// answer by queuing datagrams for the receive socket at chosen delays.
// Waiting on the receive socket moves the virtual clock to the next delivery,
// so a test never waits in real time.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "virtual_clock.h"
#include "network.h"

namespace tessavue {

class MemoryNetwork : public DatagramNetwork {
 public:
  explicit MemoryNetwork(VirtualClock& clock);

  // Everything sent to the group is handed to every listener at once (virtual
  // time of the send): on every interface, or on the one interface given.
  using GroupListener = std::function<void(const std::uint8_t* data, std::size_t length)>;
  void AddGroupListener(GroupListener listener);
  void AddGroupListener(std::size_t via, GroupListener listener);
  // Everything sent by unicast (SendToAddress) is handed to every unicast
  // listener at once, with its destination; each decides whether it is
  // the device addressed.
  using UnicastListener =
      std::function<void(const Ipv4Address& to, const std::uint8_t* data, std::size_t length)>;
  void AddUnicastListener(UnicastListener listener);
  // Routes of the workstation: a destination inside `network`/`mask` is
  // reached from `source`. Taken in the order added, the first that holds
  // wins; with none, the first interface's address is the source (a default
  // route), and with no interface there is no route.
  void AddRoute(const Ipv4Address& network, const Ipv4Address& mask, const Ipv4Address& source);
  void ClearRoutes() { routes_.clear(); }
  // Whether a reply by unicast to `address` reaches the workstation: one of
  // its open interfaces, or an address given to HearUnicastAt.
  bool HearsUnicastAt(const Ipv4Address& address) const;
  // The addresses last given to HearUnicastAt.
  const std::vector<Ipv4Address>& heardBeyond() const { return heardBeyond_; }
  // The destination of each datagram of sent(): the group's address for a
  // request to the group, the device's for one by unicast.
  const std::vector<Ipv4Address>& sentTo() const { return sentTo_; }

  // Queues a datagram for the workstation's receive socket, readable at
  // now + delayMicros. Dropped while the sockets are closed.
  void Deliver(std::vector<std::uint8_t> datagram, std::int64_t delayMicros = 0);
  // Everything the workstation sent, in order, and the interface each went
  // out of.
  const std::vector<std::vector<std::uint8_t>>& sent() const { return sent_; }
  const std::vector<std::size_t>& sentOn() const { return sentOn_; }
  void ClearSent() {
    sent_.clear();
    sentOn_.clear();
    sentTo_.clear();
    sentAt_.clear();
  }

  // Knobs for tests: the workstation's interfaces (one, 192.168.0.100, by
  // default), startup failure, receive errors.
  void SetLocalAddress(Ipv4Address a) { locals_.assign(1, a); }
  // The workstation's interfaces, the first first. May change at any time,
  // as a real workstation's do (a cable plugged in, a new lease, a VPN).
  void SetLocalAddresses(std::vector<Ipv4Address> addresses) { locals_ = std::move(addresses); }
  // No address can be found for the workstation.
  void SetNoLocalAddress(bool none) { noLocalAddress_ = none; }
  void SetStartupFails(bool fails) { startupFails_ = fails; }
  // The next `n` receives fail (the socket reads as readable meanwhile).
  void FailNextReceives(int n) { failReceives_ = n; }
  // Like a socket's receive buffer: at most `datagrams` may wait unread;
  // later arrivals are dropped while it is full. 0 (the default): no limit.
  void SetReceiveBufferLimit(std::size_t datagrams) { bufferLimit_ = datagrams; }
  // Datagrams dropped because the receive buffer was full.
  std::size_t dropped() const { return dropped_; }
  // Real time: every wait on the receive socket also lasts as long on
  // `realClock` as it moved the virtual clock, so a window waiting on this
  // network waits as it would on a real one. nullptr: no real waiting.
  void SetPacing(Clock* realClock) { pacing_ = realClock; }
  // Datagrams for the workstation whose first byte is `firstByte` arrive
  // `extraMicros` later than delivered (a device slow to confirm a change,
  // say). 0 takes the delay off again.
  void HoldBack(std::uint8_t firstByte, std::int64_t extraMicros) {
    holdBack_[firstByte] = extraMicros;
  }
  // The broadcast addresses of the workstation's networks (none by default).
  void SetLocalBroadcasts(std::vector<Ipv4Address> addresses) {
    broadcasts_ = std::move(addresses);
  }
  // Sends by unicast to `to` fail with `result` (kSent: they go again).
  void FailSendsTo(const Ipv4Address& to, SendResult result) { failSends_[Key(to)] = result; }
  // The virtual time of each datagram of sent().
  const std::vector<std::int64_t>& sentAt() const { return sentAt_; }
  // Seeds the random source, which is otherwise fixed, so runs repeat.
  void SetRandomSeed(std::uint32_t seed) { random_.seed(seed); }

  bool IsOpen() const { return open_; }
  bool IsStarted() const { return started_; }
  // The address of interface `via` as the last Open was given it
  // (0.0.0.0 for one it was not given), and how many it was given.
  Ipv4Address boundAddress(std::size_t via = 0) const {
    return via < bound_.size() ? bound_[via] : Ipv4Address{};
  }
  std::size_t interfaceCount() const { return bound_.size(); }
  int startups() const { return startups_; }
  int cleanups() const { return cleanups_; }
  int opens() const { return opens_; }
  // How often the interfaces were read, and the open sockets moved to others.
  int reads() const { return reads_; }
  int changes() const { return changes_; }
  // Datagrams queued and not yet read, due now or later.
  std::size_t pending() const { return queue_.size() + arrived_.size(); }

  // DatagramNetwork
  bool Startup() override;
  void Cleanup() override;
  bool LocalAddresses(std::vector<Ipv4Address>& addresses) override;
  bool OpenInterfaces(const std::vector<Ipv4Address>& locals) override;
  // Datagrams already queued stay, as on a socket that is kept.
  bool ChangeInterfaces(const std::vector<Ipv4Address>& locals) override;
  void Close() override;
  void SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) override;
  bool RouteSource(const Ipv4Address& to, Ipv4Address& source) override;
  // sentOn() gives the position of the route's source among the open
  // interfaces, or interfaceCount() when it is none of them.
  // A send to an address given to FailSendsTo fails with its result.
  SendResult SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                           std::size_t length) override;
  bool LocalBroadcasts(std::vector<Ipv4Address>& addresses) override {
    addresses = broadcasts_;
    return true;
  }
  void HearUnicastAt(const std::vector<Ipv4Address>& addresses) override {
    heardBeyond_ = addresses;
  }
  bool WaitReadable(std::int64_t timeoutMicros) override;
  int Receive(std::uint8_t* buffer, std::size_t capacity) override;
  void FillRandom(std::uint8_t* out, std::size_t length) override;

 private:
  // Moves every datagram due by now into the receive buffer, in order of
  // arrival. Nothing is read between two calls of the network, so doing it
  // lazily drops exactly what a real socket would have dropped.
  void Arrive();
  bool WaitOnVirtualClock(std::int64_t timeoutMicros);

  VirtualClock& clock_;
  // The interface each listens on; kEveryInterface for all.
  static constexpr std::size_t kEveryInterface = ~static_cast<std::size_t>(0);
  std::vector<std::pair<std::size_t, GroupListener>> listeners_;
  // Keyed by the time the datagram becomes readable; equal times keep the
  // order of delivery.
  std::multimap<std::int64_t, std::vector<std::uint8_t>> queue_;
  // Arrived and not yet read.
  std::deque<std::vector<std::uint8_t>> arrived_;
  std::size_t bufferLimit_ = 0;
  std::size_t dropped_ = 0;
  std::vector<std::vector<std::uint8_t>> sent_;
  std::vector<std::size_t> sentOn_;
  std::vector<Ipv4Address> sentTo_;
  std::vector<std::int64_t> sentAt_;
  std::vector<Ipv4Address> broadcasts_;
  static std::uint32_t Key(const Ipv4Address& a) {
    return std::uint32_t{a.octet[0]} << 24 | std::uint32_t{a.octet[1]} << 16 |
           std::uint32_t{a.octet[2]} << 8 | a.octet[3];
  }
  std::map<std::uint32_t, SendResult> failSends_;
  std::vector<UnicastListener> unicastListeners_;
  struct Route {
    Ipv4Address network, mask, source;
  };
  std::vector<Route> routes_;
  std::vector<Ipv4Address> heardBeyond_;
  std::vector<Ipv4Address> locals_{Ipv4Address{{192, 168, 0, 100}}};
  std::vector<Ipv4Address> bound_;
  bool noLocalAddress_ = false;
  bool startupFails_ = false;
  bool started_ = false;
  bool open_ = false;
  Clock* pacing_ = nullptr;
  std::map<std::uint8_t, std::int64_t> holdBack_;
  int failReceives_ = 0;
  int startups_ = 0;
  int cleanups_ = 0;
  int opens_ = 0;
  int reads_ = 0;
  int changes_ = 0;
  std::mt19937 random_{0x7e55a};
};

}  // namespace tessavue
