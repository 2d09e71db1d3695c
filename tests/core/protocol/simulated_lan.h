// The workstation and simulated devices on the in-memory network, for the
// protocol tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "memory_network.h"
#include "memory_segment.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

namespace tessavue::testing {

// The workstation and its network, started.
struct Lan {
  VirtualClock clock{1000000};
  MemoryNetwork net{clock};
  DeviceProtocol protocol{net, clock};

  SimulatedSegment segment{net};

  Lan() { protocol.InitTransport(); }

  // A device at 192.168.0.20 that answers searches and queries after 5 ms
  // and set requests after 200 ms, and moves to 192.168.0.77 on a DHCP set.
  SimulatedDevice& AddDevice() {
    DeviceSettings s;
    s.serial = {0xD0, 0x01, 0x02, 0x03, 0x04, 0x05};
    s.ip = Ipv4Address{{192, 168, 0, 20}};
    s.name = "TESSA-1";
    s.netmask = Ipv4Address{{255, 255, 255, 0}};
    s.gateway = Ipv4Address{{192, 168, 0, 1}};
    s.shares = "PUBLIC:MEDIA";
    s.adminUser = s.adminPassword = "qewro";
    s.replyDelayMicros = 5000;
    s.setAnswer.delayMicros = 200000;
    s.dhcpAddress = Ipv4Address{{192, 168, 0, 77}};
    return segment.AddDevice(std::move(s));
  }
  void Select(const char* ip) { protocol.SelectDevice(ip); }
  // A reply datagram as a device would send it, with this workstation's
  // ClientId unless told otherwise.
  wire::Bytes Reply(std::uint8_t opcode, const std::uint8_t address[4], std::size_t length = 29) {
    wire::Bytes d(length, 0);
    d[0] = opcode;
    std::memcpy(d.data() + 1, protocol.clientId(), 10);
    std::memcpy(d.data() + 17, address, 4);
    return d;
  }
};

}  // namespace tessavue::testing
