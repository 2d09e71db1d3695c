#include "demo_world.h"

#include "demo_devices.h"
#include "protocol.h"
#include "wire.h"

namespace tessavue {

DemoWorld::DemoWorld() {
  Ipv4Address workstation;
  network.LocalAddress(workstation);
  for (const DeviceSettings& device : DemoDevices(workstation)) {
    segment.AddDevice(device);
    char ip[16];
    FormatDotted(device.ip.octet, ip);
    const bool guarded = device.name == kDemoGuardedDevice;
    if (device.ip.octet[2] == workstation.octet[2]) resolver.names.insert(device.name);
    // Each share answers by the device's name and by its address.
    std::size_t start = 0;
    while (start <= device.shares.size()) {
      std::size_t end = device.shares.find(':', start);
      if (end == std::string::npos) end = device.shares.size();
      std::string share = device.shares.substr(start, end - start);
      if (!share.empty()) {
        for (const std::string& server : {device.name, std::string(ip)}) {
          if (guarded)
            connections.AddShare(server, share, kDemoShareUser, kDemoSharePassword);
          else
            connections.AddShare(server, share);
        }
      }
      start = end + 1;
    }
  }
  // One share already mapped outside the program, as on a workstation in use.
  connections.MapOutside('F', "\\\\Tessavue-Office\\public");
}

void DemoWorld::PlayInRealTime(Clock& realClock) {
  network.SetPacing(&realClock);
  network.HoldBack(wire::kSetReply, kDemoConfirmMicros);
}

}  // namespace tessavue
