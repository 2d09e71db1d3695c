// How the search scales with the number of devices: for N devices on the
// in-memory network, each answering all three search requests, prints the
// devices listed, the search's virtual time and the host CPU time per reply
// (the simulated devices' own work of building replies included); the last
// row with the workstation on two networks and the devices spread over both.
// Then, on Linux, what every search adds by reading the workstation's real
// interfaces anew: with nothing changed, and with a change each time (the
// sockets then moved).
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "forwarding_network.h"
#include "memory_network.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"
#ifndef _WIN32
#include "posix_network.h"
#endif

namespace {

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Result {
  int listed;
  double virtualSeconds;
  double cpuMicrosPerReply;
};

// The workstation's addresses, one on each of `networks` networks.
std::vector<tessavue::Ipv4Address> LocalAddresses(int networks) {
  std::vector<tessavue::Ipv4Address> locals;
  locals.reserve(static_cast<std::size_t>(networks));
  for (int n = 0; n < networks; ++n)
    locals.push_back(tessavue::Ipv4Address{{10, 200, static_cast<std::uint8_t>(n), 100}});
  return locals;
}

// Devices n, n + networks, n + 2 * networks ... below `devices` listen on
// network n and answer every search sent there, their answers spread over
// the 60 ms after the request; `replies` counts them.
void AnswerSearches(tessavue::MemoryNetwork& net, int n, int networks, int devices, long& replies) {
  using namespace tessavue;
  net.AddGroupListener(
      n, [&net, &replies, n, networks, devices](const std::uint8_t* data, std::size_t length) {
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
          net.Deliver(wire::BuildSearchReply(h.clientId, id, '1', "255.0.0.0", "10.0.0.1",
                                             "device-" + std::to_string(i)),
                      static_cast<std::int64_t>(i) * 60000 / devices);
          ++replies;
        }
      });
}

Result Run(int devices, int networks) {
  using namespace tessavue;
  VirtualClock clock(1000000);
  MemoryNetwork net(clock);
  net.SetLocalAddresses(LocalAddresses(networks));
  DeviceProtocol protocol(net, clock);
  protocol.InitTransport();
  long replies = 0;
  // Device i is on network i % networks and answers what is sent there.
  for (int n = 0; n < networks; ++n) AnswerSearches(net, n, networks, devices, replies);
  const double cpuStart = CpuSeconds();
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  const std::int64_t elapsed = clock.NowMicros() - start;
  const double cpu = CpuSeconds() - cpuStart;
  return Result{static_cast<int>(protocol.deviceList().size()), static_cast<double>(elapsed) / 1e6,
                replies > 0 ? cpu * 1e6 / static_cast<double>(replies) : 0.0};
}

#ifndef _WIN32
// The host's own interfaces as the system gives them; with `changing`, every
// second read leaves the last one out, as if its link came and went between
// two searches.
class ChangingInterfaces : public tessavue::ForwardingNetwork {
 public:
  explicit ChangingInterfaces(bool changing) : ForwardingNetwork(posix_), changing_(changing) {}
  bool LocalAddresses(std::vector<tessavue::Ipv4Address>& addresses) override {
    const bool ok = inner().LocalAddresses(addresses);
    if (changing_ && ++reads_ % 2 == 0 && !addresses.empty()) addresses.pop_back();
    return ok;
  }
  bool ChangeInterfaces(const std::vector<tessavue::Ipv4Address>& locals) override {
    ++changes_;
    return inner().ChangeInterfaces(locals);
  }
  int changes() const { return changes_; }

 private:
  tessavue::PosixNetwork posix_{[] {
    tessavue::PosixNetworkOptions o;
    o.receivePort = 0;  // any free port: the benchmark never listens
    return o;
  }()};
  bool changing_;
  int reads_ = 0;
  int changes_ = 0;
};

// Microseconds of host time per re-read of the interfaces, over `rounds`.
double RefreshMicros(bool changing, int rounds, int& changes, std::size_t& interfaces) {
  ChangingInterfaces net(changing);
  tessavue::VirtualClock clock(1000000);
  tessavue::DeviceProtocol protocol(net, clock);
  protocol.InitTransport();
  interfaces = protocol.localInterfaces().size();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) protocol.RefreshInterfaces();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  changes = net.changes();
  return std::chrono::duration<double, std::micro>(elapsed).count() / rounds;
}

void PrintRefreshCost() {
  constexpr int kRounds = 2000;
  std::printf("\nre-reading this host's interfaces at the start of a search (%d rounds each)\n",
              kRounds);
  std::printf("%-34s %10s %9s %12s %18s\n", "", "interfaces", "changes", "us per read",
              "share of a search");
  for (bool changing : {false, true}) {
    int changes = 0;
    std::size_t interfaces = 0;
    const double micros = RefreshMicros(changing, kRounds, changes, interfaces);
    std::printf("%-34s %10zu %9d %12.2f %17.4f%%\n",
                changing ? "changed set (sockets moved)" : "unchanged set", interfaces, changes,
                micros, 100.0 * micros / static_cast<double>(tessavue::kSearchWindowMicros));
  }
}
#endif

}  // namespace

int main() {
  std::printf("%8s %9s %10s %18s %22s\n", "devices", "networks", "listed", "virtual search s",
              "host CPU us per reply");
  for (auto [n, networks] : {std::pair{1, 1}, {10, 1}, {100, 1}, {1000, 1}, {1000, 2}}) {
    Result r = Run(n, networks);
    std::printf("%8d %9d %10d %18.3f %22.2f\n", n, networks, r.listed, r.virtualSeconds,
                r.cpuMicrosPerReply);
  }
#ifndef _WIN32
  PrintRefreshCost();
#endif
  return 0;
}
