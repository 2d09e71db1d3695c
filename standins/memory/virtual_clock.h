// A clock that only moves when told to: pauses cost no real time.
#pragma once

#include <cstdint>

#include "network.h"

namespace tessavue {

class VirtualClock : public Clock {
 public:
  explicit VirtualClock(std::int64_t startMicros = 0) : now_(startMicros) {}
  void Advance(std::int64_t micros);
  std::int64_t NowMicros() override;
  // Advances the time at once.
  void SleepMicros(std::int64_t micros) override;

 private:
  std::int64_t now_;
};

}  // namespace tessavue
