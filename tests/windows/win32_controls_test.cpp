// The Win32 control wrappers over real common controls (as Wine provides
// them) against the controls' contract.
#include <gtest/gtest.h>

#include <deque>

#include "controls_contract.h"
#include "win32_controls.h"
#include "win32_dialogs.h"

namespace tessavue::win32 {
namespace {

// Every control is a child of one window, destroyed with it.
class Win32Harness {
 public:
  Win32Harness() {
    InitCommonControlClasses();
    parent_ = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~Win32Harness() { DestroyWindow(parent_); }
  Win32Harness(const Win32Harness&) = delete;
  Win32Harness& operator=(const Win32Harness&) = delete;

  ListView& MakeListView() {
    return lists_.emplace_back(Child(WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL));
  }
  ComboBox& MakeComboBox(bool sorted) {
    return combos_.emplace_back(Child("COMBOBOX", CBS_DROPDOWNLIST | (sorted ? CBS_SORT : 0)));
  }
  IpAddressControl& MakeIpAddress() { return addresses_.emplace_back(Child(WC_IPADDRESSA, 0)); }
  EditControl& MakeEdit() { return edits_.emplace_back(Child("EDIT", ES_AUTOHSCROLL)); }
  // As a click does: the row selected and focused.
  void ClickRow(ListView& list, int row) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(static_cast<Win32ListView&>(list).window(), LVM_SETITEMSTATE,
                 static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  }
  void Type(EditControl& edit, const std::string& text) {
    for (char c : text)
      SendMessageA(static_cast<Win32Edit&>(edit).window(), WM_CHAR,
                   static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
  }

 private:
  HWND Child(const char* className, DWORD style) {
    HWND child = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 300, 200,
                                 parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(child, nullptr) << className;
    return child;
  }

  HWND parent_ = nullptr;
  std::deque<Win32ListView> lists_;
  std::deque<Win32ComboBox> combos_;
  std::deque<Win32IpAddress> addresses_;
  std::deque<Win32Edit> edits_;
};

using namespace tessavue::contract;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32Controls, ControlsContract, Win32Harness);

}  // namespace
}  // namespace tessavue::win32
