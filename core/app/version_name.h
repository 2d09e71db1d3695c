#pragma once

#include <string>

#include "system.h"

namespace tessavue {

// The families whose behaviour differs: 98 and ME fix the login's user name
// to the logged-on user; NT up to 4 asks for credentials before it connects.
enum class WindowsFamily { kUnknown, kWindows95, kWindows98, kWindowsMe, kNt4OrEarlier, kNt5, kCe };

struct WindowsVersion {
  WindowsFamily family = WindowsFamily::kUnknown;
  std::string name = "unknown Windows version";
};

// The running Windows version: its family and its name ("Windows XP", ...,
// or "unknown Windows version"). Asks the system afresh on every call.
WindowsVersion GetWindowsVersion(SystemInfo& system);
void GetWindowsVersionName(SystemInfo& system, std::string& name);

}  // namespace tessavue
