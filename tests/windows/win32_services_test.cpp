// The system services over the Windows API as Wine provides it (the control
// wrappers are checked in win32_controls_test.cpp).
#include <gtest/gtest.h>

#include "win32_system.h"
#include "windows_api.h"

namespace tessavue::win32 {
namespace {

TEST(SystemServicesTest, VersionUserAndDrives) {
  Win32SystemInfo system;
  OsVersionInfo version;
  ASSERT_TRUE(system.GetVersionInfo(version));
  EXPECT_EQ(version.platformId, 2u);  // the NT family, as Wine reports it
  EXPECT_GE(version.majorVersion, 5u);
  EXPECT_FALSE(system.GetUserName().empty());

  Win32NetworkConnections connections;
  EXPECT_EQ(connections.GetDriveType("C:"), static_cast<unsigned>(kDriveFixed));
  std::string remote = "unchanged";
  EXPECT_NE(connections.GetConnection("Q:", remote), ConnectionResult::kDone);
  EXPECT_EQ(remote, "unchanged");
  EXPECT_NE(connections.CancelConnection("Q:", kConnectUpdateProfile, false),
            ConnectionResult::kDone);
}

// The window and the letter move tell these outcomes apart; each Windows
// error number that the WNet functions give has to come to its own.
TEST(SystemServicesTest, WNetErrorsComeToTheirOutcomes) {
  const struct {
    unsigned long error;
    ConnectionResult result;
  } cases[] = {
      {NO_ERROR, ConnectionResult::kDone},
      {ERROR_NOT_CONNECTED, ConnectionResult::kNotConnected},
      {ERROR_CONNECTION_UNAVAIL, ConnectionResult::kUnavailable},
      {ERROR_BAD_NET_NAME, ConnectionResult::kShareNotFound},
      {ERROR_BAD_NETPATH, ConnectionResult::kServerUnreachable},
      {ERROR_HOST_UNREACHABLE, ConnectionResult::kServerUnreachable},
      {1272, ConnectionResult::kGuestRefused},
      {ERROR_INVALID_PASSWORD, ConnectionResult::kLoginRefused},
      {ERROR_LOGON_FAILURE, ConnectionResult::kLoginRefused},
      {ERROR_ACCESS_DENIED, ConnectionResult::kLoginRefused},
      {ERROR_SESSION_CREDENTIAL_CONFLICT, ConnectionResult::kOtherCredentialsInUse},
      {ERROR_OPEN_FILES, ConnectionResult::kFilesOpen},
      {ERROR_DEVICE_IN_USE, ConnectionResult::kFilesOpen},
      {ERROR_ALREADY_ASSIGNED, ConnectionResult::kLetterInUse},
      {ERROR_DEVICE_ALREADY_REMEMBERED, ConnectionResult::kLetterInUse},
      {ERROR_BAD_DEVICE, ConnectionResult::kNoSuchLetter},
      {ERROR_NO_NETWORK, ConnectionResult::kFailed},
      {ERROR_EXTENDED_ERROR, ConnectionResult::kFailed},
      {ERROR_NOT_ENOUGH_MEMORY, ConnectionResult::kFailed},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Win32NetworkConnections::ResultOf(c.error), c.result) << c.error;
}

// WNetGetConnectionA's answers for one letter: a remembered connection whose
// server is away keeps its share's name (a letter move puts it back with
// it); a letter that is no drive at all is not connected.
TEST(SystemServicesTest, WNetGetConnectionAnswersKeepTheRememberedShare) {
  std::string remote;
  EXPECT_EQ(Win32NetworkConnections::ConnectionOf("K:", ERROR_CONNECTION_UNAVAIL, "\\\\box\\public",
                                                  remote),
            ConnectionResult::kUnavailable);
  EXPECT_EQ(remote, "\\\\box\\public");
  remote.clear();
  EXPECT_EQ(Win32NetworkConnections::ConnectionOf("K:", ERROR_BAD_DEVICE, "", remote),
            ConnectionResult::kNotConnected);
  EXPECT_EQ(Win32NetworkConnections::ConnectionOf("K", ERROR_BAD_DEVICE, "", remote),
            ConnectionResult::kNoSuchLetter);
  EXPECT_EQ(Win32NetworkConnections::ConnectionOf("K:", ERROR_NOT_CONNECTED, "junk", remote),
            ConnectionResult::kNotConnected);
  EXPECT_EQ(remote, "");
}

// "Remember password": the server's domain password in the user's credential
// store, under the user name as the authentication packages look it up.
TEST(SystemServicesTest, AKeptPasswordIsTheServersDomainCredential) {
  EXPECT_EQ(Win32NetworkConnections::CredentialUser("box", "mary"), "box\\mary");
  EXPECT_EQ(Win32NetworkConnections::CredentialUser("box", "HOME\\mary"), "HOME\\mary");
  EXPECT_EQ(Win32NetworkConnections::CredentialUser("box", "mary@home.example"),
            "mary@home.example");
  EXPECT_FALSE(Win32NetworkConnections::KeepPassword("", "mary", "pw"));

  const char* server = "tessavue-test-box";
  ASSERT_TRUE(Win32NetworkConnections::KeepPassword(server, "mary", "pw"));
  PCREDENTIALA kept = nullptr;
  ASSERT_TRUE(::CredReadA(server, CRED_TYPE_DOMAIN_PASSWORD, 0, &kept));
  EXPECT_STREQ(kept->UserName, "tessavue-test-box\\mary");
  EXPECT_NE(kept->Persist, static_cast<DWORD>(CRED_PERSIST_SESSION));
  ::CredFree(kept);
  // Kept again, the one credential of the server is written over.
  ASSERT_TRUE(Win32NetworkConnections::KeepPassword(server, "HOME\\mary", "pw2"));
  ASSERT_TRUE(::CredReadA(server, CRED_TYPE_DOMAIN_PASSWORD, 0, &kept));
  EXPECT_STREQ(kept->UserName, "HOME\\mary");
  ::CredFree(kept);
  EXPECT_TRUE(::CredDeleteA(server, CRED_TYPE_DOMAIN_PASSWORD, 0));
}

}  // namespace
}  // namespace tessavue::win32
