// Run inside the workstation's namespace by sweep_bench.sh: RUNS plain
// searches, then RUNS searches that also sweep TARGET (a subnet), over real
// sockets. Prints per search "plain|sweep listed N search_ms T", and per
// sweep "unicast D failed F span_ms S per_ms_avg A per_ms_peak P": the
// datagrams sent by unicast, how many the system refused, the time from the
// first to the last, their average rate and the most within any 1 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "forwarding_network.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "protocol.h"

namespace {

using Wall = std::chrono::steady_clock;

// Notes the moment of every unicast send.
class TimedSends : public tessavue::ForwardingNetwork {
 public:
  using ForwardingNetwork::ForwardingNetwork;
  tessavue::SendResult SendToAddress(const tessavue::Ipv4Address& to, const std::uint8_t* data,
                                     std::size_t length) override {
    const tessavue::SendResult result = ForwardingNetwork::SendToAddress(to, data, length);
    at.push_back(Wall::now());
    if (result != tessavue::SendResult::kSent) ++failed;
    return result;
  }
  std::vector<Wall::time_point> at;
  int failed = 0;
};

double Ms(Wall::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Search(tessavue::DeviceProtocol& protocol, const char* kind) {
  const auto start = Wall::now();
  protocol.SearchDevices();
  std::printf("%s listed %d search_ms %.1f\n", kind, int(protocol.deviceList().size()),
              Ms(Wall::now() - start));
}

void PrintRate(const TimedSends& sends) {
  if (sends.at.empty()) return;
  int peak = 0;
  for (std::size_t i = 0, j = 0; i < sends.at.size(); ++i) {
    while (sends.at[i] - sends.at[j] >= std::chrono::milliseconds(1)) ++j;
    peak = std::max(peak, static_cast<int>(i - j + 1));
  }
  const double span = Ms(sends.at.back() - sends.at.front());
  std::printf("unicast %zu failed %d span_ms %.1f per_ms_avg %.1f per_ms_peak %d\n",
              sends.at.size(), sends.failed, span,
              span > 0 ? static_cast<double>(sends.at.size()) / span : 0.0, peak);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sweep_probe TARGET RUNS\n");
    return 2;
  }
  tessavue::SearchTarget target;
  if (tessavue::CheckTarget(argv[1], target) != tessavue::TargetProblem::kNone) return 2;
  const int runs = std::max(1, std::min(20, std::atoi(argv[2])));
  tessavue::PosixNetwork real;
  TimedSends network(real);
  tessavue::PosixClock clock;
  tessavue::DeviceProtocol protocol(network, clock);
  if (!protocol.InitTransport()) return 1;
  for (int i = 0; i < runs; ++i) Search(protocol, "plain");
  protocol.AddTarget(target);
  for (int i = 0; i < runs; ++i) {
    network.at.clear();
    network.failed = 0;
    Search(protocol, "sweep");
    PrintRate(network);
  }
  return 0;
}
