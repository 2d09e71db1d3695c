// The in-memory drive map answers like the system's connection functions; the
// window tests rely on these answers.
#include "platform/memory/memory_connections.h"

#include <gtest/gtest.h>

namespace tessavue {
namespace {

TEST(MemoryConnections, CredentialsAndUnknownShares) {
  MemoryConnections net;
  net.AddShare("box", "private", "alice", "s3cret");
  net.AddShare("box", "public");

  EXPECT_EQ(net.AddConnection("E:", "\\\\box\\nothing", "", "", 0), kErrorBadNetName);
  EXPECT_EQ(net.AddConnection("E:", "\\\\box\\private", "", "", 0), kErrorInvalidPassword);
  EXPECT_EQ(net.AddConnection("E:", "\\\\box\\private", "S3CRET", "alice", 0),
            kErrorInvalidPassword);
  EXPECT_EQ(net.AddConnection("E:", "\\\\BOX\\Private", "s3cret", "ALICE", 0), kNoError);
  EXPECT_EQ(net.Connection('E'), "\\\\BOX\\Private");
  EXPECT_EQ(net.AddConnection("E:", "\\\\box\\public", "", "", 0), kErrorAlreadyAssigned);
  EXPECT_EQ(net.AddConnection("C:", "\\\\box\\public", "", "", 0), kErrorAlreadyAssigned);
  EXPECT_EQ(net.GetDriveType("E:"), kDriveRemote);
  EXPECT_EQ(net.GetDriveType("F:"), kDriveNoRootDir);
}

TEST(MemoryConnections, RememberedConnectionsAndOpenFiles) {
  MemoryConnections net;
  net.AddShare("box", "public");
  net.Remember('F', "\\\\old\\gone");
  std::string remote;
  EXPECT_EQ(net.GetConnection("F:", remote), kErrorConnectionUnavail);
  // A remembered letter cannot take a new remembered connection until dropped.
  EXPECT_EQ(net.AddConnection("F:", "\\\\box\\public", "", "", kConnectUpdateProfile),
            kErrorDeviceAlreadyRemembered);
  EXPECT_EQ(net.CancelConnection("F:", 0, false), kErrorNotConnected);
  EXPECT_EQ(net.CancelConnection("F:", kConnectUpdateProfile, false), kNoError);
  EXPECT_EQ(net.AddConnection("F:", "\\\\box\\public", "", "", kConnectUpdateProfile), kNoError);
  EXPECT_TRUE(net.IsRemembered('F'));

  net.SetOpenFiles('F', true);
  EXPECT_EQ(net.CancelConnection("F:", kConnectUpdateProfile, false), kErrorOpenFiles);
  EXPECT_EQ(net.Connection('F'), "\\\\box\\public");
  EXPECT_EQ(net.CancelConnection("F:", kConnectUpdateProfile, true), kNoError);
  EXPECT_FALSE(net.Connection('F').has_value());
  EXPECT_FALSE(net.IsRemembered('F'));
  EXPECT_EQ(net.CancelConnection("", kConnectUpdateProfile, false), kErrorNotConnected);
}

}  // namespace
}  // namespace tessavue
