// Facts about the running system on Linux.
#pragma once

#include <string>

#include "system.h"

namespace tessavue {

class PosixSystemInfo : public SystemInfo {
 public:
  // Linux is no Windows version: the platform id is 0 (the Win32s id, which
  // names no version the program knows), so every version test falls through
  // to "unknown Windows version". Major, minor and build are the kernel's
  // release numbers (e.g. 6.1.0), for information only.
  bool GetVersionInfo(OsVersionInfo& info) override;
  // The effective user's login name from the password database, else $USER,
  // else empty; at most 127 characters.
  std::string GetUserName() override;
};

// "6.1.0-13-amd64" -> 6, 1, 0. Missing numbers are 0.
void ParseKernelRelease(const char* release, OsVersionInfo& info);

}  // namespace tessavue
