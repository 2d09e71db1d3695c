// tessavue.exe's main window without a mouse and through a screen reader's
// eyes: keys sent to the real list view of template 102, the tab order, and
// the names the accessibility layer (oleacc) gives the controls.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "demo_devices.h"
#include "memory_connections.h"
#include "memory_network.h"
#include "memory_segment.h"
#include "memory_system.h"
#include "virtual_clock.h"
#include "win32_dialogs.h"
#include "win32_window_fixture.h"
// After the program's headers, which keep the A/W renaming macros away from
// the interfaces' member names.
#include <oleacc.h>
#undef MessageBox

namespace tessavue::win32 {
namespace {

// The window's messages, timers among them, for `millis` of real time.
void PumpFor(DWORD millis) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < millis) {
    Pump();
    Sleep(5);
  }
  Pump();
}

class KeyboardWindowTest : public Win32WindowFixture {
 protected:
  void SetUp() override {
    Win32WindowFixture::SetUp();
    Open();
  }

  int SelectedRow() {
    return static_cast<int>(
        SendMessageA(Item(1000), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  // A key pressed and let go in the device list, as the keyboard's messages
  // reach it.
  void Key(WPARAM vk) {
    SendMessageA(Item(1000), WM_KEYDOWN, vk, 1);
    SendMessageA(Item(1000), WM_KEYUP, vk, 0xC0000001);
  }
  void Type(const std::string& text) {
    for (char c : text) SendMessageA(Item(1000), WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  int ShareQueries(int device) { return segment.device(device).counters().shareQueries; }
  int AllShareQueries() { return ShareQueries(0) + ShareQueries(1) + ShareQueries(2); }
  // Well past the settle time.
  static void Settle() { PumpFor(kSelectionSettleMillis + 350); }
};

TEST_F(KeyboardWindowTest, KeysInTheDeviceListShowTheSettledRow) {
  SetFocus(Item(1000));
  Key(VK_DOWN);
  ASSERT_EQ(SelectedRow(), 0);
  EXPECT_EQ(Dotted(Item(1006)), "blank");
  EXPECT_EQ(AllShareQueries(), 0);
  Settle();
  EXPECT_EQ(Dotted(Item(1006)), "192.168.0.20");
  EXPECT_EQ(Dotted(Item(1011)), "192.168.0.1");
  EXPECT_EQ(SendMessageA(Item(1001), LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(ShareQueries(0), 1);
  EXPECT_EQ(GetFocus(), Item(1000));

  Key(VK_END);
  Settle();
  EXPECT_EQ(Dotted(Item(1006)), "192.168.1.40");
  EXPECT_FALSE(IsWindowEnabled(Item(1003)));

  // A burst: Home and Down in quick succession ask only for the last row.
  Key(VK_HOME);
  Key(VK_DOWN);
  Settle();
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(Dotted(Item(1006)), "192.168.0.31");
  EXPECT_FALSE(IsWindowEnabled(Item(1006)));  // a DHCP device
  EXPECT_EQ(ShareQueries(0), 1);
  EXPECT_EQ(ShareQueries(1), 1);

  // Typing the first letters of a name.
  Type("tessavue-o");
  Settle();
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_EQ(Dotted(Item(1006)), "192.168.0.20");
  EXPECT_EQ(ShareQueries(0), 2);
  EXPECT_EQ(ShareQueries(2), 1);
  EXPECT_TRUE(driver.messageBoxes.empty());
}

TEST_F(KeyboardWindowTest, AClickIsShownAtOnceAndOnce) {
  // The list's own click: selection, then NM_CLICK.
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(Item(1000), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  NMITEMACTIVATE click{};
  click.hdr.hwndFrom = Item(1000);
  click.hdr.idFrom = 1000;
  click.hdr.code = NM_CLICK;
  click.iItem = 2;
  SendMessageA(dialog, WM_NOTIFY, 1000, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(Dotted(Item(1006)), "192.168.1.40");
  EXPECT_EQ(ShareQueries(2), 1);
  Settle();
  EXPECT_EQ(ShareQueries(2), 1);
  EXPECT_EQ(AllShareQueries(), 1);
}

TEST_F(KeyboardWindowTest, TabVisitsTheControlsInTheTemplatesOrder) {
  const std::vector<int> expected{1000, 1002, 1008, 1006, 1010, 1011, 1007,
                                  1001, 1003, 1004, 1009, 1013, 1015, 1021};
  std::vector<int> visited;
  HWND at = Item(1000);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    visited.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(dialog, at, FALSE);
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(at, Item(1000));  // and round again
}

// What a screen reader reads for a control: its accessible object's name.
std::string AccessibleName(HWND control) {
  IAccessible* accessible = nullptr;
  // {618736E0-3C3D-11CF-810C-00AA00389B71}, spelt out: the import library's
  // copy is not found by every MinGW release.
  static const IID kIAccessible = {
      0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
  HRESULT found = AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             kIAccessible, reinterpret_cast<void**>(&accessible));
  if (FAILED(found) || !accessible) {
    char text[48];
    std::snprintf(text, sizeof text, "<no object: 0x%08lx>", static_cast<unsigned long>(found));
    return text;
  }
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  HRESULT result = accessible->get_accName(self, &name);
  accessible->Release();
  if (result != S_OK || !name) return "<no name>";
  std::string out;
  for (const wchar_t* c = name; *c; ++c) out += static_cast<char>(*c);
  SysFreeString(name);
  return out;
}

TEST_F(KeyboardWindowTest, EveryControlIsNamedByItsLabel) {
  struct Named {
    int id;
    const char* name;
  };
  const std::vector<Named> labelled{{1006, "I P :"},
                                    {1010, "Netmask :"},
                                    {1011, "Gateway :"},
                                    {1015, "DHCP Client :"},
                                    {1013, "Network Drive :"}};
  // The template puts each label just before its control, as the
  // accessibility layer of Windows looks for it.
  for (const Named& n : labelled) {
    HWND label = GetWindow(Item(n.id), GW_HWNDPREV);
    char className[16] = {};
    GetClassNameA(label, className, sizeof className);
    EXPECT_STREQ(className, "Static") << n.id;
    EXPECT_EQ(Text(label), n.name) << n.id;
  }
  // Named by what they carry themselves: the list views (a text they do not
  // show) and the buttons (their captions). These Wine's oleacc reads too.
  const std::vector<Named> own{{1000, "Server"},        {1001, "Link Info"}, {1002, "Refresh"},
                               {1008, "Configuration"}, {1007, "Apply"},     {1003, "Connect"},
                               {1004, "Disconnect"},    {1009, "Exit"},      {1021, "About"}};
  CoInitialize(nullptr);
  for (const Named& n : own) EXPECT_EQ(AccessibleName(Item(n.id)), n.name) << n.id;
  // The fields and drop-down lists by their labels, never by what they hold
  // (an address, the chosen item), whatever the system's oleacc would make
  // of them.
  SendMessageA(Item(1006), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 0, 20));
  ASSERT_GT(SendMessageA(Item(1013), CB_GETCOUNT, 0, 0), 0);
  SendMessageA(Item(1013), CB_SETCURSEL, 0, 0);
  SendMessageA(Item(1015), CB_SETCURSEL, 1, 0);
  for (const Named& n : labelled) EXPECT_EQ(AccessibleName(Item(n.id)), n.name) << n.id;
  CoUninitialize();
}

// The manifest as the system reads it from the program's resources: the
// test program carries the same manifest resource as tessavue.exe.
std::string ManifestSetting(const wchar_t* space, const wchar_t* name) {
  wchar_t value[128] = {};
  SIZE_T written = 0;
  using QuerySettings =
      BOOL(WINAPI*)(DWORD, HANDLE, const wchar_t*, const wchar_t*, wchar_t*, SIZE_T, SIZE_T*);
  auto query = reinterpret_cast<QuerySettings>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
  if (!query) return "<no QueryActCtxSettingsW>";
  if (!query(0, nullptr, space, name, value, 128, &written)) return "<not set>";
  std::string out;
  for (const wchar_t* c = value; *c; ++c) out += static_cast<char>(*c);
  return out;
}

TEST(DpiAwareness, TheManifestAsksForPerMonitorV2ThenSystemAwareness) {
  EXPECT_EQ(
      ManifestSetting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
      "PerMonitorV2, system");
  // What Windows before 10 1607 reads: system-aware.
  EXPECT_EQ(ManifestSetting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
            "true");
  // And the process got it: its windows are not stretched by the system.
  using GetContext = HANDLE(WINAPI*)();
  using GetAwareness = int(WINAPI*)(HANDLE);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto context = reinterpret_cast<GetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  auto awareness = reinterpret_cast<GetAwareness>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_TRUE(context && awareness) << "this system predates per-monitor DPI";
  EXPECT_EQ(awareness(context()), 2);  // DPI_AWARENESS_PER_MONITOR_AWARE
}

}  // namespace
}  // namespace tessavue::win32
