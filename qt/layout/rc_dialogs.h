// Reads the dialog templates (DIALOG and DIALOGEX) of a resource script, the
// same file that windres compiles into the Windows program, so that the Qt
// window can place its controls where the Windows dialogs have them.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessavue {

// One control statement of a template. Identifiers and styles stay the
// script's own words (IDC_REFRESH, "ES_PASSWORD | ES_AUTOHSCROLL"); the
// resource compiler gives them their numbers.
struct RcControl {
  std::string kind;                  // LTEXT, PUSHBUTTON, EDITTEXT, CONTROL, ...
  std::string text;                  // the caption ("" where the statement has none)
  std::string id;                    // IDC_REFRESH, IDOK, IDC_STATIC, ...
  std::string className;             // CONTROL's window class, else ""
  std::string style;                 // the style expression as written, else ""
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct RcDialog {
  std::string name;  // IDD_LOGIN, ...
  std::string caption;
  std::string fontFace;
  int fontPoints = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::vector<RcControl> controls;  // in the template's order (the tab order)
};

// What the script does not say as a template must (a missing END, a
// coordinate that is not a number, an unknown control statement, ...);
// the message names the line.
class RcParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every dialog template of the script, in the script's order. Preprocessor
// lines, comments and the other resources (icons, string tables, version
// information) are passed over.
std::vector<RcDialog> ParseRcDialogs(std::string_view script);

// The dialogs as a C++ header of constant tables (see dialog_layout.h).
std::string DialogLayoutHeader(const std::vector<RcDialog>& dialogs);

}  // namespace tessavue
