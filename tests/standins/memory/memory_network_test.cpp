// The in-memory network against the datagram network's contract.
#include <gtest/gtest.h>

#include "memory_network.h"
#include "network_contract.h"
#include "virtual_clock.h"

namespace tessavue {
namespace {

// The datagrams from a device are delivered at once; what the workstation
// sends is read from the network's record of it.
class MemoryHarness {
 public:
  MemoryHarness() { network_.Startup(); }
  DatagramNetwork& network() { return network_; }
  Clock& clock() { return clock_; }
  bool Open() { return network_.Open(Ipv4Address{{192, 168, 0, 100}}); }
  void Arrive(const std::vector<std::uint8_t>& datagram) { network_.Deliver(datagram, 0); }
  std::vector<std::vector<std::uint8_t>> Sent() {
    const auto& all = network_.sent();
    std::vector<std::vector<std::uint8_t>> since(all.begin() + static_cast<long>(read_), all.end());
    read_ = all.size();
    return since;
  }
  Ipv4Address DeviceAddress() { return Ipv4Address{{192, 168, 0, 20}}; }
  void NameLocalAddress(const Ipv4Address& address) { network_.SetLocalAddress(address); }

 private:
  VirtualClock clock_;
  MemoryNetwork network_{clock_};
  std::size_t read_ = 0;
};

using namespace contract;
INSTANTIATE_TYPED_TEST_SUITE_P(MemoryNetwork, DatagramNetworkContract, MemoryHarness);

}  // namespace
}  // namespace tessavue
