// The device list and the share list.
#include "lists.h"

#include <cstring>
#include <new>
#include <utility>

#include "text.h"

namespace tessavue {

namespace {

// Record texts are always terminated within their size; the comparison
// stops there, so `text` is never read past what can match.
bool SameText(const char* field, std::size_t size, const char* text) {
  return text != nullptr && std::strncmp(field, text, size) == 0;
}

// A zero-filled record at the end of `list`; nullptr when no memory could
// be had (the list is then as it was).
template <typename List>
typename List::value_type* AppendZeroed(List& list) {
  try {
    return &list.emplace_back();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

bool ContainsAddress(const DeviceListType& list, const char* ip) {
  return FindByAddress(list, ip) != nullptr;
}

const DeviceRecord* FindByAddress(const DeviceListType& list, const char* ip) {
  for (const DeviceRecord& r : list) {
    if (SameText(r.ip, sizeof r.ip, ip)) return &r;
  }
  return nullptr;
}

DeviceRecord* FindByAddress(DeviceListType& list, const char* ip) {
  // The list owns its records: whoever may change it may change them.
  return const_cast<DeviceRecord*>(FindByAddress(std::as_const(list), ip));
}

DeviceRecord* AppendDevice(DeviceListType& list, const char* name, const char* ip,
                           const char* netmask, const char* gateway, const char* dhcpFlag,
                           const std::uint8_t deviceId[10], std::uint32_t localInterface) {
  DeviceRecord* r = AppendZeroed(list);
  if (r == nullptr) return nullptr;
  CopyText(r->name, sizeof r->name, name);
  CopyText(r->ip, sizeof r->ip, ip);
  CopyText(r->netmask, sizeof r->netmask, netmask);
  CopyText(r->gateway, sizeof r->gateway, gateway);
  CopyText(r->dhcpFlag, sizeof r->dhcpFlag, dhcpFlag);
  std::memcpy(r->deviceId, deviceId, sizeof r->deviceId);
  r->localInterface = localInterface;
  return r;
}

bool ContainsName(const ShareListType& list, const char* name) {
  for (const ShareRecord& r : list) {
    if (SameText(r.name, sizeof r.name, name)) return true;
  }
  return false;
}

ShareRecord* AppendShare(ShareListType& list, const char* name) {
  ShareRecord* r = AppendZeroed(list);
  if (r == nullptr) return nullptr;
  CopyText(r->name, sizeof r->name, name);
  return r;
}

}  // namespace tessavue
