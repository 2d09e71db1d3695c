// The program's picture of which drive letters are connected to which network
// shares, and the drive drop-down list's items built from it.
#pragma once

#include <string>
#include <vector>

#include "connections.h"

namespace tessavue {

struct DriveRecord {
  char server[64];    // server part of the remote name; empty when not connected
  char share[256];    // share part of the remote name; empty when not connected
  char localName[8];  // "X:"
};

// The drive drop-down list's items in letter order ("X:", or "X: \\server\share"
// when connected), and the item to preselect: the first free letter, -1 when
// every listed letter is connected.
struct DriveChoices {
  std::vector<std::string> items;
  int preselected = -1;
};

// The drive table: the 26 letters (DriveTable) as the system's connections
// last showed them, with the lookups the window makes in it.
class DriveLetterTable {
 public:
  explicit DriveLetterTable(NetworkConnections& connections);

  // Refills all 26 entries from the system's network connections.
  void ScanDrives();
  // The usable letters for the drive drop-down list; the first free one is
  // preselected.
  DriveChoices UsableDrives() const;
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
