// What every NetworkConnections promises, whatever system keeps the
// connections. An implementation's test instantiates the suite with a world
// of its own:
//
//   struct World {
//     NetworkConnections& connections();
//     // The server "box" offers the shares "public", "alpha" and "beta" to
//     // the user "alice" with the password "s3cret" only.
//     void ShareGone(const std::string& share);  // the server stops offering it
//     void ShareBack(const std::string& share);  // and offers it again
//     void OpenFile(char letter);   // a program keeps a file open on the letter
//     void CloseFiles(char letter);
//     void ServerAway(char letter);  // the connection is lost, the letter remembered
//     // Something of the share is still held by this workstation; asked only
//     // where no letter holds it.
//     bool StillHeld(const std::string& share);
//     // Optional: the system shows a letter whose server is away as free
//     // (Wine), rather than as remembered with its share.
//     static constexpr bool kAwayLetterLooksFree = true;
//   };
//
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, ConnectionsContract, World);
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "connections.h"
#include "letter_connect.h"

namespace tessavue {

template <typename World>
class ConnectionsContract : public ::testing::Test {
 protected:
  // The share `letter` leads to; "" when it is not connected now.
  std::string SharedBy(const char* letter) {
    std::string remote;
    return c.GetConnection(letter, remote) == ConnectionResult::kDone ? remote : "";
  }

  World world;
  NetworkConnections& c = world.connections();
};

TYPED_TEST_SUITE_P(ConnectionsContract);

template <typename World>
constexpr bool AwayLetterLooksFree() {
  if constexpr (requires { World::kAwayLetterLooksFree; })
    return World::kAwayLetterLooksFree;
  else
    return false;
}

TYPED_TEST_P(ConnectionsContract, ALetterLeadsToItsShareUntilDisconnected) {
  auto& c = this->c;
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);

  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\public");
  EXPECT_EQ(this->SharedBy("e:"), "\\\\box\\public");
  EXPECT_EQ(c.GetDriveType("E:"), kDriveRemote);
  EXPECT_EQ(c.GetDriveType("F:"), kDriveNoRootDir);

  ASSERT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);
  EXPECT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false),
            ConnectionResult::kNotConnected);
}

TYPED_TEST_P(ConnectionsContract, RefusedLoginsLeaveTheLetterFree) {
  auto& c = this->c;
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "wrong", "alice", 1),
            ConnectionResult::kLoginRefused);
  // A cancelled "Login" leaves the credentials empty.
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "", "", 1), ConnectionResult::kLoginRefused);
  // A line break never smuggles a second answer in.
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "wrong\ns3cret", "alice", 1),
            ConnectionResult::kLoginRefused);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "al\rice", 1),
            ConnectionResult::kLoginRefused);
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);
}

TYPED_TEST_P(ConnectionsContract, NamesThatAreNoShareOrNoLetterAreRefused) {
  auto& c = this->c;
  for (const char* bad : {"", "box\\public", "\\\\box", "\\\\box\\", "\\\\\\public",
                          "\\\\box\\pub\\dir", "\\\\box\\a/b"})
    EXPECT_EQ(c.AddConnection("E:", bad, "s3cret", "alice", 1), ConnectionResult::kShareNotFound)
        << bad;
  this->world.ShareGone("beta");
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\beta", "s3cret", "alice", 1),
            ConnectionResult::kShareNotFound);
  for (const char* bad : {"E", "E:\\", "1:", "EE:"}) {
    std::string remote;
    EXPECT_EQ(c.AddConnection(bad, "\\\\box\\public", "s3cret", "alice", 1),
              ConnectionResult::kNoSuchLetter)
        << bad;
    EXPECT_EQ(c.GetConnection(bad, remote), ConnectionResult::kNoSuchLetter) << bad;
  }
  EXPECT_EQ(this->SharedBy("E:"), "");
}

TYPED_TEST_P(ConnectionsContract, ALetterInUseIsNotTakenAgain) {
  auto& c = this->c;
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\alpha", "s3cret", "alice", 1),
            ConnectionResult::kLetterInUse);
  EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\public");
}

TYPED_TEST_P(ConnectionsContract, OpenFilesKeepTheConnectionUnlessForced) {
  auto& c = this->c;
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  this->world.OpenFile('E');
  EXPECT_EQ(c.CancelConnection("E:", 1, false), ConnectionResult::kFilesOpen);
  EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\public");
  EXPECT_EQ(c.CancelConnection("E:", 1, true), ConnectionResult::kDone);
  EXPECT_EQ(this->SharedBy("E:"), "");
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);
}

TYPED_TEST_P(ConnectionsContract, ALetterWhoseServerIsAwayIsRememberedUntilDisconnected) {
  auto& c = this->c;
  ASSERT_EQ(c.AddConnection("K:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  this->world.ServerAway('K');
  std::string remote;
  if (AwayLetterLooksFree<TypeParam>()) {
    EXPECT_EQ(c.GetConnection("K:", remote), ConnectionResult::kNotConnected);
  } else {
    EXPECT_EQ(c.GetConnection("K:", remote), ConnectionResult::kUnavailable);
    EXPECT_EQ(remote, "\\\\box\\public");
  }
  // Connecting it anew is refused while it is remembered.
  EXPECT_EQ(c.AddConnection("K:", "\\\\box\\alpha", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kLetterInUse);
  ASSERT_EQ(c.CancelConnection("K:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  remote.clear();
  EXPECT_EQ(c.GetConnection("K:", remote), ConnectionResult::kNotConnected);
  EXPECT_EQ(remote, "");
}

TYPED_TEST_P(ConnectionsContract, AConnectionWithoutALetterIsDroppedByItsName) {
  auto& c = this->c;
  ASSERT_EQ(c.AddConnection("", "\\\\box\\public", "s3cret", "alice", 0), ConnectionResult::kDone);
  EXPECT_TRUE(this->world.StillHeld("public"));
  EXPECT_EQ(c.AddConnection("", "\\\\box\\alpha", "wrong", "alice", 0),
            ConnectionResult::kLoginRefused);
  EXPECT_FALSE(this->world.StillHeld("alpha"));
  for (char letter = 'D'; letter <= 'Z'; ++letter)
    EXPECT_EQ(this->SharedBy((std::string(1, letter) + ":").c_str()), "") << letter;

  // Any case of the name will do.
  ASSERT_EQ(c.CancelConnection("\\\\BOX\\Public", 0, false), ConnectionResult::kDone);
  EXPECT_FALSE(this->world.StillHeld("public"));
  EXPECT_EQ(c.CancelConnection("\\\\box\\public", 0, false), ConnectionResult::kNotConnected);
}

// Connect's way of moving a letter: whatever fails, E: still leads to the
// share it led to and nothing of the new share is left behind; a success
// moves it and lets the old share go.
TYPED_TEST_P(ConnectionsContract, ALetterMovesOnlyWhenTheNewShareIsReached) {
  auto& c = this->c;
  auto& world = this->world;
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\alpha", "s3cret", "alice", 1), ConnectionResult::kDone);
  auto expectAlpha = [&](const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\alpha");
    EXPECT_FALSE(world.StillHeld("beta"));
  };

  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "wrong", "alice"),
            ConnectionResult::kLoginRefused);
  expectAlpha("refused password");
  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "", ""), ConnectionResult::kLoginRefused);
  expectAlpha("no credentials");
  world.ShareGone("beta");
  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"),
            ConnectionResult::kShareNotFound);
  expectAlpha("share gone");
  world.ShareBack("beta");
  world.OpenFile('E');
  EXPECT_NE(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  expectAlpha("file open");

  world.CloseFiles('E');
  ASSERT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\beta");
  EXPECT_FALSE(world.StillHeld("alpha"));
  // The same share once more: the letter stays on it.
  ASSERT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_EQ(this->SharedBy("E:"), "\\\\box\\beta");
}

REGISTER_TYPED_TEST_SUITE_P(ConnectionsContract, ALetterLeadsToItsShareUntilDisconnected,
                            RefusedLoginsLeaveTheLetterFree,
                            NamesThatAreNoShareOrNoLetterAreRefused, ALetterInUseIsNotTakenAgain,
                            OpenFilesKeepTheConnectionUnlessForced,
                            ALetterWhoseServerIsAwayIsRememberedUntilDisconnected,
                            AConnectionWithoutALetterIsDroppedByItsName,
                            ALetterMovesOnlyWhenTheNewShareIsReached);

}  // namespace tessavue
