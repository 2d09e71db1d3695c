// Whether a server name can be reached by name from this workstation.
#pragma once

#include <string>

namespace tessavue {

class NameResolver {
 public:
  virtual ~NameResolver() = default;
  // true when `name` resolves to an IPv4 address on this workstation (hosts
  // file, DNS, multicast DNS, NetBIOS: whatever the system asks).
  virtual bool Resolves(const std::string& name) = 0;
};

}  // namespace tessavue
