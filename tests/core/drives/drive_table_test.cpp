#include "drive_table.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "remote_name.h"
#include "memory_connections.h"

namespace tessavue {
namespace {

class DriveTableTest : public ::testing::Test {
 protected:
  // Every letter from D: on is a local disk unless a test frees it.
  void AllLocal() {
    for (char c = 'D'; c <= 'Z'; ++c) net.SetDriveType(c, kDriveFixed);
  }
  const DriveRecord& Entry(char letter) { return drives.DriveTable[letter - 'A']; }

  MemoryConnections net;
  DriveLetterTable drives{net};
  // The preselected item's text; empty when none.
  std::string Preselected() const {
    return choices.preselected < 0 ? std::string() : choices.items.at(choices.preselected);
  }

  DriveChoices choices;
};

TEST_F(DriveTableTest, ScanSplitsRemoteNamesAndClearsLettersWithoutConnection) {
  net.MapOutside('E', "\\\\box\\public");
  net.MapOutside('F', "\\\\box\\media\\films");  // the share part keeps later backslashes
  drives.ScanDrives();

  EXPECT_STREQ(Entry('A').localName, "A:");
  EXPECT_STREQ(Entry('Z').localName, "Z:");
  EXPECT_STREQ(Entry('E').server, "box");
  EXPECT_STREQ(Entry('E').share, "public");
  EXPECT_STREQ(Entry('F').server, "box");
  EXPECT_STREQ(Entry('F').share, "media\\films");
  EXPECT_STREQ(Entry('G').server, "");

  // Unmapped outside the program, and one only remembered: both forgotten on
  // the next scan.
  ASSERT_EQ(net.CancelConnection("E:", 0, false), ConnectionResult::kDone);
  EXPECT_TRUE(net.IsRemembered('E'));
  ASSERT_EQ(net.CancelConnection("F:", kConnectUpdateProfile, false), ConnectionResult::kDone);
  drives.ScanDrives();
  EXPECT_STREQ(Entry('E').server, "");
  EXPECT_STREQ(Entry('E').share, "");
  EXPECT_STREQ(Entry('F').server, "");
  EXPECT_STREQ(Entry('F').share, "");
}

TEST_F(DriveTableTest, ScanBoundsOversizedNamesAndDropsNamesThatAreNoShare) {
  std::string longServer(80, 's');
  net.MapOutside('E', "\\\\" + longServer + "\\data");
  net.MapOutside('F', "\\\\srv\\" + std::string(300, 'x'));  // more than the 256-byte buffer
  net.MapOutside('G', "\\\\srv\\data");
  drives.ScanDrives();
  EXPECT_EQ(std::string(Entry('E').server), longServer.substr(0, 63));
  EXPECT_STREQ(Entry('E').share, "data");
  EXPECT_STREQ(Entry('F').server, "");
  EXPECT_STREQ(Entry('F').share, "");

  // G: now carries a name without a share part: its old names must not stay.
  net.CancelConnection("G:", kConnectUpdateProfile, false);
  net.MapOutside('G', "\\\\lonely");
  drives.ScanDrives();
  EXPECT_STREQ(Entry('G').server, "");
  EXPECT_STREQ(Entry('G').share, "");
}

TEST_F(DriveTableTest, ComboListsUsableLettersAndPreselectsFirstFree) {
  AllLocal();
  net.SetDriveType('D', kDriveNoRootDir);
  net.SetDriveType('E', kDriveNoRootDir);
  net.MapOutside('E', "\\\\srv\\data");
  drives.ScanDrives();
  choices = drives.UsableDrives();
  EXPECT_EQ(choices.items, (std::vector<std::string>{"D:", "E: \\\\srv\\data"}));
  EXPECT_EQ(Preselected(), "D:");

  // Mapped letters before the first free one: the free one is still chosen.
  net.SetDriveType('F', kDriveNoRootDir);
  net.SetDriveType('G', kDriveUnknown);
  net.MapOutside('D', "\\\\srv\\other");
  drives.ScanDrives();
  choices = drives.UsableDrives();
  EXPECT_EQ(choices.items,
            (std::vector<std::string>{"D: \\\\srv\\other", "E: \\\\srv\\data", "F:", "G:"}));
  EXPECT_EQ(Preselected(), "F:");
}

TEST_F(DriveTableTest, ComboSkipsLocalDrivesAndFirstThreeLetters) {
  AllLocal();
  net.SetDriveType('D', kDriveRemovable);
  net.SetDriveType('E', kDriveCdrom);
  net.SetDriveType('F', kDriveRamdisk);
  net.SetDriveType('B', kDriveNoRootDir);
  net.SetDriveType('C', kDriveNoRootDir);
  net.MapOutside('B', "\\\\srv\\b");  // network drives on B: and C: are never listed
  net.MapOutside('C', "\\\\srv\\c");
  drives.ScanDrives();
  choices = drives.UsableDrives();
  EXPECT_TRUE(choices.items.empty());
  EXPECT_EQ(choices.preselected, -1);

  net.SetDriveType('X', kDriveNoRootDir);
  drives.ScanDrives();
  choices = drives.UsableDrives();
  EXPECT_EQ(choices.items, (std::vector<std::string>{"X:"}));
  EXPECT_EQ(choices.preselected, 0);
}

TEST_F(DriveTableTest, ComboHasNoSelectionWhenEveryListedLetterIsMapped) {
  AllLocal();
  net.SetDriveType('M', kDriveNoRootDir);
  net.SetDriveType('N', kDriveNoRootDir);
  net.MapOutside('M', "\\\\a\\one");
  net.MapOutside('N', "\\\\b\\two");
  drives.ScanDrives();
  choices = drives.UsableDrives();
  EXPECT_EQ(choices.items.size(), 2u);
  EXPECT_EQ(choices.preselected, -1);
}

TEST_F(DriveTableTest, ShareLocationMatchesNameOrAddressIgnoringCaseLastLetterWins) {
  net.MapOutside('E', "\\\\BOX\\Public");
  net.MapOutside('H', "\\\\192.168.0.5\\public");
  net.MapOutside('K', "\\\\box\\music");
  net.MapOutside('L', "\\\\otherbox\\public");
  drives.ScanDrives();

  EXPECT_EQ(drives.ShareLocation("box", "192.168.0.5", "PUBLIC"), "H:");
  EXPECT_EQ(drives.ShareLocation("box", "192.168.0.9", "public"), "E:");
  EXPECT_EQ(drives.ShareLocation("nas", "192.168.0.5", "public"), "H:");
  EXPECT_EQ(drives.ShareLocation("Box", "10.0.0.1", "Music"), "K:");
  EXPECT_EQ(drives.ShareLocation("box", "10.0.0.1", "video"), "");
  EXPECT_EQ(drives.ShareLocation("bo", "10.0.0.1", "public"), "");
}

TEST(RemoteName, JoinsSafePartsAndRefusesOthers) {
  std::string remote;
  EXPECT_TRUE(MakeRemoteName("box", "public", remote));
  EXPECT_EQ(remote, "\\\\box\\public");

  EXPECT_TRUE(MakeRemoteName(std::string(70, 'n'), std::string(300, 's'), remote));
  EXPECT_EQ(remote, "\\\\" + std::string(63, 'n') + "\\" + std::string(255, 's'));

  for (const char* bad : {"..\\c$", "a/b", "tab\there", "", "x\x7f"}) {
    EXPECT_FALSE(MakeRemoteName("box", bad, remote)) << bad;
    EXPECT_EQ(remote, "");
    EXPECT_FALSE(MakeRemoteName(bad, "public", remote)) << bad;
  }
  EXPECT_TRUE(EqualsIgnoringCase("Box-1", "bOX-1"));
  EXPECT_FALSE(EqualsIgnoringCase("box", "box1"));
}

TEST(RemoteName, ParsesOneShareAndSplitsWhatTheSystemReports) {
  std::optional<RemoteName> name = RemoteName::Parse("\\\\box\\a b#c?d");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->server, "box");
  EXPECT_EQ(name->share, "a b#c?d");
  EXPECT_EQ(name->Text(), "\\\\box\\a b#c?d");

  // A folder inside a share, a missing part or an unsafe one is no share.
  for (const char* bad : {"\\\\box\\media\\films", "\\\\box", "\\\\box\\", "\\\\\\share",
                          "\\\\b/x\\share", "\\\\box\\sh\tare", "//box/share", "box\\share", ""})
    EXPECT_FALSE(RemoteName::Parse(bad)) << bad;

  // The system's name of a letter keeps a folder in its share part.
  name = RemoteName::Split("\\\\box\\media\\films");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->server, "box");
  EXPECT_EQ(name->share, "media\\films");
  for (const char* bad : {"\\\\box", "\\\\box\\", "\\\\\\share", "xxbox\\share", "http://box/dav"})
    EXPECT_FALSE(RemoteName::Split(bad)) << bad;

  EXPECT_TRUE(RemoteName::IsRemoteNameText("\\\\box\\share"));
  EXPECT_FALSE(RemoteName::IsRemoteNameText("E:"));
}

}  // namespace
}  // namespace tessavue
