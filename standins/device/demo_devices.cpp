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

}  // namespace

std::vector<DeviceSettings> DemoDevices(const Ipv4Address& workstation) {
  const std::uint8_t subnet = workstation.octet[2];
  const std::uint8_t other = std::uint8_t(subnet + 1);
  const Ipv4Address mask{{255, 255, 255, 0}};

  std::vector<DeviceSettings> devices(3);

  DeviceSettings& office = devices[0];
  office.name = "Tessavue-Office";
  office.ip = On(workstation, subnet, HostBeside(workstation, 20));
  office.netmask = mask;
  office.gateway = On(workstation, subnet, 1);
  office.shares = "public:backup:scans";
  office.serial = {0x00, 0x1b, 0x7e, 0xd0, 0x00, 0x01};

  DeviceSettings& media = devices[1];
  media.name = "Tessavue-Media";
  media.ip = On(workstation, subnet, HostBeside(workstation, 31));
  media.netmask = mask;
  media.gateway = On(workstation, subnet, 1);
  media.dhcp = true;
  media.dhcpAddress = media.ip;
  media.shares = "music:video:photos";
  media.adminPassword = "tessavue";
  media.serial = {0x00, 0x1b, 0x7e, 0xd0, 0x00, 0x02};

  DeviceSettings& lab = devices[2];
  lab.name = "Tessavue-Lab";
  lab.ip = On(workstation, other, 40);
  lab.netmask = mask;
  lab.gateway = On(workstation, other, 1);
  lab.shares = "archive";
  lab.dhcpAddress = On(workstation, other, 41);
  lab.serial = {0x00, 0x1b, 0x7e, 0xd0, 0x00, 0x03};

  // Replies arrive a little apart, as from real devices.
  office.replyDelayMicros = 3000;
  media.replyDelayMicros = 7000;
  lab.replyDelayMicros = 12000;
  return devices;
}

}  // namespace tessavue
