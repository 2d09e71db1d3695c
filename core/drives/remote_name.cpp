#include "remote_name.h"

namespace tessavue {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool IsSafeNamePart(const std::string& part) {
  if (part.empty()) return false;
  for (char c : part) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '/' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

std::string RemoteName::Text() const { return "\\\\" + server + "\\" + share; }

bool RemoteName::IsRemoteNameText(const std::string& text) { return text.rfind("\\\\", 0) == 0; }

std::optional<RemoteName> RemoteName::Split(const std::string& text) {
  if (!IsRemoteNameText(text)) return std::nullopt;
  std::size_t cut = text.find('\\', 2);
  if (cut == std::string::npos || cut == 2 || cut + 1 == text.size()) return std::nullopt;
  return RemoteName{text.substr(2, cut - 2), text.substr(cut + 1)};
}

std::optional<RemoteName> RemoteName::Parse(const std::string& text) {
  std::optional<RemoteName> name = Split(text);
  if (!name || !IsSafeNamePart(name->server) || !IsSafeNamePart(name->share)) return std::nullopt;
  return name;
}

bool MakeRemoteName(const std::string& server, const std::string& share, std::string& remoteName) {
  remoteName.clear();
  RemoteName name{server.substr(0, kServerNameMax), share.substr(0, kShareNameMax)};
  if (!IsSafeNamePart(name.server) || !IsSafeNamePart(name.share)) return false;
  remoteName = name.Text();
  return true;
}

}  // namespace tessavue
