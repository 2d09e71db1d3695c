#include "dialog_layout.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace tessavue {
namespace {

[[noreturn]] void Missing(const DialogTemplate& dialog, std::string_view what) {
  throw std::logic_error(std::string(dialog.name) + " has no control " + std::string(what));
}

}  // namespace

const DialogControl& FindControl(const DialogTemplate& dialog, std::string_view id) {
  for (const DialogControl& control : dialog.controls)
    if (control.id == id) return control;
  Missing(dialog, id);
}

const DialogControl& LabelOf(const DialogTemplate& dialog, std::string_view id) {
  const DialogControl& control = FindControl(dialog, id);
  const auto index = static_cast<std::size_t>(&control - dialog.controls.data());
  if (index > 0) {
    const DialogControl& label = dialog.controls[index - 1];
    if (label.kind == "LTEXT" || label.kind == "RTEXT" || label.kind == "CTEXT") return label;
  }
  Missing(dialog, "labelling " + std::string(id));
}

const DialogControl& FirstOfKind(const DialogTemplate& dialog, std::string_view kind) {
  for (const DialogControl& control : dialog.controls)
    if (control.kind == kind) return control;
  Missing(dialog, kind);
}

}  // namespace tessavue
