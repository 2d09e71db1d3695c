// The drive letters' connections over the real WNet functions of Wine's
// mpr.dll, with the test network provider (test_provider.cpp) playing the
// redirector: the suite every NetworkConnections passes, and the calls and
// arguments that reach the network, as the provider records them.
//
// mpr.dll reads its providers when it is loaded, which is before main() runs.
// So the program starts as a harness: it names the provider in the
// registry, starts itself again (that copy runs the tests), and then puts
// the registry back as it found it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "connections_contract.h"
#include "letter_connect.h"
#include "win32_system.h"

namespace tessavue::win32 {
namespace {

const char kProviderKey[] = "System\\CurrentControlSet\\Services\\TessavueTest\\NetworkProvider";
const char kOrderKey[] = "System\\CurrentControlSet\\Control\\NetworkProvider\\Order";

std::string Env(const char* name) {
  char value[1024] = {};
  DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
  return length > 0 && length < sizeof value ? value : "";
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::ofstream out(path, std::ios::trunc);
  for (const std::string& line : lines) out << line << '\n';
}

// The network of the suite: the server "box" offers "public", "alpha" and
// "beta" to alice with the password s3cret, and "open" to anyone.
const std::vector<std::string> kNetwork = {
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

  ProviderWorld() {
    WriteLines(Env("TESSAVUE_PROVIDER_STATE"), kNetwork);
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
  void ShareBack(const std::string& share) { Add("share \\\\box\\" + share + " alice s3cret"); }
  void OpenFile(char letter) { Add(std::string("open ") + letter + ":"); }
  void CloseFiles(char letter) { Drop(std::string("open ") + letter + ":"); }
  void ServerAway(char /*letter*/) {
    using Away = void(APIENTRY*)(const char*);
    auto away = reinterpret_cast<Away>(reinterpret_cast<void*>(GetProcAddress(
        GetModuleHandleA("tessavue_test_provider.dll"), "TessavueProviderServerAway")));
    ASSERT_NE(away, nullptr) << "the provider is not loaded";
    away("box");
  }
  bool StillHeld(const std::string& share) {
    for (const std::string& line : ReadLines(Env("TESSAVUE_PROVIDER_STATE")))
      if (line.rfind("conn ", 0) == 0 && line.find("\\\\box\\" + share + " ") != std::string::npos)
        return true;
    return false;
  }
  // The calls the provider was given, in order.
  std::vector<std::string> Calls() { return ReadLines(Env("TESSAVUE_PROVIDER_RECORD")); }

 private:
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
  Win32NetworkConnections connections_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Wine, ConnectionsContract, ProviderWorld);

namespace {

class WNetCallsTest : public ::testing::Test {
 protected:
  ProviderWorld world;
  NetworkConnections& c = world.connections();
};

// What each call hands the network, to the letter: the request of the
// letter's connection (type 0, no provider named), the credentials as given,
// remembered; the cancel without force.
TEST_F(WNetCallsTest, TheCallsReachTheNetworkWithTheirArguments) {
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_EQ(c.AddConnection("F:", "\\\\box\\open", "", "", kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  EXPECT_EQ(c.CancelConnection("F:", kConnectUpdateProfile, true), ConnectionResult::kDone);
  EXPECT_EQ(world.Calls(),
            (std::vector<std::string>{
                "add local=E: remote=\\\\box\\public user=alice password=given flags=1 type=0 "
                "provider=(none) -> 0",
                "add local=F: remote=\\\\box\\open user= password=empty flags=1 type=0 "
                "provider=(none) -> 0",
                "cancel name=E: force=0 -> 0",
                "cancel name=F: force=1 -> 0",
            }));
}

// Remembered means remembered: mpr.dll writes the letter under
// HKCU\Network on a connection with CONNECT_UPDATE_PROFILE and forgets it
// on a cancel with it.
TEST_F(WNetCallsTest, ALetterIsRememberedUntilCancelled) {
  auto remembered = [](const char* key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
  };
  ASSERT_EQ(c.AddConnection("G:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_TRUE(remembered("Network\\G"));
  ASSERT_EQ(c.CancelConnection("G:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  EXPECT_FALSE(remembered("Network\\G"));
}

// A letter put back after a failed move goes with no credentials at all (the
// system's own), and a connection without a letter is found where it is.
TEST_F(WNetCallsTest, ReconnectGivesNoCredentialsAndConnectionsWithoutALetterAreFound) {
  ASSERT_EQ(c.AddConnection("", "\\\\box\\public", "s3cret", "alice", 0), ConnectionResult::kDone);
  EXPECT_TRUE(c.ConnectedWithoutLetter("\\\\BOX\\Public"));
  EXPECT_FALSE(c.ConnectedWithoutLetter("\\\\box\\alpha"));
  ASSERT_EQ(c.Reconnect("H:", "\\\\box\\alpha"), ConnectionResult::kDone);
  EXPECT_FALSE(c.ConnectedWithoutLetter("\\\\box\\alpha"));  // it has a letter
  EXPECT_EQ(world.Calls().back(),
            "add local=H: remote=\\\\box\\alpha user=(none) password=none flags=1 type=0 "
            "provider=(none) -> 0");
}

// A share the user connected without a letter (`net use \\box\public`)
// outlives a Connect of that share; the connection Connect made to check
// the credentials does not.
TEST_F(WNetCallsTest, ConnectDropsOnlyItsOwnConnectionWithoutALetter) {
  ASSERT_EQ(c.AddConnection("", "\\\\box\\public", "s3cret", "alice", 0), ConnectionResult::kDone);
  ASSERT_EQ(ConnectLetter(c, "E:", "\\\\box\\public", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_TRUE(c.ConnectedWithoutLetter("\\\\box\\public"));
  ASSERT_EQ(ConnectLetter(c, "F:", "\\\\box\\alpha", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_FALSE(c.ConnectedWithoutLetter("\\\\box\\alpha"));
}

// --- the harness ---

// Sets `name` under HKLM to `value`, or deletes it (nullptr).
void SetMachineValue(const char* key, const char* name, const std::string* value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS)
    return;
  if (value)
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                   static_cast<DWORD>(value->size() + 1));
  else
    RegDeleteValueA(handle, name);
  RegCloseKey(handle);
}

bool KeyExists(HKEY root, const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool MachineValue(const char* key, const char* name, std::string& value) {
  char text[1024] = {};
  DWORD size = sizeof text - 1;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  bool found = RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                                &size) == ERROR_SUCCESS;
  RegCloseKey(handle);
  value = text;
  return found;
}

// Starts this program again with the provider named and the tests' files
// set; its exit code.
int RunWithProvider() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self, std::string(self).rfind('\\'));
  std::string provider = folder + "\\tessavue_test_provider.dll";
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string base = std::string(temp) + "tessavue-provider-" + std::to_string(GetCurrentProcessId());

  // What was there before: the keys made here go again.
  const char* providerParent = "System\\CurrentControlSet\\Control\\NetworkProvider";
  bool hadParentKey = KeyExists(HKEY_LOCAL_MACHINE, providerParent);
  bool hadOrderKey = KeyExists(HKEY_LOCAL_MACHINE, kOrderKey);
  bool hadNetworkKey = KeyExists(HKEY_CURRENT_USER, "Network");
  std::string oldOrder;
  bool hadOrder = MachineValue(kOrderKey, "ProviderOrder", oldOrder);
  std::string order = hadOrder && !oldOrder.empty() ? "TessavueTest," + oldOrder : "TessavueTest";
  std::string name = "Tessavue Test Network";
  SetMachineValue(kProviderKey, "ProviderPath", &provider);
  SetMachineValue(kProviderKey, "Name", &name);
  SetMachineValue(kOrderKey, "ProviderOrder", &order);
  SetEnvironmentVariableA("TESSAVUE_PROVIDER_STATE", (base + ".state").c_str());
  SetEnvironmentVariableA("TESSAVUE_PROVIDER_RECORD", (base + ".record").c_str());

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::string commandLine = GetCommandLineA();
  DWORD code = 1;
  if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    if (WaitForSingleObject(process.hProcess, 300000) != WAIT_OBJECT_0)
      TerminateProcess(process.hProcess, 1);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    std::fprintf(stderr, "could not start the tests again (error %lu)\n", GetLastError());
  }

  // The prefix as it was.
  SetMachineValue(kOrderKey, "ProviderOrder", hadOrder ? &oldOrder : nullptr);
  if (!hadOrderKey) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOrderKey);
  if (!hadParentKey) RegDeleteKeyA(HKEY_LOCAL_MACHINE, providerParent);
  if (!hadNetworkKey) RegDeleteKeyA(HKEY_CURRENT_USER, "Network");
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProviderKey);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\TessavueTest");
  DeleteFileA((base + ".state").c_str());
  DeleteFileA((base + ".record").c_str());
  return static_cast<int>(code);
}

}  // namespace
}  // namespace tessavue::win32

int main(int argc, char** argv) {
  if (tessavue::win32::Env("TESSAVUE_PROVIDER_STATE").empty())
    return tessavue::win32::RunWithProvider();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
