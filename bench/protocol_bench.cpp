// How the search scales with the number of devices: for N devices on the
// in-memory network, each answering all three search requests, prints the
// devices listed, the search's virtual time and the host CPU time per reply
// (the simulated devices' own work of building replies included); the last
// row with the workstation on two networks and the devices spread over both.
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Result {
  int listed;
  double virtualSeconds;
  double cpuMicrosPerReply;
};

Result Run(int devices, int networks) {
  using namespace tessavue;
  VirtualClock clock(1000000);
  MemoryNetwork net(clock);
  std::vector<Ipv4Address> locals;
  for (int n = 0; n < networks; ++n)
    locals.push_back(Ipv4Address{{10, 200, static_cast<std::uint8_t>(n), 100}});
  net.SetLocalAddresses(locals);
  DeviceProtocol protocol(net, clock);
  protocol.InitTransport();
  long replies = 0;
  // Device i is on network i % networks and answers what is sent there.
  for (int n = 0; n < networks; ++n)
    net.AddGroupListener(n, [&, n](const std::uint8_t* data, std::size_t length) {
      wire::RequestHeader h = wire::ParseRequestHeader(wire::WireView(data, length));
      if (h.opcode != wire::kSearchRequest) return;
      for (int i = n; i < devices; i += networks) {
        std::uint8_t id[10] = {0xBE,
                               0x0C,
                               0,
                               0,
                               static_cast<std::uint8_t>(i >> 8),
                               static_cast<std::uint8_t>(i),
                               10,
                               static_cast<std::uint8_t>(i >> 16),
                               static_cast<std::uint8_t>(i >> 8),
                               static_cast<std::uint8_t>(i)};
        // Answers spread over the 60 ms after each request.
        net.Deliver(wire::BuildSearchReply(h.clientId, id, '1', "255.0.0.0", "10.0.0.1",
                                           "device-" + std::to_string(i)),
                    static_cast<std::int64_t>(i) * 60000 / devices);
        ++replies;
      }
    });
  const double cpuStart = CpuSeconds();
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  const std::int64_t elapsed = clock.NowMicros() - start;
  const double cpu = CpuSeconds() - cpuStart;
  return Result{protocol.DeviceList.count, elapsed / 1e6, replies > 0 ? cpu * 1e6 / replies : 0.0};
}

}  // namespace

int main() {
  std::printf("%8s %9s %10s %18s %22s\n", "devices", "networks", "listed", "virtual search s",
              "host CPU us per reply");
  for (auto [n, networks] : {std::pair{1, 1}, {10, 1}, {100, 1}, {1000, 1}, {1000, 2}}) {
    Result r = Run(n, networks);
    std::printf("%8d %9d %10d %18.3f %22.2f\n", n, networks, r.listed, r.virtualSeconds,
                r.cpuMicrosPerReply);
  }
  return 0;
}
