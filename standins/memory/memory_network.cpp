#include "memory_network.h"

#include <cstring>
#include <utility>

#include "text.h"

namespace tessavue {

MemoryNetwork::MemoryNetwork(VirtualClock& clock) : clock_(clock) {}

void MemoryNetwork::AddGroupListener(GroupListener listener) {
  listeners_.emplace_back(kEveryInterface, std::move(listener));
}

void MemoryNetwork::AddGroupListener(std::size_t via, GroupListener listener) {
  listeners_.emplace_back(via, std::move(listener));
}

void MemoryNetwork::AddUnicastListener(UnicastListener listener) {
  unicastListeners_.push_back(std::move(listener));
}

void MemoryNetwork::AddRoute(const Ipv4Address& network, const Ipv4Address& mask,
                             const Ipv4Address& source) {
  routes_.push_back({network, mask, source});
}

bool MemoryNetwork::HearsUnicastAt(const Ipv4Address& address) const {
  if (!open_) return false;
  for (const Ipv4Address& a : bound_)
    if (a == address) return true;
  for (const Ipv4Address& a : heardBeyond_)
    if (a == address) return true;
  return false;
}

bool MemoryNetwork::RouteSource(const Ipv4Address& to, Ipv4Address& source) {
  for (const Route& r : routes_) {
    if (SameSubnet(to.octet, r.network.octet, r.mask.octet)) {
      source = r.source;
      return true;
    }
  }
  if (noLocalAddress_ || locals_.empty()) return false;
  source = locals_.front();
  return true;
}

SendResult MemoryNetwork::SendToAddress(const Ipv4Address& to, const std::uint8_t* data,
                                        std::size_t length) {
  Ipv4Address source;
  if (!open_) return SendResult::kNotOpen;
  if (!RouteSource(to, source)) return SendResult::kUnreachable;
  if (auto failing = failSends_.find(Key(to));
      failing != failSends_.end() && failing->second != SendResult::kSent)
    return failing->second;
  std::size_t via = 0;
  while (via < bound_.size() && !(bound_[via] == source)) ++via;
  sent_.emplace_back(data, data + length);
  sentOn_.push_back(via);
  sentTo_.push_back(to);
  sentAt_.push_back(clock_.NowMicros());
  for (std::size_t i = 0; i < unicastListeners_.size(); ++i) {
    UnicastListener listener = unicastListeners_[i];
    listener(to, data, length);
  }
  return SendResult::kSent;
}

void MemoryNetwork::Deliver(std::vector<std::uint8_t> datagram, std::int64_t delayMicros) {
  if (!open_) return;
  if (delayMicros < 0) delayMicros = 0;
  if (auto held = holdBack_.find(datagram.empty() ? 0 : datagram[0]);
      held != holdBack_.end() && !datagram.empty())
    delayMicros += held->second;
  queue_.emplace(clock_.NowMicros() + delayMicros, std::move(datagram));
}

bool MemoryNetwork::Startup() {
  ++startups_;
  if (startupFails_) return false;
  started_ = true;
  return true;
}

void MemoryNetwork::Cleanup() {
  ++cleanups_;
  started_ = false;
}

bool MemoryNetwork::LocalAddresses(std::vector<Ipv4Address>& addresses) {
  ++reads_;
  addresses.clear();
  if (noLocalAddress_ || locals_.empty()) return false;
  addresses = locals_;
  return true;
}

bool MemoryNetwork::OpenInterfaces(const std::vector<Ipv4Address>& locals) {
  ++opens_;
  bound_ = locals;
  open_ = true;
  return true;
}

bool MemoryNetwork::ChangeInterfaces(const std::vector<Ipv4Address>& locals) {
  if (!open_) return OpenInterfaces(locals);
  ++changes_;
  bound_ = locals;
  return true;
}

void MemoryNetwork::Arrive() {
  const std::int64_t now = clock_.NowMicros();
  while (!queue_.empty() && queue_.begin()->first <= now) {
    if (bufferLimit_ != 0 && arrived_.size() >= bufferLimit_) {
      ++dropped_;
    } else {
      arrived_.push_back(std::move(queue_.begin()->second));
    }
    queue_.erase(queue_.begin());
  }
}

void MemoryNetwork::Close() {
  open_ = false;
  queue_.clear();
  arrived_.clear();
  failReceives_ = 0;
}

void MemoryNetwork::SendToGroupOn(std::size_t via, const std::uint8_t* data, std::size_t length) {
  // Like a socket asked for an interface the workstation does not have.
  if (!open_ || via >= bound_.size()) return;
  sent_.emplace_back(data, data + length);
  sentOn_.push_back(via);
  sentTo_.push_back(Ipv4Address{{224, 0, 0, 1}});
  sentAt_.push_back(clock_.NowMicros());
  // By index: a listener may add listeners while it runs.
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    if (listeners_[i].first != kEveryInterface && listeners_[i].first != via) continue;
    GroupListener listener = listeners_[i].second;
    listener(data, length);
  }
}

bool MemoryNetwork::WaitReadable(std::int64_t timeoutMicros) {
  const std::int64_t before = clock_.NowMicros();
  bool readable = WaitOnVirtualClock(timeoutMicros);
  if (pacing_) pacing_->SleepMicros(clock_.NowMicros() - before);
  return readable;
}

bool MemoryNetwork::WaitOnVirtualClock(std::int64_t timeoutMicros) {
  if (timeoutMicros < 0) timeoutMicros = 0;
  if (!open_) {
    clock_.Advance(timeoutMicros);
    return false;
  }
  if (failReceives_ > 0) return true;
  Arrive();
  if (!arrived_.empty()) return true;
  const std::int64_t now = clock_.NowMicros();
  if (!queue_.empty() && queue_.begin()->first <= now + timeoutMicros) {
    clock_.Advance(queue_.begin()->first - now);
    Arrive();
    return true;
  }
  clock_.Advance(timeoutMicros);
  Arrive();
  return !arrived_.empty();
}

int MemoryNetwork::Receive(std::uint8_t* buffer, std::size_t capacity) {
  if (!open_) return -1;
  if (failReceives_ > 0) {
    --failReceives_;
    return -1;
  }
  Arrive();
  if (arrived_.empty()) return -1;
  std::vector<std::uint8_t> datagram = std::move(arrived_.front());
  arrived_.pop_front();
  // Like a real socket: a datagram too long for the buffer is lost whole.
  if (datagram.size() > capacity) return -1;
  if (!datagram.empty()) std::memcpy(buffer, datagram.data(), datagram.size());
  return static_cast<int>(datagram.size());
}

void MemoryNetwork::FillRandom(std::uint8_t* out, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<std::uint8_t>(random_());
}

}  // namespace tessavue
