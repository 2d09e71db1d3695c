// Remote names of network connections: "\\server\share", bounded to the
// buffers the connection functions use.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tessavue {

// Longest parts of a remote name the drive table keeps (fields of 64 and 256
// bytes), and the buffer the system fills with a remote name.
constexpr std::size_t kServerNameMax = 63;
constexpr std::size_t kShareNameMax = 255;
constexpr std::size_t kRemoteNameBuffer = 256;

// strcmpi-style: equal when the texts differ only in the case of ASCII
// letters.
bool EqualsIgnoringCase(const std::string& a, const std::string& b);

// A server or share name that can stand in a path as one part: not empty, no
// backslash, slash or control character. Any other name would reach another
// server or folder than the one it names.
bool IsSafeNamePart(const std::string& part);

// One share of one server, as a network connection names it.
struct RemoteName {
  std::string server;
  std::string share;

  // "\\server\share", the parts as they are.
  std::string Text() const;

  // The server and share of `text` when it is "\\server\share" with two safe
  // parts; nothing for anything else (a folder inside a share among others).
  static std::optional<RemoteName> Parse(const std::string& text);
  // A connection's name as the system reports it: the server up to the next
  // backslash, the share part everything after it (a folder inside the share
  // included). Nothing unless it starts with "\\" and both parts are there.
  static std::optional<RemoteName> Split(const std::string& text);
  // `text` has the form of a remote name rather than a drive letter's name.
  static bool IsRemoteNameText(const std::string& text);
};

// Builds "\\server\share" into `remoteName`, the server cut to 63 and the
// share to 255 characters. false, with `remoteName` empty, when either part
// is not a safe name part.
bool MakeRemoteName(const std::string& server, const std::string& share, std::string& remoteName);

}  // namespace tessavue
