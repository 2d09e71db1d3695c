// Every caption of the four dialogs whole at the display's DPI: each static
// text, push button, group box caption and list column heading measured with
// the font its control draws with, against the room the control leaves for
// it. tests/windows/dpi_check.sh runs these at 144 and 192 DPI as well.
#include <cstdio>

#include "win32_window_fixture.h"

namespace tessavue::win32 {
namespace {

// A caption and the room its control gives it, in pixels.
struct Caption {
  std::string text;
  int needed = 0;
  int room = 0;
};

SIZE TextExtent(HWND control, const std::string& text, UINT format) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int ClientWidth(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r.right - r.left;
}

// The caption of a static text, push button or group box; false for any
// other control (fields, lists, icons).
bool CaptionOf(HWND control, Caption& caption) {
  char className[32] = {};
  GetClassNameA(control, className, sizeof className);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  caption.text = Text(control);
  const int edge = GetSystemMetrics(SM_CXEDGE);
  if (lstrcmpiA(className, "Static") == 0) {
    const LONG kind = style & SS_TYPEMASK;
    if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP)
      return false;
    // A static text wraps at a word it has no room for, and its second line
    // falls outside the control.
    caption.needed = TextExtent(control, caption.text, (style & SS_NOPREFIX) ? DT_NOPREFIX : 0).cx;
    caption.room = ClientWidth(control);
    return true;
  }
  if (lstrcmpiA(className, "Button") != 0) return false;
  const LONG kind = style & BS_TYPEMASK;
  const SIZE extent = TextExtent(control, caption.text, 0);
  if (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON) {
    // Inside the button's raised frame, centred and cut at both ends.
    caption.needed = extent.cx + 2 * edge;
  } else if (kind == BS_GROUPBOX) {
    // Drawn in the top line, set in by about half a line from the corner.
    caption.needed = extent.cx + extent.cy;
  } else {
    return false;
  }
  caption.room = ClientWidth(control);
  return true;
}

// The column headings of a list view, each against its column.
std::vector<Caption> HeadingsOf(HWND list) {
  std::vector<Caption> headings;
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    HDITEMA item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    RECT r{};
    SendMessageA(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
    // The header keeps three edges of margin on either side of its text.
    const int margin = 3 * GetSystemMetrics(SM_CXEDGE);
    headings.push_back({text, TextExtent(header, text, 0).cx + 2 * margin, r.right - r.left});
  }
  return headings;
}

// Every caption of `dialog` and its column headings; each cut one fails
// the test, and all are printed with their sizes.
void ExpectWhole(HWND dialog, const char* name) {
  ASSERT_NE(dialog, nullptr) << name;
  int checked = 0;
  std::vector<Caption> captions;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Caption caption;
    if (CaptionOf(child, caption)) captions.push_back(caption);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, WC_LISTVIEWA) == 0)
      for (const Caption& heading : HeadingsOf(child)) captions.push_back(heading);
  }
  for (const Caption& caption : captions) {
    if (caption.text.empty()) continue;
    ++checked;
    std::printf("%s DPI %d: \"%s\" needs %d, has %d\n", name, WindowDpi(dialog),
                caption.text.c_str(), caption.needed, caption.room);
    EXPECT_LE(caption.needed, caption.room) << name << ": \"" << caption.text << "\" is cut";
  }
  EXPECT_GT(checked, 0) << name;
}

INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DialogTexts : public Win32WindowFixture {};

TEST_F(DialogTexts, TheMainWindowsCaptionsAndHeadingsAreWhole) {
  Open();
  ExpectWhole(dialog, "main window");
}

TEST_F(DialogTexts, TheSmallDialogsCaptionsAreWhole) {
  for (auto [id, name] : {std::pair{100, "About box"}, std::pair{134, "Login"},
                          std::pair{136, "Search at address"}}) {
    HWND small = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                    PlainDialog, 0);
    ExpectWhole(small, name);
    if (small) DestroyWindow(small);
  }
}

}  // namespace
}  // namespace tessavue::win32
