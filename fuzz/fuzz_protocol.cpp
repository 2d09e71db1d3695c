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
#include "virtual_clock.h"
#include "protocol.h"
#include "protocol_test_access.h"
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

std::string Dotted(const std::uint8_t a[4]) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int op = in.ConsumeIntegralInRange(0, kOperations - 1);
  const std::uint8_t selected[4] = {10, 1, in.ConsumeIntegral<std::uint8_t>(),
                                    in.ConsumeIntegral<std::uint8_t>()};
  const std::uint8_t newIp[4] = {10, 2, in.ConsumeIntegral<std::uint8_t>(),
                                 in.ConsumeIntegral<std::uint8_t>()};
  const int failReceives = in.ConsumeIntegralInRange(0, 8);
  const std::int64_t span = LongestWait(op == kSearch ? kSearchLoop
                                        : op >= kDhcp ? kSetLoop
                                                      : kQueryLoop) +
                            (op == kSearch ? kSearchWindowMicros : 0) + 300000;

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
  const std::uint8_t* clientId = protocol.localInterfaces()[heardOn].clientId;
  auto idOf = [&](std::size_t n) { return protocol.localInterfaces()[n].clientId; };

  std::vector<Arrival> arrivals;
  const int count = in.ConsumeIntegralInRange(0, 48);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    const std::int64_t delay = in.ConsumeIntegralInRange<std::int64_t>(0, span);
    const std::uint8_t* echoed = idOf(in.ConsumeIntegralInRange<std::size_t>(0, networks - 1));
    arrivals.push_back({delay, MakeDatagram(in, echoed, selected, newIp, op)});
  }
  // Delivered when the request under test goes out (the first one, for the
  // search), so that every delay counts from the send.
  bool delivered = false;
  net.AddGroupListener([&](const std::uint8_t*, std::size_t) {
    if (delivered) return;
    delivered = true;
    for (const Arrival& a : arrivals) net.Deliver(a.datagram, a.delay);
    net.FailNextReceives(failReceives);
  });

  // The arrivals in the order the network hands them over (stable by time).
  std::vector<const Arrival*> order;
  for (const Arrival& a : arrivals) order.push_back(&a);
  std::stable_sort(order.begin(), order.end(),
                   [](const Arrival* x, const Arrival* y) { return x->delay < y->delay; });

  if (op == kSearch) {
    const std::int64_t start = clock.NowMicros();
    protocol.SearchDevices();
    const std::int64_t took = clock.NowMicros() - start;
    FUZZ_CHECK(took >= kSearchWindowMicros && took <= kSearchWindowMicros + kDrainGrace);

    // Expected: first reply from each address, by arrival; certain for
    // replies before the window's end, possible for those at its very end.
    std::vector<std::string> sure, possible;
    std::vector<std::vector<std::uint8_t>> firstIds;
    std::vector<std::uint32_t> firstNetworks;
    for (const Arrival* a : order) {
      std::uint32_t network = 0;
      while (network < networks && !ForUs(a->datagram, wire::kSearchReply, idOf(network)))
        ++network;
      if (network == networks || a->delay > kSearchWindowMicros) continue;
      std::uint8_t address[4] = {Byte(a->datagram, 17), Byte(a->datagram, 18),
                                 Byte(a->datagram, 19), Byte(a->datagram, 20)};
      const std::string ip = Dotted(address);
      if (std::find(possible.begin(), possible.end(), ip) != possible.end()) continue;
      possible.push_back(ip);
      std::vector<std::uint8_t> id(10);
      for (std::size_t i = 0; i < 10; ++i) id[i] = Byte(a->datagram, 11 + i);
      firstIds.push_back(id);
      firstNetworks.push_back(network);
      if (a->delay < kSearchWindowMicros) sure.push_back(ip);
    }
    std::size_t index = 0, listed = 0;
    for (const DeviceRecord* r = protocol.deviceList().head; r != nullptr; r = r->next, ++listed) {
      FUZZ_CHECK(r->next != nullptr || r == protocol.deviceList().tail);
      // In order of first arrival, each address once, with its first reply's identifier.
      while (index < possible.size() && possible[index] != r->ip) ++index;
      FUZZ_CHECK(index < possible.size());
      FUZZ_CHECK(std::memcmp(r->deviceId, firstIds[index].data(), 10) == 0);
      FUZZ_CHECK(r->localInterface == firstNetworks[index]);
      FUZZ_CHECK(std::strlen(r->name) <= 255 && std::strlen(r->netmask) <= 15);
      ++index;
    }
    FUZZ_CHECK(listed == static_cast<std::size_t>(protocol.deviceList().count));
    for (const std::string& ip : sure)
      FUZZ_CHECK(ContainsAddress(protocol.deviceList(), ip.c_str()));
    return 0;
  }

  // The selected device is listed; the request addresses it.
  const std::uint8_t deviceId[10] = {0xF0, 0x0F,        1,           2,           3,
                                     4,    selected[0], selected[1], selected[2], selected[3]};
  AppendDevice(ProtocolTestAccess::DeviceList(protocol), "fuzz", Dotted(selected).c_str(),
               "255.0.0.0", "10.0.0.1", "0", deviceId, heardOn);
  protocol.SelectDevice(Dotted(selected).c_str());
  protocol.SetNewAddress(Dotted(newIp).c_str(), "255.255.0.0", "10.2.0.1");
  protocol.SetLogin(kDefaultAdministrator, kDefaultAdministrator);

  const WaitLoopLimits& limits = op >= kDhcp ? kSetLoop : kQueryLoop;
  const std::uint8_t opcode = ExpectedOpcode(op);
  const Arrival* answer = nullptr;
  for (const Arrival* a : order) {
    if (a->delay > LongestWait(limits)) break;
    if (!ForUs(a->datagram, opcode, clientId)) continue;
    if (op == kDhcp || FromAddress(a->datagram, op == kStatic ? newIp : selected)) {
      answer = a;
      break;
    }
  }

  const std::int64_t start = clock.NowMicros();
  int result = 0;
  switch (op) {
    case kPassword: result = protocol.CheckAdminPassword(); break;
    case kShares: result = protocol.FetchShares(); break;
    case kDhcp: result = protocol.SetDeviceDhcp(); break;
    default: result = protocol.SetDeviceStatic(); break;
  }
  const std::int64_t took = clock.NowMicros() - start;
  FUZZ_CHECK(took <= LongestWait(limits) + 100000);
  // One request, out of the device's network.
  FUZZ_CHECK(net.sentOn() == std::vector<std::size_t>{heardOn});
  FUZZ_CHECK(net.sent().size() == 1 && net.sent()[0].size() > 10 &&
             std::memcmp(net.sent()[0].data() + 1, clientId, 10) == 0);
  FUZZ_CHECK(protocol.deviceList().head->localInterface == heardOn);

  if (answer == nullptr) {
    // Nothing in time: the whole wait, and nothing changed.
    FUZZ_CHECK(result == 0);
    FUZZ_CHECK(took == LongestWait(limits));
    FUZZ_CHECK(protocol.selectedDeviceIp() == Dotted(selected));
    FUZZ_CHECK(protocol.shareList().count == 0);
    return 0;
  }
  FUZZ_CHECK(took == answer->delay);
  const wire::Bytes& d = answer->datagram;
  switch (op) {
    // Any non-zero verdict byte is an acceptance.
    case kPassword: FUZZ_CHECK(result == (Byte(d, 28) != 0 ? 1 : 0)); break;
    case kShares: {
      FUZZ_CHECK(result == 1);
      std::vector<std::string> names;
      for (const ShareRecord* s = protocol.shareList().head; s != nullptr; s = s->next) {
        const std::string name = s->name;
        FUZZ_CHECK(!name.empty() && name.size() <= 63 && name.find(':') == std::string::npos);
        FUZZ_CHECK(std::find(names.begin(), names.end(), name) == names.end());
        names.push_back(name);
      }
      FUZZ_CHECK(names.size() == static_cast<std::size_t>(protocol.shareList().count));
      break;
    }
    case kDhcp: {
      FUZZ_CHECK(result == 1);
      const std::uint8_t address[4] = {Byte(d, 17), Byte(d, 18), Byte(d, 19), Byte(d, 20)};
      FUZZ_CHECK(protocol.selectedDeviceIp() == Dotted(address));
      FUZZ_CHECK(ContainsAddress(protocol.deviceList(), Dotted(address).c_str()));
      break;
    }
    default:
      FUZZ_CHECK(result == 1);
      FUZZ_CHECK(protocol.selectedDeviceIp() == Dotted(newIp));
      FUZZ_CHECK(std::strcmp(protocol.deviceList().head->gateway, "10.2.0.1") == 0);
      break;
  }
  return 0;
}
