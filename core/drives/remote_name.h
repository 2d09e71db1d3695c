// Remote names of network connections: "\\server\share", bounded to the
// buffers the connection functions use.
#pragma once

#include <cstddef>
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

// Builds "\\server\share" into `remoteName`, the server cut to 63 and the
// share to 255 characters. false, with `remoteName` empty, when either part is
// empty or holds a backslash, a slash or a control character: such a name
// would reach another server or folder than the one the device named.
bool MakeRemoteName(const std::string& server, const std::string& share, std::string& remoteName);

}  // namespace tessavue
