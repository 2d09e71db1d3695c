// The three devices of the programs' demo mode.
#pragma once

#include <vector>

#include "device.h"

namespace tessavue {

// Two devices on the workstation's /24 subnet (one static with the default
// administrator password, one on DHCP whose password is "tessavue") and one
// on the next /24, which the window cannot configure. Each has shares.
std::vector<DeviceSettings> DemoDevices(const Ipv4Address& workstation);

// In the programs' demo the devices confirm an address change this long after
// taking it, as a device that restarts its network does.
constexpr std::int64_t kDemoConfirmMicros = 3'000'000;

// In the demo's drive letters, the shares of "Tessavue-Media" take this
// account only; those of the other devices take any.
constexpr const char* kDemoGuardedDevice = "Tessavue-Media";
constexpr const char* kDemoShareUser = "demo";
constexpr const char* kDemoSharePassword = "demo";

}  // namespace tessavue
