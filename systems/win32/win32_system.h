// The system services of system.h over the Windows API: network
// connections of the drive letters (MPR), the shell, the version and the
// logged-on user.
#pragma once

#include "system.h"

namespace tessavue::win32 {

// WNetGetConnectionA, WNetAddConnection2A, WNetCancelConnection2A and
// GetDriveTypeA.
class Win32NetworkConnections : public NetworkConnections {
 public:
  ConnectionResult GetConnection(const std::string& localName, std::string& remoteName) override;
  ConnectionResult AddConnection(const std::string& localName, const std::string& remoteName,
                                 const std::string& password, const std::string& userName,
                                 unsigned flags) override;
  ConnectionResult CancelConnection(const std::string& localName, unsigned flags,
                                    bool force) override;
  unsigned GetDriveType(const std::string& localName) override;
  ConnectionResult Reconnect(const std::string& localName, const std::string& remoteName) override;
  // Looks through the connections WNetOpenEnumA(RESOURCE_CONNECTED) lists.
  bool ConnectedWithoutLetter(const std::string& remoteName) override;

  // What WNetGetConnectionA for `localName` came to, given its result and the
  // remote name it wrote; `remoteName` gets that name when there is one.
  static ConnectionResult ConnectionOf(const std::string& localName, unsigned long error,
                                       const char* remote, std::string& remoteName);
  // What a result of the WNet functions (a Windows error number) comes to.
  static ConnectionResult ResultOf(unsigned long error);
  // The user name a kept password is filed under: "DOMAIN\\user" or
  // "user@domain" as given; a bare name is an account of the server itself.
  static std::string CredentialUser(const std::string& server, const std::string& userName);
  // Keeps `password` in the user's credential store as the domain password
  // of `server`, where Windows finds it when it connects the remembered
  // letters again at sign-in (as "cmdkey /add" keeps one). false when the
  // store refused it.
  static bool KeepPassword(const std::string& server, const std::string& userName,
                           const std::string& password);
};

// Runs "explorer http://a.b.c.d" with the window hidden (WinExec).
class Win32Shell : public Shell {
 public:
  void OpenWebPage(const std::string& url) override;
  // The command line OpenWebPage runs for `url`, cut to the 128-byte buffer.
  static std::string CommandLine(const std::string& url);
};

// GetVersionExA and GetUserNameA.
class Win32SystemInfo : public SystemInfo {
 public:
  bool GetVersionInfo(OsVersionInfo& info) override;
  std::string GetUserName() override;
};

}  // namespace tessavue::win32
