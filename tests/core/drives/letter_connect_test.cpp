// Connecting a letter in place of what it held, over the in-memory drive
// letters: the cases the window's tests do not reach, where one server
// takes only one user name at a time.
#include "letter_connect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The server refuses john while E: holds it for mary, and says so before it
// looks at john's password: whether that password is right cannot be known
// without dropping E:, and mary's connection could not be made again without
// hers. So E: stays, whatever john typed.
TEST_F(LetterConnectTest, SameServerUnderAnotherUserKeepsTheLetter) {
  Map('E', "mary", "mary");
  for (const char* password : {"secret", "wrong", ""}) {
    SCOPED_TRACE(password);
    EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\john", password, "john"),
              ConnectionResult::kOtherCredentialsInUse);
    EXPECT_EQ(net.Connection('E'), "\\\\nas\\mary");
    EXPECT_TRUE(net.IsRemembered('E'));
    EXPECT_TRUE(net.LetterlessConnections().empty());
  }
  // The same user again moves the letter; a wrong password never touches it.
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\open", "bad", "mary"), ConnectionResult::kDone);
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\open");
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\mary", "bad", "mary"),
            ConnectionResult::kLoginRefused);
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\open");
  EXPECT_TRUE(net.IsRemembered('E'));
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
  EXPECT_TRUE(net.LetterlessConnections().empty());
}

// A connection without a letter to the share that the user made
// (`net use \\nas\open`) is still there after Connect; the one Connect made
// itself is gone.
TEST_F(LetterConnectTest, TheUsersOwnConnectionWithoutALetterStays) {
  ASSERT_EQ(net.AddConnection("", "\\\\nas\\open", "", "", 0), ConnectionResult::kDone);
  EXPECT_EQ(ConnectLetter(net, "E:", "\\\\nas\\open", "", ""), ConnectionResult::kDone);
  EXPECT_EQ(ConnectLetter(net, "F:", "\\\\nas\\mary", "pw", "mary"), ConnectionResult::kDone);
  EXPECT_EQ(net.LetterlessConnections(), std::vector<std::string>{"\\\\nas\\open"});
  EXPECT_EQ(net.Connection('E'), "\\\\nas\\open");
}

// The share is gone between the check without a letter and the move: E:
// comes back with the credentials the system holds for its server (F: keeps
// mary's session up), never with an empty password.
TEST_F(LetterConnectTest, ALetterComesBackWithTheCredentialsTheSystemHolds) {
  struct GoneOnTheLetter : MemoryConnections {
    ConnectionResult AddConnection(const std::string& local, const std::string& remote,
                                   const std::string& password, const std::string& user,
                                   unsigned flags) override {
      if (!local.empty() && remote == "\\\\other\\data") return ConnectionResult::kShareNotFound;
      return MemoryConnections::AddConnection(local, remote, password, user, flags);
    }
  } world;
  world.AddShare("nas", "mary", "mary", "pw");
  world.AddShare("other", "data");
  for (char letter : {'E', 'F'}) {
    world.MapOutside(letter, "\\\\nas\\mary");
    world.SetConnectionUser(letter, "mary");
  }
  EXPECT_EQ(ConnectLetter(world, "E:", "\\\\other\\data", "", ""),
            ConnectionResult::kShareNotFound);
  EXPECT_EQ(world.Connection('E'), "\\\\nas\\mary");
  EXPECT_TRUE(world.IsRemembered('E'));
  EXPECT_TRUE(world.LetterlessConnections().empty());
}

}  // namespace
}  // namespace tessavue
