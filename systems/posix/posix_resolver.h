// Name service on Linux: what the C library's resolver finds (hosts file,
// DNS, multicast DNS and whatever else nsswitch.conf names).
#pragma once

#include "name_resolver.h"

namespace tessavue {

class PosixNameResolver : public NameResolver {
 public:
  bool Resolves(const std::string& name) override;
};

}  // namespace tessavue
