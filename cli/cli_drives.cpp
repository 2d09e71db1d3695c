#include "cli_drives.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <vector>

#include "cli.h"
#include "cli_options.h"
#include "cli_output.h"
#include "connection_reasons.h"
#include "letter_connect.h"
#include "protocol.h"
#include "remote_name.h"

namespace tessavue::cli {

namespace {

// A remote name as the system keeps it, shown with its backslashes as they
// are and a control byte as '?'.
std::string Shown(const std::string& remote) {
  std::string text = remote;
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

int Failure(std::ostream& err, const char* message, const char* reason) {
  err << "tessavue-cli: " << message << '\n' << reason << '\n';
  return kExitDeviceFailed;
}

// What a letter holds, as drives shows it.
struct LetterState {
  std::string remote;
  const char* state;
};

LetterState StateOf(NetworkConnections& connections, const std::string& localName) {
  std::string remote;
  switch (connections.GetConnection(localName, remote)) {
    case ConnectionResult::kDone: return {remote, "connected"};
    case ConnectionResult::kUnavailable: return {remote, "unavailable"};
    default: break;
  }
  switch (connections.GetDriveType(localName)) {
    case kDriveFixed:
    case kDriveRemovable:
    case kDriveCdrom:
    case kDriveRamdisk: return {"", "local"};
    default: return {"", "free"};
  }
}

}  // namespace

bool ParseLetter(const std::string& text, std::string& localName) {
  if (text.empty() || text.size() > 2 || (text.size() == 2 && text[1] != ':')) return false;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'D' || letter > 'Z') return false;
  localName = std::string(1, letter) + ":";
  return true;
}

bool CheckDriveCommand(const Options& o, std::string& error) {
  if (o.wait) {
    // Whole seconds, digits only.
    const std::string& text = *o.wait;
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) > kReconnectWaitMax) {
      error = "--wait takes whole seconds from 0 to 3600";
      return false;
    }
  }
  const std::size_t wanted = o.command == Command::kConnect      ? 3
                             : o.command == Command::kDisconnect ? 1
                                                                 : 0;
  if (o.operands.size() != wanted) {
    error = o.commandName + (wanted == 0   ? " takes no operand"
                             : wanted == 1 ? " needs LETTER"
                                           : " needs DEVICE_IP SHARE LETTER");
    return false;
  }
  std::string localName, remoteName;
  if (o.command == Command::kConnect) {
    std::uint8_t octets[4];
    if (!ParseDotted(o.operands[0].c_str(), octets)) {
      error = "DEVICE_IP is not a dotted IPv4 address";
      return false;
    }
    if (!MakeRemoteName("server", o.operands[1], remoteName) ||
        o.operands[1].size() > kShareNameMax) {
      error = "SHARE cannot be part of a network path";
      return false;
    }
  }
  if (wanted > 0 && !ParseLetter(o.operands.back(), localName)) {
    error = "LETTER must be one of D: to Z:";
    return false;
  }
  if (o.ip || o.netmask || o.gateway) {
    error = "--ip, --netmask and --gateway apply to set-static only";
    return false;
  }
  if (o.json && o.command != Command::kDrives && o.command != Command::kReconnect) {
    error = "--json applies to scan, shares, drives and reconnect only";
    return false;
  }
  return true;
}

int ListDrives(NetworkConnections& connections, bool json, std::ostream& out) {
  if (json) out << '[';
  if (!json) out << "LETTER  STATE        MAPS\n";
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string localName = std::string(1, letter) + ":";
    const LetterState s = StateOf(connections, localName);
    if (json) {
      out << (letter == 'D' ? "" : ",") << "\n  {\"letter\": \"" << localName << "\", \"state\": \""
          << s.state << "\", \"maps\": " << (s.remote.empty() ? "null" : JsonString(s.remote))
          << '}';
    } else {
      out << localName << "      " << s.state;
      if (!s.remote.empty())
        out << std::string(13 - std::string(s.state).size(), ' ') << Shown(s.remote);
      out << '\n';
    }
  }
  if (json) out << "\n]\n";
  return kExitDone;
}

int DisconnectLetter(NetworkConnections& connections, const std::string& letter, std::ostream& out,
                     std::ostream& err) {
  std::string localName;
  ParseLetter(letter, localName);
  const ConnectionResult result =
      connections.CancelConnection(localName, kConnectUpdateProfile, false);
  if (result != ConnectionResult::kDone)
    return Failure(err, "Umount Disk Fail!", DisconnectFailureReason(result));
  err << "tessavue-cli: Umount Disk OK!\n";
  out << localName << '\n';
  return kExitDone;
}

int ConnectShare(DriveServices& drives, const ShareRequest& request, std::ostream& out,
                 std::ostream& err) {
  std::string remoteName;
  if (!DeviceRemoteName(drives.resolver, request.deviceName, request.deviceIp, request.share,
                        remoteName))
    return Failure(err, "Mount Disk Fail!", kUnusableNameReason);
  const ConnectionResult result =
      ConnectLetter(drives.connections, request.localName, remoteName, request.password,
                    request.userName, request.remember ? kConnectRememberPassword : 0u);
  if (result != ConnectionResult::kDone)
    return Failure(err, "Mount Disk Fail!", ConnectFailureReason(result));
  err << "tessavue-cli: Mount Disk OK!\n";
  // A path made here holds no control character.
  out << request.localName << ' ' << remoteName << '\n';
  return kExitDone;
}

namespace {

// A remembered letter and what its last attempt came to.
struct Remembered {
  std::string localName;
  std::string remote;
  ConnectionResult result;
};

// Worth another attempt once the network may have changed: the server was
// not reached. A refused password or a share the server says it lacks stays
// as it is.
bool MayComeLater(ConnectionResult result) {
  return result == ConnectionResult::kServerUnreachable || result == ConnectionResult::kFailed;
}

// Every letter with a connection, current or remembered.
std::vector<Remembered> RememberedLetters(NetworkConnections& connections) {
  std::vector<Remembered> letters;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    const std::string localName = std::string(1, letter) + ":";
    std::string remote;
    const ConnectionResult held = connections.GetConnection(localName, remote);
    if (held == ConnectionResult::kDone || held == ConnectionResult::kUnavailable)
      letters.push_back({localName, remote, held});
  }
  return letters;
}

// Waits until the interfaces differ from `seen` (and notes them), the retry
// interval is over, or `deadlineMicros` comes.
void AwaitNetworkChange(const ReconnectWait& wait, std::vector<Ipv4Address>& seen,
                        std::int64_t deadlineMicros) {
  constexpr std::int64_t kPollMicros = 1000000;
  constexpr std::int64_t kRetryMicros = 10 * kPollMicros;
  const std::int64_t until = std::min(deadlineMicros, wait.clock.NowMicros() + kRetryMicros);
  while (wait.clock.NowMicros() < until) {
    wait.clock.SleepMicros(std::min(kPollMicros, until - wait.clock.NowMicros()));
    std::vector<Ipv4Address> now;
    wait.network.LocalAddresses(now);
    if (now != seen) {
      seen = now;
      return;
    }
  }
}

void WriteReconnected(const std::vector<Remembered>& letters, bool json, std::ostream& out) {
  if (json) out << '[';
  bool first = true;
  for (const Remembered& r : letters) {
    const bool connected = r.result == ConnectionResult::kDone;
    if (json) {
      out << (first ? "" : ",") << "\n  {\"letter\": \"" << r.localName << "\", \"state\": \""
          << (connected ? "connected" : "unavailable") << "\", \"maps\": " << JsonString(r.remote)
          << ", \"reason\": " << (connected ? "null" : JsonString(ConnectFailureReason(r.result)))
          << '}';
    } else {
      out << r.localName << ' ' << Shown(r.remote) << (connected ? " connected" : " unavailable");
      if (!connected) out << ": " << ConnectFailureReason(r.result);
      out << '\n';
    }
    first = false;
  }
  if (json) out << (letters.empty() ? "]\n" : "\n]\n");
}

}  // namespace

int ReconnectLetters(NetworkConnections& connections, const ReconnectWait& wait, bool json,
                     std::ostream& out) {
  std::vector<Remembered> letters = RememberedLetters(connections);
  const std::int64_t deadline =
      wait.clock.NowMicros() + static_cast<std::int64_t>(wait.seconds) * 1000000;
  std::vector<Ipv4Address> seen;
  wait.network.LocalAddresses(seen);
  // Bounded by the deadline, and by a count besides: a clock that stands
  // still ends it too.
  for (int round = 0; round < 1000; ++round) {
    bool pending = false;
    for (Remembered& r : letters) {
      if (r.result == ConnectionResult::kDone || (round > 0 && !MayComeLater(r.result))) continue;
      r.result = connections.ReconnectRemembered(r.localName);
      pending = pending || MayComeLater(r.result);
    }
    if (!pending || wait.clock.NowMicros() >= deadline) break;
    AwaitNetworkChange(wait, seen, deadline);
  }
  WriteReconnected(letters, json, out);
  for (const Remembered& r : letters)
    if (r.result != ConnectionResult::kDone) return kExitDeviceFailed;
  return kExitDone;
}

}  // namespace tessavue::cli
