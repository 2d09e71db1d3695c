// Search targets: addresses the search also reaches by unicast, for devices
// that the group never reaches (another subnet, behind a router, at the far
// end of a VPN), and the requests to the devices found through them.
#include <algorithm>
#include <cstring>

#include "protocol.h"
#include "wire.h"

namespace tessavue {

TargetProblem CheckTarget(const Ipv4Address& a) {
  const std::uint8_t* o = a.octet;
  if (o[0] == 0 && o[1] == 0 && o[2] == 0 && o[3] == 0) return TargetProblem::kUnspecified;
  if (o[0] == 255 && o[1] == 255 && o[2] == 255 && o[3] == 255) return TargetProblem::kBroadcast;
  if ((o[0] & 0xF0) == 224) return TargetProblem::kMulticast;
  if (o[0] == 127) return TargetProblem::kLoopback;
  return TargetProblem::kNone;
}

TargetProblem CheckTarget(const char* text, Ipv4Address& address) {
  Ipv4Address parsed;
  if (!ParseDotted(text, parsed.octet)) return TargetProblem::kNotAnAddress;
  const TargetProblem problem = CheckTarget(parsed);
  if (problem == TargetProblem::kNone) address = parsed;
  return problem;
}

std::string TargetProblemMessage(TargetProblem problem, const char* text) {
  const std::string t = text == nullptr ? "" : text;
  switch (problem) {
    case TargetProblem::kNone: return "";
    case TargetProblem::kNotAnAddress:
      return "'" + t + "' is not an IPv4 address (four numbers 0-255 separated by dots)";
    case TargetProblem::kUnspecified: return "0.0.0.0 is no device's address";
    case TargetProblem::kBroadcast:
      return "255.255.255.255 is the broadcast address, no device's address";
    case TargetProblem::kMulticast:
      return t + " is a multicast address (224.0.0.0/4), no device's address";
    case TargetProblem::kLoopback:
      return t + " is a loopback address (127.0.0.0/8): it never reaches a device";
  }
  return "";
}

bool DeviceProtocol::AddTarget(const Ipv4Address& address) {
  if (CheckTarget(address) != TargetProblem::kNone) return false;
  if (std::find(Targets.begin(), Targets.end(), address) != Targets.end()) return false;
  Targets.push_back(address);
  return true;
}

void DeviceProtocol::RouteTargets() {
  targetRoutes_.clear();
  std::vector<Ipv4Address> beyond;
  for (const Ipv4Address& target : Targets) {
    TargetRoute& r = targetRoutes_.emplace_back();
    r.target = target;
    r.routed = started_ && network_.RouteSource(target, r.source);
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

int DeviceProtocol::TargetOfReply(const wire::WireView& reply,
                                  const std::uint8_t address[4]) const {
  int any = -1;
  for (std::size_t i = 0; i < targetRoutes_.size(); ++i) {
    const TargetRoute& r = targetRoutes_[i];
    if (!r.routed || !reply.Equals(wire::kClientIdOffset, r.clientId, wire::kIdLength)) continue;
    if (std::memcmp(r.target.octet, address, 4) == 0) return static_cast<int>(i);
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
  const TargetRoute* route = TargetRouteOf(device);
  if (route == nullptr) return;
  Ipv4Address old;
  if (!ParseDotted(device.ip, old.octet)) old = route->target;
  // The device's old address when it is a target, else the target it was
  // found through.
  auto at = std::find(Targets.begin(), Targets.end(), old);
  if (at == Targets.end()) at = std::find(Targets.begin(), Targets.end(), route->target);
  if (at == Targets.end() || *at == newAddress) return;
  if (CheckTarget(newAddress) != TargetProblem::kNone ||
      std::find(Targets.begin(), Targets.end(), newAddress) != Targets.end()) {
    // Already a target (or unusable as one): the old address just goes.
    Targets.erase(at);
    return;
  }
  *at = newAddress;
}

}  // namespace tessavue
