#include "connection_reasons.h"

#include <cstdint>

#include "text.h"
#include "remote_name.h"

namespace tessavue {

namespace {

constexpr const char* kLoginRefused =
    "The device refused the user name or password. Check them and try again.";
constexpr const char* kShareNotFound =
    "The device has no share of that name. Press Refresh and choose the share again.";
constexpr const char* kUnreachable =
    "The device cannot be reached: it may be off, on another network or behind a firewall.";
constexpr const char* kOtherUser =
    "This PC is already connected to the device under another user name. Disconnect the "
    "device's other drive letters, or connect to it by its address.";
constexpr const char* kFilesOpen =
    "Files are open on the drive letter. Close them, then try again.";
constexpr const char* kLetterInUse =
    "The drive letter is in use by something else. Choose another letter.";
constexpr const char* kGuestRefused =
    "The device offers only a guest login, which this system refuses. Give a user name and "
    "password of the device.";
constexpr const char* kProtocolRefused =
    "The device offers only an SMB version that this system refuses. Turn on a newer SMB "
    "version on the device.";
constexpr const char* kUnknown = "The system gave no reason. Check the network and try again.";

}  // namespace

const char* const kUnusableNameReason =
    "The share's name cannot be used in a network path. Rename the share on the device.";

const char* ConnectFailureReason(ConnectionResult result) {
  switch (result) {
    case ConnectionResult::kLoginRefused: return kLoginRefused;
    case ConnectionResult::kShareNotFound: return kShareNotFound;
    case ConnectionResult::kUnavailable:
    case ConnectionResult::kServerUnreachable: return kUnreachable;
    case ConnectionResult::kOtherCredentialsInUse: return kOtherUser;
    case ConnectionResult::kFilesOpen: return kFilesOpen;
    case ConnectionResult::kLetterInUse:
    case ConnectionResult::kNoSuchLetter: return kLetterInUse;
    case ConnectionResult::kGuestRefused: return kGuestRefused;
    case ConnectionResult::kProtocolRefused: return kProtocolRefused;
    default: return kUnknown;
  }
}

const char* DisconnectFailureReason(ConnectionResult result) {
  switch (result) {
    case ConnectionResult::kNotConnected:
    case ConnectionResult::kNoSuchLetter:
      return "Nothing is mapped there. Choose a share that has a drive letter, or a mapped "
             "letter.";
    case ConnectionResult::kFilesOpen: return kFilesOpen;
    default: return kUnknown;
  }
}

bool DeviceRemoteName(NameResolver& resolver, const std::string& deviceName,
                      const std::string& deviceIp, const std::string& share,
                      std::string& remoteName) {
  // A name that could not be part of a path, or that this workstation cannot
  // find, is not asked for: the address the device answered from is.
  if (deviceName.size() <= kServerNameMax && MakeRemoteName(deviceName, share, remoteName) &&
      resolver.Resolves(deviceName))
    return true;
  std::uint8_t octets[4];
  if (!ParseDotted(deviceIp.c_str(), octets)) {
    remoteName.clear();
    return false;
  }
  char dotted[16];
  FormatDotted(octets, dotted);
  return MakeRemoteName(dotted, share, remoteName);
}

}  // namespace tessavue
