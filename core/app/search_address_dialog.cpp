#include "search_address_dialog.h"

#include "login_dialog.h"
#include "protocol.h"
#include "static_address.h"

namespace tessavue {

void SearchAddressDialog::OnInitDialog(IpAddressControl& addressField) {
  field_ = &addressField;
  field_->ClearAddress();
}

void SearchAddressDialog::OnInitPrefix(EditControl& prefixField) {
  prefix_ = &prefixField;
  prefix_->SetText("");
  prefix_->SetLimitText(2);
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
    // An empty prefix field: the one address.
    std::string text = dotted;
    const std::string prefix = prefix_ != nullptr ? prefix_->GetText() : std::string();
    if (!prefix.empty()) {
      text.push_back('/');
      text.append(prefix);
    }
    SearchTarget parsed;
    const TargetProblem problem = CheckTarget(text.c_str(), parsed);
    if (problem == TargetProblem::kNone) {
      target = parsed;
      return kIdOk;
    }
    message = TargetProblemMessage(problem, text.c_str());
  }
  host_.MessageBox(message, "Warnning", MessageIcon::Exclamation);
  return 0;
}

int SearchAddressDialog::OnCancel() { return kIdCancel; }

}  // namespace tessavue
