// Run inside the workstation's namespace by veth_bench.sh and
// flood_bench.sh: one search over real sockets, then (optionally) COUNT
// timed share queries to a chosen device (default 1). Prints "listed N
// search_ms T", "share_query_ms T answered 0|1" per query, and the process's
// CPU time as "cpu_ms USER SYSTEM". LOCAL_IP "all": every network of the
// workstation, as the programs search without --local-ip.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "posix_clock.h"
#include "posix_network.h"
#include "protocol.h"

static double Millis(const timeval& t) {
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: veth_probe LOCAL_IP|all [SHARE_DEVICE_IP [COUNT]]\n");
    return 2;
  }
  tessavue::PosixNetworkOptions options;
  if (std::strcmp(argv[1], "all") != 0) {
    std::uint8_t octets[4];
    if (!tessavue::ParseDotted(argv[1], octets)) return 2;
    options.localAddress = tessavue::Ipv4Address{{octets[0], octets[1], octets[2], octets[3]}};
  }
  tessavue::PosixNetwork network(options);
  tessavue::PosixClock clock;
  tessavue::DeviceProtocol protocol(network, clock);
  if (!protocol.InitTransport()) return 1;

  using Wall = std::chrono::steady_clock;
  auto t0 = Wall::now();
  protocol.SearchDevices();
  auto t1 = Wall::now();
  std::printf("listed %d search_ms %.1f\n", int(protocol.deviceList().size()),
              std::chrono::duration<double, std::milli>(t1 - t0).count());

  const int queries = argc > 3 ? std::atoi(argv[3]) : 1;
  for (int i = 0; argc > 2 && i < queries && i < 1000; ++i) {
    protocol.SelectDevice(argv[2]);
    t0 = Wall::now();
    int ok = protocol.FetchShares();
    t1 = Wall::now();
    std::printf("share_query_ms %.1f answered %d\n",
                std::chrono::duration<double, std::milli>(t1 - t0).count(), ok);
  }
  protocol.ShutdownTransport();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("cpu_ms %.1f %.1f\n", Millis(usage.ru_utime), Millis(usage.ru_stime));
  return 0;
}
