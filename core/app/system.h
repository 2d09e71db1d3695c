// System services the window logic needs: the network connections of the
// drive letters (connections.h), the shell, and facts about the running
// system.
#pragma once

#include <cstdint>
#include <string>

#include "connections.h"

namespace tessavue {

class Shell {
 public:
  virtual ~Shell() = default;
  // Hands "http://a.b.c.d" to the user's browser and returns at once. The
  // outcome is not reported.
  virtual void OpenWebPage(const std::string& url) = 0;
};

// OSVERSIONINFOA, the fields that matter.
struct OsVersionInfo {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // false when the version cannot be had.
  virtual bool GetVersionInfo(OsVersionInfo& info) = 0;
  // The logged-on user's name (at most 127 characters); empty when unknown.
  virtual std::string GetUserName() = 0;
};

}  // namespace tessavue
