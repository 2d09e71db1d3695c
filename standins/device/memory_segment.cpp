#include "memory_segment.h"

#include <string>
#include <utility>
#include <vector>

#include "memory_network.h"

namespace tessavue {

// Shared with the network's listener, which cannot be removed: once the
// segment is gone the listener finds it detached and does nothing.
struct SimulatedSegment::State {
  MemoryNetwork* network = nullptr;
  std::size_t via = 0;
  SegmentPlace place = SegmentPlace::kLocal;
  std::deque<SimulatedDevice> devices;
  int repliesToOthers = 0;

  // `unicastTo`: the address a unicast request was sent to; nullptr for one
  // to the group.
  void Hear(const std::uint8_t* data, std::size_t length, const Ipv4Address* unicastTo = nullptr) {
    if (network == nullptr) return;
    if (unicastTo == nullptr && place == SegmentPlace::kBehindRouter) return;
    const Ipv4Address workstation = network->boundAddress(via);
    const bool known = network->IsOpen();
    Ipv4Address group;
    ParseAddress(kGroupAddressText, group);
    // Index loop: a device added while handling must not upset the walk.
    for (std::size_t i = 0; i < devices.size(); ++i) {
      if (unicastTo != nullptr && !(devices[i].settings().ip == *unicastTo)) continue;
      RequestOutcome outcome = devices[i].Handle(data, length);
      if (!outcome.reply) continue;
      // A reply reaches the workstation when it is sent to the address its
      // receive socket is bound to on this segment's interface, to the group,
      // or to the broadcast address of that interface's subnet (taken under
      // the device's netmask).
      const Ipv4Address to = outcome.reply->destination;
      const bool reaches =
          place == SegmentPlace::kBehindRouter
              ? network->HearsUnicastAt(to)
              : to == workstation || to == group ||
                    to == SubnetBroadcast(workstation, devices[i].settings().netmask) ||
                    network->HearsUnicastAt(to);
      if (known && !reaches) {
        ++repliesToOthers;
        continue;
      }
      network->Deliver(std::move(outcome.reply->datagram), outcome.reply->delayMicros);
    }
  }
};

SimulatedSegment::SimulatedSegment(MemoryNetwork& network, std::size_t via, SegmentPlace place)
    : state_(std::make_shared<State>()) {
  state_->network = &network;
  state_->via = via;
  state_->place = place;
  std::weak_ptr<State> weak = state_;
  network.AddGroupListener(via, [weak](const std::uint8_t* data, std::size_t length) {
    if (auto state = weak.lock()) state->Hear(data, length);
  });
  network.AddUnicastListener(
      [weak](const Ipv4Address& to, const std::uint8_t* data, std::size_t length) {
        if (auto state = weak.lock()) state->Hear(data, length, &to);
      });
}

SimulatedSegment::~SimulatedSegment() { state_->network = nullptr; }

SimulatedDevice& SimulatedSegment::AddDevice(DeviceSettings settings) {
  return state_->devices.emplace_back(std::move(settings));
}

void SimulatedSegment::AddGeneratedDevices(std::size_t count, const Ipv4Address& first,
                                           const Ipv4Address& netmask, const Ipv4Address& gateway,
                                           const char* prefix) {
  for (auto& settings : GenerateDevices(count, first, netmask, gateway, prefix))
    AddDevice(std::move(settings));
}

std::size_t SimulatedSegment::size() const { return state_->devices.size(); }

SimulatedDevice& SimulatedSegment::device(std::size_t index) { return state_->devices.at(index); }

void SimulatedSegment::SetSilent(std::size_t index, bool silent, bool stillAnswerSearches) {
  DeviceSettings& settings = device(index).settings();
  settings.searchAnswer.silent = silent && !stillAnswerSearches;
  settings.queryAnswer.silent = silent;
  settings.setAnswer.silent = silent;
}

void SimulatedSegment::HearFromAnotherWorkstation(const std::uint8_t* data, std::size_t length) {
  state_->Hear(data, length);
}

int SimulatedSegment::repliesToOthers() const { return state_->repliesToOthers; }

}  // namespace tessavue
