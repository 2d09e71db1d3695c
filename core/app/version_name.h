#pragma once

#include <string>

#include "system.h"

namespace tessavue {

// Names the running Windows version ("Windows XP", ...), or
// "unknown Windows version". Asks the system afresh on every call.
void GetWindowsVersionName(SystemInfo& system, std::string& name);

}  // namespace tessavue
