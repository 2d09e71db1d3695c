// The monotonic clock and pauses on Windows.
#pragma once

#include "network.h"

namespace tessavue {

class Win32Clock : public Clock {
 public:
  std::int64_t NowMicros() override;
  // Sleep() in whole milliseconds, rounded up.
  void SleepMicros(std::int64_t micros) override;
};

}  // namespace tessavue
