// The "Search at address" dialog's behaviour: one IPv4 address, or a subnet
// of 22 to 32 bits, checked before the dialog may close with OK.
#pragma once

#include <string>

#include "controls.h"
#include "network.h"
#include "search_target.h"

namespace tessavue {

constexpr int kSearchAddressDialogTemplate = 136;
constexpr int kSearchAddressFieldId = 1022;
constexpr int kSearchPrefixFieldId = 1024;
// The entry below About in the system menu, and its text.
constexpr unsigned kIdmSearchAtAddress = 0x0020;
constexpr const char* kSearchAtAddressMenuText = "Search at address...";

class SearchAddressDialog : public AddressPrompts {
 public:
  explicit SearchAddressDialog(DialogHost& host) : host_(host) {}

  void OnInitDialog(IpAddressControl& addressField) override;
  void OnInitPrefix(EditControl& prefixField) override;
  // A usable address or subnet: kept in `target`, returns 1. Otherwise a
  // warning says why, and 0 keeps the dialog open.
  int OnOK() override;
  int OnCancel() override;

  SearchTarget target;

 private:
  DialogHost& host_;
  IpAddressControl* field_ = nullptr;
  EditControl* prefix_ = nullptr;
};

}  // namespace tessavue
