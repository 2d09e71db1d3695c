// The program's picture of which drive letters are connected to which network
// shares, and the drive drop-down list built from it.
#pragma once

#include <string>

#include "platform/controls.h"
#include "platform/system.h"

namespace tessavue {

struct DriveRecord {
  char server[64];    // server part of the remote name; empty when not connected
  char share[256];    // share part of the remote name; empty when not connected
  char localName[8];  // "X:"
};

class DriveMap {
 public:
  explicit DriveMap(NetworkConnections& connections);

  // Refills all 26 entries from the system's network connections.
  void ScanDrives();
  // Empties `driveCombo` and lists the usable letters; preselects the first
  // free one.
  void FillDriveCombo(ComboBox& driveCombo);
  // The local name ("X:") of the last letter, A to Z, whose connection is to
  // `shareName` on a server named `deviceName` or `deviceIp` (case ignored);
  // empty when none.
  std::string ShareLocation(const std::string& deviceName, const std::string& deviceIp,
                            const std::string& shareName) const;

  NetworkConnections& connections() { return connections_; }

  DriveRecord DriveTable[26] = {};

 private:
  NetworkConnections& connections_;
};

}  // namespace tessavue
