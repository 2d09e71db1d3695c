// Fixed-size texts and dotted-decimal addresses.
#include <cstdio>
#include <cstring>

#include "protocol.h"

namespace tessavue {

void CopyText(char* destination, std::size_t size, const char* source) {
  if (size == 0) return;
  std::size_t n = 0;
  if (source != nullptr) {
    while (n + 1 < size && source[n] != '\0') ++n;
    std::memcpy(destination, source, n);
  }
  destination[n] = '\0';
}

void FormatDotted(const std::uint8_t octets[4], char out[16]) {
  std::snprintf(out, 16, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}

bool ParseDotted(const char* text, std::uint8_t octets[4]) {
  if (text == nullptr) return false;
  const char* p = text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (*p != '.') return false;
      ++p;
    }
    int value = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9') {
      value = value * 10 + (*p - '0');
      if (++digits > 3 || value > 255) return false;
      ++p;
    }
    if (digits == 0) return false;
    octets[part] = static_cast<std::uint8_t>(value);
  }
  return *p == '\0';
}

}  // namespace tessavue
