// The Win32 control wrappers over real common controls, and the system
// services over the Windows API as Wine provides it.
#include <gtest/gtest.h>

#include "win32_controls.h"
#include "win32_dialogs.h"
#include "win32_system.h"

namespace tessavue::win32 {
namespace {

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControlClasses();
    parent = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }

  HWND Child(const char* className, DWORD style) {
    return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 200, parent,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  }

  HWND parent = nullptr;
};

TEST_F(ControlsTest, ListViewRowsAndLongTexts) {
  Win32ListView list(Child(WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL));
  list.SetFullRowSelect();
  EXPECT_EQ(list.InsertColumn(0, "Name", 94), 0);
  EXPECT_EQ(list.InsertColumn(1, "IP", 81), 1);
  EXPECT_EQ(list.InsertItem(0, ""), 0);
  EXPECT_EQ(list.InsertItem(5, ""), 1);  // past the end: appended
  // A device name can be 255 characters; longer texts come back whole too.
  std::string longName(700, 'n');
  longName[0] = 'N';
  EXPECT_TRUE(list.SetItemText(1, 0, longName));
  EXPECT_TRUE(list.SetItemText(1, 1, "10.0.0.1"));
  EXPECT_EQ(list.GetItemText(1, 0), longName);
  EXPECT_EQ(list.GetItemText(1, 1), "10.0.0.1");
  EXPECT_EQ(list.GetItemText(0, 1), "");
  EXPECT_EQ(list.GetItemText(7, 0), "");
  EXPECT_EQ(list.GetItemCount(), 2);
  EXPECT_EQ(list.GetItemState(1, kListItemSelected), 0u);
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED;
  state.state = LVIS_SELECTED;
  SendMessageA(list.window(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(list.GetItemState(1, kListItemSelected), kListItemSelected);
  EXPECT_EQ(list.GetTopIndex(), 0);
  list.DeleteAllItems();
  EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(ControlsTest, SortedComboBox) {
  Win32ComboBox combo(Child("COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT));
  EXPECT_EQ(combo.AddString("F: \\\\box\\public"), 0);
  EXPECT_EQ(combo.AddString("D:"), 0);
  EXPECT_EQ(combo.AddString("e:"), 1);
  EXPECT_EQ(combo.GetCount(), 3);
  EXPECT_EQ(combo.GetCurSel(), -1);
  combo.SetCurSel(2);
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.GetLBText(2), "F: \\\\box\\public");
  EXPECT_EQ(combo.GetLBText(3), "");
  combo.SetCurSel(-1);
  EXPECT_EQ(combo.GetCurSel(), -1);
  combo.ResetContent();
  EXPECT_EQ(combo.GetCount(), 0);
}

TEST_F(ControlsTest, IpAddressFieldsInOrder) {
  Win32IpAddress address(Child(WC_IPADDRESSA, 0));
  EXPECT_TRUE(address.IsBlank());
  std::uint8_t fields[4] = {9, 9, 9, 9};
  EXPECT_EQ(address.GetAddress(fields), 0);
  EXPECT_EQ(fields[0] + fields[1] + fields[2] + fields[3], 0);
  const std::uint8_t set[4] = {192, 168, 0, 254};
  address.SetAddress(set);
  EXPECT_FALSE(address.IsBlank());
  EXPECT_EQ(address.GetAddress(fields), 4);
  EXPECT_EQ(fields[0], 192);
  EXPECT_EQ(fields[1], 168);
  EXPECT_EQ(fields[2], 0);
  EXPECT_EQ(fields[3], 254);
  address.ClearAddress();
  EXPECT_TRUE(address.IsBlank());
  address.Enable(false);
  EXPECT_FALSE(address.IsEnabled());
}

TEST_F(ControlsTest, EditLimit) {
  Win32Edit edit(Child("EDIT", ES_AUTOHSCROLL));
  edit.SetLimitText(16);
  for (char c : std::string("abcdefghijklmnopqrst")) SendMessageA(edit.window(), WM_CHAR, c, 1);
  EXPECT_EQ(edit.GetText(), "abcdefghijklmnop");
  edit.SetText("");
  EXPECT_EQ(edit.GetText(), "");
}

TEST(SystemServicesTest, VersionUserAndDrives) {
  Win32SystemInfo system;
  OsVersionInfo version;
  ASSERT_TRUE(system.GetVersionInfo(version));
  EXPECT_EQ(version.platformId, 2u);  // the NT family, as Wine reports it
  EXPECT_GE(version.majorVersion, 5u);
  EXPECT_FALSE(system.GetUserName().empty());

  Win32NetworkConnections connections;
  EXPECT_EQ(connections.GetDriveType("C:"), static_cast<unsigned>(kDriveFixed));
  std::string remote = "unchanged";
  EXPECT_NE(connections.GetConnection("Q:", remote), ConnectionResult::kDone);
  EXPECT_EQ(remote, "unchanged");
  EXPECT_NE(connections.CancelConnection("Q:", kConnectUpdateProfile, false),
            ConnectionResult::kDone);
}

// The window and the letter move tell these outcomes apart; each Windows
// error number that the WNet functions give has to come to its own.
TEST(SystemServicesTest, WNetErrorsComeToTheirOutcomes) {
  const struct {
    unsigned long error;
    ConnectionResult result;
  } cases[] = {
      {NO_ERROR, ConnectionResult::kDone},
      {ERROR_NOT_CONNECTED, ConnectionResult::kNotConnected},
      {ERROR_CONNECTION_UNAVAIL, ConnectionResult::kUnavailable},
      {ERROR_BAD_NET_NAME, ConnectionResult::kShareNotFound},
      {ERROR_BAD_NETPATH, ConnectionResult::kShareNotFound},
      {ERROR_INVALID_PASSWORD, ConnectionResult::kLoginRefused},
      {ERROR_LOGON_FAILURE, ConnectionResult::kLoginRefused},
      {ERROR_ACCESS_DENIED, ConnectionResult::kLoginRefused},
      {ERROR_SESSION_CREDENTIAL_CONFLICT, ConnectionResult::kOtherCredentialsInUse},
      {ERROR_OPEN_FILES, ConnectionResult::kFilesOpen},
      {ERROR_DEVICE_IN_USE, ConnectionResult::kFilesOpen},
      {ERROR_ALREADY_ASSIGNED, ConnectionResult::kLetterInUse},
      {ERROR_DEVICE_ALREADY_REMEMBERED, ConnectionResult::kLetterInUse},
      {ERROR_BAD_DEVICE, ConnectionResult::kNoSuchLetter},
      {ERROR_NO_NETWORK, ConnectionResult::kFailed},
      {ERROR_EXTENDED_ERROR, ConnectionResult::kFailed},
      {ERROR_NOT_ENOUGH_MEMORY, ConnectionResult::kFailed},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Win32NetworkConnections::ResultOf(c.error), c.result) << c.error;
}

}  // namespace
}  // namespace tessavue::win32
