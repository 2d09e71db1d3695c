// The reply parsers (workstation side) and the request parsers (device side)
// on any datagram: they stay inside it, keep to the record limits, and what
// they read builds back into a datagram that reads the same.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "wire.h"

using namespace tessavue;
using namespace tessavue::wire;

namespace {

bool Prefix(const std::string& text, const std::uint8_t* data, std::size_t size,
            std::size_t offset) {
  return offset + text.size() <= size && std::memcmp(text.data(), data + offset, text.size()) == 0;
}

void SearchReply(const WireView& in, const std::uint8_t* data, std::size_t size) {
  const SearchReplyFields f = ParseSearchReply(in);
  FUZZ_CHECK(f.name.size() <= kMaxNameChars);
  FUZZ_CHECK(f.netmask.size() <= kMaxAddressChars && f.gateway.size() <= kMaxAddressChars);
  FUZZ_CHECK(f.name.find('\0') == std::string::npos);
  FUZZ_CHECK(f.netmask.find('\0') == std::string::npos &&
             f.gateway.find('\0') == std::string::npos);
  FUZZ_CHECK(f.name.empty() || Prefix(f.name, data, size, kNameOffset));
  FUZZ_CHECK(f.name.size() <= in.U32(kNameLengthOffset));
  FUZZ_CHECK(f.netmask.empty() || Prefix(f.netmask, data, size, kNetmaskOffset));
  FUZZ_CHECK(f.gateway.empty() || Prefix(f.gateway, data, size, kGatewayOffset));
  for (std::size_t i = 0; i < kIdLength; ++i)
    FUZZ_CHECK(f.deviceId[i] == in.At(kDeviceIdOffset + i));
  for (std::size_t i = 0; i < 4; ++i) FUZZ_CHECK(f.address[i] == in.At(kSenderAddressOffset + i));
  FUZZ_CHECK(f.addressMode == static_cast<char>(in.At(kSubcodeOffset)));

  // Built back, the fields read the same.
  std::uint8_t clientId[kIdLength];
  in.Copy(kClientIdOffset, clientId, kIdLength);
  const Bytes again = BuildSearchReply(
      clientId, f.deviceId, static_cast<std::uint8_t>(f.addressMode), f.netmask, f.gateway, f.name);
  const SearchReplyFields g = ParseSearchReply(WireView(again.data(), again.size()));
  FUZZ_CHECK(g.name == f.name && g.netmask == f.netmask && g.gateway == f.gateway);
  FUZZ_CHECK(std::memcmp(g.deviceId, f.deviceId, kIdLength) == 0 && g.addressMode == f.addressMode);
}

void ShareReply(const WireView& in) {
  const std::vector<std::string> names = ParseShareNames(in);
  std::string joined;
  for (const std::string& name : names) {
    FUZZ_CHECK(!name.empty() && name.size() <= kMaxShareNameChars);
    FUZZ_CHECK(name.find(':') == std::string::npos && name.find('\0') == std::string::npos);
    joined += ':' + name;
  }
  // No more names than runs of text between separators.
  std::size_t runs = 0;
  bool inName = false;
  for (std::size_t i = kShareTextOffset; i < in.length() && in.At(i) != 0; ++i) {
    const bool separator = in.At(i) == ':';
    if (!separator && !inName) ++runs;
    inName = !separator;
  }
  FUZZ_CHECK(names.size() == runs);
  std::uint8_t id[kIdLength] = {};
  const Bytes again = BuildShareReply(id, id, joined);
  FUZZ_CHECK(ParseShareNames(WireView(again.data(), again.size())) == names);
  FUZZ_CHECK(ParsePasswordVerdict(in) == static_cast<std::int8_t>(in.At(kVerdictOffset)));
}

void Requests(const WireView& in) {
  const RequestHeader h = ParseRequestHeader(in);
  FUZZ_CHECK(h.opcode == in.At(kOpcodeOffset) && h.subcode == in.At(kSubcodeOffset));
  std::string user, password;
  if (ParsePasswordBody(in, user, password)) {
    FUZZ_CHECK(kBodyOffset + user.size() + 2 + password.size() <= in.length());
    const Bytes again = BuildPasswordQuery(h.clientId, h.deviceId, user, password);
    std::string user2, password2;
    FUZZ_CHECK(ParsePasswordBody(WireView(again.data(), again.size()), user2, password2));
    FUZZ_CHECK(user2 == user && password2 == password);
  }
  std::string netmask, gateway, ip;
  if (ParseStaticSet(in, netmask, gateway, ip)) {
    FUZZ_CHECK(kNameOffset + ip.size() <= in.length());
    FUZZ_CHECK(netmask.size() <= kAddressTextField && gateway.size() <= kAddressTextField);
    const Bytes again = BuildStaticSet(h.clientId, h.deviceId, netmask, gateway, ip);
    std::string netmask2, gateway2, ip2;
    FUZZ_CHECK(ParseStaticSet(WireView(again.data(), again.size()), netmask2, gateway2, ip2));
    FUZZ_CHECK(netmask2 == netmask && gateway2 == gateway && ip2 == ip);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The parsers read through the view only: a copy of exactly `size` bytes
  // lets AddressSanitizer see any read past the datagram.
  std::vector<std::uint8_t> copy(data, data + size);
  const WireView in(copy.data(), copy.size());
  SearchReply(in, copy.data(), copy.size());
  ShareReply(in);
  Requests(in);
  return 0;
}
