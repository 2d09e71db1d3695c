// tessavue.exe's main window for a test: the real dialog from template 102,
// run modally as the program runs it, over the demo devices on the in-memory
// network, with the drive letters held in memory (Win32WindowFixture) or any
// other connections, with raw reads of its controls that do not go through
// the program's control wrappers and the clicks of a user. Message boxes are
// shown, read and answered by the dialog driver.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo_devices.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_resolver.h"
#include "memory_segment.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "modal_driver.h"
#include "win32_dialogs.h"

namespace tessavue::win32 {

inline const Ipv4Address kWorkstation{{192, 168, 0, 100}};
// The program's colours: white on blue.
constexpr COLORREF kBlue = RGB(0, 98, 147);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Handles whatever is queued (paints included), a bounded number of times.
inline void Pump() {
  MSG message;
  for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

inline std::string Text(HWND window) {
  char buffer[256] = {};
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

// "a.b.c.d", or "blank" when all four fields are.
inline std::string Dotted(HWND ipControl) {
  if (SendMessageA(ipControl, IPM_ISBLANK, 0, 0)) return "blank";
  DWORD address = 0;
  SendMessageA(ipControl, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
  return std::to_string(FIRST_IPADDRESS(address)) + "." +
         std::to_string(SECOND_IPADDRESS(address)) + "." +
         std::to_string(THIRD_IPADDRESS(address)) + "." + std::to_string(FOURTH_IPADDRESS(address));
}

// Raw reads of the window, independent of the program's control wrappers.
inline std::string ListText(HWND list, int row, int column) {
  char buffer[512] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = sizeof buffer;
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  return buffer;
}

inline int ListRows(HWND list) {
  return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

inline std::vector<std::string> ListColumn(HWND list, int column) {
  std::vector<std::string> texts;
  for (int row = 0; row < ListRows(list); ++row) texts.push_back(ListText(list, row, column));
  return texts;
}

inline std::string ComboText(HWND combo, int index) {
  char buffer[512] = {};
  SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

inline std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) items.push_back(ComboText(combo, i));
  return items;
}

template <typename Connections>
class WindowFixtureOver : public ::testing::Test {
 protected:
  // The transport started over the demo devices; the window is made by Open.
  void SetUp() override {
    InitCommonControlClasses();
    network.SetLocalAddress(kWorkstation);
    for (DeviceSettings& device : DemoDevices(kWorkstation)) segment.AddDevice(device);
    look.SetColors(kBlue, kWhite);
    ASSERT_TRUE(protocol.InitTransport());
  }

  void TearDown() override {
    run.Finish();
    window.reset();
    Pump();
  }

  // The window's modal run, up to the end of its first search; `answers`
  // says what is done with its small dialogs.
  void Open(DialogAnswers answers = {}) {
    driver.answers = std::move(answers);
    window =
        std::make_unique<MainWindow>(GetModuleHandleA(nullptr), protocol, drives,
                                     SystemServices{connections, shell, system, resolver}, look);
    dialog = run.Start(*window);
    ASSERT_NE(dialog, nullptr);
    Pump();
  }
  // The modal run's end, once the window was told to end: the dialog is
  // gone after it.
  void WaitForTheEnd() { run.Finish(); }

  HWND Item(int id) const { return GetDlgItem(dialog, id); }

  // What the list view does on a click: the row becomes the selection, then
  // the parent hears NM_CLICK (device list only).
  void SelectRow(int listId, int row) {
    HWND list = Item(listId);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = row >= 0 ? (LVIS_SELECTED | LVIS_FOCUSED) : 0;
    SendMessageA(list, LVM_SETITEMSTATE, row >= 0 ? row : static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
  }

  void ClickDevice(int row) {
    SelectRow(1000, row);
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = Item(1000);
    click.hdr.idFrom = 1000;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageA(dialog, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&click));
  }

  void Press(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }

  // "Caption: text" of each message box since the last clear.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& box : driver.messageBoxes) texts.push_back(box.caption + ": " + box.text);
    return texts;
  }

  VirtualClock clock;
  MemoryNetwork network{clock};
  SimulatedSegment segment{network};
  Connections connections;
  MemorySystem system;
  MemoryNameResolver resolver = [] {
    MemoryNameResolver r;
    r.names = {"Tessavue-Office", "Tessavue-Media"};
    return r;
  }();
  RecordingShell shell;
  DeviceProtocol protocol{network, clock};
  DriveLetterTable drives{connections};
  DialogLook look;
  DialogDriver driver;
  std::unique_ptr<MainWindow> window;
  ModalRun run;
  HWND dialog = nullptr;
};

using Win32WindowFixture = WindowFixtureOver<MemoryConnections>;

}  // namespace tessavue::win32
