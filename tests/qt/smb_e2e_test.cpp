// Drive letters against a real Samba server through GVfs. Run by
// smb_e2e.sh, which makes the server, the namespaces and the session bus and
// passes them in SMB_E2E_*; skipped when run on its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "drives/drive_table.h"
#include "platform/gvfs/gvfs_connections.h"

namespace fs = std::filesystem;
using namespace tessavue;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SmbDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = Env("SMB_E2E_SERVER");
    if (server_.empty()) GTEST_SKIP() << "run through smb_e2e.sh (needs a Samba server)";
    options_.timeoutMillis = 30000;
    remote_ = "\\\\" + server_ + "\\public";
  }
  fs::path Drives() { return fs::path(Env("HOME")) / "Network Drives"; }

  std::string server_;
  std::string remote_;
  GvfsOptions options_;
};

TEST_F(SmbDriveTest, ConnectWithWrongThenRightPasswordListAndDisconnect) {
  GvfsConnections c(options_);
  EXPECT_EQ(c.driveFolder(), Drives().string());
  const std::string user = Env("SMB_E2E_USER");
  const std::string password = Env("SMB_E2E_PASSWORD");

  // The wrong password: refused, nothing mounted, no letter.
  EXPECT_EQ(c.AddConnection("E:", remote_, "not-" + password, user, kConnectUpdateProfile),
            kErrorInvalidPassword);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "E")));
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);

  // The right one: the letter shows the share's files.
  ASSERT_EQ(c.AddConnection("E:", remote_, password, user, kConnectUpdateProfile), kNoError);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveRemote);
  EXPECT_EQ(ReadFile(Drives() / "E" / "hello.txt"), "hello from the enclosure\n");
  std::ofstream(Drives() / "E" / "from-linux.txt") << "written through E:\n";
  EXPECT_EQ(ReadFile(fs::path(Env("SMB_E2E_SHARE_DIR")) / "from-linux.txt"),
            "written through E:\n");

  // The drive list and the "Location" column see it.
  DriveMap drives(c);
  drives.ScanDrives();
  EXPECT_STREQ(drives.DriveTable[4].server, server_.c_str());
  EXPECT_STREQ(drives.DriveTable[4].share, "public");
  EXPECT_EQ(drives.ShareLocation("enclosure", server_, "PUBLIC"), "E:");
  EXPECT_EQ(drives.DriveTable[5].server[0], '\0');

  // A file open on the drive keeps it connected.
  {
    std::ifstream open(Drives() / "E" / "hello.txt");
    ASSERT_TRUE(open.good());
    EXPECT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), kErrorOpenFiles);
    EXPECT_EQ(ReadFile(Drives() / "E" / "hello.txt"), "hello from the enclosure\n");
  }
  ASSERT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), kNoError);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "E")));
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), kErrorNotConnected);
  // The mount itself is gone, not only the letter.
  bool stillMounted = false;
  for (const auto& entry : fs::directory_iterator(fs::path(Env("XDG_RUNTIME_DIR")) / "gvfs"))
    if (entry.path().filename().string().find("share=public") != std::string::npos)
      stillMounted = true;
  EXPECT_FALSE(stillMounted);
}

}  // namespace
