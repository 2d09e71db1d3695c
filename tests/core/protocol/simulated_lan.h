// Scripted devices on the in-memory network, for the protocol tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

namespace tessavue::testing {

// One device: answers what it is asked, after chosen delays.
struct ScriptedDevice {
  std::uint8_t id[10] = {0xD0, 0x01, 0x02, 0x03, 0x04, 0x05, 192, 168, 0, 20};
  std::string name = "TESSA-1";
  std::string netmask = "255.255.255.0";
  std::string gateway = "192.168.0.1";
  std::uint8_t mode = '0';
  std::string shares = "PUBLIC:MEDIA";
  std::string adminUser = "qewro";
  std::string adminPassword = "qewro";
  // Delay of the answer to each request; a negative delay means no answer.
  std::int64_t searchDelay = 5000;
  std::int64_t queryDelay = 5000;
  std::int64_t setDelay = 200000;
  // Address the device moves to on a DHCP set.
  std::uint8_t dhcpAddress[4] = {192, 168, 0, 77};
  // What it received, for the tests to look at.
  int searches = 0;
  std::vector<wire::Bytes> requests;

  void SetAddress(const std::uint8_t a[4]) { std::memcpy(id + 6, a, 4); }
  bool Addressed(const wire::RequestHeader& h) const {
    return std::memcmp(h.deviceId, id, 10) == 0;
  }

  void Attach(MemoryNetwork& net) {
    net.AddGroupListener([this, &net](const std::uint8_t* data, std::size_t length) {
      Handle(net, wire::WireView(data, length));
    });
  }

  void Handle(MemoryNetwork& net, const wire::WireView& in) {
    wire::RequestHeader h = wire::ParseRequestHeader(in);
    if (h.opcode == wire::kSearchRequest) {
      ++searches;
      if (searchDelay >= 0)
        net.Deliver(wire::BuildSearchReply(h.clientId, id, mode, netmask, gateway, name),
                    searchDelay);
      return;
    }
    if (!Addressed(h)) return;
    requests.emplace_back(in.data(), in.data() + in.length());
    if (h.opcode == wire::kQueryRequest && queryDelay >= 0) {
      if (h.subcode == wire::kQueryShares) {
        net.Deliver(wire::BuildShareReply(h.clientId, id, shares), queryDelay);
      } else if (h.subcode == wire::kQueryPassword) {
        std::string user, password;
        bool ok = wire::ParsePasswordBody(in, user, password) && user == adminUser &&
                  password == adminPassword;
        net.Deliver(wire::BuildPasswordReply(h.clientId, id, ok ? 1 : 0), queryDelay);
      }
    } else if (h.opcode == wire::kSetRequest && setDelay >= 0) {
      if (h.subcode == wire::kSetDhcp) {
        SetAddress(dhcpAddress);
      } else {
        std::string nm, gw, ip;
        std::uint8_t a[4];
        if (!wire::ParseStaticSet(in, nm, gw, ip) || !ParseDotted(ip.c_str(), a)) return;
        SetAddress(a);
        netmask = nm;
        gateway = gw;
      }
      net.Deliver(wire::BuildSetReply(h.clientId, id), setDelay);
    }
  }
};

// The workstation and its network, started.
struct Lan {
  VirtualClock clock{1000000};
  MemoryNetwork net{clock};
  DeviceProtocol protocol{net, clock};

  Lan() { protocol.InitTransport(); }

  ScriptedDevice& AddDevice() {
    devices.push_back(std::make_unique<ScriptedDevice>());
    devices.back()->Attach(net);
    return *devices.back();
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

  std::vector<std::unique_ptr<ScriptedDevice>> devices;
};

}  // namespace tessavue::testing
