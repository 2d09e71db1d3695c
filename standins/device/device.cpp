#include "device.h"

#include <cstring>
#include <string>

#include "protocol.h"
#include "wire.h"

namespace tessavue {
namespace {

// Opcodes, subcodes and offsets are the protocol's own (protocol/wire.h).
using namespace wire;

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

// A dotted address in a 16-byte text field that must be terminated inside it.
bool ReadAddressField(const std::uint8_t* field, Ipv4Address& address) {
  const void* end = std::memchr(field, 0, kAddressTextField);
  if (end == nullptr) return false;
  std::string text(reinterpret_cast<const char*>(field),
                   static_cast<const std::uint8_t*>(end) - field);
  return ParseAddress(text, address);
}

// A request for this device that it cannot use; left unanswered.
RequestOutcome Malformed() {
  RequestOutcome outcome;
  outcome.kind = RequestKind::kMalformed;
  return outcome;
}

// How the device answers requests of `kind` (one that it answers).
const AnswerBehaviour& AnswerFor(const DeviceSettings& s, RequestKind kind) {
  if (kind == RequestKind::kSearch) return s.searchAnswer;
  if (kind == RequestKind::kShareQuery || kind == RequestKind::kPasswordCheck) return s.queryAnswer;
  return s.setAnswer;
}

}  // namespace

std::string CheckSettings(const DeviceSettings& s) {
  if (s.name.size() > kMaxDeviceName)
    return "name longer than " + std::to_string(kMaxDeviceName) + " bytes";
  if (s.shares.size() > kMaxShareText)
    return "share text longer than " + std::to_string(kMaxShareText) + " bytes";
  if (s.adminUser.size() > kMaxLoginText)
    return "administrator user name longer than 16 characters";
  if (s.adminPassword.size() > kMaxLoginText)
    return "administrator password longer than 16 characters";
  if (s.adminUser.find('\0') != std::string::npos ||
      s.adminPassword.find('\0') != std::string::npos)
    return "administrator user name or password holds a zero byte";
  for (const std::int64_t delay :
       {s.replyDelayMicros, s.searchAnswer.delayMicros.value_or(0),
        s.queryAnswer.delayMicros.value_or(0), s.setAnswer.delayMicros.value_or(0)}) {
    if (delay < 0 || delay > kMaxReplyDelayMicros) return "reply delay outside 0 to 60000 ms";
  }
  return {};
}

const char* ReplyModeName(ReplyMode mode) {
  switch (mode) {
    case ReplyMode::kUnicast: return "unicast";
    case ReplyMode::kGroup: return "group";
    case ReplyMode::kBroadcast: return "broadcast";
  }
  return "?";
}

bool ParseReplyMode(const std::string& text, ReplyMode& mode) {
  for (ReplyMode m : {ReplyMode::kUnicast, ReplyMode::kGroup, ReplyMode::kBroadcast}) {
    if (text == ReplyModeName(m)) {
      mode = m;
      return true;
    }
  }
  return false;
}

Ipv4Address SubnetBroadcast(const Ipv4Address& ip, const Ipv4Address& netmask) {
  Ipv4Address out;
  for (int i = 0; i < 4; ++i) out.octet[i] = std::uint8_t(ip.octet[i] | ~netmask.octet[i]);
  return out;
}

const char* RequestKindName(RequestKind kind) {
  switch (kind) {
    case RequestKind::kIgnored: return "ignored";
    case RequestKind::kSearch: return "search";
    case RequestKind::kShareQuery: return "share query";
    case RequestKind::kPasswordCheck: return "password check";
    case RequestKind::kSetStatic: return "set static";
    case RequestKind::kSetDhcp: return "set dhcp";
    case RequestKind::kMalformed: return "malformed";
  }
  return "?";
}

SimulatedDevice::SimulatedDevice(DeviceSettings settings) : settings_(std::move(settings)) {}

std::array<std::uint8_t, 10> SimulatedDevice::DeviceId() const {
  std::array<std::uint8_t, 10> id{};
  std::memcpy(id.data(), settings_.serial.data(), 6);
  std::memcpy(id.data() + 6, settings_.ip.octet, 4);
  return id;
}

Ipv4Address SimulatedDevice::ReplyDestination(const Ipv4Address& requester) const {
  Ipv4Address destination = requester;
  if (settings_.reply == ReplyMode::kGroup)
    ParseAddress(kGroupAddressText, destination);
  else if (settings_.reply == ReplyMode::kBroadcast)
    destination = SubnetBroadcast(settings_.ip, settings_.netmask);
  return destination;
}

bool SimulatedDevice::PasswordAccepted(const std::uint8_t* data, std::size_t length) const {
  const std::uint64_t bodyLength = ReadLe32(data + kBodyLengthOffset);
  if (kBodyOffset + bodyLength > length || bodyLength < 2) return false;
  const std::uint8_t* body = data + kBodyOffset;
  for (std::size_t i = 0; i + 1 < bodyLength; ++i) {
    if (body[i] == kSeparator0 && body[i + 1] == kSeparator1) {
      std::string user(reinterpret_cast<const char*>(body), i);
      std::string password(reinterpret_cast<const char*>(body + i + 2),
                           std::size_t(bodyLength) - i - 2);
      return user == settings_.adminUser && password == settings_.adminPassword;
    }
  }
  return false;
}

bool SimulatedDevice::TakeStaticSet(const std::uint8_t* data, std::size_t length) {
  Ipv4Address netmask, gateway, ip;
  const std::uint64_t ipLength = ReadLe32(data + kNameLengthOffset);
  if (!ReadAddressField(data + kNetmaskOffset, netmask) ||
      !ReadAddressField(data + kGatewayOffset, gateway) || ipLength > 15 ||
      kNameOffset + ipLength > length) {
    return false;
  }
  std::string ipText(reinterpret_cast<const char*>(data + kNameOffset), std::size_t(ipLength));
  if (!ParseAddress(ipText, ip)) return false;
  settings_.dhcp = false;
  settings_.ip = ip;
  settings_.netmask = netmask;
  settings_.gateway = gateway;
  return true;
}

RequestOutcome SimulatedDevice::Handle(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length < kSearchRequestLength) return {};
  const std::uint8_t opcode = data[0];
  if (opcode == kSearchRequest) return HandleSearch(data);
  if (opcode != kQueryRequest && opcode != kSetRequest) return {};
  // Requests for one device carry its identifier; others are not ours.
  if (length < kSubcodeOffset + 1) return {};
  if (std::memcmp(data + kDeviceIdOffset, DeviceId().data(), 10) != 0) return {};
  RequestOutcome outcome =
      opcode == kQueryRequest ? HandleQuery(data, length) : HandleSet(data, length);
  if (outcome.kind == RequestKind::kMalformed) ++counters_.malformed;
  return outcome;
}

RequestOutcome SimulatedDevice::HandleSearch(const std::uint8_t* data) {
  ++counters_.searches;
  return Answered(RequestKind::kSearch, data,
                  BuildSearchReply(data + kClientIdOffset, DeviceId().data(),
                                   settings_.dhcp ? kDhcpMode : '0', DottedText(settings_.netmask),
                                   DottedText(settings_.gateway), settings_.name));
}

RequestOutcome SimulatedDevice::HandleQuery(const std::uint8_t* data, std::size_t length) {
  const std::uint8_t subcode = data[kSubcodeOffset];
  const std::uint8_t* clientId = data + kClientIdOffset;
  if (length < kShareQueryLength) return Malformed();
  if (subcode == kQueryShares) {
    ++counters_.shareQueries;
    return Answered(RequestKind::kShareQuery, data,
                    BuildShareReply(clientId, DeviceId().data(), settings_.shares));
  }
  if (subcode != kQueryPassword) return Malformed();
  // A body that does not hold "user 0x55 0xAA password" inside the datagram
  // is a wrong password, not a reason to read past the end.
  ++counters_.passwordChecks;
  const bool accepted = PasswordAccepted(data, length);
  if (accepted) ++counters_.passwordsAccepted;
  RequestOutcome outcome =
      Answered(RequestKind::kPasswordCheck, data,
               BuildPasswordReply(clientId, DeviceId().data(), accepted ? 1 : 0));
  outcome.accepted = accepted;
  return outcome;
}

RequestOutcome SimulatedDevice::HandleSet(const std::uint8_t* data, std::size_t length) {
  const std::uint8_t subcode = data[kSubcodeOffset];
  if (length < kDhcpSetLength) return Malformed();
  RequestKind kind = RequestKind::kMalformed;
  if (subcode == kSetDhcp) {
    kind = RequestKind::kSetDhcp;
    ++counters_.setDhcp;
    settings_.dhcp = true;
    if (!(settings_.dhcpAddress == Ipv4Address{})) settings_.ip = settings_.dhcpAddress;
  } else if (subcode == kSetStatic && TakeStaticSet(data, length)) {
    kind = RequestKind::kSetStatic;
    ++counters_.setStatic;
  } else {
    return Malformed();
  }
  // The reply carries the identifier under the new address.
  return Answered(kind, data, BuildSetReply(data + kClientIdOffset, DeviceId().data()));
}

RequestOutcome SimulatedDevice::Answered(RequestKind kind, const std::uint8_t* request,
                                         std::vector<std::uint8_t> datagram) const {
  RequestOutcome outcome;
  outcome.kind = kind;
  const AnswerBehaviour& how = AnswerFor(settings_, kind);
  if (how.silent) return outcome;
  Ipv4Address requester;
  std::memcpy(requester.octet, request + kClientIdOffset + 6, 4);
  outcome.reply = DeviceReply{ReplyDestination(requester), std::move(datagram),
                              how.delayMicros.value_or(settings_.replyDelayMicros)};
  return outcome;
}

std::deque<DeviceSettings> GenerateDevices(std::size_t count, const Ipv4Address& first,
                                           const Ipv4Address& netmask, const Ipv4Address& gateway,
                                           const char* prefix) {
  std::deque<DeviceSettings> out;
  std::uint32_t base = std::uint32_t(first.octet[0]) << 24 | std::uint32_t(first.octet[1]) << 16 |
                       std::uint32_t(first.octet[2]) << 8 | first.octet[3];
  for (std::size_t n = 0; n < count; ++n) {
    DeviceSettings s;
    s.name = std::string(prefix) + "-" + std::to_string(n + 1);
    const std::uint32_t ip = base + std::uint32_t(n);
    s.ip = Ipv4Address{
        {std::uint8_t(ip >> 24), std::uint8_t(ip >> 16), std::uint8_t(ip >> 8), std::uint8_t(ip)}};
    s.netmask = netmask;
    s.gateway = gateway;
    s.shares = "public";
    s.serial = {0x00, 0x1b, 0x7e, std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace tessavue
