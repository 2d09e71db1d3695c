// Drive letters against a real Samba server through GVfs, first through
// GvfsConnections alone, then through the whole window: real UDP to a
// tessavue-device that plays the enclosure, real SMB to its share. Run by
// smb_e2e.sh, which makes the server, the device, the namespaces and the
// session bus and passes them in SMB_E2E_*; skipped when run on its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "connection_reasons.h"
#include "drive_table.h"
#include "gio_share_mounts.h"
#include "gvfs_connections.h"
#include "memory_system.h"
#include "posix_clock.h"
#include "posix_network.h"
#include "posix_resolver.h"
#include "qt_dialogs.h"
#include "protocol.h"
#include "remote_name.h"
#include "modal_driver.h"
#include "window_controls.h"

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

// A mouse click on row `row` of a list.
void Click(QtListView* list, int row) {
  QRect r = list->visualItemRect(list->topLevelItem(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

// As on Linux: no Windows version.
struct LinuxSystem : MemorySystem {
  LinuxSystem() { SetVersion(0, 6, 1, 0); }
};

// The Linux program's window over the real network and GVfs, on the
// workstation's address that smb_e2e.sh passes in SMB_E2E_CLIENT.
struct RealWindow {
  explicit RealWindow(const GvfsOptions& options) : connections(mounts, options) {}
  // Opens the transport and shows the window after its first search; false
  // when the address or the transport is missing.
  bool Start() {
    Ipv4Address local;
    if (!ParseDotted(Env("SMB_E2E_CLIENT").c_str(), local.octet)) return false;
    network.SetLocalAddress(local);
    if (!app.protocol.InitTransport()) return false;
    SetDialogColors(kDialogBackground, kDialogText);
    window = std::make_unique<QtMainWindow>(app);
    window->InitDialog();
    window->show();
    // The first paint starts the first search; it lasts about 1.2 s.
    for (int i = 0; i < 500 && !(window->logic().FirstSearchDone() && !window->Waiting()); ++i)
      QTest::qWait(10);
    return window->logic().FirstSearchDone();
  }

  PosixNetwork network;
  PosixClock clock;
  GioShareMounts mounts;
  GvfsConnections connections;
  RecordingShell shell;
  LinuxSystem system;
  PosixNameResolver resolver;
  UtilityApp app{network, clock, connections, shell, system, resolver};
  ModalDriver modals;
  std::unique_ptr<QtMainWindow> window;
};

class SmbDriveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = Env("SMB_E2E_SERVER");
    if (server_.empty()) GTEST_SKIP() << "run through smb_e2e.sh (needs a Samba server)";
    remote_ = "\\\\" + server_ + "\\public";
  }
  fs::path Drives() { return fs::path(Env("HOME")) / "Network Drives"; }

  std::string server_;
  std::string remote_;
  GvfsOptions options_;
  GioShareMounts mounts_;
};

TEST_F(SmbDriveTest, ConnectWithWrongThenRightPasswordListAndDisconnect) {
  GvfsConnections c(mounts_, options_);
  EXPECT_EQ(c.driveFolder(), Drives().string());
  const std::string user = Env("SMB_E2E_USER");
  const std::string password = Env("SMB_E2E_PASSWORD");

  // The wrong password: refused, nothing mounted, no letter.
  EXPECT_EQ(c.AddConnection("E:", remote_, "not-" + password, user, kConnectUpdateProfile),
            ConnectionResult::kLoginRefused);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "E")));
  EXPECT_EQ(c.GetDriveType("E:"), kDriveNoRootDir);

  // The right one: the letter shows the share's files.
  ASSERT_EQ(c.AddConnection("E:", remote_, password, user, kConnectUpdateProfile),
            ConnectionResult::kDone);
  EXPECT_EQ(c.GetDriveType("E:"), kDriveRemote);
  EXPECT_EQ(ReadFile(Drives() / "E" / "hello.txt"), "hello from the enclosure\n");
  std::ofstream(Drives() / "E" / "from-linux.txt") << "written through E:\n";
  EXPECT_EQ(ReadFile(fs::path(Env("SMB_E2E_SHARE_DIR")) / "from-linux.txt"),
            "written through E:\n");

  // The drive list and the "Location" column see it.
  DriveLetterTable drives(c);
  drives.ScanDrives();
  EXPECT_STREQ(drives.DriveTable[4].server, server_.c_str());
  EXPECT_STREQ(drives.DriveTable[4].share, "public");
  EXPECT_EQ(drives.ShareLocation("enclosure", server_, "PUBLIC"), "E:");
  EXPECT_EQ(drives.DriveTable[5].server[0], '\0');

  ASSERT_EQ(c.CancelConnection("E:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "E")));
  std::string remote;
  EXPECT_EQ(c.GetConnection("E:", remote), ConnectionResult::kNotConnected);
  // The mount itself is gone, not only the letter.
  bool stillMounted = false;
  for (const auto& entry : fs::directory_iterator(fs::path(Env("XDG_RUNTIME_DIR")) / "gvfs"))
    if (entry.path().filename().string().find("share=public") != std::string::npos)
      stillMounted = true;
  EXPECT_FALSE(stillMounted);
}

// The window's flow on Linux: the enclosure is found by a real search, its
// share listed by a real query, and "Connect" mounts it through GVfs after
// the "Login" dialog, as the Windows program does after a refused first try.
TEST_F(SmbDriveTest, TheWindowFindsTheEnclosureAndMapsItsShareOnALetter) {
  const std::string deviceName = Env("SMB_E2E_DEVICE_NAME");
  if (deviceName.empty()) GTEST_SKIP() << "no tessavue-device playing the enclosure";
  RealWindow w(options_);
  ASSERT_TRUE(w.Start());
  ModalDriver& modals = w.modals;
  MainWindowControls window(*w.window);

  ASSERT_EQ(window.deviceList->GetItemCount(), 1);
  EXPECT_EQ(window.deviceList->GetItemText(0, 0), deviceName);
  EXPECT_EQ(window.deviceList->GetItemText(0, 1), server_);
  Click(window.deviceList, 0);
  ASSERT_EQ(window.shareList->GetItemCount(), 2);
  EXPECT_EQ(window.shareList->GetItemText(0, 0), "public");
  EXPECT_EQ(window.shareList->GetItemText(1, 0), "media");
  EXPECT_TRUE(window.connectButton->isEnabled());
  EXPECT_EQ(window.driveCombo->currentText(), "D:");

  Click(window.shareList, 0);
  modals.logins.push_back(ModalDriver::Type(QString::fromStdString(Env("SMB_E2E_USER")),
                                            QString::fromStdString(Env("SMB_E2E_PASSWORD"))));
  QTest::mouseClick(window.connectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 2u);
  EXPECT_EQ(modals.shown[0].kind, "login");
  EXPECT_EQ(modals.shown[1].text, "Mount Disk OK!");
  EXPECT_EQ(window.shareList->GetItemText(0, 1), "D:");
  // GVfs may write the server name in lower case; letters match either way.
  EXPECT_NE(window.driveCombo->findText(QString::fromStdString("D: \\\\" + deviceName + "\\public"),
                                        Qt::MatchFixedString),
            -1);
  EXPECT_EQ(ReadFile(Drives() / "D" / "hello.txt"), "hello from the enclosure\n");

  // With a file open on D: the letter stays, with the Windows message.
  {
    std::ifstream open(Drives() / "D" / "hello.txt");
    Click(window.shareList, 0);
    QTest::mouseClick(window.disconnectButton, Qt::LeftButton);
    ASSERT_EQ(modals.shown.size(), 3u);
    EXPECT_EQ(modals.shown[2].text.rfind("Umount Disk Fail!\n", 0), 0u);
    EXPECT_TRUE(fs::is_symlink(Drives() / "D"));
  }
  Click(window.shareList, 0);
  QTest::mouseClick(window.disconnectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 4u);
  EXPECT_EQ(modals.shown[3].text, "Umount Disk OK!");
  EXPECT_EQ(window.shareList->GetItemText(0, 1), "");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "D")));
  QTest::mouseClick(window.exitButton, Qt::LeftButton);
}

// A letter that maps one share keeps it when "Connect" of another share to it
// fails, and moves to the other share when it works.
TEST_F(SmbDriveTest, TheWindowKeepsALettersShareWhenConnectingAnotherFails) {
  const std::string deviceName = Env("SMB_E2E_DEVICE_NAME");
  if (deviceName.empty()) GTEST_SKIP() << "no tessavue-device playing the enclosure";
  RealWindow w(options_);
  ASSERT_TRUE(w.Start());
  GvfsConnections& connections = w.connections;
  ModalDriver& modals = w.modals;
  MainWindowControls window(*w.window);
  auto connect = [&](int shareRow, const std::string& letter) {
    Click(window.shareList, shareRow);
    window.driveCombo->setCurrentIndex(
        window.driveCombo->findText(QString::fromStdString(letter), Qt::MatchStartsWith));
    QTest::mouseClick(window.connectButton, Qt::LeftButton);
  };
  ASSERT_EQ(window.deviceList->GetItemCount(), 1);
  Click(window.deviceList, 0);
  ASSERT_EQ(window.shareList->GetItemCount(), 2);
  ASSERT_EQ(window.shareList->GetItemText(1, 0), "media");

  // E: maps "public", its own user's login typed after the first try.
  modals.logins.push_back(ModalDriver::Type(QString::fromStdString(Env("SMB_E2E_USER")),
                                            QString::fromStdString(Env("SMB_E2E_PASSWORD"))));
  connect(0, "E:");
  ASSERT_EQ(modals.shown.size(), 2u);
  ASSERT_EQ(modals.shown[1].text, "Mount Disk OK!");
  ASSERT_EQ(ReadFile(Drives() / "E" / "hello.txt"), "hello from the enclosure\n");
  const std::string mappedPublic = window.driveCombo->itemText(1).toStdString();
  ASSERT_EQ(mappedPublic.rfind("E: \\\\", 0), 0u) << mappedPublic;

  // E: to "media" with the login that stands (a wrong password there), then
  // Cancel at "Login": the second try fails too.
  modals.logins.push_back(ModalDriver::Cancel());
  connect(1, "E:");
  ASSERT_EQ(modals.shown.size(), 4u);
  EXPECT_EQ(modals.shown[2].kind, "login");
  EXPECT_EQ(modals.shown[3].text, std::string("Mount Disk Fail!\n") +
                                      ConnectFailureReason(ConnectionResult::kLoginRefused));
  EXPECT_EQ(modals.shown[3].caption, "Error");
  EXPECT_EQ(ReadFile(Drives() / "E" / "hello.txt"), "hello from the enclosure\n");
  std::string remote;
  EXPECT_EQ(connections.GetConnection("E:", remote), ConnectionResult::kDone);
  EXPECT_TRUE(EqualsIgnoringCase(remote, "\\\\" + deviceName + "\\public")) << remote;
  // The window comes back to the front: the drive list from the system's
  // letters again.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(w.window.get(), &activate);
  EXPECT_EQ(window.driveCombo->itemText(1).toStdString(), mappedPublic);
  EXPECT_EQ(window.shareList->GetItemText(0, 1), "E:");

  // The right login for "media": E: shows it, and "public" is let go.
  modals.logins.push_back(ModalDriver::Type(QString::fromStdString(Env("SMB_E2E_MEDIA_USER")),
                                            QString::fromStdString(Env("SMB_E2E_MEDIA_PASSWORD"))));
  connect(1, "E:");
  ASSERT_EQ(modals.shown.size(), 6u);
  EXPECT_EQ(modals.shown[4].kind, "login");
  EXPECT_EQ(modals.shown[5].text, "Mount Disk OK!");
  EXPECT_EQ(ReadFile(Drives() / "E" / "media.txt"), "media of the enclosure\n");
  EXPECT_FALSE(fs::exists(Drives() / "E" / "hello.txt"));
  EXPECT_EQ(window.shareList->GetItemText(0, 1), "");
  EXPECT_EQ(window.shareList->GetItemText(1, 1), "E:");
  bool publicMounted = false;
  for (const auto& entry : fs::directory_iterator(fs::path(Env("XDG_RUNTIME_DIR")) / "gvfs"))
    if (entry.path().filename().string().find("share=public") != std::string::npos)
      publicMounted = true;
  EXPECT_FALSE(publicMounted);

  Click(window.shareList, 1);
  QTest::mouseClick(window.disconnectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 7u);
  EXPECT_EQ(modals.shown[6].text, "Umount Disk OK!");
  QTest::mouseClick(window.exitButton, Qt::LeftButton);
}

// A device that no name service of this workstation knows (no hosts entry,
// NetBIOS off), as one behind a router or over a VPN: "Connect" maps its
// share by the address it answered from, and a wrong password says so.
TEST_F(SmbDriveTest, TheWindowMapsADeviceWhoseNameNoOneKnowsByItsAddress) {
  const std::string farName = Env("SMB_E2E_FAR_NAME");
  const std::string farAddress = Env("SMB_E2E_FAR_ADDRESS");
  if (farName.empty()) GTEST_SKIP() << "no device without a name service playing";
  ASSERT_FALSE(PosixNameResolver().Resolves(farName));
  RealWindow w(options_);
  ASSERT_TRUE(w.Start());
  ModalDriver& modals = w.modals;
  MainWindowControls window(*w.window);
  ASSERT_EQ(window.deviceList->GetItemCount(), 1);
  ASSERT_EQ(window.deviceList->GetItemText(0, 0), farName);
  ASSERT_EQ(window.deviceList->GetItemText(0, 1), farAddress);
  Click(window.deviceList, 0);
  ASSERT_GE(window.shareList->GetItemCount(), 1);
  ASSERT_EQ(window.shareList->GetItemText(0, 0), "public");

  // A wrong password, typed at "Login" after the first try: the reason.
  const QString user = QString::fromStdString(Env("SMB_E2E_USER"));
  Click(window.shareList, 0);
  modals.logins.push_back(ModalDriver::Type(user, QStringLiteral("not-the-password")));
  QTest::mouseClick(window.connectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 2u);
  EXPECT_EQ(modals.shown[0].kind, "login");
  EXPECT_EQ(modals.shown[1].text, std::string("Mount Disk Fail!\n") +
                                      ConnectFailureReason(ConnectionResult::kLoginRefused));
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "D")));

  // The right one: mapped by address, shown like a letter mapped by name.
  Click(window.shareList, 0);
  modals.logins.push_back(ModalDriver::Type(user, QString::fromStdString(Env("SMB_E2E_PASSWORD"))));
  QTest::mouseClick(window.connectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 4u);
  EXPECT_EQ(modals.shown[3].text, "Mount Disk OK!");
  EXPECT_EQ(ReadFile(Drives() / "D" / "hello.txt"), "hello from the enclosure\n");
  EXPECT_EQ(window.shareList->GetItemText(0, 1), "D:");
  EXPECT_EQ(window.driveCombo->itemText(0).toStdString(), "D: \\\\" + farAddress + "\\public");

  Click(window.shareList, 0);
  QTest::mouseClick(window.disconnectButton, Qt::LeftButton);
  ASSERT_EQ(modals.shown.size(), 5u);
  EXPECT_EQ(modals.shown[4].text, "Umount Disk OK!");
  EXPECT_FALSE(fs::exists(fs::symlink_status(Drives() / "D")));
  QTest::mouseClick(window.exitButton, Qt::LeftButton);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
