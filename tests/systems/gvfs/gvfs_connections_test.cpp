// Drive letters as links to GVfs mounts, against a stand-in gio that keeps
// its mounts as folders of a temporary directory.
#include "gvfs_connections.h"

#include "connections_contract.h"
#include "letter_connect.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using namespace tessavue;

namespace {

// A temporary directory for the stand-in gio: its mounts, its log and the
// credentials it takes (alice, s3cret), with the options that lead there.
class GvfsWorld {
 public:
  GvfsWorld() {
    char pattern[] = "/tmp/tessavue-gvfs-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
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
  ~GvfsWorld() { fs::remove_all(dir_); }
  GvfsWorld(const GvfsWorld&) = delete;
  GvfsWorld& operator=(const GvfsWorld&) = delete;

  // What the contract of every NetworkConnections needs.
  NetworkConnections& connections() {
    if (!connections_) connections_.emplace(options_);
    return *connections_;
  }
  void ShareGone(const std::string& share) {
    std::ofstream(dir_ / "gone", std::ios::app) << share << "\n";
  }
  void ShareBack(const std::string& /*share*/) { fs::remove(dir_ / "gone"); }
  // A program with a file open below the letter's mount.
  void OpenFile(char letter) {
    fs::create_directories(dir_ / "proc" / "4242" / "fd");
    fs::create_symlink(fs::read_symlink(Link(letter)) / "open.txt",
                       dir_ / "proc" / "4242" / "fd" / "3");
  }
  void CloseFiles(char /*letter*/) { fs::remove_all(dir_ / "proc" / "4242"); }
  // The mounts vanish behind the program's back (logout, server gone).
  void ServerAway(char /*letter*/) {
    fs::remove_all(dir_ / "gvfs");
    fs::create_directories(dir_ / "gvfs");
  }
  bool StillHeld(const std::string& share) { return fs::exists(Mount("box", share)); }

 protected:
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
  // A mount as GVfs names it; every mount of the program is under a user
  // name, alice's unless told; "" for one without (another program's).
  fs::path Mount(const std::string& server, const std::string& share,
                 const std::string& user = "alice") {
    return dir_ / "gvfs" /
           ("smb-share:server=" + server + ",share=" + share +
            (user.empty() ? "" : ",user=" + user));
  }
  fs::path Link(char letter) { return dir_ / "Network Drives" / std::string(1, letter); }

  fs::path dir_;
  GvfsOptions options_;
  std::optional<GvfsConnections> connections_;
};

}  // namespace

namespace tessavue {
INSTANTIATE_TYPED_TEST_SUITE_P(Gvfs, ConnectionsContract, GvfsWorld);
}  // namespace tessavue

namespace {

// What only the GVfs connections do: gio's questions, the links, the mounts
// that letters share, the processes looked into.
class GvfsConnectionsTest : public ::testing::Test, protected GvfsWorld {};

TEST_F(GvfsConnectionsTest, ConnectAnswersGioOnStdinAndLinksTheLetterToTheMount) {
  GvfsConnections c(options_);
  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  ASSERT_TRUE(fs::is_symlink(Link('E')));
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));

  std::string log = Log();
  EXPECT_NE(log.find("answers: user=alice domain= password=s3cret"), std::string::npos) << log;
  // The password never appears among the arguments of any run.
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("argv:", 0) == 0) {
      EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
    }
  }
  EXPECT_NE(log.find("argv: mount smb://alice@box/public"), std::string::npos) << log;
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

// What they come to is the contract's; here, that gio never runs for them.
TEST_F(GvfsConnectionsTest, RefusesUnsafeOrMalformedRequestsWithoutRunningGio) {
  GvfsConnections c(options_);
  EXPECT_NE(c.AddConnection("E:", "\\\\box\\public", "s3cret\nalice", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_NE(c.AddConnection("E:", "\\\\box\\public", "s3cret", "al\rice", 1),
            ConnectionResult::kDone);
  for (const char* bad : {"", "box\\public", "\\\\box", "\\\\box\\", "\\\\\\public",
                          "\\\\box\\pub\\dir", "\\\\box\\a/b"})
    EXPECT_NE(c.AddConnection("E:", bad, "s3cret", "alice", 1), ConnectionResult::kDone) << bad;
  for (const char* bad : {"", "E", "E:\\", "1:", "EE:"}) {
    // No letter at all is a connection without one.
    if (*bad) {
      EXPECT_NE(c.AddConnection(bad, "\\\\box\\public", "s3cret", "alice", 1),
                ConnectionResult::kDone);
    }
    EXPECT_EQ(c.CancelConnection(bad, 1, false), ConnectionResult::kNoSuchLetter);
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(GvfsConnectionsTest, AFileUnderALettersNameIsLeftAlone) {
  GvfsConnections c(options_);
  // A file of the user's own under a letter's name is left alone.
  fs::create_directories(Link('G').parent_path());
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
  EXPECT_NE(Log().find("mount smb://alice@Box%2520One/Music%20Files"), std::string::npos) << Log();
  ServerAway('K');
  // Still a network drive, as the letter is remembered.
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

  // The user a mount is made under: its domain too, each part encoded so
  // that no "@", ";" or ":" in a name reaches another server.
  EXPECT_EQ(GvfsConnections::UriWithUser("smb://box/s", "bob"), "smb://bob@box/s");
  EXPECT_EQ(GvfsConnections::UriWithUser("smb://box/s", "HOME\\bob"), "smb://HOME;bob@box/s");
  EXPECT_EQ(GvfsConnections::UriWithUser("smb://box/s", "a@b:c;d"), "smb://a%40b%3Ac%3Bd@box/s");
  EXPECT_EQ(GvfsConnections::UriWithUser("smb://box/s", ""), "smb://box/s");
}

// A Connect with a user name mounts the share as that user: a mount of the
// same share under another identity (the file manager's guest mount) is
// neither taken for it nor touched; letters of one identity share a mount.
TEST_F(GvfsConnectionsTest, AMountUnderAnotherIdentityIsNotReused) {
  fs::create_directories(Mount("box", "public", ""));  // the file manager's, as guest
  GvfsConnections c(options_);
  EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "wrong", "alice", 1),
            ConnectionResult::kLoginRefused);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));

  ASSERT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  ASSERT_EQ(c.AddConnection("F:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('F')), Mount("box", "public"));
  EXPECT_EQ(Count(Log(), "answers:"), 2) << Log();  // the refused try and one mount

  // The letters read as the share, whoever they log in as.
  std::string remote;
  EXPECT_EQ(c.GetConnection("F:", remote), ConnectionResult::kDone);
  EXPECT_EQ(remote, "\\\\box\\public");
  ASSERT_EQ(c.CancelConnection("E:", 1, false), ConnectionResult::kDone);
  ASSERT_EQ(c.CancelConnection("F:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_TRUE(fs::is_directory(Mount("box", "public", "")));
}

// What gio says when a mount fails comes to the outcome the window explains.
TEST_F(GvfsConnectionsTest, MountFailuresComeToTheirOutcomes) {
  const struct {
    const char* says;
    ConnectionResult result;
  } cases[] = {
      {"Connection timed out", ConnectionResult::kServerUnreachable},
      {"No route to host", ConnectionResult::kServerUnreachable},
      {"Host is down", ConnectionResult::kServerUnreachable},
      {"Failed to retrieve share list from server: Connection refused",
       ConnectionResult::kServerUnreachable},
      {"No such file or directory", ConnectionResult::kShareNotFound},
      {"Permission denied", ConnectionResult::kLoginRefused},
      {"Protocol not supported", ConnectionResult::kProtocolRefused},
      {"Input/output error", ConnectionResult::kFailed},
  };
  GvfsConnections c(options_);
  for (const auto& one : cases) {
    Write("fail", std::string(one.says) + "\n");
    EXPECT_EQ(c.AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1), one.result)
        << one.says;
    EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  }
}

}  // namespace
