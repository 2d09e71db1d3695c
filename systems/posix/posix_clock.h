// The monotonic clock and pauses on Linux.
#pragma once

#include "network.h"

namespace tessavue {

class PosixClock : public Clock {
 public:
  std::int64_t NowMicros() override;
  void SleepMicros(std::int64_t micros) override;
};

}  // namespace tessavue
