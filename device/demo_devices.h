// The three devices of the programs' demo mode.
#pragma once

#include <vector>

#include "device/device.h"

namespace tessavue {

// Two devices on the workstation's /24 subnet (one static with the default
// administrator password, one on DHCP whose password is "tessavue") and one
// on the next /24, which the window cannot configure. Each has shares.
std::vector<DeviceSettings> DemoDevices(const Ipv4Address& workstation);

// In the programs' demo the devices confirm an address change this long after
// taking it, as a device that restarts its network does.
constexpr std::int64_t kDemoConfirmMicros = 3'000'000;

}  // namespace tessavue
