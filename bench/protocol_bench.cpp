// How the search scales with the number of devices: for N devices on the
// in-memory network, each answering all three search requests, prints the
// devices listed, the search's virtual time and the host CPU time per reply
// (the simulated devices' own work of building replies included).
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/memory/memory_network.h"
#include "platform/memory/virtual_clock.h"
#include "protocol/protocol.h"
#include "protocol/wire.h"

namespace {

double CpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

struct Result {
  int listed;
  double virtualSeconds;
  double cpuMicrosPerReply;
};

Result Run(int devices) {
  using namespace tessavue;
  VirtualClock clock(1000000);
  MemoryNetwork net(clock);
  DeviceProtocol protocol(net, clock);
  protocol.InitTransport();
  long replies = 0;
  net.AddGroupListener([&](const std::uint8_t* data, std::size_t length) {
    wire::RequestHeader h = wire::ParseRequestHeader(wire::WireView(data, length));
    if (h.opcode != wire::kSearchRequest) return;
    for (int i = 0; i < devices; ++i) {
      std::uint8_t id[10] = {0xBE, 0x0C, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i),
                             10, static_cast<std::uint8_t>(i >> 16), static_cast<std::uint8_t>(i >> 8),
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
  std::printf("%8s %10s %18s %22s\n", "devices", "listed", "virtual search s", "host CPU us per reply");
  for (int n : {1, 10, 100, 1000}) {
    Result r = Run(n);
    std::printf("%8d %10d %18.3f %22.2f\n", n, r.listed, r.virtualSeconds, r.cpuMicrosPerReply);
  }
  return 0;
}
