// Name service as the tests and the demonstration set it: the names this
// workstation can find, and every name asked for.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "name_resolver.h"
#include "remote_name.h"

namespace tessavue {

class MemoryNameResolver : public NameResolver {
 public:
  // Names are compared ignoring case, as name services do.
  bool Resolves(const std::string& name) override {
    asked.push_back(name);
    for (const std::string& known : names)
      if (EqualsIgnoringCase(known, name)) return true;
    return false;
  }
  std::set<std::string> names;
  std::vector<std::string> asked;
};

}  // namespace tessavue
