// The network of the test network provider (test_provider.cpp) as a test
// sets it up and reads it: the state file it plays from and the record of
// the calls it was given. Named by the environment the harness in
// win32_connections_test.cpp sets.
#pragma once

#include "windows_api.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "win32_system.h"

namespace tessavue::win32 {

inline std::string Env(const char* name) {
  char value[1024] = {};
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::trunc);
  for (const std::string& line : lines) out << line << '\n';
}

// The network of the connections suite: the server "box" offers "public",
// "alpha" and "beta" to alice with the password s3cret, and "open" to anyone.
inline const std::vector<std::string> kBoxNetwork = {
    "share \\\\box\\public alice s3cret", "share \\\\box\\alpha alice s3cret",
    "share \\\\box\\beta alice s3cret", "share \\\\box\\open - -"};

// The workstation and the network as the provider keeps them; each test
// starts with nothing connected and leaves nothing behind.
class ProviderWorld {
 public:
  // Wine's WNetGetConnectionA asks its mount manager only, which knows
  // nothing of remembered connections: a letter whose server is away looks
  // free there.
  static constexpr bool kAwayLetterLooksFree = true;

  explicit ProviderWorld(const std::vector<std::string>& network = kBoxNetwork) {
    WriteLines(Env("TESSAVUE_PROVIDER_STATE"), network);
    WriteLines(Env("TESSAVUE_PROVIDER_RECORD"), {});
  }
  ~ProviderWorld() {
    // Whatever a test left: cut off (force), forgotten.
    for (const std::string& line : ReadLines(Env("TESSAVUE_PROVIDER_STATE"))) {
      std::istringstream words(line);
      std::string kind, local, remote;
      if (words >> kind >> local >> remote && kind == "conn")
        WNetCancelConnection2A(local == "-" ? remote.c_str() : local.c_str(),
                               CONNECT_UPDATE_PROFILE, TRUE);
    }
    for (char letter = 'D'; letter <= 'Z'; ++letter) {
      char key[] = "Network\\?";
      key[8] = letter;
      RegDeleteKeyA(HKEY_CURRENT_USER, key);
    }
  }
  NetworkConnections& connections() { return connections_; }
  void ShareGone(const std::string& share) { Drop("share \\\\box\\" + share + " "); }
  // Lines of the provider's state file (see test_provider.cpp).
  void Add(const std::string& line) {
    std::vector<std::string> lines = ReadLines(Env("TESSAVUE_PROVIDER_STATE"));
    lines.push_back(line);
    WriteLines(Env("TESSAVUE_PROVIDER_STATE"), lines);
  }
  void Drop(const std::string& start) {
    std::vector<std::string> lines = ReadLines(Env("TESSAVUE_PROVIDER_STATE"));
    std::erase_if(lines, [&](const std::string& line) { return line.rfind(start, 0) == 0; });
    WriteLines(Env("TESSAVUE_PROVIDER_STATE"), lines);
  }
  void ShareBack(const std::string& share) { Add("share \\\\box\\" + share + " alice s3cret"); }
  void OpenFile(char letter) { Add(std::string("open ") + letter + ":"); }
  void CloseFiles(char letter) { Drop(std::string("open ") + letter + ":"); }
  void ServerAway(char /*letter*/) { ServerAway("box"); }
  void ServerAway(const char* server) {
    using Away = void(APIENTRY*)(const char*);
    auto away = reinterpret_cast<Away>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleA("tessavue_test_provider.dll"), "TessavueProviderServerAway")));
    ASSERT_NE(away, nullptr) << "the provider is not loaded";
    away(server);
  }
  bool StillHeld(const std::string& share) {
    for (const std::string& line : ReadLines(Env("TESSAVUE_PROVIDER_STATE")))
      if (line.rfind("conn ", 0) == 0 && line.find("\\\\box\\" + share + " ") != std::string::npos)
        return true;
    return false;
  }
  // The calls the provider was given since the last one, in order.
  std::vector<std::string> NewCalls() {
    std::vector<std::string> calls = Calls();
    std::vector<std::string> fresh(calls.begin() + static_cast<long>(seen_), calls.end());
    seen_ = calls.size();
    return fresh;
  }
  // The calls the provider was given, in order.
  std::vector<std::string> Calls() { return ReadLines(Env("TESSAVUE_PROVIDER_RECORD")); }

 private:
  std::size_t seen_ = 0;
  Win32NetworkConnections connections_;
};

}  // namespace tessavue::win32
