// The window's Connect and Disconnect over the real WNet functions: the main
// dialog from template 102 over the simulated devices, its drive letters on
// Wine's mpr.dll with the test network provider. Each flow checks what the
// network was asked (the provider's record), the message shown, and the
// drive list and the "Location" column afterwards.
#include "windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "connection_reasons.h"
#include "provider_world.h"
#include "win32_system.h"
#include "win32_window_fixture.h"

namespace tessavue::win32 {
namespace {

// The demo devices' shares: Tessavue-Office's "public" to anyone, its
// "backup" and "scans" to alice (s3cret); Tessavue-Media's to bob (tune).
const std::vector<std::string> kDemoNetwork = {
    "share \\\\Tessavue-Office\\public - -",
    "share \\\\Tessavue-Office\\backup alice s3cret",
    "share \\\\Tessavue-Office\\scans alice s3cret",
    "share \\\\Tessavue-Media\\music bob tune",
    "share \\\\Tessavue-Media\\video bob tune",
};
// "Error: Mount Disk Fail!" with the reason for `why` on its own line.
std::string MountFail(ConnectionResult why) {
  return std::string("Error: Mount Disk Fail!\n") + ConnectFailureReason(why);
}

constexpr int kDevices = 1000, kShares = 1001, kConnect = 1003, kDisconnect = 1004, kDrives = 1013;

class DriveWindowTest : public WindowFixtureOver<Win32NetworkConnections> {
 protected:
  // Windows NT 4 (Login before the first try) or Windows 98 (Login after a
  // failed one); what "Login" is given, and how often it was shown.
  void UseWindows(bool nt) {
    if (nt) {
      system.SetVersion(2, 4, 0, 1381);
    } else {
      system.SetVersion(1, 4, 10, 2222);
      system.userName = "alice";
    }
  }
  void OpenWithLogin() {
    DialogAnswers options;
    options.login = [this](HWND login) {
      ++loginsShown;
      // On Windows 98 the user name is the logged-on user's, fixed.
      HWND user = GetDlgItem(login, 1016);
      if (IsWindowEnabled(user))
        for (char c : loginUser) SendMessageA(user, WM_CHAR, c, 1);
      for (char c : loginPassword) SendMessageA(GetDlgItem(login, 1017), WM_CHAR, c, 1);
      PostMessageA(login, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(login, IDOK)));
    };
    Open(options);
    world.NewCalls();  // the scans of the start
  }
  // Picks a device row, a share row and the drive list's item for `letter`.
  void Choose(int device, int share, char letter) {
    ClickDevice(device);
    SelectRow(kShares, share);
    std::vector<std::string> items = ComboItems(Item(kDrives));
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!items[i].empty() && items[i][0] == letter)
        SendMessageA(Item(kDrives), CB_SETCURSEL, i, 0);
  }
  void Connect(int device, int share, char letter) {
    driver.messageBoxes.clear();
    Choose(device, share, letter);
    Press(kConnect);
    Pump();
  }
  // A letter mapped before the test, as `net use X: \\server\share` leaves it.
  void MapBefore(const char* letter, const char* remote, const char* user, const char* password) {
    ASSERT_EQ(connections.AddConnection(letter, remote, password, user, kConnectUpdateProfile),
              ConnectionResult::kDone);
  }
  // The share the system remembers for `letter` ("" for none).
  static std::string Remembered(char letter) {
    char key[] = "Network\\?";
    key[8] = letter;
    char value[512] = {};
    DWORD size = sizeof value - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, key, "RemotePath", RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
      return "";
    return value;
  }
  // The drive list's items that name a share, and the "Location" column.
  std::vector<std::string> MappedItems() {
    std::vector<std::string> mapped;
    for (const std::string& item : ComboItems(Item(kDrives)))
      if (item.size() > 2) mapped.push_back(item);
    return mapped;
  }
  std::vector<std::string> Locations() { return ListColumn(Item(kShares), 1); }
  // The adds and cancels of the record, without the results' noise of
  // type= and provider= (checked once in the connections' own test).
  std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (std::string call : world.NewCalls()) {
      std::size_t type = call.find(" type=0 provider=(none)");
      if (type != std::string::npos) call.erase(type, 23);
      calls.push_back(call);
    }
    return calls;
  }

  ProviderWorld world{kDemoNetwork};
  std::string loginUser = "alice", loginPassword = "s3cret";
  int loginsShown = 0;
};

TEST_F(DriveWindowTest, ConnectOnNtAsksForTheLoginFirst) {
  UseWindows(true);
  OpenWithLogin();
  Connect(0, 1, 'E');  // Tessavue-Office's "backup"
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  EXPECT_EQ(loginsShown, 1);
  EXPECT_EQ(Calls(),
            (std::vector<std::string>{
                "add local= remote=\\\\Tessavue-Office\\backup user=alice password=given "
                "flags=0 -> 0",
                "cancel name=E: force=0 -> 2250",
                "add local=E: remote=\\\\Tessavue-Office\\backup user=alice password=given "
                "flags=1 -> 0",
                "cancel name=\\\\Tessavue-Office\\backup force=0 -> 0",
            }));
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"E: \\\\Tessavue-Office\\backup"});
  EXPECT_EQ(Locations(), (std::vector<std::string>{"", "E:", ""}));
  EXPECT_EQ(Remembered('E'), "\\\\Tessavue-Office\\backup");
  // The first free letter is chosen again.
  EXPECT_EQ(
      ComboText(Item(kDrives), static_cast<int>(SendMessageA(Item(kDrives), CB_GETCURSEL, 0, 0))),
      "D:");
}

TEST_F(DriveWindowTest, ConnectElsewhereTriesTheCredentialsAsTheyStandThenTheLogin) {
  UseWindows(false);
  OpenWithLogin();
  Connect(0, 2, 'F');  // "scans": refused without a login
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  EXPECT_EQ(loginsShown, 1);
  std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[0],
            "add local= remote=\\\\Tessavue-Office\\scans user= password=empty flags=0 -> 86");
  EXPECT_EQ(calls[1],
            "add local= remote=\\\\Tessavue-Office\\scans user=alice password=given flags=0 -> 0");
  EXPECT_EQ(Locations(), (std::vector<std::string>{"", "", "F:"}));

  // A share anyone may use goes at the first try, without "Login".
  Connect(0, 0, 'G');
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  EXPECT_EQ(loginsShown, 1);
  EXPECT_EQ(Locations(), (std::vector<std::string>{"G:", "", "F:"}));
  EXPECT_EQ(MappedItems(), (std::vector<std::string>{"F: \\\\Tessavue-Office\\scans",
                                                     "G: \\\\Tessavue-Office\\public"}));
}

TEST_F(DriveWindowTest, AWrongPasswordOrAShareThatIsGoneFailsAndChangesNothing) {
  UseWindows(true);
  loginPassword = "wrong";
  OpenWithLogin();
  Connect(0, 1, 'E');
  EXPECT_EQ(Messages(), std::vector<std::string>{MountFail(ConnectionResult::kLoginRefused)});
  EXPECT_EQ(Calls(), std::vector<std::string>{"add local= remote=\\\\Tessavue-Office\\backup "
                                              "user=alice password=given flags=0 -> 86"});
  loginPassword = "s3cret";
  world.Drop("share \\\\Tessavue-Office\\scans ");
  Connect(0, 2, 'E');
  EXPECT_EQ(Messages(), std::vector<std::string>{MountFail(ConnectionResult::kShareNotFound)});
  EXPECT_EQ(Calls(), std::vector<std::string>{"add local= remote=\\\\Tessavue-Office\\scans "
                                              "user=alice password=given flags=0 -> 67"});
  EXPECT_TRUE(MappedItems().empty());
  EXPECT_EQ(Locations(), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Remembered('E'), "");
}

// Connect on a letter that maps another share: a success moves it, current
// and remembered; any failure leaves it as it was.
TEST_F(DriveWindowTest, ALetterMovesOnlyWhenTheNewShareIsReached) {
  UseWindows(true);
  MapBefore("E:", "\\\\Tessavue-Office\\public", "", "");
  OpenWithLogin();
  EXPECT_EQ(Locations(), (std::vector<std::string>{}));  // no device chosen yet
  auto expectPublic = [&](const char* what, ConnectionResult why) {
    SCOPED_TRACE(what);
    EXPECT_EQ(Messages(), std::vector<std::string>{MountFail(why)});
    EXPECT_EQ(MappedItems(), std::vector<std::string>{"E: \\\\Tessavue-Office\\public"});
    EXPECT_EQ(Remembered('E'), "\\\\Tessavue-Office\\public");
  };
  loginPassword = "wrong";
  Connect(0, 1, 'E');
  expectPublic("wrong password", ConnectionResult::kLoginRefused);
  EXPECT_EQ(Locations(), (std::vector<std::string>{"E:", "", ""}));
  loginPassword = "s3cret";
  world.Add("open E:");
  Connect(0, 1, 'E');
  expectPublic("files open", ConnectionResult::kFilesOpen);
  std::vector<std::string> calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "cancel name=E: force=0 -> 2401"), calls.end());
  world.Drop("open E:");
  Connect(0, 1, 'E');
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"E: \\\\Tessavue-Office\\backup"});
  EXPECT_EQ(Remembered('E'), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(Locations(), (std::vector<std::string>{"", "E:", ""}));
}

// bob holds Tessavue-Media through F:; alice cannot get in beside him, and F:
// is not given up for a try.
TEST_F(DriveWindowTest, AServerInUseUnderAnotherNameKeepsItsLetter) {
  UseWindows(true);
  MapBefore("F:", "\\\\Tessavue-Media\\music", "bob", "tune");
  world.Add("share \\\\Tessavue-Media\\photos alice s3cret");
  OpenWithLogin();
  Connect(1, 2, 'F');  // "photos" as alice
  // Windows 1219, said in words: another user name holds the device.
  EXPECT_EQ(Messages(),
            std::vector<std::string>{MountFail(ConnectionResult::kOtherCredentialsInUse)});
  EXPECT_EQ(Calls(), std::vector<std::string>{"add local= remote=\\\\Tessavue-Media\\photos "
                                              "user=alice password=given flags=0 -> 1219"});
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"F: \\\\Tessavue-Media\\music"});
  EXPECT_EQ(Remembered('F'), "\\\\Tessavue-Media\\music");
  EXPECT_EQ(Locations(), (std::vector<std::string>{"F:", "", ""}));
}

TEST_F(DriveWindowTest, DisconnectUnmapsUnlessFilesAreOpen) {
  UseWindows(true);
  MapBefore("E:", "\\\\Tessavue-Office\\public", "", "");
  OpenWithLogin();
  ClickDevice(0);
  SelectRow(kShares, 0);
  world.Add("open E:");
  Press(kDisconnect);
  ASSERT_EQ(driver.messageBoxes.size(), 1u);
  EXPECT_EQ(driver.messageBoxes[0].text,
            std::string("Umount Disk Fail!\nPlease checked if you had selected a drive to "
                        "un-mount,\nor any file opened on selected drive that did not close.\n") +
                DisconnectFailureReason(ConnectionResult::kFilesOpen));
  EXPECT_EQ(Calls(), std::vector<std::string>{"cancel name=E: force=0 -> 2401"});
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"E: \\\\Tessavue-Office\\public"});

  world.Drop("open E:");
  driver.messageBoxes.clear();
  Press(kDisconnect);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Umount Disk OK!"});
  EXPECT_EQ(Calls(), std::vector<std::string>{"cancel name=E: force=0 -> 0"});
  EXPECT_TRUE(MappedItems().empty());
  EXPECT_EQ(Locations(), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Remembered('E'), "");
}

// The device is switched off under a mapped letter: Wine shows the letter as
// free (its mount manager knows nothing of remembered connections), and a
// Disconnect of it, or a Connect onto it, forgets the remembered share.
TEST_F(DriveWindowTest, ARememberedLetterWhoseServerIsAway) {
  UseWindows(true);
  MapBefore("E:", "\\\\Tessavue-Office\\public", "", "");
  MapBefore("F:", "\\\\Tessavue-Office\\scans", "alice", "s3cret");
  world.ServerAway("Tessavue-Office");
  OpenWithLogin();
  EXPECT_TRUE(MappedItems().empty());
  EXPECT_EQ(Remembered('E'), "\\\\Tessavue-Office\\public");

  // Disconnect through the drive list: the remembered share goes.
  ClickDevice(1);
  SelectRow(kShares, -1);
  Choose(1, -1, 'E');
  Press(kDisconnect);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Umount Disk OK!"});
  EXPECT_EQ(Remembered('E'), "");

  // Connect onto F: with a share of a device that answers.
  world.Drop("share \\\\Tessavue-Media\\music ");
  world.Add("share \\\\Tessavue-Media\\music alice s3cret");
  Connect(1, 0, 'F');
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"F: \\\\Tessavue-Media\\music"});
  EXPECT_EQ(Remembered('F'), "\\\\Tessavue-Media\\music");
}

// A device whose name this workstation cannot resolve is mapped by the
// address it answered from; its letter then reads like one mapped by name.
// A device that is off says so.
TEST_F(DriveWindowTest, ANameNoOneResolvesIsMappedByAddress) {
  UseWindows(true);
  resolver.names.clear();
  world.Add("share \\\\192.168.0.20\\public - -");
  OpenWithLogin();
  Connect(0, 0, 'E');
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Mount Disk OK!"});
  std::vector<std::string> calls = Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].rfind("add local= remote=\\\\192.168.0.20\\public ", 0), 0u) << calls[0];
  EXPECT_EQ(MappedItems(), std::vector<std::string>{"E: \\\\192.168.0.20\\public"});
  EXPECT_EQ(Locations(), (std::vector<std::string>{"E:", "", ""}));
  SelectRow(kShares, 0);
  driver.messageBoxes.clear();
  Press(kDisconnect);
  Pump();
  EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm: Umount Disk OK!"});
  EXPECT_TRUE(MappedItems().empty());

  world.ServerAway("192.168.0.20");
  Connect(0, 0, 'E');
  EXPECT_EQ(Messages(), std::vector<std::string>{MountFail(ConnectionResult::kServerUnreachable)});
  EXPECT_TRUE(MappedItems().empty());
}

}  // namespace
}  // namespace tessavue::win32
