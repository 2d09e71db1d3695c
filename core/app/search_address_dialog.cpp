#include "search_address_dialog.h"

#include "login_dialog.h"
#include "protocol.h"
#include "static_address.h"

namespace tessavue {

void SearchAddressDialog::OnInitDialog(IpAddressControl& addressField) {
  field_ = &addressField;
  field_->ClearAddress();
}

int SearchAddressDialog::OnOK() {
  if (field_ == nullptr) return kIdCancel;
  std::uint8_t fields[4] = {};
  std::string message;
  // Blank or partly blank: asked for as the address of Apply is.
  if (field_->IsBlank() || field_->GetAddress(fields) != 4) {
    message = MissingAddressText(false, true, true);
  } else {
    char dotted[16];
    FormatDotted(fields, dotted);
    Ipv4Address parsed;
    const TargetProblem problem = CheckTarget(dotted, parsed);
    if (problem == TargetProblem::kNone) {
      address = parsed;
      return kIdOk;
    }
    message = TargetProblemMessage(problem, dotted);
  }
  host_.MessageBox(message, "Warnning", MessageIcon::Exclamation);
  return 0;
}

int SearchAddressDialog::OnCancel() { return kIdCancel; }

}  // namespace tessavue
