// The drive table: the 26 drive letters and the network connection on each,
// the "Network Drive :" list built from it, and the lookup of the letter that
// maps a given share.
#include "drive_table.h"

#include <cstdio>
#include <cstring>
#include <optional>

#include "remote_name.h"

namespace tessavue {

namespace {

// Copies `length` characters of `source` into a field of `size` bytes, cut to
// fit, zero-padded to the end of the field.
void SetField(char* field, std::size_t size, const char* source, std::size_t length) {
  if (length > size - 1) length = size - 1;
  std::memset(field, 0, size);
  std::memcpy(field, source, length);
}

bool IsListedDriveType(unsigned type) {
  return type != kDriveFixed && type != kDriveRemovable && type != kDriveCdrom &&
         type != kDriveRamdisk;
}

}  // namespace

DriveLetterTable::DriveLetterTable(NetworkConnections& connections) : connections_(connections) {}

void DriveLetterTable::ScanDrives() {
  for (int i = 0; i < 26; ++i) {
    DriveRecord& entry = DriveTable[i];
    std::snprintf(entry.localName, sizeof entry.localName, "%c:", 'A' + i);

    std::string remote;
    ConnectionResult result = connections_.GetConnection(entry.localName, remote);
    // The system hands the remote name over in a 256-byte buffer: a longer
    // one does not fit and counts as a failed call. A letter connected, but
    // not to a \\server\share name, holds nothing that a device share could
    // be, so no stale names are kept either.
    std::optional<RemoteName> name;
    if (result == ConnectionResult::kDone && remote.size() < kRemoteNameBuffer)
      name = RemoteName::Split(remote);
    if (!name) {
      std::memset(entry.server, 0, sizeof entry.server);
      std::memset(entry.share, 0, sizeof entry.share);
      continue;
    }
    SetField(entry.server, sizeof entry.server, name->server.data(), name->server.size());
    SetField(entry.share, sizeof entry.share, name->share.data(), name->share.size());
  }
}

DriveChoices DriveLetterTable::UsableDrives() const {
  DriveChoices choices;
  for (int i = 0; i < 26; ++i) {
    const DriveRecord& entry = DriveTable[i];
    // A: to C: are the machine's own drives whatever they are.
    if (i < 3) continue;
    if (!IsListedDriveType(connections_.GetDriveType(entry.localName))) continue;
    std::string text = entry.localName;
    if (entry.server[0] != '\0' && entry.share[0] != '\0') {
      text += ' ';
      text += RemoteName{entry.server, entry.share}.Text();
    } else if (choices.preselected < 0) {
      choices.preselected = static_cast<int>(choices.items.size());
    }
    choices.items.push_back(text);
  }
  return choices;
}

std::string DriveLetterTable::ShareLocation(const std::string& deviceName,
                                            const std::string& deviceIp,
                                            const std::string& shareName) const {
  std::string location;
  for (const DriveRecord& entry : DriveTable) {
    bool serverMatches =
        EqualsIgnoringCase(entry.server, deviceName) || EqualsIgnoringCase(entry.server, deviceIp);
    if (serverMatches && EqualsIgnoringCase(entry.share, shareName)) location = entry.localName;
  }
  return location;
}

}  // namespace tessavue
