// The one thread of the program waits for the network, for a device's reply
// and for helper programs inside the window's handlers. WaitHook keeps the
// window alive meanwhile: the front end that owns the window fills it, the
// waits call it.
#pragma once

#include <cstdint>

namespace tessavue {

class WaitHook {
 public:
  virtual ~WaitHook() = default;
  // A handler begins to wait: the window shows the wait cursor and takes no
  // user input (no click, key or close) until the matching WaitEnds. Pairs
  // may nest; only the outermost pair changes the window.
  virtual void WaitBegins() = 0;
  // Called every few milliseconds while a wait lasts: the window handles its
  // paint and system messages now. User input is not handled here.
  virtual void KeepAlive() = 0;
  // The wait is over: cursor and input as they were before WaitBegins.
  virtual void WaitEnds() = 0;
};

// Longest stretch a wait goes without calling KeepAlive.
constexpr std::int64_t kKeepAliveMicros = 10000;

}  // namespace tessavue
