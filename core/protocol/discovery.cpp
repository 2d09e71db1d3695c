// The search for devices: three search requests, then every reply that
// arrives within the window adds its device once.
#include <algorithm>
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
  Ipv4Address from;
  std::memcpy(from.octet, f.address, 4);
  const bool byTarget =
      target >= 0 &&
      (heardOn < 0 || targetRoutes_[static_cast<std::size_t>(target)].target.Contains(from));
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
  if (deviceListener_)
    deviceListener_->DeviceJoined(*added, static_cast<int>(DeviceList.size()) - 1);
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
  DeviceList.clear();
  searchSeen_.clear();
  const std::int64_t start = clock_.NowMicros();
  const std::int64_t end = start + kSearchWindowMicros;
  RunSearchRounds(start, end);
  DrainQueuedReplies(end + kDrainGraceMicros);
  searchSeen_.clear();
}

void DeviceProtocol::RunSearchRounds(std::int64_t start, std::int64_t end) {
  std::vector<wire::Bytes> requests;
  for (const LocalInterface& i : LocalInterfaces)
    requests.push_back(wire::BuildSearchRequest(i.clientId));
  std::vector<wire::Bytes> targetRequests;
  for (const TargetRoute& r : targetRoutes_)
    targetRequests.push_back(wire::BuildSearchRequest(r.clientId));
  const std::vector<SweepEntry> sweep = SweepList();
  std::vector<TargetTrouble> counts(targetRoutes_.size());

  // Each round goes to the group on every interface in one instant; its
  // unicast to the targets follows in paced batches, beginning in the same
  // instant. Replies are read from the first send on, the gaps included, so
  // however many devices answer none waits in the socket.
  std::int64_t roundAt = start;
  std::int64_t nextBatch = start;
  std::size_t due = 0, sent = 0;
  for (int round = 0;;) {
    const std::int64_t now = clock_.NowMicros();
    if (round < kSearchSends && now >= roundAt) {
      for (std::size_t i = 0; i < requests.size(); ++i)
        SendRequestOn(i, requests[i].data(), requests[i].size());
      due += sweep.size();
      // After the last round, its gap still bounds the first collection.
      roundAt += ++round < kSearchSends ? kSearchSendGapMicros : kSearchLastGapMicros;
    }
    if (sent < due && now >= nextBatch) {
      const std::size_t batch = std::min(due - sent, static_cast<std::size_t>(kSweepBatch));
      SendSweep(sweep, targetRequests, sent, sent + batch, counts);
      sent += batch;
      nextBatch = now + kSweepBatchGapMicros;
    }
    if (now >= end) break;
    std::int64_t next = end;
    if (roundAt > now) next = std::min(next, roundAt);
    if (sent < due) next = std::min(next, nextBatch);
    CollectSearchReplies(next);
  }
  ReportSweep(counts);
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
