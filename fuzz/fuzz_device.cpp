// The simulated device's handler on any datagrams, one device with fuzzed
// settings: it answers only what it is asked, the way the workstation reads
// it, and never reads or writes outside the datagram.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "device.h"
#include "fuzz_check.h"
#include "wire.h"

using namespace tessavue;

namespace {

Ipv4Address Address(FuzzedDataProvider& in) {
  Ipv4Address a;
  for (auto& o : a.octet) o = in.ConsumeIntegral<std::uint8_t>();
  return a;
}

// The share names a workstation should read from a share text: it ends at a
// zero byte; runs of ':' separate; names cut to a record's 63 characters.
std::vector<std::string> SplitShares(const std::string& text) {
  std::vector<std::string> names;
  std::string current;
  for (char c : text.substr(0, text.find('\0')) + ":") {
    if (c != ':') {
      current += c;
    } else if (!current.empty()) {
      names.push_back(current.substr(0, wire::kMaxShareNameChars));
      current.clear();
    }
  }
  return names;
}

DeviceSettings ReadSettings(FuzzedDataProvider& in) {
  DeviceSettings s;
  s.name = in.ConsumeRandomLengthString(300);
  s.ip = Address(in);
  s.netmask = Address(in);
  s.gateway = Address(in);
  s.dhcp = in.ConsumeBool();
  s.shares = in.ConsumeRandomLengthString(200);
  s.adminUser = in.ConsumeRandomLengthString(17);
  s.adminPassword = in.ConsumeRandomLengthString(17);
  s.dhcpAddress = Address(in);
  for (auto& b : s.serial) b = in.ConsumeIntegral<std::uint8_t>();
  return s;
}

// What the reply says, and what the request changed, for each kind of
// request; `before` is the device's settings before it.
void CheckReplyContent(const RequestOutcome& out, const wire::WireView& req,
                       const wire::WireView& r, const DeviceSettings& before,
                       const SimulatedDevice& device) {
  switch (out.kind) {
    case RequestKind::kSearch: {
      const wire::SearchReplyFields f = wire::ParseSearchReply(r);
      const std::string name = before.name.substr(0, wire::kMaxNameChars);
      FUZZ_CHECK(f.name == name.substr(0, std::strlen(name.c_str())));
      FUZZ_CHECK(f.netmask == DottedText(before.netmask) &&
                 f.gateway == DottedText(before.gateway));
      FUZZ_CHECK((f.addressMode == wire::kDhcpMode) == before.dhcp);
      break;
    }
    case RequestKind::kShareQuery:
      FUZZ_CHECK(wire::ParseShareNames(r) == SplitShares(before.shares));
      break;
    case RequestKind::kPasswordCheck: {
      std::string user, password;
      const bool right = wire::ParsePasswordBody(req, user, password) && user == before.adminUser &&
                         password == before.adminPassword;
      FUZZ_CHECK(out.accepted == right);
      FUZZ_CHECK(wire::ParsePasswordVerdict(r) == (right ? 1 : 0));
      break;
    }
    case RequestKind::kSetStatic: {
      std::string netmask, gateway, ip;
      FUZZ_CHECK(wire::ParseStaticSet(req, netmask, gateway, ip));
      Ipv4Address parsed;
      FUZZ_CHECK(ParseAddress(ip, parsed) && parsed == device.settings().ip);
      FUZZ_CHECK(!device.settings().dhcp);
      break;
    }
    case RequestKind::kSetDhcp:
      FUZZ_CHECK(device.settings().dhcp);
      FUZZ_CHECK(device.settings().ip ==
                 (before.dhcpAddress == Ipv4Address{} ? before.ip : before.dhcpAddress));
      break;
    default: FUZZ_CHECK(false);
  }
}

// One datagram to the device, and the checks on its outcome.
void HandleOne(SimulatedDevice& device, FuzzedDataProvider& in) {
  // A request for this device most of the time, so that the fuzzer gets
  // past the identifier test.
  std::string raw = in.ConsumeRandomLengthString(kMaxDatagram);
  const auto idBefore = device.DeviceId();
  if (in.ConsumeBool() && raw.size() >= 21) std::memcpy(raw.data() + 11, idBefore.data(), 10);
  const std::vector<std::uint8_t> request(raw.begin(), raw.end());
  const DeviceSettings before = device.settings();
  const SimulatedDevice::Counters counted = device.counters();

  const RequestOutcome out = device.Handle(request.data(), request.size());
  const wire::WireView req(request.data(), request.size());
  const std::uint8_t opcode = req.At(0);
  const bool addressed =
      request.size() >= 21 && std::memcmp(request.data() + 11, idBefore.data(), 10) == 0;

  if (out.kind == RequestKind::kIgnored || out.kind == RequestKind::kMalformed) {
    FUZZ_CHECK(!out.reply);
    FUZZ_CHECK(device.settings().ip == before.ip && device.settings().dhcp == before.dhcp);
  } else {
    FUZZ_CHECK(out.kind == RequestKind::kSearch || addressed);
  }
  if (out.kind == RequestKind::kIgnored)
    FUZZ_CHECK(std::memcmp(&device.counters(), &counted, sizeof counted) == 0);
  if (!out.reply) return;

  // The reply answers this request, to the requesting workstation.
  const std::vector<std::uint8_t>& reply = out.reply->datagram;
  const wire::WireView r(reply.data(), reply.size());
  FUZZ_CHECK(reply.size() <= kMaxDatagram);
  FUZZ_CHECK(r.At(0) == opcode + 1);
  FUZZ_CHECK(std::memcmp(reply.data() + 1, request.data() + 1, 10) == 0);
  FUZZ_CHECK(std::memcmp(out.reply->destination.octet, request.data() + 7, 4) == 0);
  const auto idAfter = device.DeviceId();
  FUZZ_CHECK(r.Equals(wire::kDeviceIdOffset, idAfter.data(), 10));
  CheckReplyContent(out, req, r, before, device);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const DeviceSettings s = ReadSettings(in);
  if (!CheckSettings(s).empty()) return 0;
  SimulatedDevice device(s);
  for (int n = 0; n < 8 && in.remaining_bytes() > 0; ++n) HandleOne(device, in);
  return 0;
}
