// A storage device's side of the protocol, as a state machine with no I/O:
// it is handed each datagram heard on the group and gives back the reply to
// send, if any. The tessavue-device program puts it on real sockets; the
// in-memory segment (memory_segment.h) puts it on the test network.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "network.h"
#include "protocol.h"

namespace tessavue {

// Where a device sends its replies: to the requesting workstation, to the
// group (TTL 1), or to the directed broadcast of its own subnet. Real
// devices do any of the three.
enum class ReplyMode { kUnicast, kGroup, kBroadcast };
const char* ReplyModeName(ReplyMode mode);
// "unicast", "group" or "broadcast"; false for anything else.
bool ParseReplyMode(const std::string& text, ReplyMode& mode);

// How a device answers one class of request: after its reply delay, after a
// delay of its own, or not at all (it still does what the request asks).
struct AnswerBehaviour {
  std::optional<std::int64_t> delayMicros;  // empty: the device's reply delay
  bool silent = false;
};

struct DeviceSettings {
  std::string name;  // 8-bit text; any bytes
  Ipv4Address ip;
  Ipv4Address netmask;
  Ipv4Address gateway;
  bool dhcp = false;
  // The share text as the device sends it: names separated by ':'.
  std::string shares;
  std::string adminUser = kDefaultAdministrator;
  std::string adminPassword = kDefaultAdministrator;
  // The address taken on a switch to DHCP; 0.0.0.0 keeps the current one.
  Ipv4Address dhcpAddress;
  // How long after a request its reply leaves the device.
  std::int64_t replyDelayMicros = 0;
  // Searches; share queries and password checks; set requests.
  AnswerBehaviour searchAnswer, queryAnswer, setAnswer;
  // The six identifying bytes of the device's DeviceId.
  std::array<std::uint8_t, 6> serial{};
  ReplyMode reply = ReplyMode::kUnicast;
};

// Longest name and share text that still fit one datagram.
constexpr std::size_t kMaxDeviceName = kMaxDatagram - 60;
constexpr std::size_t kMaxShareText = kMaxDatagram - 28;
// The workstation sends at most 16 characters of each login text.
constexpr std::size_t kMaxLoginText = 16;
constexpr std::int64_t kMaxReplyDelayMicros = 60'000'000;

// Empty when the settings can be played, otherwise what is wrong with them.
std::string CheckSettings(const DeviceSettings& settings);

// What a datagram was, as far as one device is concerned.
enum class RequestKind {
  kIgnored,  // not a request, not for this device, or too short to read
  kSearch,
  kShareQuery,
  kPasswordCheck,
  kSetStatic,
  kSetDhcp,
  kMalformed,  // for this device but unusable; left unanswered
};
const char* RequestKindName(RequestKind kind);

struct DeviceReply {
  // By the device's reply mode: the requesting workstation (ClientId bytes
  // 6..9), the group, or the broadcast address of the device's subnet (as it
  // is after the request, so a set request's reply goes to the new one).
  Ipv4Address destination;
  std::vector<std::uint8_t> datagram;
  // How long after the request it leaves the device.
  std::int64_t delayMicros = 0;
};

struct RequestOutcome {
  RequestKind kind = RequestKind::kIgnored;
  std::optional<DeviceReply> reply;
  bool accepted = false;  // password checks: the verdict
};

class SimulatedDevice {
 public:
  explicit SimulatedDevice(DeviceSettings settings);

  // One datagram heard on the group. Never reads outside [data, data+length).
  RequestOutcome Handle(const std::uint8_t* data, std::size_t length);

  const DeviceSettings& settings() const { return settings_; }
  // Changed between two datagrams, the device plays the new settings from the
  // next one on (a test moving it, silencing it, giving it other shares).
  DeviceSettings& settings() { return settings_; }
  // Bytes 0..5 the serial, 6..9 the current address.
  std::array<std::uint8_t, 10> DeviceId() const;

  struct Counters {
    int searches = 0;
    int shareQueries = 0;
    int passwordChecks = 0;
    int passwordsAccepted = 0;
    int setStatic = 0;
    int setDhcp = 0;
    int malformed = 0;
  };
  const Counters& counters() const { return counters_; }

 private:
  RequestOutcome HandleSearch(const std::uint8_t* data);
  // Requests that carry this device's identifier.
  RequestOutcome HandleQuery(const std::uint8_t* data, std::size_t length);
  RequestOutcome HandleSet(const std::uint8_t* data, std::size_t length);
  // A request of `kind` that changed what it changes, answered with
  // `datagram` as the settings say (or not at all).
  RequestOutcome Answered(RequestKind kind, const std::uint8_t* request,
                          std::vector<std::uint8_t> datagram) const;
  Ipv4Address ReplyDestination(const Ipv4Address& requester) const;
  // A password check's body "user 0x55 0xAA password", inside the datagram,
  // naming the administrator.
  bool PasswordAccepted(const std::uint8_t* data, std::size_t length) const;
  // A static set's three addresses, well formed, taken; false changes nothing.
  bool TakeStaticSet(const std::uint8_t* data, std::size_t length);

  DeviceSettings settings_;
  Counters counters_;
};

// The directed broadcast address of the subnet of `ip` under `netmask`.
Ipv4Address SubnetBroadcast(const Ipv4Address& ip, const Ipv4Address& netmask);

// The settings of `count` devices named "<prefix>-<n>" (n from 1) with
// consecutive addresses from `first`, distinct serials, one share "public".
std::deque<DeviceSettings> GenerateDevices(std::size_t count, const Ipv4Address& first,
                                           const Ipv4Address& netmask, const Ipv4Address& gateway,
                                           const char* prefix = "Tessavue");

}  // namespace tessavue
