// tessavue-cli: the device protocol from a terminal. All of its logic is in
// Run(), so the tests drive it over the in-memory network.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "network.h"
#include "system.h"

namespace tessavue::cli {

// Exit codes.
constexpr int kExitDone = 0;
constexpr int kExitDeviceFailed = 1;  // refused, did not answer, or the network is unusable
constexpr int kExitUsage = 2;         // bad usage or input; nothing was sent
constexpr int kExitNotFound = 3;      // no device with that address answered the search

// `args` without the program name. Data goes to `out`, messages to `err`,
// a password asked for with --password-stdin is read from `in`.
int Run(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
        std::ostream& err, DatagramNetwork& network, Clock& clock, Shell& shell);

extern const char* const kHelp;

// Text from a device as a JSON string with its quotes. Device texts are 8-bit
// ANSI text, not UTF-8: every byte of 0x80 and above is written as \u00XX,
// its Latin-1 character, so the output is plain ASCII and each original byte
// can be had back.
std::string JsonString(const std::string& text);
// Text from a device made safe for a terminal: control bytes (below 0x20,
// 0x7F to 0x9F) and the backslash are shown as \xNN and \\, bytes from 0xA0
// up as their Latin-1 character in UTF-8. `columns` gets the shown width.
std::string TerminalText(const std::string& text, std::size_t* columns = nullptr);

}  // namespace tessavue::cli
