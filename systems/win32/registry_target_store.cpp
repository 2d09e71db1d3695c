#include "registry_target_store.h"

#include <windows.h>

namespace tessavue {

namespace {

constexpr const char* kValueName = "SearchTargets";
// A list of targets is a few hundred bytes; a bigger value is no such list.
constexpr DWORD kMostBytes = 64 * 1024;

}  // namespace

bool SplitMultiString(const char* data, std::size_t size, std::vector<std::string>& strings) {
  strings.clear();
  // Strings each ended by a zero, then one more zero; an empty list may be
  // stored as one or two zeros, or nothing at all.
  if (size == 0) return true;
  if (data[size - 1] != '\0') return false;
  std::size_t start = 0;
  while (start < size && data[start] != '\0') {
    std::size_t end = start;
    while (end < size && data[end] != '\0') ++end;
    strings.emplace_back(data + start, end - start);
    start = end + 1;
  }
  return true;
}

TargetStore::Read RegistryTargetStore::ReadLines(std::vector<std::string>& lines) {
  lines.clear();
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, KEY_QUERY_VALUE, &key);
  if (opened == ERROR_FILE_NOT_FOUND) return Read::kNothing;
  if (opened != ERROR_SUCCESS) return Read::kUnreadable;
  DWORD type = 0;
  DWORD size = 0;
  LONG queried = RegQueryValueExA(key, kValueName, nullptr, &type, nullptr, &size);
  Read result = Read::kUnreadable;
  if (queried == ERROR_FILE_NOT_FOUND) {
    result = Read::kNothing;
  } else if (queried == ERROR_SUCCESS && type == REG_MULTI_SZ && size <= kMostBytes) {
    std::string data(size, '\0');
    if (RegQueryValueExA(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS &&
        size <= data.size() && SplitMultiString(data.data(), size, lines))
      result = Read::kRead;
  }
  RegCloseKey(key);
  return result;
}

bool RegistryTargetStore::WriteLines(const std::vector<std::string>& lines) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  std::string data;
  for (const std::string& line : lines) data += line + '\0';
  data += '\0';
  const bool ok =
      RegSetValueExA(key, kValueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

std::string RegistryTargetStore::Where() const {
  return "HKEY_CURRENT_USER\\" + subKey_ + " (" + kValueName + ")";
}

}  // namespace tessavue
