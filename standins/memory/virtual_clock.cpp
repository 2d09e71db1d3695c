#include "virtual_clock.h"

namespace tessavue {

void VirtualClock::Advance(std::int64_t micros) {
  if (micros > 0) now_ += micros;
}

std::int64_t VirtualClock::NowMicros() { return now_; }

void VirtualClock::SleepMicros(std::int64_t micros) { Advance(micros); }

}  // namespace tessavue
