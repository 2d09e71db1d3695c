#include "remote_name.h"

namespace tessavue {

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSafePart(const std::string& part) {
  if (part.empty()) return false;
  for (char c : part) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '/' || u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

}  // namespace

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool MakeRemoteName(const std::string& server, const std::string& share, std::string& remoteName) {
  remoteName.clear();
  std::string s = server.substr(0, kServerNameMax);
  std::string t = share.substr(0, kShareNameMax);
  if (!IsSafePart(s) || !IsSafePart(t)) return false;
  remoteName = "\\\\" + s + "\\" + t;
  return true;
}

}  // namespace tessavue
