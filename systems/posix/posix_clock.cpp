#include "posix_clock.h"

#include <cerrno>
#include <ctime>

namespace tessavue {

std::int64_t PosixClock::NowMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void PosixClock::SleepMicros(std::int64_t micros) {
  if (micros <= 0) return;
  timespec left{static_cast<time_t>(micros / 1000000), static_cast<long>(micros % 1000000) * 1000};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace tessavue
