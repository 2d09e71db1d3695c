#include "cli_drives.h"

#include <cctype>
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
  if (o.json && o.command != Command::kDrives) {
    error = "--json applies to scan, shares and drives only";
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
      out << (letter == 'D' ? "" : ",") << "\n  {\"letter\": \"" << localName
          << "\", \"state\": \"" << s.state << "\", \"maps\": "
          << (s.remote.empty() ? "null" : JsonString(s.remote)) << '}';
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

int DisconnectLetter(NetworkConnections& connections, const std::string& letter,
                     std::ostream& out, std::ostream& err) {
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
  const ConnectionResult result = ConnectLetter(drives.connections, request.localName, remoteName,
                                                request.password, request.userName);
  if (result != ConnectionResult::kDone)
    return Failure(err, "Mount Disk Fail!", ConnectFailureReason(result));
  err << "tessavue-cli: Mount Disk OK!\n";
  // A path made here holds no control character.
  out << request.localName << ' ' << remoteName << '\n';
  return kExitDone;
}

}  // namespace tessavue::cli
