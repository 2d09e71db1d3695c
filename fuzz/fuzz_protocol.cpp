// DeviceProtocol on the in-memory network, with datagrams of every kind
// arriving at fuzzed times after a request. Besides "no crash" it holds the
// protocol to its rules, worked out here from the datagrams themselves:
// - a query or set wait ends at the first matching reply, or after exactly
//   its longest wait when none comes in time; whatever else arrives;
// - the search takes its window (plus at most the short drain), lists each
//   address once, by the first reply from it, in order of first arrival,
//   and lists every well-formed reply that came well within the window;
// - with two networks, a search reply counts for the network whose
//   identifier it echoes, and a request is answered only by a reply that
//   echoes the identifier of the device's network, out of which it went.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "memory_network.h"
#include "memory_segment.h"
#include "virtual_clock.h"
#include "protocol.h"
#include "wire.h"

using namespace tessavue;

namespace {

enum Operation { kSearch, kPassword, kShares, kDhcp, kStatic, kOperations };

struct Arrival {
  std::int64_t delay;  // after the request is sent
  wire::Bytes datagram;
};

constexpr std::int64_t kDrainGrace = 100000;

std::uint8_t ExpectedOpcode(int op) {
  switch (op) {
    case kSearch: return wire::kSearchReply;
    case kPassword:
    case kShares: return wire::kQueryReply;
    default: return wire::kSetReply;
  }
}

// Datagram `kind` for the request under test, built from fuzzed fields.
wire::Bytes MakeDatagram(FuzzedDataProvider& in, const std::uint8_t clientId[10],
                         const std::uint8_t selected[4], const std::uint8_t newIp[4], int op) {
  std::uint8_t id[10];
  for (auto& b : id) b = in.ConsumeIntegral<std::uint8_t>();
  // Most replies come from the device the request is for.
  if (in.ConsumeBool()) std::memcpy(id + 6, op == kStatic ? newIp : selected, 4);
  std::uint8_t client[10];
  std::memcpy(client, clientId, 10);
  const int kind = in.ConsumeIntegralInRange(0, 7);
  if (kind == 0) client[in.ConsumeIntegralInRange(0, 9)] ^= in.ConsumeIntegralInRange(1, 255);
  switch (kind) {
    case 0:
    case 1: {  // the awaited opcode, for us or for another workstation
      wire::Bytes d = wire::BuildShareReply(client, id, in.ConsumeRandomLengthString(80));
      d[0] = ExpectedOpcode(op);
      return d;
    }
    case 2:
      return wire::BuildSearchReply(
          client, id, in.ConsumeIntegral<std::uint8_t>(), in.ConsumeRandomLengthString(20),
          in.ConsumeRandomLengthString(20), in.ConsumeRandomLengthString(300));
    case 3: return wire::BuildPasswordReply(client, id, in.ConsumeIntegral<std::int8_t>());
    case 4: return wire::BuildSetReply(client, id);
    case 5: {  // oversized: a receive error
      wire::Bytes d(kMaxDatagram + 1 + in.ConsumeIntegralInRange(0, 8), 0);
      d[0] = ExpectedOpcode(op);
      std::memcpy(d.data() + 1, client, 10);
      std::memcpy(d.data() + 11, id, 10);
      return d;
    }
    default: {  // anything at all
      std::string raw = in.ConsumeRandomLengthString(kMaxDatagram);
      return wire::Bytes(raw.begin(), raw.end());
    }
  }
}

bool Readable(const wire::Bytes& d) { return d.size() <= kMaxDatagram; }

std::uint8_t Byte(const wire::Bytes& d, std::size_t i) { return i < d.size() ? d[i] : 0; }

bool ForUs(const wire::Bytes& d, std::uint8_t opcode, const std::uint8_t clientId[10]) {
  if (!Readable(d) || Byte(d, 0) != opcode) return false;
  for (std::size_t i = 0; i < 10; ++i)
    if (Byte(d, 1 + i) != clientId[i]) return false;
  return true;
}

bool FromAddress(const wire::Bytes& d, const std::uint8_t address[4]) {
  for (std::size_t i = 0; i < 4; ++i)
    if (Byte(d, 17 + i) != address[i]) return false;
  return true;
}

// One run: the request under test, the devices' addresses and what arrives.
struct Scenario {
  int op = kSearch;
  std::uint8_t selected[4] = {};
  std::uint8_t newIp[4] = {};
  int failReceives = 0;
  std::int64_t span = 0;  // arrivals come this long after the send at the latest
};

Scenario ReadScenario(FuzzedDataProvider& in) {
  Scenario s;
  s.op = in.ConsumeIntegralInRange(0, kOperations - 1);
  const std::uint8_t selected[4] = {10, 1, in.ConsumeIntegral<std::uint8_t>(),
                                    in.ConsumeIntegral<std::uint8_t>()};
  const std::uint8_t newIp[4] = {10, 2, in.ConsumeIntegral<std::uint8_t>(),
                                 in.ConsumeIntegral<std::uint8_t>()};
  std::memcpy(s.selected, selected, 4);
  std::memcpy(s.newIp, newIp, 4);
  s.failReceives = in.ConsumeIntegralInRange(0, 8);
  const int op = s.op;
  s.span = LongestWait(op == kSearch ? kSearchLoop
                       : op >= kDhcp ? kSetLoop
                                     : kQueryLoop) +
           (op == kSearch ? kSearchWindowMicros : 0) + 300000;
  return s;
}

// Up to 48 datagrams, each echoing the identifier of one of the networks.
std::vector<Arrival> ReadArrivals(FuzzedDataProvider& in, const Scenario& s,
                                  const DeviceProtocol& protocol, std::size_t networks) {
  auto idOf = [&](std::size_t n) { return protocol.localInterfaces()[n].clientId; };
  std::vector<Arrival> arrivals;
  const int count = in.ConsumeIntegralInRange(0, 48);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    const std::int64_t delay = in.ConsumeIntegralInRange<std::int64_t>(0, s.span);
    const std::uint8_t* echoed = idOf(in.ConsumeIntegralInRange<std::size_t>(0, networks - 1));
    arrivals.push_back({delay, MakeDatagram(in, echoed, s.selected, s.newIp, s.op)});
  }
  return arrivals;
}

// The arrivals in the order the network hands them over (stable by time).
std::vector<const Arrival*> InArrivalOrder(const std::vector<Arrival>& arrivals) {
  std::vector<const Arrival*> order;
  order.reserve(arrivals.size());
  for (const Arrival& a : arrivals) order.push_back(&a);
  std::stable_sort(order.begin(), order.end(),
                   [](const Arrival* x, const Arrival* y) { return x->delay < y->delay; });
  return order;
}

// The devices a search should list: the first reply from each address, by
// arrival, with its identifier and network; certain for replies before the
// window's end, possible for those at its very end.
struct ExpectedList {
  std::vector<std::string> sure, possible;
  std::vector<std::vector<std::uint8_t>> firstIds;
  std::vector<std::uint32_t> firstNetworks;
};

ExpectedList ExpectedSearch(const std::vector<const Arrival*>& order,
                            const DeviceProtocol& protocol, std::size_t networks) {
  auto idOf = [&](std::size_t n) { return protocol.localInterfaces()[n].clientId; };
  ExpectedList e;
  for (const Arrival* a : order) {
    std::uint32_t network = 0;
    while (network < networks && !ForUs(a->datagram, wire::kSearchReply, idOf(network))) ++network;
    if (network == networks || a->delay > kSearchWindowMicros) continue;
    std::uint8_t address[4] = {Byte(a->datagram, 17), Byte(a->datagram, 18), Byte(a->datagram, 19),
                               Byte(a->datagram, 20)};
    const std::string ip = DottedText(address);
    if (std::find(e.possible.begin(), e.possible.end(), ip) != e.possible.end()) continue;
    e.possible.push_back(ip);
    std::vector<std::uint8_t> id(10);
    for (std::size_t i = 0; i < 10; ++i) id[i] = Byte(a->datagram, 11 + i);
    e.firstIds.push_back(id);
    e.firstNetworks.push_back(network);
    if (a->delay < kSearchWindowMicros) e.sure.push_back(ip);
  }
  return e;
}

void CheckSearch(DeviceProtocol& protocol, VirtualClock& clock,
                 const std::vector<const Arrival*>& order, std::size_t networks) {
  const std::int64_t start = clock.NowMicros();
  protocol.SearchDevices();
  const std::int64_t took = clock.NowMicros() - start;
  FUZZ_CHECK(took >= kSearchWindowMicros && took <= kSearchWindowMicros + kDrainGrace);

  const ExpectedList e = ExpectedSearch(order, protocol, networks);
  std::size_t index = 0;
  for (const DeviceRecord& r : protocol.deviceList()) {
    // In order of first arrival, each address once, with its first reply's identifier.
    while (index < e.possible.size() && e.possible[index] != r.ip) ++index;
    FUZZ_CHECK(index < e.possible.size());
    FUZZ_CHECK(std::memcmp(r.deviceId, e.firstIds[index].data(), 10) == 0);
    FUZZ_CHECK(r.localInterface == e.firstNetworks[index]);
    FUZZ_CHECK(std::strlen(r.name) <= 255 && std::strlen(r.netmask) <= 15);
    ++index;
  }
  for (const std::string& ip : e.sure)
    FUZZ_CHECK(ContainsAddress(protocol.deviceList(), ip.c_str()));
}

// The first arrival that answers the request in time, or null.
const Arrival* ExpectedAnswer(const std::vector<const Arrival*>& order, const Scenario& s,
                              const std::uint8_t* clientId) {
  const int op = s.op;
  const WaitLoopLimits& limits = op >= kDhcp ? kSetLoop : kQueryLoop;
  const std::uint8_t opcode = ExpectedOpcode(op);
  for (const Arrival* a : order) {
    if (a->delay > LongestWait(limits)) break;
    if (!ForUs(a->datagram, opcode, clientId)) continue;
    if (op == kDhcp || FromAddress(a->datagram, op == kStatic ? s.newIp : s.selected)) return a;
  }
  return nullptr;
}

int SendRequest(DeviceProtocol& protocol, int op) {
  switch (op) {
    case kPassword:
      return protocol.CheckAdminPassword(kDefaultAdministrator, kDefaultAdministrator);
    case kShares: return protocol.FetchShares();
    case kDhcp: return protocol.SetDeviceDhcp();
    default: return protocol.SetDeviceStatic();
  }
}

// What the answer `d` to request `op` leaves behind.
void CheckAnswered(const DeviceProtocol& protocol, int op, int result, const wire::Bytes& d,
                   const std::uint8_t newIp[4]) {
  switch (op) {
    // Any non-zero verdict byte is an acceptance.
    case kPassword: FUZZ_CHECK(result == (Byte(d, 28) != 0 ? 1 : 0)); break;
    case kShares: {
      FUZZ_CHECK(result == 1);
      std::vector<std::string> names;
      for (const ShareRecord& s : protocol.shareList()) {
        const std::string name = s.name;
        FUZZ_CHECK(!name.empty() && name.size() <= 63 && name.find(':') == std::string::npos);
        FUZZ_CHECK(std::find(names.begin(), names.end(), name) == names.end());
        names.push_back(name);
      }
      FUZZ_CHECK(names.size() == protocol.shareList().size());
      break;
    }
    case kDhcp: {
      FUZZ_CHECK(result == 1);
      const std::uint8_t address[4] = {Byte(d, 17), Byte(d, 18), Byte(d, 19), Byte(d, 20)};
      FUZZ_CHECK(protocol.selectedDeviceIp() == DottedText(address));
      FUZZ_CHECK(ContainsAddress(protocol.deviceList(), DottedText(address).c_str()));
      break;
    }
    default:
      FUZZ_CHECK(result == 1);
      FUZZ_CHECK(protocol.selectedDeviceIp() == DottedText(newIp));
      FUZZ_CHECK(std::strcmp(protocol.deviceList().front().gateway, "10.2.0.1") == 0);
      break;
  }
}

// The selected device, on network `heardOn`, listed by a search; it then
// falls silent, so that only the fuzzed datagrams answer the request.
void ListSelectedDevice(DeviceProtocol& protocol, MemoryNetwork& net, SimulatedSegment& segment,
                        const Scenario& s, std::uint32_t heardOn) {
  DeviceSettings device;
  device.name = "fuzz";
  std::memcpy(device.ip.octet, s.selected, 4);
  device.netmask = Ipv4Address{{255, 0, 0, 0}};
  device.gateway = Ipv4Address{{10, 0, 0, 1}};
  device.serial = {0xF0, 0x0F, 1, 2, 3, 4};
  segment.AddDevice(device);
  protocol.SearchDevices();
  FUZZ_CHECK(protocol.deviceList().size() == 1);
  FUZZ_CHECK(protocol.deviceList().front().localInterface == heardOn);
  segment.SetSilent(0, true);
  net.ClearSent();
}

// A request to the selected device, listed as heard on network `heardOn`.
void CheckRequest(DeviceProtocol& protocol, VirtualClock& clock, MemoryNetwork& net,
                  const std::vector<const Arrival*>& order, const Scenario& s,
                  std::uint32_t heardOn) {
  const std::uint8_t* selected = s.selected;
  const std::uint8_t* clientId = protocol.localInterfaces()[heardOn].clientId;
  protocol.SelectDevice(DottedText(selected).c_str());
  protocol.SetNewAddress(DottedText(s.newIp).c_str(), "255.255.0.0", "10.2.0.1");

  const WaitLoopLimits& limits = s.op >= kDhcp ? kSetLoop : kQueryLoop;
  const Arrival* answer = ExpectedAnswer(order, s, clientId);
  const std::int64_t start = clock.NowMicros();
  const int result = SendRequest(protocol, s.op);
  const std::int64_t took = clock.NowMicros() - start;
  FUZZ_CHECK(took <= LongestWait(limits) + 100000);
  // One request, out of the device's network.
  FUZZ_CHECK(net.sentOn() == std::vector<std::size_t>{heardOn});
  FUZZ_CHECK(net.sent().size() == 1 && net.sent()[0].size() > 10 &&
             std::memcmp(net.sent()[0].data() + 1, clientId, 10) == 0);
  FUZZ_CHECK(protocol.deviceList().front().localInterface == heardOn);

  if (answer == nullptr) {
    // Nothing in time: the whole wait, and nothing changed.
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(took == LongestWait(limits));
    FUZZ_CHECK(protocol.selectedDeviceIp() == DottedText(selected));
    FUZZ_CHECK(protocol.shareList().empty());
    return;
  }
  FUZZ_CHECK(took == answer->delay);
  CheckAnswered(protocol, s.op, result, answer->datagram, s.newIp);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Scenario s = ReadScenario(in);

  VirtualClock clock(5000000);
  MemoryNetwork net(clock);
  const bool twoNetworks = in.ConsumeBool();
  if (twoNetworks) net.SetLocalAddresses({Ipv4Address{{10, 9, 0, 1}}, Ipv4Address{{10, 9, 1, 1}}});
  DeviceProtocol protocol(net, clock);
  protocol.InitTransport();
  const std::size_t networks = protocol.localInterfaces().size();
  FUZZ_CHECK(networks == (twoNetworks ? 2u : 1u));
  // The network the selected device was heard on; its identifier is the
  // one a request carries.
  const std::uint32_t heardOn =
      static_cast<std::uint32_t>(in.ConsumeIntegralInRange<std::size_t>(0, networks - 1));
  const std::vector<Arrival> arrivals = ReadArrivals(in, s, protocol, networks);
  SimulatedSegment segment(net, heardOn);
  if (s.op != kSearch) ListSelectedDevice(protocol, net, segment, s, heardOn);
  // Delivered when the request under test goes out (the first one, for the
  // search), so that every delay counts from the send.
  bool delivered = false;
  net.AddGroupListener([&](const std::uint8_t*, std::size_t) {
    if (delivered) return;
    delivered = true;
    for (const Arrival& a : arrivals) net.Deliver(a.datagram, a.delay);
    net.FailNextReceives(s.failReceives);
  });

  const std::vector<const Arrival*> order = InArrivalOrder(arrivals);
  if (s.op == kSearch)
    CheckSearch(protocol, clock, order, networks);
  else
    CheckRequest(protocol, clock, net, order, s, heardOn);
  return 0;
}
