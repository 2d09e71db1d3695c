// Connecting a letter in place of what it held, over the in-memory drive
// letters: the cases the window's tests do not reach, where one server
// takes only one user name at a time.
#include "letter_connect.h"

#include <gtest/gtest.h>

#include "memory_connections.h"

namespace tessavue {
namespace {

class LetterConnectTest : public ::testing::Test {
 protected:
  LetterConnectTest() {
    net.AddShare("nas", "open");  // anyone
    net.AddShare("nas", "mary", "mary", "pw");
    net.AddShare("nas", "john", "john", "secret");
    net.AddShare("other", "data", "john", "secret");
  }
  // `letter` connected to \\nas\share by `user`, as an earlier connect left it.
  void Map(char letter, const std::string& share, const std::string& user) {
    net.MapOutside(letter, "\\\\nas\\" + share);
    net.SetConnectionUser(letter, user);
  }
  MemoryConnections net;
};

TEST_F(LetterConnectTest, SameServerUnderAnotherUserReplacesTheLettersOwnConnection) {
  Map('E', "mary", "mary");
  // The server refuses john while E: holds it for mary; E: has to go first.
  EXPECT_EQ(net.AddConnection("", "\\\\nas\\john", "secret", "john", 0),
            ConnectionResult::kOtherCredentialsInUse);
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\john", "secret", "john"), ConnectionResult::kDone);
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\john");
  EXPECT_TRUE(net.IsRemembered('E'));

  // A wrong password is found out before the letter is touched.
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\mary", "bad", "mary"),
            ConnectionResult::kLoginRefused);
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\john");
  EXPECT_TRUE(net.IsRemembered('E'));
  EXPECT_TRUE(net.DevicelessConnections().empty());
}

TEST_F(LetterConnectTest, ConflictThroughAnotherLetterLeavesThisOneAlone) {
  Map('F', "mary", "mary");
  net.MapOutside('E', "\\\\other\\data");
  net.SetConnectionUser('E', "john");
  // Dropping E: would not help: F: holds the server for mary.
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\john", "secret", "john"),
            ConnectionResult::kOtherCredentialsInUse);
  EXPECT_EQ(net.Connection('E'), "\\\\other\\data");
  EXPECT_TRUE(net.IsRemembered('E'));
  EXPECT_EQ(net.Connection('F'), "\\\\nas\\mary");
}

TEST_F(LetterConnectTest, LetterThatCannotMoveGetsItsOldConnectionBack) {
  Map('E', "open", "mary");
  Map('F', "mary", "mary");
  // E: goes, but john is still refused because of F:; E: comes back.
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\john", "secret", "john"),
            ConnectionResult::kOtherCredentialsInUse);
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\open");
  EXPECT_TRUE(net.IsRemembered('E'));
  EXPECT_EQ(net.Connection('F'), "\\\\nas\\mary");
}

TEST_F(LetterConnectTest, FreeLetterAndTheSameShareAgain) {
  EXPECT_EQ(ConnectLetter(net, "D:", "\\\\nas\\gone", "", ""), ConnectionResult::kShareNotFound);
  EXPECT_FALSE(net.Connection('D').has_value());
  EXPECT_FALSE(net.IsRemembered('D'));

  EXPECT_EQ(ConnectLetter(net, "D:", "\\\\nas\\mary", "pw", "mary"), ConnectionResult::kDone);
  // Once more onto the letter that already holds it: still connected.
  EXPECT_EQ(ConnectLetter(net, "D:", "\\\\nas\\mary", "pw", "mary"), ConnectionResult::kDone);
  EXPECT_EQ(net.Connection('D'), "\\\\nas\\mary");
  EXPECT_TRUE(net.IsRemembered('D'));
  EXPECT_TRUE(net.DevicelessConnections().empty());
}

}  // namespace
}  // namespace tessavue
