// Search targets: addresses and subnets the search also reaches by unicast,
// for devices that the group never reaches (another subnet, behind a router,
// at the far end of a VPN), and the requests to the devices found through
// them.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "protocol.h"
#include "wire.h"

namespace tessavue {

namespace {

std::uint32_t ToNumber(const Ipv4Address& a) {
  return static_cast<std::uint32_t>(a.octet[0]) << 24 |
         static_cast<std::uint32_t>(a.octet[1]) << 16 |
         static_cast<std::uint32_t>(a.octet[2]) << 8 | a.octet[3];
}

Ipv4Address FromNumber(std::uint32_t n) {
  return Ipv4Address{{static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                      static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)}};
}

std::uint32_t MaskOf(int prefix) { return prefix <= 0 ? 0 : ~std::uint32_t{0} << (32 - prefix); }

// "nn" after the '/': one or two digits, 0 to 32; -1 otherwise.
int ParsePrefix(const char* text) {
  if (text[0] < '0' || text[0] > '9') return -1;
  if (text[1] != '\0' && (text[1] < '0' || text[1] > '9' || text[2] != '\0')) return -1;
  const int n = std::atoi(text);
  return n <= 32 ? n : -1;
}

}  // namespace

std::uint32_t SearchTarget::HostCount() const {
  if (prefix >= 31) return prefix == 32 ? 1u : 2u;
  return (std::uint32_t{1} << (32 - prefix)) - 2;
}

Ipv4Address SearchTarget::Host(std::uint32_t i) const {
  return FromNumber(ToNumber(address) + (prefix >= 31 ? i : i + 1));
}

bool SearchTarget::Contains(const Ipv4Address& a) const {
  const std::uint32_t mask = MaskOf(prefix);
  return (ToNumber(a) & mask) == (ToNumber(address) & mask);
}

std::string SearchTarget::Text() const {
  char dotted[16];
  FormatDotted(address.octet, dotted);
  return prefix == 32 ? std::string(dotted) : std::string(dotted) + "/" + std::to_string(prefix);
}

TargetProblem CheckTarget(const Ipv4Address& a) { return CheckTarget(SearchTarget{a, 32}); }

TargetProblem CheckTarget(const SearchTarget& target) {
  if (target.prefix < kWidestTargetPrefix || target.prefix > 32) return TargetProblem::kTooWide;
  const std::uint32_t n = ToNumber(target.address);
  if ((n & ~MaskOf(target.prefix)) != 0) return TargetProblem::kHostBits;
  // A /22 or narrower never straddles the ranges below.
  if (n == 0xFFFFFFFFu) return TargetProblem::kBroadcast;
  if (n >> 24 == 0) return TargetProblem::kUnspecified;
  if (n >> 24 == 127) return TargetProblem::kLoopback;
  if (n >> 28 == 0xE) return TargetProblem::kMulticast;
  if (n >> 28 == 0xF) return TargetProblem::kReserved;
  return TargetProblem::kNone;
}

TargetProblem CheckTarget(const SearchTarget& target, const std::vector<Ipv4Address>& broadcasts) {
  const TargetProblem problem = CheckTarget(target);
  if (problem != TargetProblem::kNone || target.prefix != 32) return problem;
  for (const Ipv4Address& b : broadcasts)
    if (b == target.address) return TargetProblem::kOwnBroadcast;
  return TargetProblem::kNone;
}

TargetProblem CheckTarget(const char* text, SearchTarget& target) {
  if (text == nullptr) return TargetProblem::kNotAnAddress;
  const char* slash = std::strchr(text, '/');
  const std::string addressText = slash == nullptr ? text : std::string(text, slash);
  SearchTarget parsed;
  if (!ParseDotted(addressText.c_str(), parsed.address.octet)) return TargetProblem::kNotAnAddress;
  if (slash != nullptr) {
    parsed.prefix = ParsePrefix(slash + 1);
    if (parsed.prefix < 0) return TargetProblem::kBadPrefix;
  }
  const TargetProblem problem = CheckTarget(parsed);
  if (problem == TargetProblem::kNone) target = parsed;
  return problem;
}

TargetProblem CheckTarget(const char* text, Ipv4Address& address) {
  SearchTarget parsed;
  if (text != nullptr && std::strchr(text, '/') != nullptr) return TargetProblem::kNotAnAddress;
  const TargetProblem problem = CheckTarget(text, parsed);
  if (problem == TargetProblem::kNone) address = parsed.address;
  return problem;
}

std::uint32_t TargetAddressCount(const std::vector<SearchTarget>& targets) {
  std::uint32_t count = 0;
  for (const SearchTarget& t : targets) count += t.HostCount();
  return count;
}

std::string TargetProblemMessage(TargetProblem problem, const char* text) {
  const std::string t = text == nullptr ? "" : text;
  switch (problem) {
    case TargetProblem::kNone: return "";
    case TargetProblem::kNotAnAddress:
      return "'" + t + "' is not an IPv4 address (four numbers 0-255 separated by dots)";
    case TargetProblem::kBadPrefix:
      return "'" + t + "': the number after '/' must be a prefix length from 22 to 32";
    case TargetProblem::kTooWide:
      return t + " is wider than /22 (more than 1024 addresses); search a /22 or narrower";
    case TargetProblem::kHostBits:
      return t + " has host bits set: a subnet is given by its network address";
    case TargetProblem::kUnspecified: return t + " is in 0.0.0.0/8, no device's address";
    case TargetProblem::kBroadcast:
      return "255.255.255.255 is the broadcast address, no device's address";
    case TargetProblem::kMulticast:
      return t + " is a multicast address (224.0.0.0/4), no device's address";
    case TargetProblem::kLoopback:
      return t + " is a loopback address (127.0.0.0/8): it never reaches a device";
    case TargetProblem::kReserved:
      return t + " is in the reserved range 240.0.0.0/4, no device's address";
    case TargetProblem::kOwnBroadcast:
      return t +
             " is the broadcast address of the workstation's own network, which is searched"
             " anyway";
    case TargetProblem::kTooMany:
      return "with " + t + " the targets would reach more than 4096 addresses in all";
  }
  return "";
}

bool FollowMovedDevice(std::vector<SearchTarget>& targets, const Ipv4Address& from,
                       const Ipv4Address& to) {
  if (from == to) return false;
  const SearchTarget own{from, 32};
  const bool covered = std::any_of(targets.begin(), targets.end(), [&](const SearchTarget& t) {
    return !(t == own) && t.Contains(to);
  });
  const bool usable = CheckTarget(to) == TargetProblem::kNone;
  auto at = std::find(targets.begin(), targets.end(), own);
  if (at != targets.end()) {
    // Its own address as a target: the new one takes its place, or it just
    // goes when another target already reaches the new one.
    if (covered || !usable)
      targets.erase(at);
    else
      at->address = to;
    return true;
  }
  // Found through a subnet (or another target): that target stays as it is.
  if (covered || !usable) return false;
  targets.push_back(SearchTarget{to, 32});
  return true;
}

std::string TargetTroubleMessage(const TargetTrouble& trouble) {
  const std::string t = trouble.target.Text();
  if (trouble.problem != TargetProblem::kNone)
    return "not searched: " + TargetProblemMessage(trouble.problem, t.c_str());
  const char* why = "the send failed";
  switch (trouble.result) {
    case SendResult::kSent: why = "sent"; break;
    case SendResult::kNotOpen: why = "the sockets are not open"; break;
    case SendResult::kDenied:
      why = "the system refused the send (a broadcast address, or a firewall)";
      break;
    case SendResult::kUnreachable: why = "no route to it (its network is unreachable)"; break;
    case SendResult::kBufferFull: why = "the system's send buffer was full"; break;
    case SendResult::kFailed: break;
  }
  if (trouble.tried <= 1 || trouble.failed >= trouble.tried) return t + ": not searched: " + why;
  return t + ": " + std::to_string(trouble.failed) + " of " + std::to_string(trouble.tried) +
         " requests not sent: " + why;
}

bool DeviceProtocol::AddTarget(const SearchTarget& target) {
  if (CheckTarget(target) != TargetProblem::kNone) return false;
  if (std::find(Targets.begin(), Targets.end(), target) != Targets.end()) return false;
  if (TargetAddressCount(Targets) + target.HostCount() > kMostTargetAddresses) return false;
  Targets.push_back(target);
  return true;
}

void DeviceProtocol::SetTargets(const std::vector<SearchTarget>& targets) {
  Targets.clear();
  for (const SearchTarget& t : targets) AddTarget(t);
}

void DeviceProtocol::RouteTargets() {
  targetRoutes_.clear();
  targetTroubles_.clear();
  std::vector<Ipv4Address> broadcasts;
  if (started_) network_.LocalBroadcasts(broadcasts);
  std::vector<Ipv4Address> beyond;
  for (const SearchTarget& target : Targets) {
    TargetRoute& r = targetRoutes_.emplace_back();
    r.target = target;
    const TargetProblem problem = CheckTarget(target, broadcasts);
    // A subnet's route is its first host's: a /22 or narrower is one link.
    r.routed = started_ && problem == TargetProblem::kNone &&
               network_.RouteSource(target.Host(0), r.source);
    if (problem != TargetProblem::kNone) targetTroubles_.push_back({target, problem});
    if (started_ && problem == TargetProblem::kNone && !r.routed)
      targetTroubles_.push_back(
          {target, TargetProblem::kNone, SendResult::kUnreachable, target.HostCount(), 0});
    if (!r.routed) r.source = Ipv4Address{};
    std::memcpy(r.clientId, randomBytes_, sizeof randomBytes_);
    std::memcpy(r.clientId + 6, r.source.octet, 4);
    if (!r.routed) continue;
    // The route may leave by an interface the segment search does not use
    // (a VPN's cannot multicast): its replies are heard there too.
    bool searched = false;
    for (const LocalInterface& i : LocalInterfaces) searched = searched || i.address == r.source;
    if (!searched && std::find(beyond.begin(), beyond.end(), r.source) == beyond.end())
      beyond.push_back(r.source);
  }
  if (started_) network_.HearUnicastAt(beyond);
}

std::vector<DeviceProtocol::SweepEntry> DeviceProtocol::SweepList() {
  std::vector<Ipv4Address> skip;
  network_.LocalBroadcasts(skip);
  for (const LocalInterface& i : LocalInterfaces) skip.push_back(i.address);
  std::unordered_set<std::uint32_t> taken;
  for (const Ipv4Address& a : skip) taken.insert(ToNumber(a));
  std::vector<SweepEntry> sweep;
  for (std::size_t r = 0; r < targetRoutes_.size(); ++r) {
    if (!targetRoutes_[r].routed) continue;
    const SearchTarget& t = targetRoutes_[r].target;
    for (std::uint32_t i = 0; i < t.HostCount() && sweep.size() < kMostTargetAddresses; ++i) {
      const Ipv4Address host = t.Host(i);
      // Each address once, and never the workstation's own addresses or
      // its networks' broadcasts.
      if (!taken.insert(ToNumber(host)).second) continue;
      sweep.push_back({host, r});
    }
  }
  return sweep;
}

void DeviceProtocol::SendSweep(const std::vector<SweepEntry>& sweep,
                               const std::vector<wire::Bytes>& requests, std::size_t from,
                               std::size_t to, std::vector<TargetTrouble>& counts) {
  for (std::size_t n = from; n < to; ++n) {
    const SweepEntry& e = sweep[n % sweep.size()];
    const SendResult result =
        network_.SendToAddress(e.to, requests[e.route].data(), requests[e.route].size());
    // Counted per target over the three rounds; the first failure says why.
    TargetTrouble& count = counts[e.route];
    ++count.tried;
    if (result != SendResult::kSent && count.failed++ == 0) count.result = result;
  }
}

void DeviceProtocol::ReportSweep(const std::vector<TargetTrouble>& counts) {
  for (std::size_t r = 0; r < counts.size() && r < targetRoutes_.size(); ++r) {
    if (counts[r].failed == 0) continue;
    TargetTrouble trouble = counts[r];
    trouble.target = targetRoutes_[r].target;
    targetTroubles_.push_back(trouble);
  }
}

int DeviceProtocol::TargetOfReply(const wire::WireView& reply,
                                  const std::uint8_t address[4]) const {
  int any = -1;
  for (std::size_t i = 0; i < targetRoutes_.size(); ++i) {
    const TargetRoute& r = targetRoutes_[i];
    if (!r.routed || !reply.Equals(wire::kClientIdOffset, r.clientId, wire::kIdLength)) continue;
    Ipv4Address from;
    std::memcpy(from.octet, address, 4);
    if (r.target.Contains(from)) return static_cast<int>(i);
    if (any < 0) any = static_cast<int>(i);
  }
  return any;
}

const TargetRoute* DeviceProtocol::TargetRouteOf(const DeviceRecord& device) const {
  if (device.viaTarget == 0 || device.viaTarget > targetRoutes_.size()) return nullptr;
  return &targetRoutes_[device.viaTarget - 1];
}

const std::uint8_t* DeviceProtocol::ClientIdFor(const DeviceRecord& device) const {
  if (const TargetRoute* route = TargetRouteOf(device)) return route->clientId;
  return InterfaceOf(device).clientId;
}

void DeviceProtocol::SendToDevice(const DeviceRecord& device, const std::uint8_t* message,
                                  std::size_t length) {
  if (!started_) return;
  if (TargetRouteOf(device) != nullptr) {
    Ipv4Address to;
    if (ParseDotted(device.ip, to.octet)) network_.SendToAddress(to, message, length);
    return;
  }
  SendRequestOn(InterfaceIndexOf(device), message, length);
}

bool DeviceProtocol::StillReachable(const DeviceRecord& device) {
  const TargetRoute* route = TargetRouteOf(device);
  if (route == nullptr) return InterfaceStillThere(device);
  // The reply goes to the address the identifier names: if the route to
  // the device now leaves from another one (the VPN went down, say), it
  // could never be heard.
  Ipv4Address to, source;
  return started_ && ParseDotted(device.ip, to.octet) && network_.RouteSource(to, source) &&
         source == route->source;
}

void DeviceProtocol::FollowAddressChange(const DeviceRecord& device,
                                         const Ipv4Address& newAddress) {
  if (TargetRouteOf(device) == nullptr) return;
  Ipv4Address old;
  // Only the device's own target may follow it: never the one another device
  // was found at, even when both leave by the same interface.
  if (ParseDotted(device.ip, old.octet)) FollowMovedDevice(Targets, old, newAddress);
}

}  // namespace tessavue
