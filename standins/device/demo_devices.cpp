#include "demo_devices.h"

namespace tessavue {
namespace {

Ipv4Address On(const Ipv4Address& net, std::uint8_t third, std::uint8_t host) {
  return Ipv4Address{{net.octet[0], net.octet[1], third, host}};
}

// A host number on the subnet that is not the workstation's own.
std::uint8_t HostBeside(const Ipv4Address& workstation, std::uint8_t wanted) {
  return workstation.octet[3] == wanted ? std::uint8_t(wanted + 1) : wanted;
}

// A demo device at `ip` on its /24, whose gateway is the subnet's .1, with
// the last byte of its serial and its reply delay.
DeviceSettings Demo(const char* name, const Ipv4Address& ip, std::uint8_t serial,
                    std::int64_t delayMicros) {
  DeviceSettings s;
  s.name = name;
  s.ip = ip;
  s.netmask = Ipv4Address{{255, 255, 255, 0}};
  s.gateway = On(ip, ip.octet[2], 1);
  s.serial = {0x00, 0x1b, 0x7e, 0xd0, 0x00, serial};
  s.replyDelayMicros = delayMicros;
  return s;
}

}  // namespace

std::vector<DeviceSettings> DemoDevices(const Ipv4Address& workstation) {
  const std::uint8_t subnet = workstation.octet[2];
  const std::uint8_t other = std::uint8_t(subnet + 1);
  // Replies arrive a little apart, as from real devices.
  DeviceSettings office =
      Demo("Tessavue-Office", On(workstation, subnet, HostBeside(workstation, 20)), 1, 3000);
  office.shares = "public:backup:scans";

  DeviceSettings media =
      Demo("Tessavue-Media", On(workstation, subnet, HostBeside(workstation, 31)), 2, 7000);
  media.dhcp = true;
  media.dhcpAddress = media.ip;
  media.shares = "music:video:photos";
  media.adminPassword = "tessavue";

  DeviceSettings lab = Demo("Tessavue-Lab", On(workstation, other, 40), 3, 12000);
  lab.shares = "archive";
  lab.dhcpAddress = On(workstation, other, 41);
  return {office, media, lab};
}

}  // namespace tessavue
