// Simulated devices on the in-memory network, on one of the workstation's
// interfaces: every datagram the workstation sends to the group out of that
// interface reaches each device, and each reply that reaches the
// workstation (by unicast, to the group, or by broadcast on its subnet, by the
// device's reply mode) is delivered after the device's delay for that kind of request.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>

#include "device.h"

namespace tessavue {

class MemoryNetwork;

// Requests sent by unicast reach the one device whose address they are sent
// to, on any segment.
//
// A segment behind a router (kBehindRouter) is one the workstation has no
// interface on: the group requests never reach it, and of the devices'
// replies only those sent by unicast to one of the workstation's addresses
// come back (replies to the group and broadcasts stay on its side).
enum class SegmentPlace { kLocal, kBehindRouter };

class SimulatedSegment {
 public:
  explicit SimulatedSegment(MemoryNetwork& network, std::size_t via = 0,
                            SegmentPlace place = SegmentPlace::kLocal);
  ~SimulatedSegment();
  SimulatedSegment(const SimulatedSegment&) = delete;
  SimulatedSegment& operator=(const SimulatedSegment&) = delete;

  // Adds a device; it answers from the next datagram on. The reference stays
  // valid for the segment's life.
  SimulatedDevice& AddDevice(DeviceSettings settings);
  // Adds `count` devices named "<prefix>-<n>" (n from 1) with consecutive
  // addresses from `first`, distinct serials, the given netmask and gateway.
  void AddGeneratedDevices(std::size_t count, const Ipv4Address& first, const Ipv4Address& netmask,
                           const Ipv4Address& gateway, const char* prefix = "Tessavue");

  std::size_t size() const;
  SimulatedDevice& device(std::size_t index);

  // A silenced device still changes its state but sends no reply (except to
  // searches when `stillAnswerSearches`); the device's answer settings
  // (DeviceSettings::searchAnswer and the others) hold it.
  void SetSilent(std::size_t index, bool silent, bool stillAnswerSearches = false);

  // A datagram another workstation sends to the group: every device hears
  // it, and its replies reach this workstation only when they go to the group
  // or by broadcast.
  void HearFromAnotherWorkstation(const std::uint8_t* data, std::size_t length);

  // Replies that did not reach the network's workstation (sent by unicast to
  // another one, or broadcast on another subnet than its interface's, or
  // stopped by the router).
  int repliesToOthers() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tessavue
