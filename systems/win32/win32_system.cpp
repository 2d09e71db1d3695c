#include "win32_system.h"

#include "windows_api.h"

#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "remote_name.h"

namespace tessavue::win32 {

static_assert(kConnectUpdateProfile == CONNECT_UPDATE_PROFILE);
static_assert(kDriveRemote == DRIVE_REMOTE && kDriveRamdisk == DRIVE_RAMDISK);

// --- network connections ---

// "The organisation's security policies block unauthenticated guest access"
// (Windows 10 1709 and later), not named by older headers.
constexpr unsigned long kErrorGuestLogonBlocked = 1272;

ConnectionResult Win32NetworkConnections::ResultOf(unsigned long error) {
  switch (error) {
    case NO_ERROR: return ConnectionResult::kDone;
    case ERROR_NOT_CONNECTED: return ConnectionResult::kNotConnected;
    case ERROR_CONNECTION_UNAVAIL: return ConnectionResult::kUnavailable;
    case ERROR_BAD_NET_NAME:
    case ERROR_NO_NET_OR_BAD_PATH: return ConnectionResult::kShareNotFound;
    // The server's name found no one, or no one answered at its address.
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_REM_NOT_LIST:
    case ERROR_SEM_TIMEOUT:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE: return ConnectionResult::kServerUnreachable;
    case kErrorGuestLogonBlocked: return ConnectionResult::kGuestRefused;
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_PASSWORD:
    case ERROR_LOGON_FAILURE: return ConnectionResult::kLoginRefused;
    case ERROR_SESSION_CREDENTIAL_CONFLICT: return ConnectionResult::kOtherCredentialsInUse;
    case ERROR_OPEN_FILES:
    case ERROR_DEVICE_IN_USE: return ConnectionResult::kFilesOpen;
    case ERROR_ALREADY_ASSIGNED:
    case ERROR_DEVICE_ALREADY_REMEMBERED: return ConnectionResult::kLetterInUse;
    case ERROR_BAD_DEVICE: return ConnectionResult::kNoSuchLetter;
    default:  // ERROR_NO_NETWORK, ERROR_EXTENDED_ERROR, ...
      return ConnectionResult::kFailed;
  }
}

ConnectionResult Win32NetworkConnections::ConnectionOf(const std::string& localName,
                                                       unsigned long error, const char* remote,
                                                       std::string& remoteName) {
  // A remembered connection whose server is away still names its share: the
  // letter can be shown and put back with it.
  if (error == NO_ERROR || error == ERROR_CONNECTION_UNAVAIL) remoteName = remote;
  // A letter with no drive at all is no network connection either (Wine
  // answers so for every free letter).
  bool isLetter = localName.size() == 2 && localName[1] == ':' &&
                  std::isalpha(static_cast<unsigned char>(localName[0]));
  if (error == ERROR_BAD_DEVICE && isLetter) return ConnectionResult::kNotConnected;
  return ResultOf(error);
}

ConnectionResult Win32NetworkConnections::GetConnection(const std::string& localName,
                                                        std::string& remoteName) {
  char remote[256] = {};
  DWORD length = sizeof remote;
  DWORD result = ::WNetGetConnectionA(localName.c_str(), remote, &length);
  remote[sizeof remote - 1] = '\0';
  return ConnectionOf(localName, result, remote, remoteName);
}

ConnectionResult Win32NetworkConnections::AddConnection(const std::string& localName,
                                                        const std::string& remoteName,
                                                        const std::string& password,
                                                        const std::string& userName,
                                                        unsigned flags) {
  NETRESOURCEA resource{};
  resource.dwType = RESOURCETYPE_ANY;
  // No local name: a connection without a drive letter.
  resource.lpLocalName = localName.empty() ? nullptr : const_cast<char*>(localName.c_str());
  resource.lpRemoteName = const_cast<char*>(remoteName.c_str());
  resource.lpProvider = nullptr;
  ConnectionResult result = ResultOf(::WNetAddConnection2A(
      &resource, password.c_str(), userName.c_str(), flags & ~kConnectRememberPassword));
  // Only credentials that let the user in are kept; the default ones (no
  // user name) are the system's already.
  if (result == ConnectionResult::kDone && (flags & kConnectRememberPassword) &&
      !userName.empty()) {
    std::optional<RemoteName> name = RemoteName::Split(remoteName);
    KeepPassword(name ? name->server : std::string(), userName, password);
  }
  return result;
}

std::string Win32NetworkConnections::CredentialUser(const std::string& server,
                                                    const std::string& userName) {
  if (userName.find('\\') != std::string::npos || userName.find('@') != std::string::npos)
    return userName;
  return server + "\\" + userName;
}

bool Win32NetworkConnections::KeepPassword(const std::string& server, const std::string& userName,
                                           const std::string& password) {
  if (server.empty()) return false;
  // The password as the authentication packages read it: UTF-16, without a
  // trailing zero.
  int length = password.empty()
                   ? 0
                   : ::MultiByteToWideChar(CP_ACP, 0, password.data(),
                                           static_cast<int>(password.size()), nullptr, 0);
  std::wstring secret(static_cast<std::size_t>(length), L'\0');
  if (length > 0)
    ::MultiByteToWideChar(CP_ACP, 0, password.data(), static_cast<int>(password.size()),
                          secret.data(), length);
  std::string user = CredentialUser(server, userName);
  CREDENTIALA credential{};
  credential.Type = CRED_TYPE_DOMAIN_PASSWORD;
  credential.TargetName = const_cast<char*>(server.c_str());
  credential.UserName = const_cast<char*>(user.c_str());
  credential.CredentialBlobSize = static_cast<DWORD>(secret.size() * sizeof(wchar_t));
  credential.CredentialBlob = reinterpret_cast<LPBYTE>(secret.data());
  // Kept for every later sign-in; where the account cannot roam (or the
  // edition keeps no enterprise credentials) on this computer only.
  credential.Persist = CRED_PERSIST_ENTERPRISE;
  if (::CredWriteA(&credential, 0)) return true;
  credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
  return ::CredWriteA(&credential, 0) != FALSE;
}

ConnectionResult Win32NetworkConnections::CancelConnection(const std::string& localName,
                                                           unsigned flags, bool force) {
  return ResultOf(::WNetCancelConnection2A(localName.c_str(), flags, force ? TRUE : FALSE));
}

unsigned Win32NetworkConnections::GetDriveType(const std::string& localName) {
  return ::GetDriveTypeA(localName.c_str());
}

ConnectionResult Win32NetworkConnections::Reconnect(const std::string& localName,
                                                    const std::string& remoteName) {
  NETRESOURCEA resource{};
  resource.dwType = RESOURCETYPE_ANY;
  resource.lpLocalName = const_cast<char*>(localName.c_str());
  resource.lpRemoteName = const_cast<char*>(remoteName.c_str());
  // No password and no user name: those the system holds.
  return ResultOf(::WNetAddConnection2A(&resource, nullptr, nullptr, CONNECT_UPDATE_PROFILE));
}

bool Win32NetworkConnections::ConnectedWithoutLetter(const std::string& remoteName) {
  HANDLE handle = nullptr;
  if (::WNetOpenEnumA(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &handle) != NO_ERROR)
    return false;
  bool found = false;
  // 16 KB a round, as the documentation advises; a bounded number of rounds.
  std::vector<NETRESOURCEA> buffer(16384 / sizeof(NETRESOURCEA));
  for (int round = 0; round < 64 && !found; ++round) {
    DWORD count = static_cast<DWORD>(-1);
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(NETRESOURCEA));
    if (::WNetEnumResourceA(handle, &count, buffer.data(), &size) != NO_ERROR) break;
    const NETRESOURCEA* resources = buffer.data();
    for (DWORD i = 0; i < count && !found; ++i) {
      const NETRESOURCEA& r = resources[i];
      found = (!r.lpLocalName || !*r.lpLocalName) && r.lpRemoteName &&
              EqualsIgnoringCase(r.lpRemoteName, remoteName);
    }
  }
  ::WNetCloseEnum(handle);
  return found;
}

// --- shell ---

std::string Win32Shell::CommandLine(const std::string& url) {
  char command[128] = {};
  std::snprintf(command, sizeof command, "explorer %s", url.c_str());
  return command;
}

void Win32Shell::OpenWebPage(const std::string& url) {
  // The browser runs on its own; whether the shell could start is not reported.
  ::WinExec(CommandLine(url).c_str(), SW_HIDE);
}

// --- version and user ---

bool Win32SystemInfo::GetVersionInfo(OsVersionInfo& info) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  static_assert(sizeof(OSVERSIONINFOA) == 148);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&version)) return false;
#pragma GCC diagnostic pop
  info.majorVersion = version.dwMajorVersion;
  info.minorVersion = version.dwMinorVersion;
  info.buildNumber = version.dwBuildNumber;
  info.platformId = version.dwPlatformId;
  return true;
}

std::string Win32SystemInfo::GetUserName() {
  char name[128] = {};
  DWORD length = sizeof name;
  if (!::GetUserNameA(name, &length)) return {};
  name[sizeof name - 1] = '\0';
  return name;
}

}  // namespace tessavue::win32
