// The command line of tessavue-device, parsed into the devices to play.
#pragma once

#include <string>
#include <vector>

#include "device.h"

namespace tessavue {

struct DeviceProgramOptions {
  std::vector<DeviceSettings> devices;
  bool haveInterface = false;
  Ipv4Address interfaceAddress;  // where to join the group; any when not given
  bool log = false;
  bool help = false;
  bool version = false;
};

// false with `error` set when an argument or a setting is wrong.
bool ParseDeviceProgramArgs(const std::vector<std::string>& args, DeviceProgramOptions& options,
                            std::string& error);

extern const char* const kDeviceProgramHelp;

}  // namespace tessavue
