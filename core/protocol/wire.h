// The device protocol on the wire: opcodes, offsets, and the builders and
// parsers of every message. The workstation side (DeviceProtocol) and the
// simulated device both use these, so the two cannot drift apart.
//
// Every parser reads through WireView, which answers 0 for any byte past the
// end of the datagram: a short datagram reads as if the rest were zero, and
// nothing is ever read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessavue::wire {

using Bytes = std::vector<std::uint8_t>;

// Opcodes. Requests are odd, each reply is the even opcode that follows.
constexpr std::uint8_t kSearchRequest = 1;
constexpr std::uint8_t kSearchReply = 2;
constexpr std::uint8_t kQueryRequest = 3;
constexpr std::uint8_t kQueryReply = 4;
constexpr std::uint8_t kSetRequest = 5;
constexpr std::uint8_t kSetReply = 6;

// Subcodes (byte 21 of a request).
constexpr std::uint8_t kQueryShares = 3;
constexpr std::uint8_t kQueryPassword = 4;
constexpr std::uint8_t kSetStatic = 1;
constexpr std::uint8_t kSetDhcp = 2;

// Address-mode character of a search reply that means DHCP.
constexpr std::uint8_t kDhcpMode = '1';
// Between the user name and the password of a password check.
constexpr std::uint8_t kSeparator0 = 0x55;
constexpr std::uint8_t kSeparator1 = 0xAA;

constexpr std::size_t kIdLength = 10;

// Offsets from the first byte of the datagram.
constexpr std::size_t kOpcodeOffset = 0;
constexpr std::size_t kClientIdOffset = 1;
constexpr std::size_t kDeviceIdOffset = 11;
constexpr std::size_t kSenderAddressOffset = 17;  // last four bytes of DeviceId
constexpr std::size_t kSubcodeOffset = 21;        // address mode in a search reply
constexpr std::size_t kNetmaskOffset = 24;
constexpr std::size_t kGatewayOffset = 40;
constexpr std::size_t kAddressTextField = 16;
constexpr std::size_t kNameLengthOffset = 56;  // also the new-address length of a set
constexpr std::size_t kNameOffset = 60;        // also the new-address text of a set
constexpr std::size_t kBodyLengthOffset = 24;  // query requests
constexpr std::size_t kBodyOffset = 28;        // query requests and replies
constexpr std::size_t kVerdictOffset = 28;     // password-check reply
constexpr std::size_t kShareTextOffset = 28;   // share-list reply

// Lengths of the fixed-size requests.
constexpr std::size_t kSearchRequestLength = 11;
constexpr std::size_t kShareQueryLength = 28;
constexpr std::size_t kDhcpSetLength = 60;
constexpr std::size_t kHeaderLength = 21;  // opcode, ClientId, DeviceId

// Field limits on the workstation's side (record sizes minus the terminator).
constexpr std::size_t kMaxNameChars = 255;
constexpr std::size_t kMaxAddressChars = 15;
constexpr std::size_t kMaxShareNameChars = 63;

// A received datagram, read with bounds checks.
class WireView {
 public:
  WireView(const std::uint8_t* data, std::size_t length) : data_(data), length_(length) {}
  std::size_t length() const { return length_; }
  const std::uint8_t* data() const { return data_; }
  std::uint8_t At(std::size_t offset) const { return offset < length_ ? data_[offset] : 0; }
  // Little-endian 32-bit number; bytes past the end read as 0.
  std::uint32_t U32(std::size_t offset) const;
  // Copies `count` bytes from `offset`, zero past the end.
  void Copy(std::size_t offset, std::uint8_t* out, std::size_t count) const;
  // The text at `offset`: up to the first zero, the end of the field
  // (`fieldWidth` bytes) or the end of the datagram, whichever comes first.
  std::string Text(std::size_t offset, std::size_t fieldWidth) const;
  // True when bytes [offset, offset+count) equal `expected` (bytes past the
  // end read as 0).
  bool Equals(std::size_t offset, const std::uint8_t* expected, std::size_t count) const;

 private:
  const std::uint8_t* data_;
  std::size_t length_;
};

// The four address bytes of a reply's sender (bytes 17 to 20).
void SenderAddress(const WireView& reply, std::uint8_t octets[4]);

// ---- Requests (workstation to group) ----
Bytes BuildSearchRequest(const std::uint8_t clientId[kIdLength]);
Bytes BuildShareQuery(const std::uint8_t clientId[kIdLength],
                      const std::uint8_t deviceId[kIdLength]);
// Body: user name, 0x55 0xAA, password; body length = U + P + 2.
Bytes BuildPasswordQuery(const std::uint8_t clientId[kIdLength],
                         const std::uint8_t deviceId[kIdLength], const std::string& userName,
                         const std::string& password);
Bytes BuildDhcpSet(const std::uint8_t clientId[kIdLength], const std::uint8_t deviceId[kIdLength]);
// Netmask and gateway are cut to 16 bytes (a 16-character text fills its
// field without a terminator); the address text is sent whole.
Bytes BuildStaticSet(const std::uint8_t clientId[kIdLength], const std::uint8_t deviceId[kIdLength],
                     const std::string& netmask, const std::string& gateway, const std::string& ip);

// ---- Replies (device to workstation) ----
Bytes BuildSearchReply(const std::uint8_t clientId[kIdLength],
                       const std::uint8_t deviceId[kIdLength], std::uint8_t addressMode,
                       const std::string& netmask, const std::string& gateway,
                       const std::string& name);
Bytes BuildPasswordReply(const std::uint8_t clientId[kIdLength],
                         const std::uint8_t deviceId[kIdLength], std::int8_t verdict);
Bytes BuildShareReply(const std::uint8_t clientId[kIdLength],
                      const std::uint8_t deviceId[kIdLength], const std::string& shareText);
Bytes BuildSetReply(const std::uint8_t clientId[kIdLength], const std::uint8_t deviceId[kIdLength]);

// ---- Parsing on the workstation's side ----
struct SearchReplyFields {
  std::string name;  // at most 255 characters
  std::uint8_t address[4] = {};
  std::string netmask;  // at most 15 characters
  std::string gateway;  // at most 15 characters
  char addressMode = 0;
  std::uint8_t deviceId[kIdLength] = {};
};
// Reads a search reply's fields. The name length is bounded by the bytes
// received and by 255; the address texts by 15.
SearchReplyFields ParseSearchReply(const WireView& reply);
// The verdict of a password-check reply (byte 28, signed).
std::int8_t ParsePasswordVerdict(const WireView& reply);
// The share names of a share-list reply: the text from offset 28 to the end
// of the datagram (or its first zero byte), split at every run of ':'; empty
// names skipped, each name cut to 63 characters, repeats kept (the caller
// drops them).
std::vector<std::string> ParseShareNames(const WireView& reply);

// ---- Parsing on the device's side ----
struct RequestHeader {
  std::uint8_t opcode = 0;
  std::uint8_t clientId[kIdLength] = {};
  std::uint8_t deviceId[kIdLength] = {};
  std::uint8_t subcode = 0;
};
RequestHeader ParseRequestHeader(const WireView& request);
// User name and password of a password check. false when the body is cut
// short or has no separator.
bool ParsePasswordBody(const WireView& request, std::string& userName, std::string& password);
// Fields of a static set. false when the address text runs past the datagram.
bool ParseStaticSet(const WireView& request, std::string& netmask, std::string& gateway,
                    std::string& ip);

}  // namespace tessavue::wire
