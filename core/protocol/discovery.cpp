// The search for devices: three search requests, then every reply that
// arrives within the window adds its device once.
#include <cstring>
#include <vector>

#include "protocol.h"
#include "wire.h"

namespace tessavue {

namespace {

// How long past its window the search may go on emptying the socket of
// datagrams that were already queued when the window closed.
constexpr std::int64_t kDrainGraceMicros = 100000;

std::uint32_t AddressKey(const std::uint8_t octets[4]) {
  return static_cast<std::uint32_t>(octets[0]) << 24 | static_cast<std::uint32_t>(octets[1]) << 16 |
         static_cast<std::uint32_t>(octets[2]) << 8 | octets[3];
}

}  // namespace

int DeviceProtocol::InterfaceOfReply(const wire::WireView& reply) const {
  for (std::size_t i = 0; i < LocalInterfaces.size(); ++i) {
    if (reply.Equals(wire::kClientIdOffset, LocalInterfaces[i].clientId, wire::kIdLength))
      return static_cast<int>(i);
  }
  return -1;
}

void DeviceProtocol::HandleSearchReply() {
  wire::WireView reply(receiveBuffer_, receiveLength_);
  if (reply.At(wire::kOpcodeOffset) != wire::kSearchReply) return;
  // The identifier echoed names the interface whose request the device
  // answered: the one that reaches it, whichever interface the reply came
  // back on.
  const int heardOn = InterfaceOfReply(reply);
  wire::SearchReplyFields f = wire::ParseSearchReply(reply);
  // A device that answers a target's request is one found through it: when
  // the target is its own address, or when the identifier names no
  // interface of the segment search. Requests to it then go by unicast,
  // which also reaches it if it shares the workstation's segment.
  const int target = TargetOfReply(reply, f.address);
  const bool byTarget =
      target >= 0 &&
      (heardOn < 0 || std::memcmp(targetRoutes_[static_cast<std::size_t>(target)].target.octet,
                                  f.address, 4) == 0);
  if (heardOn < 0 && !byTarget) return;
  // The first reply from an address wins.
  if (!searchSeen_.insert(AddressKey(f.address)).second) return;
  char ip[16];
  FormatDotted(f.address, ip);
  const char mode[2] = {f.addressMode, '\0'};
  DeviceRecord* added =
      AppendDevice(DeviceList, f.name.c_str(), ip, f.netmask.c_str(), f.gateway.c_str(), mode,
                   f.deviceId, static_cast<std::uint32_t>(heardOn < 0 ? 0 : heardOn));
  if (added != nullptr && byTarget) added->viaTarget = static_cast<std::uint32_t>(target) + 1;
  if (added == nullptr) {
    // No memory for the record: the reply is dropped, a later copy may fit.
    searchSeen_.erase(AddressKey(f.address));
    return;
  }
  if (deviceListener_) deviceListener_->DeviceJoined(*added, DeviceList.count - 1);
}

void DeviceProtocol::CollectSearchReplies(std::int64_t deadline) {
  while (clock_.NowMicros() < deadline) {
    if (ReceiveOne(deadline)) HandleSearchReply();
  }
}

void DeviceProtocol::SearchDevices() {
  // The networks of the moment are the ones searched.
  RefreshInterfaces();
  RouteTargets();
  DeviceList.Clear();
  searchSeen_.clear();
  std::vector<wire::Bytes> requests;
  for (const LocalInterface& i : LocalInterfaces)
    requests.push_back(wire::BuildSearchRequest(i.clientId));
  std::vector<wire::Bytes> targetRequests;
  for (const TargetRoute& r : targetRoutes_)
    targetRequests.push_back(wire::BuildSearchRequest(r.clientId));

  // Replies are read from the first send on, the gaps between sends
  // included, so however many devices answer none waits in the socket.
  const std::int64_t start = clock_.NowMicros();
  std::int64_t mark = start;
  for (int send = 0; send < kSearchSends; ++send) {
    // Every interface in the same instant: the search lasts no longer for
    // having several.
    for (std::size_t i = 0; i < requests.size(); ++i)
      SendRequestOn(i, requests[i].data(), requests[i].size());
    for (std::size_t t = 0; t < targetRequests.size(); ++t) {
      if (targetRoutes_[t].routed)
        network_.SendToAddress(targetRoutes_[t].target, targetRequests[t].data(),
                               targetRequests[t].size());
    }
    mark += send + 1 < kSearchSends ? kSearchSendGapMicros : kSearchLastGapMicros;
    CollectSearchReplies(mark);
  }
  const std::int64_t end = start + kSearchWindowMicros;
  CollectSearchReplies(end);
  DrainQueuedReplies(end + kDrainGraceMicros);
  searchSeen_.clear();
}

void DeviceProtocol::DrainQueuedReplies(std::int64_t deadline) {
  // Whatever is already queued when the window closes still counts, within
  // a short grace so that a flood cannot keep the search going.
  while (clock_.NowMicros() < deadline && network_.WaitReadable(0)) {
    int n = network_.Receive(receiveBuffer_, kMaxDatagram);
    if (n < 0 || static_cast<std::size_t>(n) > kMaxDatagram) continue;
    receiveLength_ = static_cast<std::size_t>(n);
    receiveBuffer_[receiveLength_] = 0;
    HandleSearchReply();
  }
}

}  // namespace tessavue
