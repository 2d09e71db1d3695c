// The device list and the share list.
#include "lists.h"

#include <cstring>
#include <new>
#include <utility>

#include "protocol.h"

namespace tessavue {

template <typename Record>
void RecordList<Record>::Clear() {
  Record* record = head;
  while (record != nullptr) {
    Record* next = record->next;
    delete record;
    record = next;
  }
  head = nullptr;
  tail = nullptr;
  count = 0;
}

template <typename Record>
Record* RecordList<Record>::AppendZeroed() {
  Record* record = new (std::nothrow) Record{};
  if (record == nullptr) return nullptr;
  if (tail == nullptr) {
    head = record;
  } else {
    tail->next = record;
  }
  tail = record;
  ++count;
  return record;
}

template struct RecordList<DeviceRecord>;
template struct RecordList<ShareRecord>;

namespace {

// Record texts are always terminated within their size; the comparison
// stops there, so `text` is never read past what can match.
bool SameText(const char* field, std::size_t size, const char* text) {
  return text != nullptr && std::strncmp(field, text, size) == 0;
}

}  // namespace

bool ContainsAddress(const DeviceListType& list, const char* ip) {
  for (const DeviceRecord* r = list.head; r != nullptr; r = r->next) {
    if (SameText(r->ip, sizeof r->ip, ip)) return true;
  }
  return false;
}

const DeviceRecord* FindByAddress(const DeviceListType& list, const char* ip) {
  for (const DeviceRecord* r = list.head; r != nullptr; r = r->next) {
    if (SameText(r->ip, sizeof r->ip, ip)) return r;
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
  DeviceRecord* r = list.AppendZeroed();
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
  for (const ShareRecord* r = list.head; r != nullptr; r = r->next) {
    if (SameText(r->name, sizeof r->name, name)) return true;
  }
  return false;
}

ShareRecord* AppendShare(ShareListType& list, const char* name) {
  ShareRecord* r = list.AppendZeroed();
  if (r == nullptr) return nullptr;
  CopyText(r->name, sizeof r->name, name);
  return r;
}

}  // namespace tessavue
