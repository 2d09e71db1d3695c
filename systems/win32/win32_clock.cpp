#include "win32_clock.h"

#include <windows.h>

namespace tessavue {

std::int64_t Win32Clock::NowMicros() {
  LARGE_INTEGER frequency, counter;
  if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 &&
      QueryPerformanceCounter(&counter)) {
    const std::int64_t f = frequency.QuadPart;
    const std::int64_t c = counter.QuadPart;
    return c / f * 1000000 + c % f * 1000000 / f;
  }
  // No high-resolution counter: milliseconds since start, wrapping after
  // 49 days like the system's own count.
  return static_cast<std::int64_t>(GetTickCount()) * 1000;
}

void Win32Clock::SleepMicros(std::int64_t micros) {
  if (micros <= 0) return;
  Sleep(static_cast<DWORD>((micros + 999) / 1000));
}

}  // namespace tessavue
