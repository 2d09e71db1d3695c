// tessavue-cli's output: device texts made safe for JSON and for a
// terminal, tables, addresses and identifiers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "network.h"

namespace tessavue::cli {

// Text from a device as a JSON string with its quotes. Device texts are 8-bit
// ANSI text, not UTF-8: every byte of 0x80 and above is written as \u00XX,
// its Latin-1 character, so the output is plain ASCII and each original byte
// can be had back.
std::string JsonString(const std::string& text);
// Text from a device made safe for a terminal: control bytes (below 0x20,
// 0x7F to 0x9F) and the backslash are shown as \xNN and \\, bytes from 0xA0
// up as their Latin-1 character in UTF-8. `columns` gets the shown width.
std::string TerminalText(const std::string& text, std::size_t* columns = nullptr);

// Dotted addresses joined with ", ".
std::string DottedList(const std::vector<Ipv4Address>& addresses);
// Lowercase hex digits of `n` bytes.
std::string Hex(const std::uint8_t* bytes, std::size_t n);
// Rows of cells in columns two spaces apart, each cell as TerminalText.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace tessavue::cli
