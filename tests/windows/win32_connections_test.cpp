// The drive letters' connections over the real WNet functions of Wine's
// mpr.dll, with the test network provider (test_provider.cpp) playing the
// redirector: the suite every NetworkConnections passes, and the calls and
// arguments that reach the network, as the provider records them.
//
// mpr.dll reads its providers when it is loaded, which is before main() runs.
// So the program starts as a harness: it names the provider in the
// registry, starts itself again (that copy runs the tests), and then puts
// the registry back as it found it.
#include "windows_api.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "connections_contract.h"
#include "letter_connect.h"
#include "provider_world.h"
#include "win32_system.h"

namespace tessavue::win32 {

INSTANTIATE_TYPED_TEST_SUITE_P(Wine, ConnectionsContract, ProviderWorld);

namespace {

const char kProviderKey[] = "System\\CurrentControlSet\\Services\\TessavueTest\\NetworkProvider";
const char kOrderKey[] = "System\\CurrentControlSet\\Control\\NetworkProvider\\Order";

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

// mpr.dll hands a provider's answer back unchanged; each comes to its own
// outcome, the letter untouched.
TEST_F(WNetCallsTest, TheNetworksAnswersComeBackAsTheyAre) {
  const struct {
    const char* answer;
    ConnectionResult result;
  } cases[] = {
      {"1222", ConnectionResult::kFailed},           // no network
      {"53", ConnectionResult::kServerUnreachable},  // path not found: no one answers
      {"67", ConnectionResult::kShareNotFound},
      {"86", ConnectionResult::kLoginRefused},
      {"85", ConnectionResult::kLetterInUse},
      {"1219", ConnectionResult::kOtherCredentialsInUse},
      {"2401", ConnectionResult::kFilesOpen},
  };
  for (const auto& e : cases) {
    world.Add(std::string("answer add * ") + e.answer);
    world.Add(std::string("answer cancel * ") + e.answer);
    EXPECT_EQ(c.AddConnection("E:", "\\\\box\\open", "", "", kConnectUpdateProfile), e.result)
        << e.answer;
    EXPECT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), e.result) << e.answer;
    world.Drop("answer ");
  }
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);
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

// `order` (names separated by commas) without "TessavueTest".
std::string WithoutProvider(const std::string& order) {
  std::string kept, name;
  std::istringstream names(order);
  while (std::getline(names, name, ','))
    if (!name.empty() && name != "TessavueTest") kept += (kept.empty() ? "" : ",") + name;
  return kept;
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
  std::string base =
      std::string(temp) + "tessavue-provider-" + std::to_string(GetCurrentProcessId());

  // What was there before: the keys made here go again.
  const char* providerParent = "System\\CurrentControlSet\\Control\\NetworkProvider";
  bool hadParentKey = KeyExists(HKEY_LOCAL_MACHINE, providerParent);
  bool hadOrderKey = KeyExists(HKEY_LOCAL_MACHINE, kOrderKey);
  bool hadNetworkKey = KeyExists(HKEY_CURRENT_USER, "Network");
  std::string oldOrder;
  bool hadOrder = MachineValue(kOrderKey, "ProviderOrder", oldOrder);
  // A run that was killed may have left the provider named: it is named
  // once, and taken out again afterwards.
  oldOrder = WithoutProvider(oldOrder);
  hadOrder = hadOrder && !oldOrder.empty();
  std::string order = hadOrder ? "TessavueTest," + oldOrder : "TessavueTest";
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
  if (!hadOrderKey || !hadOrder) RegDeleteKeyA(HKEY_LOCAL_MACHINE, kOrderKey);
  if (!hadParentKey || !hadOrder) RegDeleteKeyA(HKEY_LOCAL_MACHINE, providerParent);
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
