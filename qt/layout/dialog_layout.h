// The dialog templates of resources/tessavue.rc as constant tables, for the
// Qt window: the positions (dialog units) and texts of the Windows dialogs,
// read from the resource script when the program is built.
#pragma once

#include <span>
#include <string_view>

namespace tessavue {

struct DialogControl {
  std::string_view kind, text, id, className, style;
  int x, y, cx, cy;
};

struct DialogTemplate {
  std::string_view name, caption, fontFace;
  int fontPoints;
  int x, y, cx, cy;
  std::span<const DialogControl> controls;
};

// The control `id` of a template. A control the template does not have is
// a fault of the program, not of its user: these throw std::logic_error.
const DialogControl& FindControl(const DialogTemplate& dialog, std::string_view id);
// The static text that labels control `id`: the one just before it, by
// which a Windows screen reader names the control.
const DialogControl& LabelOf(const DialogTemplate& dialog, std::string_view id);
// The first control of a kind (ICON, GROUPBOX, ...), whatever its id.
const DialogControl& FirstOfKind(const DialogTemplate& dialog, std::string_view kind);

}  // namespace tessavue

// rc::IDD_TESSAVUE_DIALOG, rc::IDD_LOGIN, ...: generated.
#include "dialog_templates.h"
