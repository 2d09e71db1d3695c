// Drive letters as links to GVfs mounts, against a stand-in gio that keeps
// its mounts as folders of a temporary directory.
#include "gvfs_connections.h"

#include "letter_connect.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace tessavue;

namespace {

class GvfsConnectionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessavue-gvfs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "gvfs");
    fs::create_directories(dir_ / "proc");
    Write("user", "alice\n");
    Write("password", "s3cret\n");
    setenv("FAKE_GIO_DIR", dir_.c_str(), 1);
    options_.driveFolder = (dir_ / "Network Drives").string();
    options_.gioProgram = FAKE_GIO;
    options_.timeoutMillis = 5000;
    options_.defaultUser = "alice";
    options_.procRoot = (dir_ / "proc").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
  }
  std::string Log() {
    std::ifstream in(dir_ / "log");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  fs::path Mount(const std::string& server, const std::string& share) {
    return dir_ / "gvfs" / ("smb-share:server=" + server + ",share=" + share);
  }
  fs::path Link(char letter) { return dir_ / "Network Drives" / std::string(1, letter); }

  fs::path dir_;
  GvfsOptions options_;
};

TEST_F(GvfsConnectionsTest, ConnectAnswersGioOnStdinAndLinksTheLetterToTheMount) {
  GvfsConnections c(options_);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);

  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  ASSERT_TRUE(fs::is_symlink(Link('E')));
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  EXPECT_EQ(c.GetDriveType("E:"), kDriveRemote);
  EXPECT_EQ(c.GetDriveType("e:"), kDriveRemote);
  ASSERT_EQ(c.GetConnection("E:", remote), ConnectionResult::kDone);
  EXPECT_EQ(remote, "\\\\box\\public");

  std::string log = Log();
  EXPECT_NE(log.find("answers: user=alice domain= password=s3cret"), std::string::npos) << log;
  // The password never appears among the arguments of any run.
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("argv:", 0) == 0) {
      EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    }
  }
  EXPECT_NE(log.find("argv: mount smb://box/public"), std::string::npos) << log;
}

TEST_F(GvfsConnectionsTest, UserNamesTakeDomainAndDefault) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("F:", "\\\\box\\public", "s3cret", "HOME\\alice", 0),
            ConnectionResult::kDone);
  EXPECT_NE(Log().find("user=alice domain=HOME password=s3cret"), std::string::npos) << Log();
  ASSERT_EQ(c.CancelConnection("F:", 0, false), ConnectionResult::kDone);

  // No user name: the logged-on user (here the configured default).
  ASSERT_EQ(c.AddConnection("F:", "\\\\box\\public", "s3cret", "", 0), ConnectionResult::kDone);
  EXPECT_EQ(Count(Log(), "user=alice domain= password=s3cret"), 1) << Log();
}

TEST_F(GvfsConnectionsTest, WrongPasswordEndsAtTheSecondQuestionWithoutALink) {
  GvfsConnections c(options_);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "wrong", "alice", 1),
            ConnectionResult::kLoginRefused);
  // Ended by the closed input, not by the time limit.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);
  EXPECT_EQ(Count(Log(), "answers:"), 1) << Log();
}

TEST_F(GvfsConnectionsTest, RefusesUnsafeOrMalformedRequestsWithoutRunningGio) {
  GvfsConnections c(options_);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret\nalice", "alice", 1),
            ConnectionResult::kLoginRefused);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "al\rice", 1),
            ConnectionResult::kLoginRefused);
  for (const char* bad : {"", "box\\public", "\\\\box", "\\\\box\\", "\\\\\\public",
                          "\\\\box\\pub\\dir", "\\\\box\\a/b"})
    EXPECT_EQ(c.AddConnection("E:", bad, "s3cret", "alice", 1), ConnectionResult::kShareNotFound)
        << bad;
  for (const char* bad : {"", "E", "E:\\", "1:", "EE:"}) {
    // No letter at all is a connection without one (below).
    if (*bad) {
      EXPECT_EQ(c.AddConnection(bad, "\\\\box\\public", "s3cret", "alice", 1),
                ConnectionResult::kNoSuchLetter);
    }
    EXPECT_EQ(c.CancelConnection(bad, 1, false), ConnectionResult::kNoSuchLetter);
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(GvfsConnectionsTest, ALetterInUseIsNotTakenAgain) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\other", "s3cret", "alice", 1),
            ConnectionResult::kLetterInUse);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  // A file of the user's own under a letter's name is left alone.
  std::ofstream(Link('G')) << "mine";
  EXPECT_EQ(c.AddConnection("G:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kLetterInUse);
  EXPECT_EQ(c.CancelConnection("G:", 1, true), ConnectionResult::kNotConnected);
  EXPECT_TRUE(fs::is_regular_file(Link('G')));
}

TEST_F(GvfsConnectionsTest, DisconnectUnmountsOnlyWithTheLastLetterAndNoOpenFiles) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  // The same share on a second letter uses the mount that is there.
  ASSERT_EQ(c.AddConnection("H:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  EXPECT_EQ(Count(Log(), "answers:"), 1);

  ASSERT_EQ(c.CancelConnection("E:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  EXPECT_EQ(Count(Log(), "mount -u"), 0);

  // A process with a file open inside the mount keeps the last letter.
  fs::create_directories(dir_ / "proc" / "4242" / "fd");
  fs::create_directory_symlink(Mount("box", "public") / "docs" / "a.txt",
                               dir_ / "proc" / "4242" / "fd" / "7");
  EXPECT_EQ(c.CancelConnection("H:", 1, false), ConnectionResult::kFilesOpen);
  EXPECT_TRUE(fs::is_symlink(Link('H')));
  // A working directory inside it does too.
  fs::remove(dir_ / "proc" / "4242" / "fd" / "7");
  fs::create_directory_symlink(Mount("box", "public"), dir_ / "proc" / "4242" / "cwd");
  EXPECT_EQ(c.CancelConnection("H:", 1, false), ConnectionResult::kFilesOpen);
  // A path that only starts with the same text is not inside.
  fs::remove(dir_ / "proc" / "4242" / "cwd");
  fs::create_directory_symlink(Mount("box", "public").string() + "2",
                               dir_ / "proc" / "4242" / "cwd");
  ASSERT_EQ(c.CancelConnection("H:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_EQ(c.GetDriveType("H:"), kDriveNoRootDir);
  std::string remote;
  EXPECT_EQ(c.GetConnection("H:", remote), ConnectionResult::kNotConnected);
  EXPECT_EQ(c.CancelConnection("H:", 1, false), ConnectionResult::kNotConnected);
}

TEST_F(GvfsConnectionsTest, ABusyMountStaysUnlessForced) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  Write("busy", "");
  EXPECT_EQ(c.CancelConnection("E:", 1, false), ConnectionResult::kFilesOpen);
  EXPECT_TRUE(fs::is_symlink(Link('E')));
  EXPECT_EQ(c.CancelConnection("E:", 1, true), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
}

TEST_F(GvfsConnectionsTest, ALinkWhoseMountIsGoneIsRememberedButUnavailable) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("K:", "\\\\Box%20One\\Music Files", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_NE(Log().find("mount smb://Box%2520One/Music%20Files"), std::string::npos) << Log();
  // The mount vanishes behind the program's back (logout, server gone).
  fs::remove_all(dir_ / "gvfs");
  fs::create_directories(dir_ / "gvfs");
  std::string remote;
  EXPECT_EQ(c.GetConnection("K:", remote), ConnectionResult::kUnavailable);
  EXPECT_EQ(c.GetDriveType("K:"), kDriveRemote);
  ASSERT_EQ(c.CancelConnection("K:", 1, false), ConnectionResult::kDone);
  EXPECT_EQ(Count(Log(), "mount -u"), 0);
  EXPECT_EQ(c.GetDriveType("K:"), kDriveNoRootDir);
}

TEST_F(GvfsConnectionsTest, ConnectionWithoutALetterHoldsItsMountWhileLettersComeAndGo) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("", "\\\\box\\public", "s3cret", "alice", 0), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  EXPECT_FALSE(fs::exists(dir_ / "Network Drives"));  // no letter, no link
  EXPECT_EQ(c.AddConnection("", "\\\\box\\other", "wrong", "alice", 0),
            ConnectionResult::kLoginRefused);

  // A letter on the same mount: dropping the letter keeps the mount.
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  ASSERT_EQ(c.CancelConnection("E:", 1, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  // Dropped by its name (any case), the mount it made goes.
  ASSERT_EQ(c.CancelConnection("\\\\BOX\\Public", 0, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_EQ(c.CancelConnection("\\\\box\\public", 0, false), ConnectionResult::kNotConnected);

  // A letter that took the mount over keeps it; a mount that was there
  // before (another program's) stays too.
  ASSERT_EQ(c.AddConnection("", "\\\\box\\public", "s3cret", "alice", 0), ConnectionResult::kDone);
  ASSERT_EQ(c.AddConnection("F:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  ASSERT_EQ(c.CancelConnection("\\\\box\\public", 0, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  fs::create_directories(Mount("box", "theirs"));
  ASSERT_EQ(c.AddConnection("", "\\\\box\\theirs", "", "", 0), ConnectionResult::kDone);
  ASSERT_EQ(c.CancelConnection("\\\\box\\theirs", 0, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "theirs")));
  EXPECT_EQ(Count(Log(), "mount -u"), 1) << Log();
}

// Connect's way of moving a letter, over real links and the stand-in gio:
// whatever fails, E: still leads to the files it led to; a success moves it
// and lets the old mount go.
TEST_F(GvfsConnectionsTest, ALetterKeepsItsMountUnlessTheNewShareIsReached) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\alpha", "s3cret", "alice", 1), ConnectionResult::kDone);
  std::ofstream(Mount("box", "alpha") / "alpha.txt") << "A";
  auto expectAlpha = [&](const char* what) {
    SCOPED_TRACE(what);
    std::string remote;
    EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kDone);
    EXPECT_EQ(remote, "\\\\box\\alpha");
    EXPECT_TRUE(fs::exists(Link('E') / "alpha.txt"));
    EXPECT_FALSE(fs::exists(Mount("box", "beta")));  // nothing left behind
  };

  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "wrong", "alice"),
            ConnectionResult::kLoginRefused);
  expectAlpha("refused password");
  // A cancelled "Login" leaves the credentials empty.
  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "", ""), ConnectionResult::kLoginRefused);
  expectAlpha("no credentials");
  Write("gone", "beta\n");
  EXPECT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"),
            ConnectionResult::kShareNotFound);
  expectAlpha("share gone");
  fs::remove(dir_ / "gone");
  fs::create_directories(dir_ / "proc" / "4242" / "fd");
  fs::create_symlink(Mount("box", "alpha") / "alpha.txt", dir_ / "proc" / "4242" / "fd" / "3");
  EXPECT_NE(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  expectAlpha("file open");

  fs::remove(dir_ / "proc" / "4242" / "fd" / "3");
  ASSERT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "beta"));
  EXPECT_FALSE(fs::exists(Mount("box", "alpha")));
  // The same share once more: the letter stays on its mount throughout.
  ASSERT_EQ(ConnectLetter(c, "E:", "\\\\box\\beta", "s3cret", "alice"), ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "beta"));
  EXPECT_TRUE(fs::is_directory(Mount("box", "beta")));
}

// Counts the calls the waits make, with the time of each.
struct TimedWaitHook : WaitHook {
  void WaitBegins() override {}
  void KeepAlive() override { calls.push_back(std::chrono::steady_clock::now()); }
  void WaitEnds() override {}
  std::vector<std::chrono::steady_clock::time_point> calls;
};

TEST_F(GvfsConnectionsTest, AHangingGioIsKilledAtTheTimeLimitWhileTheWindowStaysAlive) {
  options_.timeoutMillis = 300;
  GvfsConnections c(options_);
  TimedWaitHook hook;
  c.SetWaitHook(&hook);
  Write("hang", "");
  auto start = std::chrono::steady_clock::now();
  EXPECT_NE(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  auto end = std::chrono::steady_clock::now();
  EXPECT_LT(end - start, std::chrono::seconds(3));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  // Two runs (info, then mount), each killed after 300 ms: the hook ran all
  // along, not once at the end.
  EXPECT_GE(end - start, std::chrono::milliseconds(600));
  ASSERT_GE(hook.calls.size(), 10u);
  EXPECT_LT(hook.calls.front() - start, std::chrono::milliseconds(150));
  EXPECT_LT(end - hook.calls.back(), std::chrono::milliseconds(150));

  // Taken off again, the hook hears nothing more.
  const std::size_t calls = hook.calls.size();
  c.SetWaitHook(nullptr);
  EXPECT_NE(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(hook.calls.size(), calls);
}

TEST_F(GvfsConnectionsTest, MissingGioFailsTheConnection) {
  options_.gioProgram = (dir_ / "no-such-gio").string();
  GvfsConnections c(options_);
  EXPECT_NE(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
}

TEST(GvfsNames, MountNamesAndUris) {
  std::string server, share, uri;
  ASSERT_TRUE(GvfsConnections::ParseMountName(
      "/run/user/1000/gvfs/smb-share:domain=HOME,server=10.0.0.5,share=my%20docs,user=bob", server,
      share));
  EXPECT_EQ(server, "10.0.0.5");
  EXPECT_EQ(share, "my docs");
  EXPECT_FALSE(GvfsConnections::ParseMountName("/run/user/1000/gvfs/sftp:host=x", server, share));
  EXPECT_FALSE(GvfsConnections::ParseMountName("/x/smb-share:server=box", server, share));
  EXPECT_FALSE(GvfsConnections::ParseMountName("/x/smb-share:server=box,share=", server, share));
  // A stray % at the end is kept as it is.
  ASSERT_TRUE(GvfsConnections::ParseMountName("smb-share:server=b,share=x%2", server, share));
  EXPECT_EQ(share, "x%2");

  ASSERT_TRUE(GvfsConnections::RemoteNameToUri("\\\\box\\a b#c?d", uri));
  EXPECT_EQ(uri, "smb://box/a%20b%23c%3Fd");
}

}  // namespace
