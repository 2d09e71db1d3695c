// Drive letters as links to GVfs mounts, over in-memory share mounts that
// keep their mounts as folders of a temporary directory.
#include "gvfs_connections.h"

#include "connections_contract.h"
#include "gio_share_mounts.h"
#include "letter_connect.h"
#include "memory_share_mounts.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using namespace tessavue;

namespace {

// A temporary directory for the mounts (gvfs/), the letters' links and the
// processes looked into (proc/); the server "box" lets alice in with s3cret.
class GvfsWorld {
 public:
  GvfsWorld() {
    char pattern[] = "/tmp/tessavue-gvfs-XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    dir_ = pattern;
    fs::create_directories(dir_ / "gvfs");
    fs::create_directories(dir_ / "proc");
    mounts_.emplace((dir_ / "gvfs").string());
    for (const char* share : {"public", "alpha", "beta", "theirs"})
      mounts_->AddShare("box", share, "alice", "s3cret");
    options_.driveFolder = (dir_ / "Network Drives").string();
    options_.defaultUser = "alice";
    options_.procRoot = (dir_ / "proc").string();
  }
  ~GvfsWorld() { fs::remove_all(dir_); }
  GvfsWorld(const GvfsWorld&) = delete;
  GvfsWorld& operator=(const GvfsWorld&) = delete;

  // What the contract of every NetworkConnections needs.
  NetworkConnections& connections() {
    if (!connections_) connections_.emplace(*mounts_, options_);
    return *connections_;
  }
  void ShareGone(const std::string& share) { mounts_->RemoveShare("box", share); }
  void ShareBack(const std::string& share) { mounts_->AddShare("box", share, "alice", "s3cret"); }
  // A program with a file open below the letter's mount.
  void OpenFile(char letter) {
    fs::create_directories(dir_ / "proc" / "4242" / "fd");
    fs::create_symlink(fs::read_symlink(Link(letter)) / "open.txt",
                       dir_ / "proc" / "4242" / "fd" / "3");
  }
  void CloseFiles(char /*letter*/) { fs::remove_all(dir_ / "proc" / "4242"); }
  // The mounts vanish behind the program's back (logout, server gone).
  void ServerAway(char /*letter*/) { mounts_->EndSession(); }
  bool StillHeld(const std::string& share) { return fs::exists(Mount("box", share)); }

 protected:
  static int Count(const std::vector<std::string>& calls, const std::string& what) {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string& c) {
      return c.find(what) != std::string::npos;
    }));
  }
  int Unmounts() { return Count(mounts_->calls, "unmount "); }
  // A mount as GVfs names it; every mount of the program is under a user
  // name, alice's unless told; "" for one without (another program's).
  fs::path Mount(const std::string& server, const std::string& share,
                 const std::string& user = "alice") {
    return mounts_->PathOf(ShareLogin{server, share, user, {}});
  }
  fs::path Link(char letter) { return dir_ / "Network Drives" / std::string(1, letter); }

  fs::path dir_;
  GvfsOptions options_;
  std::optional<MemoryShareMounts> mounts_;
  std::optional<GvfsConnections> connections_;
};

}  // namespace

namespace tessavue {
INSTANTIATE_TYPED_TEST_SUITE_P(Gvfs, ConnectionsContract, GvfsWorld);
}  // namespace tessavue

namespace {

// What only the GVfs connections do: the user a mount is made as, the links,
// the mounts that letters share, the processes looked into, the keyring.
class GvfsConnectionsTest : public ::testing::Test, protected GvfsWorld {
 protected:
  GvfsConnections& c() { return static_cast<GvfsConnections&>(connections()); }
};

TEST_F(GvfsConnectionsTest, ConnectMountsAsTheUserAndLinksTheLetter) {
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  ASSERT_TRUE(fs::is_symlink(Link('E')));
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  // "DOMAIN\user" gives both; no user name gives the logged-on user (here
  // the configured default); "DOMAIN\" keeps its domain.
  ASSERT_EQ(c().AddConnection("F:", "\\\\box\\public", "s3cret", "HOME\\alice", 0),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('F')), mounts_->PathOf({"box", "public", "alice", "HOME"}));
  ASSERT_EQ(c().AddConnection("G:", "\\\\box\\alpha", "s3cret", "", 0), ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('G')), Mount("box", "alpha"));
  ASSERT_EQ(c().AddConnection("H:", "\\\\box\\beta", "s3cret", "HOME\\", 0),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('H')), mounts_->PathOf({"box", "beta", "alice", "HOME"}));
  // Nothing was kept: the box was not ticked.
  EXPECT_EQ(mounts_->KeptPassword({"box", "public", "alice", ""}), "");
  EXPECT_EQ(Count(mounts_->calls, "remember"), 0);
}

TEST_F(GvfsConnectionsTest, WrongPasswordLeavesNoLinkAndNoMount) {
  EXPECT_EQ(c().AddConnection("E:", "\\\\box\\public", "wrong", "alice", 1),
            ConnectionResult::kLoginRefused);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_EQ(c().GetDriveType("E:"), kDriveNoRootDir);
}

// What they come to is the contract's; here, that nothing is mounted for them.
TEST_F(GvfsConnectionsTest, RefusesMalformedRequestsWithoutMounting) {
  for (const char* bad : {"", "box\\public", "\\\\box", "\\\\box\\", "\\\\\\public",
                          "\\\\box\\pub\\dir", "\\\\box\\a/b", "\\\\box\\a\nb"})
    EXPECT_NE(c().AddConnection("E:", bad, "s3cret", "alice", 1), ConnectionResult::kDone) << bad;
  for (const char* bad : {"", "E", "E:\\", "1:", "EE:"}) {
    // No letter at all is a connection without one.
    if (*bad) {
      EXPECT_NE(c().AddConnection(bad, "\\\\box\\public", "s3cret", "alice", 1),
                ConnectionResult::kDone);
    }
    EXPECT_EQ(c().CancelConnection(bad, 1, false), ConnectionResult::kNoSuchLetter);
    EXPECT_EQ(c().ReconnectRemembered(bad), ConnectionResult::kNoSuchLetter);
  }
  EXPECT_TRUE(mounts_->calls.empty());
}

TEST_F(GvfsConnectionsTest, AFileUnderALettersNameIsLeftAlone) {
  fs::create_directories(Link('G').parent_path());
  std::ofstream(Link('G')) << "mine";
  EXPECT_EQ(c().AddConnection("G:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kLetterInUse);
  EXPECT_EQ(c().CancelConnection("G:", 1, true), ConnectionResult::kNotConnected);
  EXPECT_EQ(c().ReconnectRemembered("G:"), ConnectionResult::kNotConnected);
  EXPECT_TRUE(fs::is_regular_file(Link('G')));
}

TEST_F(GvfsConnectionsTest, DisconnectUnmountsOnlyWithTheLastLetterAndNoOpenFiles) {
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  // The same share on a second letter uses the mount that is there.
  ASSERT_EQ(c().AddConnection("H:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  EXPECT_EQ(mounts_->answers(), 1);

  ASSERT_EQ(c().CancelConnection("E:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  EXPECT_EQ(Unmounts(), 0);

  // A process with a file open inside the mount keeps the last letter.
  fs::create_directories(dir_ / "proc" / "4242" / "fd");
  fs::create_directory_symlink(Mount("box", "public") / "docs" / "a.txt",
                               dir_ / "proc" / "4242" / "fd" / "7");
  EXPECT_EQ(c().CancelConnection("H:", 1, false), ConnectionResult::kFilesOpen);
  EXPECT_TRUE(fs::is_symlink(Link('H')));
  // A working directory inside it does too.
  fs::remove(dir_ / "proc" / "4242" / "fd" / "7");
  fs::create_directory_symlink(Mount("box", "public"), dir_ / "proc" / "4242" / "cwd");
  EXPECT_EQ(c().CancelConnection("H:", 1, false), ConnectionResult::kFilesOpen);
  // A path that only starts with the same text is not inside.
  fs::remove(dir_ / "proc" / "4242" / "cwd");
  fs::create_directory_symlink(Mount("box", "public").string() + "2",
                               dir_ / "proc" / "4242" / "cwd");
  ASSERT_EQ(c().CancelConnection("H:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_EQ(c().GetDriveType("H:"), kDriveNoRootDir);
}

TEST_F(GvfsConnectionsTest, ABusyMountStaysUnlessForced) {
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  mounts_->SetBusy(true);
  EXPECT_EQ(c().CancelConnection("E:", 1, false), ConnectionResult::kFilesOpen);
  EXPECT_TRUE(fs::is_symlink(Link('E')));
  EXPECT_EQ(c().CancelConnection("E:", 1, true), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
}

TEST_F(GvfsConnectionsTest, ALinkWhoseMountIsGoneIsRememberedButUnavailable) {
  mounts_->AddShare("Box%20One", "Music Files", "alice", "s3cret");
  ASSERT_EQ(c().AddConnection("K:", "\\\\Box%20One\\Music Files", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  mounts_->EndSession();
  std::string remote;
  EXPECT_EQ(c().GetConnection("K:", remote), ConnectionResult::kUnavailable);
  EXPECT_EQ(remote, "\\\\Box%20One\\Music Files");
  // Still a network drive, as the letter is remembered.
  EXPECT_EQ(c().GetDriveType("K:"), kDriveRemote);
  ASSERT_EQ(c().CancelConnection("K:", 1, false), ConnectionResult::kDone);
  EXPECT_EQ(Unmounts(), 0);
  EXPECT_EQ(c().GetDriveType("K:"), kDriveNoRootDir);
}

TEST_F(GvfsConnectionsTest, ConnectionWithoutALetterHoldsItsMountWhileLettersComeAndGo) {
  ASSERT_EQ(c().AddConnection("", "\\\\box\\public", "s3cret", "alice", 0),
            ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  EXPECT_FALSE(fs::exists(dir_ / "Network Drives"));  // no letter, no link

  // A letter on the same mount: dropping the letter keeps the mount.
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  ASSERT_EQ(c().CancelConnection("E:", 1, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  // Dropped by its name (any case), the mount it made goes.
  ASSERT_EQ(c().CancelConnection("\\\\BOX\\Public", 0, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_EQ(c().CancelConnection("\\\\box\\public", 0, false), ConnectionResult::kNotConnected);

  // A letter that took the mount over keeps it; a mount that was there
  // before (another program's) stays too.
  ASSERT_EQ(c().AddConnection("", "\\\\box\\public", "s3cret", "alice", 0),
            ConnectionResult::kDone);
  ASSERT_EQ(c().AddConnection("F:", "\\\\box\\public", "", "", 1), ConnectionResult::kDone);
  ASSERT_EQ(c().CancelConnection("\\\\box\\public", 0, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "public")));
  std::string theirs;
  ASSERT_EQ(
      mounts_->Mount({"box", "theirs", "alice", ""}, "s3cret", PasswordAnswer::kGiven, theirs),
      ConnectionResult::kDone);
  ASSERT_EQ(c().AddConnection("", "\\\\box\\theirs", "", "", 0), ConnectionResult::kDone);
  ASSERT_EQ(c().CancelConnection("\\\\box\\theirs", 0, false), ConnectionResult::kDone);
  EXPECT_TRUE(fs::is_directory(Mount("box", "theirs")));
  EXPECT_EQ(Unmounts(), 1);
}

// Counts the calls the waits make.
struct CountingWaitHook : WaitHook {
  void WaitBegins() override {}
  void KeepAlive() override { ++calls; }
  void WaitEnds() override {}
  int calls = 0;
};

TEST_F(GvfsConnectionsTest, TheWaitHookReachesTheMountsAndLeavesWithNullptr) {
  CountingWaitHook hook;
  c().SetWaitHook(&hook);
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  const int calls = hook.calls;
  EXPECT_GE(calls, 1);
  c().SetWaitHook(nullptr);
  ASSERT_EQ(c().AddConnection("F:", "\\\\box\\alpha", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(hook.calls, calls);
}

// A Connect with a user name mounts the share as that user: a mount of the
// same share under another identity (the file manager's guest mount) is
// neither taken for it nor touched; letters of one identity share a mount.
TEST_F(GvfsConnectionsTest, AMountUnderAnotherIdentityIsNotReused) {
  mounts_->AddShare("box", "public", "", "");  // the file manager's, as guest
  std::string guest;
  ASSERT_EQ(mounts_->Mount({"box", "public", "", ""}, "", PasswordAnswer::kGiven, guest),
            ConnectionResult::kDone);
  mounts_->AddShare("box", "public", "alice", "s3cret");
  EXPECT_EQ(c().AddConnection("E:", "\\\\box\\public", "wrong", "alice", 1),
            ConnectionResult::kLoginRefused);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E'))));

  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  ASSERT_EQ(c().AddConnection("F:", "\\\\box\\public", "s3cret", "alice", 1),
            ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('F')), Mount("box", "public"));

  // The letters read as the share, whoever they log in as.
  std::string remote;
  EXPECT_EQ(c().GetConnection("F:", remote), ConnectionResult::kDone);
  EXPECT_EQ(remote, "\\\\box\\public");
  ASSERT_EQ(c().CancelConnection("E:", 1, false), ConnectionResult::kDone);
  ASSERT_EQ(c().CancelConnection("F:", 1, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(Mount("box", "public")));
  EXPECT_TRUE(fs::is_directory(guest));
}

// Ticked, the password goes to the keyring; after the session a remembered
// letter comes back from it alone, and only then: nobody is asked.
TEST_F(GvfsConnectionsTest, ReconnectMountsRememberedLettersFromTheKeyringOnly) {
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "HOME\\alice",
                              kConnectUpdateProfile | kConnectRememberPassword),
            ConnectionResult::kDone);
  ASSERT_EQ(c().AddConnection("F:", "\\\\box\\alpha", "s3cret", "alice", kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_EQ(mounts_->KeptPassword({"box", "public", "alice", "HOME"}), "s3cret");
  EXPECT_EQ(mounts_->KeptPassword({"box", "alpha", "alice", ""}), "");
  const fs::path eMount = fs::read_symlink(Link('E'));
  mounts_->EndSession();
  const int answers = mounts_->answers();

  EXPECT_EQ(c().ReconnectRemembered("E:"), ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), eMount);  // as the same user, in its domain
  std::string remote;
  EXPECT_EQ(c().GetConnection("E:", remote), ConnectionResult::kDone);
  EXPECT_EQ(c().ReconnectRemembered("E:"), ConnectionResult::kDone);  // connected already
  // No password kept: refused, the letter stays remembered.
  EXPECT_EQ(c().ReconnectRemembered("F:"), ConnectionResult::kLoginRefused);
  EXPECT_EQ(c().GetConnection("F:", remote), ConnectionResult::kUnavailable);
  EXPECT_EQ(remote, "\\\\box\\alpha");
  EXPECT_EQ(mounts_->answers(), answers);
  EXPECT_EQ(Count(mounts_->calls, "keyring"), 2);
  EXPECT_EQ(c().ReconnectRemembered("G:"), ConnectionResult::kNotConnected);

  // The share gone, or its server away: remembered all the same.
  mounts_->EndSession();
  mounts_->RemoveShare("box", "public");
  EXPECT_EQ(c().ReconnectRemembered("E:"), ConnectionResult::kShareNotFound);
  mounts_->AddShare("box", "public", "alice", "s3cret");
  mounts_->SetServerAway("box", true);
  EXPECT_EQ(c().ReconnectRemembered("E:"), ConnectionResult::kServerUnreachable);
  EXPECT_EQ(c().GetConnection("E:", remote), ConnectionResult::kUnavailable);
}

// The mount shows under another folder than the link names (the runtime
// folder moved): the link follows; a link of an older kind, without the
// user, is mounted as the logged-on user.
TEST_F(GvfsConnectionsTest, ReconnectPointsTheLinkAtTheMountAsItIsNow) {
  ASSERT_EQ(c().AddConnection("E:", "\\\\box\\public", "s3cret", "alice",
                              kConnectUpdateProfile | kConnectRememberPassword),
            ConnectionResult::kDone);
  mounts_->EndSession();
  fs::remove(Link('E'));
  fs::create_symlink("/run/user/999/gvfs/smb-share:server=box,share=public", Link('E'));
  EXPECT_EQ(c().ReconnectRemembered("E:"), ConnectionResult::kDone);
  EXPECT_EQ(fs::read_symlink(Link('E')), Mount("box", "public"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Link('E').string() + ".new")));
}

TEST(GvfsNames, MountNamesAndUris) {
  ShareLogin login;
  ASSERT_TRUE(GvfsConnections::ParseMountName(
      "/run/user/1000/gvfs/smb-share:domain=HOME,server=10.0.0.5,share=my%20docs,user=bob", login));
  EXPECT_EQ(login.server, "10.0.0.5");
  EXPECT_EQ(login.share, "my docs");
  EXPECT_EQ(login.user, "bob");
  EXPECT_EQ(login.domain, "HOME");
  EXPECT_FALSE(GvfsConnections::ParseMountName("/run/user/1000/gvfs/sftp:host=x", login));
  EXPECT_FALSE(GvfsConnections::ParseMountName("/x/smb-share:server=box", login));
  EXPECT_FALSE(GvfsConnections::ParseMountName("/x/smb-share:server=box,share=", login));
  // A stray % at the end is kept as it is.
  ASSERT_TRUE(GvfsConnections::ParseMountName("smb-share:server=b,share=x%2", login));
  EXPECT_EQ(login.share, "x%2");
  EXPECT_EQ(login.user, "");

  // Each part encoded, so that no "@", ";" or ":" in a name reaches another
  // server.
  EXPECT_EQ(GioShareMounts::UriOf({"box", "a b#c?d", "bob", ""}), "smb://bob@box/a%20b%23c%3Fd");
  EXPECT_EQ(GioShareMounts::UriOf({"box", "s", "bob", "HOME"}), "smb://HOME;bob@box/s");
  EXPECT_EQ(GioShareMounts::UriOf({"box", "s", "a@b:c;d", ""}), "smb://a%40b%3Ac%3Bd@box/s");
  EXPECT_EQ(GioShareMounts::UriOf({"box", "s", "", ""}), "smb://box/s");
}

// What GVfs says when a mount fails comes to the outcome the window explains.
TEST(GioMountFailures, ComeToTheirOutcomes) {
  const struct {
    int code;
    const char* says;
    ConnectionResult result;
  } cases[] = {
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: Connection timed out",
       ConnectionResult::kServerUnreachable},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: No route to host",
       ConnectionResult::kServerUnreachable},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: Host is down",
       ConnectionResult::kServerUnreachable},
      {G_IO_ERROR_FAILED, "Failed to retrieve share list from server: Connection refused",
       ConnectionResult::kServerUnreachable},
      {G_IO_ERROR_TIMED_OUT, "", ConnectionResult::kServerUnreachable},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: No such file or directory",
       ConnectionResult::kShareNotFound},
      {G_IO_ERROR_NOT_FOUND, "", ConnectionResult::kShareNotFound},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: Permission denied",
       ConnectionResult::kLoginRefused},
      {G_IO_ERROR_PERMISSION_DENIED, "", ConnectionResult::kLoginRefused},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: Protocol not supported",
       ConnectionResult::kProtocolRefused},
      {G_IO_ERROR_FAILED, "Failed to mount Windows share: Input/output error",
       ConnectionResult::kFailed},
      {-1, "", ConnectionResult::kFailed},
  };
  for (const auto& one : cases)
    EXPECT_EQ(GioShareMounts::MountFailure(one.code, one.says), one.result) << one.says;
}

}  // namespace
