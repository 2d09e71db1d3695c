// tessavue-cli's drive commands: the letters D: to Z:, a device's share
// mapped to one, and a letter unmapped, with the window's rules and reasons.
#pragma once

#include <iosfwd>
#include <string>

#include "connections.h"
#include "name_resolver.h"
#include "network.h"

namespace tessavue::cli {

struct Options;

// The system's drive letters and its name service.
struct DriveServices {
  NetworkConnections& connections;
  NameResolver& resolver;
};

// "E:" from "E:", "e:", "E" or "e"; false for anything outside D: to Z:.
bool ParseLetter(const std::string& text, std::string& localName);

// The line's checks of the drive commands (their operands and options);
// false with `error` set. Nothing is mounted or cancelled after a refusal.
bool CheckDriveCommand(const Options& o, std::string& error);

// drives [--json]: D: to Z:, what each maps and whether it is reachable.
int ListDrives(NetworkConnections& connections, bool json, std::ostream& out);
// disconnect LETTER.
int DisconnectLetter(NetworkConnections& connections, const std::string& letter, std::ostream& out,
                     std::ostream& err);

// connect's request, its operands checked.
struct ShareRequest {
  std::string deviceName;  // as the device's search reply gave it; empty when unheard
  std::string deviceIp;
  std::string share;
  std::string localName;
  std::string userName;
  std::string password;
  bool remember = false;  // the password kept for the reconnect at sign-in
};
int ConnectShare(DriveServices& drives, const ShareRequest& request, std::ostream& out,
                 std::ostream& err);

// What reconnect waits with: the interfaces it watches, its clock, and the
// longest wait for a network.
struct ReconnectWait {
  DatagramNetwork& network;
  Clock& clock;
  int seconds;
};

// reconnect [--json] [--wait SECONDS]: every remembered letter whose share is
// not connected is connected again with what the system keeps, nobody asked;
// letters whose server is not reached are tried again as the network changes,
// until the wait is over. kExitDone when every remembered letter is
// connected.
int ReconnectLetters(NetworkConnections& connections, const ReconnectWait& wait, bool json,
                     std::ostream& out);

}  // namespace tessavue::cli
