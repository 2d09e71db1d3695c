#include "text.h"

#include <cstdio>
#include <cstring>

namespace tessavue {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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

std::string DottedText(const std::uint8_t octets[4]) {
  char text[16];
  FormatDotted(octets, text);
  return text;
}

std::string DottedText(const Ipv4Address& address) { return DottedText(address.octet); }

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

bool ParseAddress(const std::string& text, Ipv4Address& address) {
  if (text.find('\0') != std::string::npos) return false;
  Ipv4Address parsed;
  if (!ParseDotted(text.c_str(), parsed.octet)) return false;
  address = parsed;
  return true;
}

bool SameSubnet(const std::uint8_t a[4], const std::uint8_t b[4], const std::uint8_t netmask[4]) {
  for (int i = 0; i < 4; ++i) {
    if ((a[i] & netmask[i]) != (b[i] & netmask[i])) return false;
  }
  return true;
}

std::string PercentEncode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool PercentDecode(const std::string& text, std::string& out, BrokenEscape broken) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    int hi = -1, lo = -1;
    if (text[i] == '%' && i + 2 < text.size()) {
      hi = HexDigitValue(text[i + 1]);
      lo = HexDigitValue(text[i + 2]);
    }
    if (hi >= 0 && lo >= 0) {
      out += static_cast<char>(hi << 4 | lo);
      i += 2;
    } else if (text[i] == '%' && broken == BrokenEscape::kRefuse) {
      return false;
    } else {
      out += text[i];
    }
  }
  return true;
}

}  // namespace tessavue
