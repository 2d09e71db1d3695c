#include "wire.h"

#include <algorithm>
#include <cstring>

namespace tessavue::wire {

std::uint32_t WireView::U32(std::size_t offset) const {
  return static_cast<std::uint32_t>(At(offset)) | static_cast<std::uint32_t>(At(offset + 1)) << 8 |
         static_cast<std::uint32_t>(At(offset + 2)) << 16 |
         static_cast<std::uint32_t>(At(offset + 3)) << 24;
}

void WireView::Copy(std::size_t offset, std::uint8_t* out, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) out[i] = At(offset + i);
}

std::string WireView::Text(std::size_t offset, std::size_t fieldWidth) const {
  std::string text;
  for (std::size_t i = 0; i < fieldWidth && offset + i < length_; ++i) {
    std::uint8_t c = data_[offset + i];
    if (c == 0) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

bool WireView::Equals(std::size_t offset, const std::uint8_t* expected, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    if (At(offset + i) != expected[i]) return false;
  }
  return true;
}

void SenderAddress(const WireView& reply, std::uint8_t octets[4]) {
  reply.Copy(kSenderAddressOffset, octets, 4);
}

namespace {

void PutU32(Bytes& out, std::size_t offset, std::uint32_t value) {
  out[offset] = static_cast<std::uint8_t>(value);
  out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
  out[offset + 2] = static_cast<std::uint8_t>(value >> 16);
  out[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}

void PutBytes(Bytes& out, std::size_t offset, const void* data, std::size_t count) {
  if (count != 0) std::memcpy(out.data() + offset, data, count);
}

// Zero-filled message of `length` bytes with opcode, ClientId and (when
// given) DeviceId in place.
Bytes Header(std::size_t length, std::uint8_t opcode, const std::uint8_t clientId[kIdLength],
             const std::uint8_t* deviceId) {
  Bytes out(length, 0);
  out[kOpcodeOffset] = opcode;
  PutBytes(out, kClientIdOffset, clientId, kIdLength);
  if (deviceId != nullptr) PutBytes(out, kDeviceIdOffset, deviceId, kIdLength);
  return out;
}

// A text into a fixed field, cut to the field and zero-padded.
void PutField(Bytes& out, std::size_t offset, const std::string& text, std::size_t width) {
  PutBytes(out, offset, text.data(), std::min(text.size(), width));
}

}  // namespace

Bytes BuildSearchRequest(const std::uint8_t clientId[kIdLength]) {
  return Header(kSearchRequestLength, kSearchRequest, clientId, nullptr);
}

Bytes BuildShareQuery(const std::uint8_t clientId[kIdLength],
                      const std::uint8_t deviceId[kIdLength]) {
  Bytes out = Header(kShareQueryLength, kQueryRequest, clientId, deviceId);
  out[kSubcodeOffset] = kQueryShares;
  return out;
}

Bytes BuildPasswordQuery(const std::uint8_t clientId[kIdLength],
                         const std::uint8_t deviceId[kIdLength], const std::string& userName,
                         const std::string& password) {
  const std::size_t body = userName.size() + 2 + password.size();
  Bytes out = Header(kBodyOffset + body, kQueryRequest, clientId, deviceId);
  out[kSubcodeOffset] = kQueryPassword;
  PutU32(out, kBodyLengthOffset, static_cast<std::uint32_t>(body));
  PutBytes(out, kBodyOffset, userName.data(), userName.size());
  out[kBodyOffset + userName.size()] = kSeparator0;
  out[kBodyOffset + userName.size() + 1] = kSeparator1;
  PutBytes(out, kBodyOffset + userName.size() + 2, password.data(), password.size());
  return out;
}

Bytes BuildDhcpSet(const std::uint8_t clientId[kIdLength], const std::uint8_t deviceId[kIdLength]) {
  Bytes out = Header(kDhcpSetLength, kSetRequest, clientId, deviceId);
  out[kSubcodeOffset] = kSetDhcp;
  return out;
}

Bytes BuildStaticSet(const std::uint8_t clientId[kIdLength], const std::uint8_t deviceId[kIdLength],
                     const std::string& netmask, const std::string& gateway,
                     const std::string& ip) {
  Bytes out = Header(kNameOffset + ip.size(), kSetRequest, clientId, deviceId);
  out[kSubcodeOffset] = kSetStatic;
  PutField(out, kNetmaskOffset, netmask, kAddressTextField);
  PutField(out, kGatewayOffset, gateway, kAddressTextField);
  PutU32(out, kNameLengthOffset, static_cast<std::uint32_t>(ip.size()));
  PutBytes(out, kNameOffset, ip.data(), ip.size());
  return out;
}

Bytes BuildSearchReply(const std::uint8_t clientId[kIdLength],
                       const std::uint8_t deviceId[kIdLength], std::uint8_t addressMode,
                       const std::string& netmask, const std::string& gateway,
                       const std::string& name) {
  Bytes out = Header(kNameOffset + name.size(), kSearchReply, clientId, deviceId);
  out[kSubcodeOffset] = addressMode;
  // Keep the texts terminated within their 16 bytes.
  PutField(out, kNetmaskOffset, netmask, kAddressTextField - 1);
  PutField(out, kGatewayOffset, gateway, kAddressTextField - 1);
  PutU32(out, kNameLengthOffset, static_cast<std::uint32_t>(name.size()));
  PutBytes(out, kNameOffset, name.data(), name.size());
  return out;
}

Bytes BuildPasswordReply(const std::uint8_t clientId[kIdLength],
                         const std::uint8_t deviceId[kIdLength], std::int8_t verdict) {
  Bytes out = Header(kVerdictOffset + 1, kQueryReply, clientId, deviceId);
  out[kVerdictOffset] = static_cast<std::uint8_t>(verdict);
  return out;
}

Bytes BuildShareReply(const std::uint8_t clientId[kIdLength],
                      const std::uint8_t deviceId[kIdLength], const std::string& shareText) {
  Bytes out = Header(kShareTextOffset + shareText.size(), kQueryReply, clientId, deviceId);
  PutBytes(out, kShareTextOffset, shareText.data(), shareText.size());
  return out;
}

Bytes BuildSetReply(const std::uint8_t clientId[kIdLength],
                    const std::uint8_t deviceId[kIdLength]) {
  return Header(kHeaderLength, kSetReply, clientId, deviceId);
}

SearchReplyFields ParseSearchReply(const WireView& reply) {
  SearchReplyFields f;
  f.addressMode = static_cast<char>(reply.At(kSubcodeOffset));
  reply.Copy(kDeviceIdOffset, f.deviceId, kIdLength);
  SenderAddress(reply, f.address);
  f.netmask = reply.Text(kNetmaskOffset, kMaxAddressChars);
  f.gateway = reply.Text(kGatewayOffset, kMaxAddressChars);
  std::uint32_t n = reply.U32(kNameLengthOffset);
  std::size_t available = reply.length() > kNameOffset ? reply.length() - kNameOffset : 0;
  std::size_t take = std::min<std::size_t>({n, available, kMaxNameChars});
  if (take != 0) f.name.assign(reinterpret_cast<const char*>(reply.data()) + kNameOffset, take);
  // The record's name is a zero-terminated text: it ends at an embedded zero.
  f.name.resize(std::strlen(f.name.c_str()));
  return f;
}

std::int8_t ParsePasswordVerdict(const WireView& reply) {
  return static_cast<std::int8_t>(reply.At(kVerdictOffset));
}

std::vector<std::string> ParseShareNames(const WireView& reply) {
  std::vector<std::string> names;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) names.push_back(current.substr(0, kMaxShareNameChars));
    current.clear();
  };
  for (std::size_t i = kShareTextOffset; i < reply.length(); ++i) {
    std::uint8_t c = reply.data()[i];
    if (c == 0) break;
    if (c == ':') {
      flush();
    } else {
      current.push_back(static_cast<char>(c));
    }
  }
  flush();
  return names;
}

RequestHeader ParseRequestHeader(const WireView& request) {
  RequestHeader h;
  h.opcode = request.At(kOpcodeOffset);
  request.Copy(kClientIdOffset, h.clientId, kIdLength);
  request.Copy(kDeviceIdOffset, h.deviceId, kIdLength);
  h.subcode = request.At(kSubcodeOffset);
  return h;
}

bool ParsePasswordBody(const WireView& request, std::string& userName, std::string& password) {
  std::uint32_t body = request.U32(kBodyLengthOffset);
  if (request.length() < kBodyOffset || body > request.length() - kBodyOffset) return false;
  const std::uint8_t* p = request.data() + kBodyOffset;
  for (std::size_t i = 0; i + 1 < body; ++i) {
    if (p[i] == kSeparator0 && p[i + 1] == kSeparator1) {
      userName.assign(reinterpret_cast<const char*>(p), i);
      password.assign(reinterpret_cast<const char*>(p) + i + 2, body - i - 2);
      return true;
    }
  }
  return false;
}

bool ParseStaticSet(const WireView& request, std::string& netmask, std::string& gateway,
                    std::string& ip) {
  netmask = request.Text(kNetmaskOffset, kAddressTextField);
  gateway = request.Text(kGatewayOffset, kAddressTextField);
  std::uint32_t n = request.U32(kNameLengthOffset);
  if (request.length() < kNameOffset || n > request.length() - kNameOffset) return false;
  ip.assign(reinterpret_cast<const char*>(request.data()) + kNameOffset, n);
  return true;
}

}  // namespace tessavue::wire
