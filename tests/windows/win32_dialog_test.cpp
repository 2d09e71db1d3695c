// The main dialog as tessavue.exe shows it: created from the program's own
// template 102 and driven with the window messages a user's clicks produce,
// over simulated devices on the in-memory network and drive letters held in
// memory. Message boxes are recorded by the host instead of shown.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "connection_reasons.h"
#include "demo_devices.h"
#include "memory_segment.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "wire.h"
#include "win32_clock.h"
#include "win32_dialogs.h"
#include "win32_system.h"
#include "win32_window_fixture.h"

namespace tessavue::win32 {
namespace {

// The window, opened by each test, with the clicks and choices of a user.
class MainWindowTest : public Win32WindowFixture {
 protected:
  // Every demo device's shares can be connected to.
  void SetUp() override {
    Win32WindowFixture::SetUp();
    for (DeviceSettings& device : DemoDevices(kWorkstation)) {
      std::string shares = device.shares;
      std::size_t start = 0;
      while (start <= shares.size()) {
        std::size_t end = shares.find(':', start);
        if (end == std::string::npos) end = shares.size();
        if (end > start) connections.AddShare(device.name, shares.substr(start, end - start));
        start = end + 1;
      }
    }
  }

  void ChooseDhcp(int index) {
    SendMessageA(Item(1015), CB_SETCURSEL, index, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1015, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(1015)));
  }

  void SetAddress(int id, BYTE a, BYTE b, BYTE c, BYTE d) {
    SendMessageA(Item(id), IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
  }
};

TEST_F(MainWindowTest, StartsWithTheDevicesListedAndTheTemplatesLayout) {
  Open();
  EXPECT_EQ(Text(dialog), "Quillon Tessavue");
  EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);

  // The first search has run: one row per device, in order of their replies.
  HWND devices = Item(1000);
  EXPECT_EQ(ListColumn(devices, 0),
            (std::vector<std::string>{"Tessavue-Office", "Tessavue-Media", "Tessavue-Lab"}));
  EXPECT_EQ(ListColumn(devices, 1),
            (std::vector<std::string>{"192.168.0.20", "192.168.0.31", "192.168.1.40"}));
  EXPECT_EQ(ListText(devices, 0, 2), "255.255.255.0");
  EXPECT_EQ(ListText(devices, 2, 3), "192.168.1.1");
  for (int id : {1006, 1010, 1011}) EXPECT_TRUE(SendMessageA(Item(id), IPM_ISBLANK, 0, 0)) << id;

  // Columns, styles and the lists' contents at start.
  char heading[32] = {};
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = heading;
  column.cchTextMax = sizeof heading;
  std::vector<std::string> headings;
  std::vector<int> widths;
  for (int i = 0; SendMessageA(devices, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
       ++i) {
    headings.push_back(heading);
    widths.push_back(column.cx);
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"Name", "IP", "Netmask", "Gateway"}));
  // The widths of the 96-DPI layout, at the window's DPI.
  const int dpi = WindowDpi(dialog);
  EXPECT_EQ(widths, (std::vector<int>{ScaleToDpi(94, dpi), ScaleToDpi(81, dpi), ScaleToDpi(81, dpi),
                                      ScaleToDpi(81, dpi)}));
  SendMessageA(Item(1001), LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
  EXPECT_EQ(std::string(heading), "Location");
  for (int id : {1000, 1001}) {
    EXPECT_EQ(SendMessageA(Item(id), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
    LONG style = GetWindowLongA(Item(id), GWL_STYLE);
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
  }
  EXPECT_EQ(ComboItems(Item(1015)), (std::vector<std::string>{"Disabled", "Enabled"}));
  // A: removable, C: fixed, A: to C: never listed: D: to Z: remain, D: first.
  std::vector<std::string> drivesListed = ComboItems(Item(1013));
  ASSERT_EQ(drivesListed.size(), 23u);
  EXPECT_EQ(drivesListed.front(), "D:");
  EXPECT_EQ(SendMessageA(Item(1013), CB_GETCURSEL, 0, 0), 0);

  // Controls at the template's places, in dialog units.
  struct Place {
    int id, x, y, w, h;
  };
  for (Place p :
       {Place{1000, 8, 13, 216, 53}, Place{1002, 228, 32, 45, 14}, Place{1008, 228, 51, 45, 14},
        Place{1006, 55, 83, 100, 13}, Place{1007, 222, 114, 50, 14}, Place{1001, 8, 152, 164, 51},
        Place{1003, 182, 187, 43, 14}, Place{1004, 230, 187, 43, 14}, Place{1009, 234, 213, 43, 15},
        Place{1021, 4, 213, 45, 15}}) {
    // The dialog manager converts position and size each on its own.
    RECT expected{p.x, p.y, p.w, p.h};
    MapDialogRect(dialog, &expected);
    expected.right += expected.left;
    expected.bottom += expected.top;
    RECT actual{};
    GetWindowRect(Item(p.id), &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left) << p.id;
    EXPECT_EQ(actual.top, expected.top) << p.id;
    EXPECT_EQ(actual.right, expected.right) << p.id;
    EXPECT_EQ(actual.bottom, expected.bottom) << p.id;
  }
  RECT client{}, size{0, 0, 281, 231};
  GetClientRect(dialog, &client);
  MapDialogRect(dialog, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  // The system menu carries the About entry with command 16, then the
  // search at an address and the forgetting of the addresses searched.
  HMENU menu = GetSystemMenu(dialog, FALSE);
  int about = GetMenuItemCount(menu) - 3;
  char entry[64] = {};
  GetMenuStringA(menu, about, entry, sizeof entry, MF_BYPOSITION);
  EXPECT_EQ(std::string(entry), "About Dorvel(&A)...");
  EXPECT_EQ(GetMenuItemID(menu, about), 0x0010u);
  EXPECT_EQ(GetMenuState(menu, about - 1, MF_BYPOSITION) & MF_SEPARATOR, UINT{MF_SEPARATOR});
  // The program's icon, for the task switcher and the title.
  const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIdrMainIcon));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(icon));
  EXPECT_EQ(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
}

TEST_F(MainWindowTest, TheWindowIsUpBeforeItsFirstSearch) {
  // On screen: drive list filled, nothing asked of the network yet.
  bool shown = false;
  int drives = 0, rows = -1, searches = -1;
  DialogAnswers answers;
  answers.mainShown = [&](HWND main) {
    shown = IsWindowVisible(main) != FALSE;
    drives = static_cast<int>(SendMessageA(GetDlgItem(main, 1013), CB_GETCOUNT, 0, 0));
    rows = ListRows(GetDlgItem(main, 1000));
    searches = segment.device(0).counters().searches;
  };
  Open(answers);
  EXPECT_TRUE(shown);
  EXPECT_GT(drives, 0);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(searches, 0);
  // The search followed from the window's own queue.
  EXPECT_EQ(segment.device(0).counters().searches, 3);
  EXPECT_EQ(ListRows(Item(1000)), 3);
  EXPECT_TRUE(IsWindowEnabled(Item(1002)));
}

TEST_F(MainWindowTest, ADeviceClickFillsTheLanFieldsAndTheShareList) {
  Open();
  ClickDevice(1);  // Tessavue-Media, on DHCP
  EXPECT_EQ(Dotted(Item(1006)), "192.168.0.31");
  EXPECT_EQ(Dotted(Item(1010)), "255.255.255.0");
  EXPECT_EQ(Dotted(Item(1011)), "192.168.0.1");
  EXPECT_EQ(SendMessageA(Item(1015), CB_GETCURSEL, 0, 0), 1);
  for (int id : {1006, 1010, 1011}) EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
  EXPECT_EQ(ListColumn(Item(1001), 0), (std::vector<std::string>{"music", "video", "photos"}));
  EXPECT_EQ(std::string(protocol.selectedDeviceIp()), "192.168.0.31");

  // "Disabled" chosen by hand gives the address fields back.
  ChooseDhcp(0);
  for (int id : {1006, 1010, 1011}) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;

  // A device on another subnet: no Connect, Disconnect or Configuration.
  ClickDevice(2);
  for (int id : {1003, 1004, 1008}) EXPECT_FALSE(IsWindowEnabled(Item(id))) << id;
  EXPECT_TRUE(IsWindowEnabled(Item(1007)));
  EXPECT_EQ(ListColumn(Item(1001), 0), (std::vector<std::string>{"archive"}));

  ClickDevice(0);
  for (int id : {1003, 1004, 1008}) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  EXPECT_EQ(SendMessageA(Item(1015), CB_GETCURSEL, 0, 0), 0);
  // A repaint keeps the share list of the selected device (and its drive letters).
  connections.MapOutside('G', "\\\\TESSAVUE-OFFICE\\Scans");
  InvalidateRect(dialog, nullptr, TRUE);
  UpdateWindow(dialog);
  EXPECT_EQ(ListColumn(Item(1001), 0), (std::vector<std::string>{"public", "backup", "scans"}));
  EXPECT_EQ(ListColumn(Item(1001), 1), (std::vector<std::string>{"", "", "G:"}));
  EXPECT_TRUE(driver.messageBoxes.empty());
}

TEST_F(MainWindowTest, ApplyChecksTheFieldsAndLogsInThroughTheLoginDialog) {
  std::vector<std::string> loginSeen;
  bool cancelLogin = false;
  DialogAnswers options;
  options.login = [&](HWND login) {
    HWND user = GetDlgItem(login, 1016);
    HWND password = GetDlgItem(login, 1017);
    loginSeen.push_back(Text(login) + "|" + Text(user) + "|" +
                        (IsWindowEnabled(user) ? "enabled" : "disabled") + "|" +
                        std::to_string(SendMessageA(password, EM_GETLIMITTEXT, 0, 0)) + "|" +
                        ((GetWindowLongA(password, GWL_STYLE) & ES_PASSWORD) ? "hidden" : "shown"));
    // Typed as a user would: one character at a time.
    for (char c : std::string("tessavue")) SendMessageA(password, WM_CHAR, c, 1);
    int button = cancelLogin ? IDCANCEL : IDOK;
    PostMessageA(login, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(login, button)));
  };
  Open(options);

  Press(1007);  // nothing selected yet
  ClickDevice(0);
  SendMessageA(Item(1006), IPM_CLEARADDRESS, 0, 0);
  Press(1007);
  SetAddress(1006, 192, 168, 0, 10);
  SetAddress(1010, 255, 255, 255, 0);
  SetAddress(1011, 192, 168, 1, 1);
  Press(1007);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Error: You should select a server to modify IP!",
                                                  "Warnning: Please input IP address!",
                                                  "Warnning: Gateway address input error!"}));
  EXPECT_TRUE(loginSeen.empty());
  EXPECT_EQ(std::string(protocol.newGateway()), "192.168.1.1");

  // The media device refuses the default password: the dialog asks for it,
  // with the administrator's name fixed.
  driver.messageBoxes.clear();
  ClickDevice(1);
  Press(1007);
  ASSERT_EQ(loginSeen.size(), 1u);
  EXPECT_EQ(loginSeen[0], "Login|qewro|disabled|16|hidden");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Confirm: Set to dhcp client done!"}));
  // The refresh after the change: rows anew, the address fields cleared.
  EXPECT_EQ(ListRows(Item(1000)), 3);
  EXPECT_TRUE(SendMessageA(Item(1006), IPM_ISBLANK, 0, 0));

  // Cancelled, the second login goes with the defaults and is refused.
  driver.messageBoxes.clear();
  cancelLogin = true;
  ClickDevice(1);
  Press(1007);
  EXPECT_EQ(loginSeen.size(), 2u);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Error: Wrong administrator password input!"}));

  // The office device takes the default password: a fixed address, no dialog.
  driver.messageBoxes.clear();
  ClickDevice(0);
  SetAddress(1006, 192, 168, 0, 21);
  SetAddress(1011, 192, 168, 0, 254);
  Press(1007);
  EXPECT_EQ(loginSeen.size(), 2u);
  EXPECT_TRUE(driver.messageBoxes.empty());
  EXPECT_EQ(ListText(Item(1000), 0, 1), "192.168.0.21");
  EXPECT_EQ(ListText(Item(1000), 0, 3), "192.168.0.254");
}

TEST_F(MainWindowTest, TheLoginDialogKeepsSixteenCharacters) {
  system.SetVersion(2, 4, 0, 1381);  // Windows NT 4: Connect asks first
  DialogAnswers options;
  std::string colours;
  options.login = [&](HWND login) {
    HWND user = GetDlgItem(login, 1016);
    HWND password = GetDlgItem(login, 1017);
    EXPECT_TRUE(IsWindowEnabled(user));
    for (char c : std::string("abcdefghijklmnopqrstu")) SendMessageA(user, WM_CHAR, c, 1);
    for (char c : std::string("0123456789ABCDEFGHIJ")) SendMessageA(password, WM_CHAR, c, 1);
    // The login dialog is drawn in the program's colours too.
    HDC dc = CreateCompatibleDC(nullptr);
    HWND label = GetWindow(login, GW_CHILD);  // "User name :"
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        login, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
    LOGBRUSH logBrush{};
    GetObjectA(brush, sizeof logBrush, &logBrush);
    colours = std::to_string(GetTextColor(dc)) + "/" + std::to_string(logBrush.lbColor);
    DeleteDC(dc);
    PostMessageA(login, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(login, IDOK)));
  };
  Open(options);
  ClickDevice(0);
  SelectRow(1001, 0);
  Press(1003);
  EXPECT_EQ(connections.lastUserName, "abcdefghijklmnop");
  EXPECT_EQ(connections.lastPassword, "0123456789ABCDEF");
  EXPECT_EQ(colours, std::to_string(kWhite) + "/" + std::to_string(kBlue));
}

TEST_F(MainWindowTest, ConnectAndDisconnectMapTheSelectedShare) {
  Open();
  ClickDevice(0);
  Press(1003);                                   // no share selected
  SelectRow(1001, 1);                            // "backup"
  SendMessageA(Item(1013), CB_SETCURSEL, 1, 0);  // "E:"
  Press(1003);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Warnning: You should select a samba server disk to mount!",
                                      "Confirm: Mount Disk OK!"}));
  EXPECT_EQ(connections.Connection('E').value_or(""), "\\\\Tessavue-Office\\backup");
  EXPECT_EQ(ListColumn(Item(1001), 1), (std::vector<std::string>{"", "E:", ""}));
  EXPECT_EQ(ComboText(Item(1013), 1), "E: \\\\Tessavue-Office\\backup");
  EXPECT_EQ(SendMessageA(Item(1013), CB_GETCURSEL, 0, 0), 0);  // D: is still free

  // Disconnect takes the letter from the selected share's "Location".
  driver.messageBoxes.clear();
  SelectRow(1001, 1);
  SendMessageA(Item(1013), CB_SETCURSEL, 0, 0);
  Press(1004);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Confirm: Umount Disk OK!"}));
  EXPECT_FALSE(connections.Connection('E').has_value());
  EXPECT_EQ(ListColumn(Item(1001), 1), (std::vector<std::string>{"", "", ""}));

  // A selected share that is not mapped: the three-line failure.
  driver.messageBoxes.clear();
  SelectRow(1001, 0);
  Press(1004);
  ASSERT_EQ(driver.messageBoxes.size(), 1u);
  EXPECT_EQ(driver.messageBoxes[0].text,
            std::string("Umount Disk Fail!\nPlease checked if you had selected a drive to "
                        "un-mount,\nor any file opened on selected drive that did not close.\n") +
                DisconnectFailureReason(ConnectionResult::kNotConnected));
  EXPECT_EQ(driver.messageBoxes[0].icon, MessageIcon::Stop);
}

TEST_F(MainWindowTest, ConfigurationOpensTheSelectedDevicesPage) {
  Open();
  Press(1008);
  ClickDevice(1);
  Press(1008);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"Warnning: You should select a sever to connect."}));
  EXPECT_EQ(shell.openedUrls, (std::vector<std::string>{"http://192.168.0.31"}));
  EXPECT_EQ(driver.messageBoxes[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(Win32Shell::CommandLine("http://192.168.0.31"), "explorer http://192.168.0.31");
  EXPECT_EQ(Win32Shell::CommandLine("http://" + std::string(200, '9')).size(), 127u);
}

TEST_F(MainWindowTest, AboutBoxFromTheButtonAndTheSystemMenu) {
  std::vector<std::string> seen;
  DialogAnswers options;
  options.about = [&](HWND about) {
    HWND icon = GetWindow(about, GW_CHILD);
    std::string texts = Text(about) + "|" + Text(GetWindow(icon, GW_HWNDNEXT)) + "|" +
                        Text(GetDlgItem(about, IDOK));
    texts += SendMessageA(icon, STM_GETICON, 0, 0) ? "|icon" : "|no icon";
    // The main window waits, disabled, while the box is up.
    texts += IsWindowEnabled(GetWindow(about, GW_OWNER)) ? "|owner enabled" : "|owner disabled";
    seen.push_back(texts);
    PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(about, IDOK)));
  };
  Open(options);
  Press(1021);
  SendMessageA(dialog, WM_SYSCOMMAND, 0x0010, 0);
  SendMessageA(dialog, WM_SYSCOMMAND, 0x0013, 0);  // the low four bits do not count
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "Quillon Tessavue|Network Dorvel|OK|icon|owner disabled");
  EXPECT_EQ(seen[2], seen[0]);
  EXPECT_TRUE(IsWindowEnabled(dialog));
}

TEST_F(MainWindowTest, SearchAtAddressFromTheSystemMenuFindsADeviceBehindARouter) {
  // A device that the group never reaches and that answers what is sent to
  // its own address.
  SimulatedSegment beyond(network, 0, SegmentPlace::kBehindRouter);
  DeviceSettings remote;
  remote.name = "Far-Box";
  remote.ip = Ipv4Address{{10, 9, 0, 30}};
  remote.netmask = Ipv4Address{{255, 255, 255, 0}};
  remote.gateway = Ipv4Address{{10, 9, 0, 1}};
  remote.shares = "archive:photos";
  remote.serial = {0xfa, 0x12, 0, 0, 0, 1};
  beyond.AddDevice(remote);

  std::vector<std::string> seen;
  std::size_t boxesBefore = 0;
  int pressed = 0;
  DialogAnswers options;
  options.searchAddress = [&](HWND box) {
    HWND field = GetDlgItem(box, 1022);
    auto ok = [&] {
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    };
    // In front again after the refusal's warning: the second subnet.
    if (pressed++ > 0) {
      SendMessageA(field, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 9, 0, 0));
      ok();
      return;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    LOGBRUSH brush{};
    GetObjectA(
        reinterpret_cast<HBRUSH>(SendMessageA(box, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(box))),
        sizeof brush, &brush);
    DeleteDC(dc);
    seen.push_back(Text(box) + "|" + Text(GetDlgItem(box, IDOK)) + "|" +
                   Text(GetDlgItem(box, IDCANCEL)) + (brush.lbColor == kBlue ? "|blue" : "|other"));
    boxesBefore = driver.messageBoxes.size();
    // The subnet's prefix beside the address. A refused subnet first: the
    // dialog stays for the second.
    SetWindowTextA(GetDlgItem(box, 1024), "24");
    SendMessageA(field, IPM_SETADDRESS, 0, MAKEIPADDRESS(224, 0, 0, 0));
    ok();
  };
  Open(options);
  ASSERT_EQ(ListRows(Item(1000)), 3);

  HMENU menu = GetSystemMenu(dialog, FALSE);
  ASSERT_NE(menu, nullptr);
  const int count = GetMenuItemCount(menu);
  ASSERT_GE(count, 3);
  char entry[64] = {};
  GetMenuStringA(menu, count - 2, entry, sizeof entry, MF_BYPOSITION);
  EXPECT_STREQ(entry, "Search at address...");
  GetMenuStringA(menu, count - 1, entry, sizeof entry, MF_BYPOSITION);
  EXPECT_STREQ(entry, "Forget searched addresses");
  EXPECT_EQ(GetMenuItemID(menu, count - 1), 0x0030u);
  EXPECT_EQ(GetMenuItemID(menu, count - 2), 0x0020u);
  EXPECT_EQ(GetMenuItemID(menu, count - 3), 0x0010u);

  SendMessageA(dialog, WM_SYSCOMMAND, 0x0020, 0);
  Pump();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(pressed, 2);
  EXPECT_EQ(seen[0], "Search at address|OK|Cancel|blue");
  ASSERT_EQ(driver.messageBoxes.size(), boxesBefore + 1);
  EXPECT_EQ(driver.messageBoxes.back().caption, "Warnning");
  EXPECT_EQ(driver.messageBoxes.back().icon, MessageIcon::Exclamation);
  EXPECT_NE(driver.messageBoxes.back().text.find("multicast"), std::string::npos);

  const std::vector<std::string> ips = ListColumn(Item(1000), 1);
  int row = -1;
  for (std::size_t i = 0; i < ips.size(); ++i)
    if (ips[i] == "10.9.0.30") row = static_cast<int>(i);
  ASSERT_GE(row, 0) << ListRows(Item(1000));
  EXPECT_EQ(ListText(Item(1000), row, 0), "Far-Box");
  ClickDevice(row);
  EXPECT_EQ(ListColumn(Item(1001), 0), (std::vector<std::string>{"archive", "photos"}));
  for (int id : {1003, 1004, 1008}) EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
  EXPECT_TRUE(IsWindowEnabled(dialog));
}

TEST_F(MainWindowTest, TheDialogIsDrawnInTheProgramsColours) {
  Open();
  HDC dc = CreateCompatibleDC(nullptr);
  auto brushColour = [](LRESULT brush) -> COLORREF {
    LOGBRUSH logBrush{};
    if (!GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof logBrush, &logBrush))
      return CLR_INVALID;
    return logBrush.lbColor;
  };
  EXPECT_EQ(brushColour(SendMessageA(dialog, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(dialog))),
            kBlue);
  // Every static text and group box: white on blue.
  int statics = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) != -1 && GetDlgCtrlID(child) != 0xFFFF) continue;
    SetTextColor(dc, RGB(1, 2, 3));
    LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(child));
    EXPECT_EQ(brushColour(brush), kBlue) << Text(child);
    EXPECT_EQ(GetTextColor(dc), kWhite) << Text(child);
    EXPECT_EQ(GetBkColor(dc), kBlue) << Text(child);
    ++statics;
  }
  EXPECT_EQ(statics, 8);  // three group boxes and five labels
  DeleteDC(dc);
}

TEST_F(MainWindowTest, ExitShutsTheTransportDownAndEndsTheDialog) {
  Open();
  ASSERT_TRUE(network.IsOpen());
  Press(1009);
  EXPECT_FALSE(IsWindowVisible(dialog));
  WaitForTheEnd();
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(network.IsOpen());
  EXPECT_FALSE(protocol.TransportStarted());
  EXPECT_EQ(network.cleanups(), 1);
}

TEST_F(MainWindowTest, EscapeEndsTheDialogToo) {
  Open();
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindowVisible(dialog));
  WaitForTheEnd();
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(network.IsOpen());
}

// --- the window during waits, in real time ---

// Thread timers: they run while the window waits, as paint and system
// messages do, and do what the test has to do then.
std::map<UINT_PTR, std::function<void()>> gTimers;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto found = gTimers.find(id);
  if (found == gTimers.end()) return;
  std::function<void()> action = std::move(found->second);
  gTimers.erase(found);
  action();
}

void After(UINT milliseconds, std::function<void()> action) {
  UINT_PTR id = SetTimer(nullptr, 0, milliseconds, OnTimer);
  ASSERT_NE(id, 0u);
  gTimers[id] = std::move(action);
}

// What one look at the window during a wait found.
struct WaitLook {
  bool taken = false;
  bool disabled = false;
  bool waitCursor = false;
  bool repainted = false;
  bool stillThere = false;
  std::string address;
};

class WaitingWindowTest : public MainWindowTest {
 protected:
  void TearDown() override {
    for (auto& timer : gTimers) KillTimer(nullptr, timer.first);
    gTimers.clear();
    network.SetPacing(nullptr);
    MainWindowTest::TearDown();
  }
  // `ms` into the wait that follows: every way a user has into the window
  // (a click on Refresh, a key in each address field, Escape, the close box),
  // and a repaint asked for; 300 ms later a look at what came of it.
  void LookDuringTheWait(UINT ms, WaitLook& look) {
    After(ms, [this, &look] {
      HWND refresh = Item(1002);
      PostMessageA(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
      PostMessageA(refresh, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      for (HWND field = GetWindow(Item(1006), GW_CHILD); field;
           field = GetWindow(field, GW_HWNDNEXT)) {
        PostMessageA(field, WM_KEYDOWN, '7', 1);
        PostMessageA(field, WM_CHAR, '7', 1);
      }
      PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
      InvalidateRect(dialog, nullptr, TRUE);
      InvalidateRect(Item(1000), nullptr, TRUE);
      After(300, [this, &look] {
        look.taken = true;
        look.stillThere = IsWindow(dialog) && IsWindowVisible(dialog);
        look.disabled = !IsWindowEnabled(dialog);
        look.waitCursor = GetCursor() == LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
        look.repainted =
            !GetUpdateRect(dialog, nullptr, FALSE) && !GetUpdateRect(Item(1000), nullptr, FALSE);
        look.address = Dotted(Item(1006));
      });
    });
  }

  Win32Clock realTime;
};

TEST_F(WaitingWindowTest, TheWindowPaintsAndTakesNoInputWhileASearchAndALateChangeRun) {
  Open();
  ClickDevice(0);
  SetAddress(1006, 192, 168, 0, 77);
  const int shareQueries = segment.device(0).counters().shareQueries;
  // From here on the network takes real time; the device confirms a change
  // 2 s after taking it.
  network.SetPacing(&realTime);
  network.HoldBack(wire::kSetReply, 2'000'000);

  WaitLook duringSearch;
  LookDuringTheWait(300, duringSearch);
  DWORD start = GetTickCount();
  Press(1002);
  EXPECT_GE(GetTickCount() - start, 1000u);
  ASSERT_TRUE(duringSearch.taken);
  EXPECT_TRUE(duringSearch.stillThere);
  EXPECT_TRUE(duringSearch.disabled);
  EXPECT_TRUE(duringSearch.waitCursor);
  EXPECT_TRUE(duringSearch.repainted);
  EXPECT_TRUE(IsWindowEnabled(dialog));
  ASSERT_EQ(ListRows(Item(1000)), 3);

  ClickDevice(0);
  SetAddress(1006, 192, 168, 0, 77);
  const int searches = segment.device(0).counters().searches;
  WaitLook duringChange;
  LookDuringTheWait(700, duringChange);
  start = GetTickCount();
  Press(1007);
  EXPECT_GE(GetTickCount() - start, 2000u);
  ASSERT_TRUE(duringChange.taken);
  EXPECT_TRUE(duringChange.stillThere);
  EXPECT_TRUE(duringChange.disabled);
  EXPECT_TRUE(duringChange.waitCursor);
  EXPECT_TRUE(duringChange.repainted);
  EXPECT_EQ(duringChange.address, "192.168.0.77");  // the keys did not reach the fields

  // The change went through and was followed by one search only: the click
  // on Refresh during the wait started nothing.
  EXPECT_TRUE(driver.messageBoxes.empty());
  EXPECT_EQ(ListText(Item(1000), 0, 1), "192.168.0.77");
  EXPECT_EQ(segment.device(0).counters().searches, searches + 3);
  EXPECT_EQ(segment.device(0).counters().shareQueries, shareQueries + 1);
  EXPECT_TRUE(IsWindowEnabled(dialog));
  EXPECT_NE(GetCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  Pump();
  EXPECT_TRUE(IsWindow(dialog));
}

// Pixels of row `row` of a list view that differ from the list's
// background: the row's text, once it has been painted.
int InkInRow(HWND list, int row) {
  RECT rect{};
  rect.left = LVIR_BOUNDS;
  if (!SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) return -1;
  RECT client{};
  GetClientRect(list, &client);
  IntersectRect(&rect, &rect, &client);
  const COLORREF background = static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0));
  HDC dc = GetDC(list);
  int ink = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (GetPixel(dc, x, y) != background) ++ink;
  ReleaseDC(list, dc);
  return ink;
}

TEST_F(WaitingWindowTest, RowsAreListedAndPaintedWhileTheSearchRuns) {
  Open();
  DeviceSettings late = segment.device(0).settings();
  late.name = "Tessavue-Late";
  late.ip = Ipv4Address{{192, 168, 0, 50}};
  late.serial[5] ^= 0x5A;
  late.replyDelayMicros = 500'000;
  segment.AddDevice(late);
  network.SetPacing(&realTime);

  // 250 ms into the search the three devices that answer at once are listed
  // and painted; the late one is not yet. At 800 ms it is, and the search is
  // still running.
  struct {
    bool taken = false;
    bool disabled = false;
    bool refreshDisabled = false;
    int rows = -1;
    bool painted = false;
    int ink = -1;
    int inkBelow = -1;
  } early, later;
  After(250, [&] {
    HWND list = Item(1000);
    early.taken = true;
    early.disabled = !IsWindowEnabled(dialog);
    early.refreshDisabled = !IsWindowEnabled(Item(1002));
    early.rows = ListRows(list);
    early.painted = !GetUpdateRect(list, nullptr, FALSE);
    early.ink = InkInRow(list, 0);
  });
  After(800, [&] {
    HWND list = Item(1000);
    later.taken = true;
    later.disabled = !IsWindowEnabled(dialog);
    later.rows = ListRows(list);
    later.painted = !GetUpdateRect(list, nullptr, FALSE);
    later.ink = InkInRow(list, 3);
  });
  DWORD start = GetTickCount();
  Press(1002);
  EXPECT_GE(GetTickCount() - start, 1000u);

  ASSERT_TRUE(early.taken && later.taken);
  EXPECT_TRUE(early.disabled);
  EXPECT_TRUE(early.refreshDisabled);
  EXPECT_EQ(early.rows, 3);
  EXPECT_TRUE(early.painted);
  EXPECT_GT(early.ink, 20);
  EXPECT_TRUE(later.disabled);
  EXPECT_EQ(later.rows, 4);
  EXPECT_TRUE(later.painted);
  EXPECT_GT(later.ink, 20);

  EXPECT_EQ(ListColumn(Item(1000), 0),
            (std::vector<std::string>{"Tessavue-Office", "Tessavue-Media", "Tessavue-Lab",
                                      "Tessavue-Late"}));
  EXPECT_TRUE(IsWindowEnabled(Item(1002)));
}

TEST_F(MainWindowTest, AThousandRowsAddedDuringTheSearchEndAsTheDeviceList) {
  Open();
  // 1000 more devices, each answering within 60 ms of each request, behind a
  // receive buffer of 256 datagrams.
  std::deque<DeviceSettings> many =
      GenerateDevices(1000, Ipv4Address{{192, 168, 4, 1}}, Ipv4Address{{255, 255, 0, 0}},
                      Ipv4Address{{192, 168, 0, 1}});
  for (std::size_t i = 0; i < many.size(); ++i) {
    many[i].replyDelayMicros = static_cast<std::int64_t>(i) * 60;
    segment.AddDevice(many[i]);
  }
  network.SetReceiveBufferLimit(256);
  Press(1002);

  EXPECT_EQ(network.dropped(), 0u);
  ASSERT_EQ(ListRows(Item(1000)), 1003);
  int row = 0;
  for (const DeviceRecord& d : protocol.deviceList()) {
    ASSERT_EQ(ListText(Item(1000), row, 0), d.name) << row;
    ASSERT_EQ(ListText(Item(1000), row, 1), d.ip) << row;
    ++row;
  }
  EXPECT_EQ(ListText(Item(1000), 1002, 1), "192.168.7.232");
  EXPECT_TRUE(IsWindowEnabled(Item(1002)));
}

TEST_F(MainWindowTest, AnUnconfirmedStaticChangeIsReported) {
  Open();
  ClickDevice(0);
  SetAddress(1006, 192, 168, 0, 78);
  network.HoldBack(wire::kSetReply, 60'000'000);
  Press(1007);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Error: Set static IP fail"}));
  EXPECT_EQ(driver.messageBoxes[0].icon, MessageIcon::Stop);
  EXPECT_EQ(Dotted(Item(1006)), "192.168.0.78");
  EXPECT_EQ(ListText(Item(1000), 0, 1), "192.168.0.20");
}

// Minimised, the window's paint draws its icon centred in the client area
// (the odd pixel to the right and below).
TEST(MinimisedIconTest, TheIconIsCentredInTheClientArea) {
  int x = 0, y = 0;
  CenteredIconOrigin(101, 50, 32, 32, x, y);
  EXPECT_EQ(x, 35);
  EXPECT_EQ(y, 9);
  CenteredIconOrigin(16, 16, 32, 32, x, y);
  EXPECT_EQ(x, -7);
  EXPECT_EQ(y, -7);
}

}  // namespace
}  // namespace tessavue::win32
