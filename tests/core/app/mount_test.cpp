// "Connect" and "Disconnect": mapping a device's share to a drive letter and
// removing a mapping.
#include "window_fixture.h"

#include <set>

#include "connection_reasons.h"

namespace tessavue {
namespace {

using Texts = std::vector<std::string>;

class MountTest : public WindowTest {
 protected:
  void SetUp() override {
    // Only D: to H: are free letters; the rest are local disks.
    for (char c = 'I'; c <= 'Z'; ++c) connections.SetDriveType(c, kDriveFixed);
  }
  // Opens the window and selects a share of a device.
  void SelectShare(int deviceRow, int shareRow) {
    Open();
    ClickDevice(deviceRow);
    shareList.ClickRow(shareRow);
  }
  std::size_t CountCalls(const std::string& prefix) {
    std::size_t n = 0;
    for (const auto& c : connections.calls) n += c.rfind(prefix, 0) == 0;
    return n;
  }

  const RecordedMessage mountOk{"Mount Disk OK!", "Confirm", MessageIcon::Information};
  // "Mount Disk Fail!", then the reason for `why` on a line of its own.
  static RecordedMessage MountFail(ConnectionResult why) {
    return {std::string("Mount Disk Fail!\n") + ConnectFailureReason(why), "Error",
            MessageIcon::Stop};
  }
  static RecordedMessage UmountFail(ConnectionResult why) {
    return {std::string("Umount Disk Fail!\nPlease checked if you had selected a drive to "
                        "un-mount,\nor any file opened on selected drive that did not close.\n") +
                DisconnectFailureReason(why),
            "Error", MessageIcon::Stop};
  }
};

TEST_F(MountTest, ConnectMapsTheShareAndShowsItsLetter) {
  SelectShare(kOffice, 0);
  driveCombo.SelectText("E:");
  connections.calls.clear();
  dialog.OnConnect();

  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_TRUE(host.loginRuns.empty());  // XP is not counted as NT: no dialog first
  EXPECT_EQ(connections.Connection('E'), "\\\\Tessavue-Office\\public");
  EXPECT_TRUE(connections.IsRemembered('E'));
  EXPECT_EQ(CountCalls("add E: \\\\Tessavue-Office\\public user= flags=1"), 1u);
  EXPECT_TRUE(connections.LetterlessConnections().empty());  // nothing left beside the letter

  EXPECT_EQ(driveCombo.items(), (Texts{"D:", "E: \\\\Tessavue-Office\\public", "F:", "G:", "H:"}));
  EXPECT_EQ(driveCombo.CurrentText(), "D:");
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"E:", "", ""}));
  EXPECT_EQ(dialog.login().AdminLoginMode, LoginMode::kWindowsAccount);
}

TEST_F(MountTest, ConnectDropsWhatTheLetterHeldBefore) {
  connections.MapOutside('F', "\\\\elsewhere\\old");
  SelectShare(kOffice, 1);
  driveCombo.SelectText("F: \\\\elsewhere\\old");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(connections.Connection('F'), "\\\\Tessavue-Office\\backup");

  // A letter whose files are open keeps its mapping and the connect fails.
  connections.SetOpenFiles('F', true);
  ClickDevice(kOffice);
  shareList.ClickRow(0);
  driveCombo.SelectText("F: \\\\Tessavue-Office\\backup");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), MountFail(ConnectionResult::kFilesOpen));
  EXPECT_EQ(connections.Connection('F'), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"", "F:", ""}));
}

// Every way a connect can fail leaves the letter's old mapping, current and
// remembered, as it was, also after the next repaint; the window shows it too.
TEST_F(MountTest, FailedConnectKeepsWhatTheLetterHeld) {
  const std::string office = "\\\\Tessavue-Office\\public";
  connections.MapOutside('F', office);
  connections.Remember('G', "\\\\away\\old");  // remembered, server away
  SelectShare(kMedia, 0);                      // "music" needs mary / pw
  const Texts comboBefore = driveCombo.items();
  ASSERT_EQ(comboBefore[2], "F: " + office);
  auto expectKept = [&](const char* what, ConnectionResult why) {
    SCOPED_TRACE(what);
    EXPECT_EQ(LastMessage(), MountFail(why));
    EXPECT_EQ(connections.Connection('F'), office);
    EXPECT_TRUE(connections.IsRemembered('F'));
    EXPECT_TRUE(connections.IsRemembered('G'));
    EXPECT_TRUE(connections.LetterlessConnections().empty());
    EXPECT_EQ(driveCombo.items(), comboBefore);
    dialog.RescanDrives();
    EXPECT_EQ(driveCombo.items(), comboBefore);
    std::string remote;
    EXPECT_EQ(connections.GetConnection("F:", remote), ConnectionResult::kDone);
    EXPECT_EQ(remote, office);
  };

  // A refused password, typed after the first try failed.
  driveCombo.SelectText("F: " + office);
  host.ScriptLogin({"mary", "nope", true});
  dialog.OnConnect();
  expectKept("refused password", ConnectionResult::kLoginRefused);

  // A letter remembered while its server is away.
  shareList.ClickRow(0);
  driveCombo.SelectText("G:");
  host.ScriptLogin({"mary", "nope", true});
  dialog.OnConnect();
  expectKept("remembered letter, refused password", ConnectionResult::kLoginRefused);

  // "Login" cancelled on the NT family: the credentials as they stand.
  system.SetVersion(2, 4, 0, 1381);
  shareList.ClickRow(0);
  driveCombo.SelectText("F: " + office);
  host.ScriptLogin({"mary", "pw", false});
  dialog.OnConnect();
  expectKept("Login cancelled", ConnectionResult::kLoginRefused);

  // The share is gone (the device dropped it since the list was read).
  connections.RemoveShare("Tessavue-Media", "music");
  shareList.ClickRow(0);
  driveCombo.SelectText("F: " + office);
  host.ScriptLogin({"mary", "pw", true});
  dialog.OnConnect();
  expectKept("share gone", ConnectionResult::kShareNotFound);

  // Files open on the letter: the old mapping cannot go, so the new one fails.
  connections.AddShare("Tessavue-Media", "music", "mary", "pw");
  connections.SetOpenFiles('F', true);
  shareList.ClickRow(0);
  driveCombo.SelectText("F: " + office);
  host.ScriptLogin({"mary", "pw", true});
  dialog.OnConnect();
  expectKept("files open", ConnectionResult::kFilesOpen);

  // With the files closed the same connect replaces the mapping, remembered
  // too, and the remembered letter's old name goes as well.
  connections.SetOpenFiles('F', false);
  for (char letter : {'F', 'G'}) {
    shareList.ClickRow(0);
    driveCombo.SelectText(letter == 'F' ? "F: " + office : std::string("G:"));
    host.ScriptLogin({"mary", "pw", true});
    dialog.OnConnect();
    EXPECT_EQ(LastMessage(), mountOk);
    EXPECT_EQ(connections.Connection(letter), "\\\\Tessavue-Media\\music");
    EXPECT_TRUE(connections.IsRemembered(letter));
  }
  EXPECT_TRUE(connections.LetterlessConnections().empty());
  EXPECT_EQ(shareList.ColumnTexts(1)[0], "G:");
}

TEST_F(MountTest, NonNtAsksForCredentialsOnlyAfterAFailure) {
  SelectShare(kMedia, 0);  // "music" needs mary / pw
  driveCombo.SelectText("E:");
  host.ScriptLogin({"mary", "nope", true});
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), MountFail(ConnectionResult::kLoginRefused));
  ASSERT_EQ(host.loginRuns.size(), 1u);
  EXPECT_TRUE(host.loginRuns[0].userNameEnabled);  // a Windows account, typed
  EXPECT_EQ(CountCalls("add - "), 2u);             // two attempts
  EXPECT_FALSE(connections.Connection('E').has_value());

  shareList.ClickRow(0);
  driveCombo.SelectText("D:");
  host.ScriptLogin({"mary", "pw", true});
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(host.loginRuns.size(), 2u);
  EXPECT_EQ(connections.lastUserName, "mary");
  EXPECT_EQ(connections.lastPassword, "pw");
  EXPECT_EQ(connections.Connection('D'), "\\\\Tessavue-Media\\music");

  // The credentials stay: the next share of that server needs no dialog.
  connections.AddShare("Tessavue-Media", "video", "mary", "pw");
  shareList.ClickRow(1);
  driveCombo.SelectText("E:");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(host.loginRuns.size(), 2u);
}

// The box ticked in the "Login" of a Connect: the password goes with the
// share's connections to be kept; the next Connect without the dialog, or
// with the box left alone, keeps nothing.
TEST_F(MountTest, RememberPasswordGoesWithTheConnectThatAskedForIt) {
  const std::string kept = "flags=" + std::to_string(kConnectRememberPassword);
  const std::string keptLetter =
      "flags=" + std::to_string(kConnectUpdateProfile | kConnectRememberPassword);
  SelectShare(kMedia, 0);  // "music" needs mary / pw
  driveCombo.SelectText("E:");
  host.ScriptLogin({"mary", "pw", true, true});
  connections.calls.clear();
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(CountCalls("add - \\\\Tessavue-Media\\music user=mary " + kept), 1u);
  EXPECT_EQ(CountCalls("add E: \\\\Tessavue-Media\\music user=mary " + keptLetter), 1u);

  connections.AddShare("Tessavue-Media", "video", "mary", "pw");
  shareList.ClickRow(1);
  driveCombo.SelectText("F:");
  connections.calls.clear();
  dialog.OnConnect();  // the credentials stand: no dialog, nothing kept
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(host.loginRuns.size(), 1u);
  for (const std::string& call : connections.calls) EXPECT_EQ(call.find(kept), std::string::npos);
}

TEST_F(MountTest, NtFamilyAlwaysShowsTheDialogFirst) {
  system.SetVersion(2, 4, 0, 1381);  // Windows NT 4
  SelectShare(kOffice, 0);           // needs no password
  host.ScriptLogin({"guest", "", true});
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  ASSERT_EQ(host.loginRuns.size(), 1u);
  EXPECT_EQ(CountCalls("add - "), 1u);  // one attempt
  EXPECT_EQ(connections.lastUserName, "guest");

  // A refused login on NT: the dialog once, one attempt, the failure.
  ClickDevice(kMedia);
  shareList.ClickRow(0);
  driveCombo.SelectText("E:");
  host.ScriptLogin({"mary", "bad", false});  // cancelled: the last credentials stand
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), MountFail(ConnectionResult::kLoginRefused));
  EXPECT_EQ(host.loginRuns.size(), 2u);
  EXPECT_EQ(CountCalls("add - "), 2u);
}

TEST_F(MountTest, ConnectNeedsADeviceRowAShareRowAndALetter) {
  const RecordedMessage selectDisk{"You should select a samba server disk to mount!", "Warnning",
                                   MessageIcon::Exclamation};
  Open();
  ClickDevice(kOffice);
  dialog.OnConnect();  // no share row
  EXPECT_EQ(LastMessage(), selectDisk);

  shareList.ClickRow(0);
  deviceList.ClearSelection();  // the device row is gone, the share row stays
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), selectDisk);
  EXPECT_EQ(host.messages.size(), 2u);

  deviceList.ClickRow(kOffice);
  driveCombo.SetCurSel(-1);
  dialog.OnConnect();  // no letter: silently nothing
  EXPECT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(CountCalls("cancel"), 0u);
  EXPECT_EQ(CountCalls("add"), 0u);
}

TEST_F(MountTest, ShareNameThatLeadsElsewhereIsRefused) {
  DeviceSettings rogue = Device(kOffice).settings();
  rogue.name = "Rogue";
  rogue.ip = Ipv4Address{{192, 168, 0, 66}};
  rogue.serial = {9, 9, 9, 9, 9, 9};
  rogue.shares = "fine:..\\..\\victim\\c$";
  rogue.replyDelayMicros = 20000;  // answers last
  segment.AddDevice(rogue);
  connections.AddShare("Rogue", "fine");
  connections.MapOutside('D', "\\\\Tessavue-Office\\public");
  Open();
  int row = 3;
  ASSERT_EQ(deviceList.GetItemText(row, 0), "Rogue");
  ClickDevice(row);
  ASSERT_EQ(shareList.ColumnTexts(0), (Texts{"fine", "..\\..\\victim\\c$"}));
  shareList.ClickRow(1);
  driveCombo.SelectText("D: \\\\Tessavue-Office\\public");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), (RecordedMessage{std::string("Mount Disk Fail!\n") + kUnusableNameReason,
                                            "Error", MessageIcon::Stop}));
  // The letter's old mapping was not touched either.
  EXPECT_EQ(CountCalls("cancel"), 0u);
  EXPECT_EQ(CountCalls("add"), 0u);
  EXPECT_EQ(connections.Connection('D'), "\\\\Tessavue-Office\\public");
}

TEST_F(MountTest, DisconnectBySelectedShareWhateverTheComboShows) {
  connections.MapOutside('G', "\\\\Tessavue-Office\\backup");
  connections.MapOutside('H', "\\\\Tessavue-Office\\public");
  SelectShare(kOffice, 1);
  driveCombo.SelectText("H: \\\\Tessavue-Office\\public");
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage(),
            (RecordedMessage{"Umount Disk OK!", "Confirm", MessageIcon::Information}));
  EXPECT_FALSE(connections.Connection('G').has_value());
  EXPECT_FALSE(connections.IsRemembered('G'));
  EXPECT_TRUE(connections.Connection('H').has_value());
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"H:", "", ""}));
  EXPECT_EQ(driveCombo.items()[3], "G:");
}

TEST_F(MountTest, DisconnectByComboWhenNoShareIsSelected) {
  connections.MapOutside('E', "\\\\somewhere\\else");
  Open();
  driveCombo.SelectText("E: \\\\somewhere\\else");
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage().text, "Umount Disk OK!");
  EXPECT_FALSE(connections.Connection('E').has_value());
  EXPECT_EQ(driveCombo.items()[1], "E:");

  // Neither a share nor a letter: nothing at all.
  driveCombo.SetCurSel(-1);
  connections.calls.clear();
  dialog.OnDisconnect();
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(CountCalls("cancel"), 0u);
}

TEST_F(MountTest, DisconnectFailuresKeepTheMapping) {
  connections.MapOutside('F', "\\\\Tessavue-Office\\backup");
  connections.SetOpenFiles('F', true);
  SelectShare(kOffice, 0);  // "public": mapped nowhere
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage(), UmountFail(ConnectionResult::kNotConnected));

  shareList.ClickRow(1);  // "backup" on F:, with a file open
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage(), UmountFail(ConnectionResult::kFilesOpen));
  EXPECT_EQ(connections.Connection('F'), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(host.messages.size(), 2u);

  // A free letter chosen in the combo has nothing to unmount.
  shareList.ClearSelection();
  driveCombo.SelectText("D:");
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage(), UmountFail(ConnectionResult::kNotConnected));
}

// A device whose name this workstation cannot find (behind a router, over a
// VPN, no name service) is mapped by its address, and its letter is then
// treated like one mapped by name.
TEST_F(MountTest, ConnectMapsByAddressWhenTheNameDoesNotResolve) {
  resolver.names.clear();
  SelectShare(kOffice, 0);
  driveCombo.SelectText("E:");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(resolver.asked, (Texts{"Tessavue-Office"}));
  EXPECT_EQ(connections.Connection('E'), "\\\\192.168.0.20\\public");
  EXPECT_EQ(shareList.ColumnTexts(1), (Texts{"E:", "", ""}));
  EXPECT_EQ(driveCombo.items()[1], "E: \\\\192.168.0.20\\public");

  // The name found again: the letter moves to the name, from its address.
  resolver.names = {"tessavue-office"};
  shareList.ClickRow(0);
  driveCombo.SelectText("E: \\\\192.168.0.20\\public");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(connections.Connection('E'), "\\\\Tessavue-Office\\public");

  // Disconnect by the share row of a letter mapped by address.
  connections.MapOutside('F', "\\\\192.168.0.20\\backup");
  dialog.RescanDrives();
  shareList.ClickRow(1);
  dialog.OnDisconnect();
  EXPECT_EQ(LastMessage().text, "Umount Disk OK!");
  EXPECT_FALSE(connections.Connection('F').has_value());
}

TEST_F(MountTest, ADeviceNameThatCannotBeAPathIsMappedByAddress) {
  DeviceSettings odd = Device(kOffice).settings();
  odd.name = "Odd\\Name";
  odd.ip = Ipv4Address{{192, 168, 0, 67}};
  odd.serial = {8, 8, 8, 8, 8, 8};
  odd.shares = "public";
  odd.replyDelayMicros = 20000;  // answers last
  segment.AddDevice(odd);
  connections.AddShare("192.168.0.67", "public");
  resolver.names.insert("Odd\\Name");
  Open();
  ASSERT_EQ(deviceList.GetItemText(3, 0), "Odd\\Name");
  ClickDevice(3);
  shareList.ClickRow(0);
  driveCombo.SelectText("E:");
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), mountOk);
  EXPECT_EQ(connections.Connection('E'), "\\\\192.168.0.67\\public");
}

// Each outcome the system gives comes with its own reason, under the
// document's message; the letter keeps what it held.
TEST_F(MountTest, EachFailureSaysWhy) {
  const std::string office = "\\\\Tessavue-Office\\public";
  connections.MapOutside('F', office);
  SelectShare(kOffice, 1);
  for (ConnectionResult why :
       {ConnectionResult::kServerUnreachable, ConnectionResult::kGuestRefused,
        ConnectionResult::kProtocolRefused}) {
    connections.SetServerRefusal("Tessavue-Office", why);
    shareList.ClickRow(1);
    driveCombo.SelectText("F: " + office);
    dialog.OnConnect();
    EXPECT_EQ(LastMessage(), MountFail(why));
    EXPECT_EQ(connections.Connection('F'), office);
  }
  connections.SetServerRefusal("Tessavue-Office", ConnectionResult::kDone);

  // This PC already on the device under another user name (Windows 1219),
  // through another letter.
  connections.SetConnectionUser('F', "somebody");
  system.SetVersion(2, 4, 0, 1381);  // NT: the "Login" dialog first
  shareList.ClickRow(1);
  driveCombo.SelectText("E:");
  host.ScriptLogin({"mary", "pw", true});
  dialog.OnConnect();
  EXPECT_EQ(LastMessage(), MountFail(ConnectionResult::kOtherCredentialsInUse));

  // The reasons: one line each, told apart, no error numbers.
  std::set<std::string> seen;
  for (int i = 0; i <= static_cast<int>(ConnectionResult::kProtocolRefused); ++i) {
    auto result = static_cast<ConnectionResult>(i);
    if (result == ConnectionResult::kDone) continue;
    for (const char* reason : {ConnectFailureReason(result), DisconnectFailureReason(result)}) {
      std::string text = reason;
      EXPECT_FALSE(text.empty());
      EXPECT_EQ(text.find('\n'), std::string::npos) << text;
      EXPECT_EQ(text.find_first_of("0123456789"), std::string::npos) << text;
    }
    seen.insert(ConnectFailureReason(result));
  }
  // Login, share, unreachable, other user, files open, letter, guest, SMB
  // version, and the one for anything else.
  EXPECT_EQ(seen.size(), 9u);
}

}  // namespace
}  // namespace tessavue
