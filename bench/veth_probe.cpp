// Run inside the workstation's namespace by veth_bench.sh: one search over
// real sockets, then (optionally) one timed share query to a chosen device.
// Prints "listed N search_ms T" and "share_query_ms T".
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_network.h"
#include "protocol/protocol.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: veth_probe LOCAL_IP [SHARE_DEVICE_IP]\n");
    return 2;
  }
  std::uint8_t octets[4];
  if (!tessavue::ParseDotted(argv[1], octets)) return 2;
  tessavue::PosixNetworkOptions options;
  options.localAddress = tessavue::Ipv4Address{{octets[0], octets[1], octets[2], octets[3]}};
  tessavue::PosixNetwork network(options);
  tessavue::PosixClock clock;
  tessavue::DeviceProtocol protocol(network, clock);
  if (!protocol.InitTransport()) return 1;

  using Wall = std::chrono::steady_clock;
  auto t0 = Wall::now();
  protocol.SearchDevices();
  auto t1 = Wall::now();
  std::printf("listed %d search_ms %.1f\n", int(protocol.DeviceList.count),
              std::chrono::duration<double, std::milli>(t1 - t0).count());

  if (argc > 2) {
    tessavue::CopyText(protocol.SelectedDeviceIp, sizeof protocol.SelectedDeviceIp, argv[2]);
    t0 = Wall::now();
    int ok = protocol.FetchShares();
    t1 = Wall::now();
    std::printf("share_query_ms %.1f answered %d\n",
                std::chrono::duration<double, std::milli>(t1 - t0).count(), ok);
  }
  protocol.ShutdownTransport();
  return 0;
}
