// The system as the tests and the demonstration set it: a Windows version, a
// logged-on user, and a shell that records the web pages handed to it.
#pragma once

#include <string>
#include <vector>

#include "system.h"

namespace tessavue {

class MemorySystem : public SystemInfo {
 public:
  // Windows XP (NT 5.1, build 2600) and the user "guest" unless told.
  MemorySystem();

  bool GetVersionInfo(OsVersionInfo& info) override;
  std::string GetUserName() override { return userName; }

  // Sets the version GetVersionInfo reports.
  void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                  std::uint32_t build);

  OsVersionInfo version;
  bool versionAvailable = true;
  std::string userName = "guest";
  int versionQueries = 0;
};

class RecordingShell : public Shell {
 public:
  void OpenWebPage(const std::string& url) override { openedUrls.push_back(url); }
  std::vector<std::string> openedUrls;
};

}  // namespace tessavue
