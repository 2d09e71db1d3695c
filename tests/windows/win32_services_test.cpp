// The system services over the Windows API as Wine provides it (the control
// wrappers are checked in win32_controls_test.cpp).
#include <gtest/gtest.h>

#include "win32_system.h"

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
  EXPECT_NE(connections.GetConnection("Q:", remote), kNoError);
  EXPECT_EQ(remote, "unchanged");
  EXPECT_NE(connections.CancelConnection("Q:", kConnectUpdateProfile, false), kNoError);
}

}  // namespace
}  // namespace tessavue::win32
