// Texts every layer writes and reads alike: bounded copies into fixed
// buffers, dotted-decimal IPv4 addresses and the subnet they share, and
// percent-escapes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ipv4_address.h"

namespace tessavue {

// Bounded copy of a text into a fixed buffer of `size` bytes: at most size-1
// characters, always terminated.
void CopyText(char* destination, std::size_t size, const char* source);

// "%d.%d.%d.%d" of four octets into a 16-byte buffer.
void FormatDotted(const std::uint8_t octets[4], char out[16]);
// The same as a string.
std::string DottedText(const std::uint8_t octets[4]);
std::string DottedText(const Ipv4Address& address);
// Strict dotted-decimal parse ("a.b.c.d", each 0-255). false on anything else.
bool ParseDotted(const char* text, std::uint8_t octets[4]);
// The same of a whole string: a text with a NUL inside is no address,
// whatever stands before it. `address` is left alone on failure.
bool ParseAddress(const std::string& text, Ipv4Address& address);

// `a` and `b` lie in one subnet under `netmask`.
bool SameSubnet(const std::uint8_t a[4], const std::uint8_t b[4], const std::uint8_t netmask[4]);

// 0 to 15 for a hex digit of either case; -1 for anything else.
int HexDigitValue(char c);

// A name's part as it stands in an smb:// address (and in the names GVfs
// gives its mounts): letters, digits and "-._~" as they are, every other
// byte as %XX.
std::string PercentEncode(const std::string& text);

// What a '%' that is not followed by two hex digits means.
enum class BrokenEscape {
  kRefuse,  // the text is not usable: PercentDecode answers false
  kKeep,    // it stands for itself
};
// Replaces every %XX (hex digits, either case) by its byte; false, with `out`
// undefined, for a broken escape when `broken` refuses it.
bool PercentDecode(const std::string& text, std::string& out,
                   BrokenEscape broken = BrokenEscape::kRefuse);

}  // namespace tessavue
