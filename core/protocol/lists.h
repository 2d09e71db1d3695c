// The device list and the share list: singly linked, in order of arrival,
// owning their records.
#pragma once

#include <cstdint>

namespace tessavue {

struct DeviceRecord {
  char name[256];
  char ip[16];
  char netmask[16];
  char gateway[16];
  char dhcpFlag[8];
  std::uint8_t deviceId[10];
  // The workstation's interface the device was heard on (its position in
  // DeviceProtocol::LocalInterfaces): every request to it goes out there.
  std::uint32_t localInterface;
  // 0: heard on the segment. Otherwise found through a search target: 1 +
  // its position among the search's target routes. Requests to such a
  // device go to its address by unicast.
  std::uint32_t viaTarget;
  DeviceRecord* next;
};

struct ShareRecord {
  char name[64];
  ShareRecord* next;
};

// A list header: count, head and tail. count is 0 exactly when head and tail
// are null; the tail's next is null.
template <typename Record>
struct RecordList {
  std::int32_t count = 0;
  Record* head = nullptr;
  Record* tail = nullptr;

  RecordList() = default;
  RecordList(const RecordList&) = delete;
  RecordList& operator=(const RecordList&) = delete;
  ~RecordList() { Clear(); }

  bool IsEmpty() const { return count == 0; }
  // Frees every record and leaves the list empty.
  void Clear();
  // Links a zero-filled record after the tail and returns it for its fields
  // to be set; nullptr when no memory could be had.
  Record* AppendZeroed();
};

using DeviceListType = RecordList<DeviceRecord>;
using ShareListType = RecordList<ShareRecord>;

// The list operations by their record's key.
bool ContainsAddress(const DeviceListType& list, const char* ip);
const DeviceRecord* FindByAddress(const DeviceListType& list, const char* ip);
DeviceRecord* FindByAddress(DeviceListType& list, const char* ip);
// Appends a device; nullptr when no memory could be had.
DeviceRecord* AppendDevice(DeviceListType& list, const char* name, const char* ip,
                           const char* netmask, const char* gateway, const char* dhcpFlag,
                           const std::uint8_t deviceId[10], std::uint32_t localInterface = 0);
bool ContainsName(const ShareListType& list, const char* name);
ShareRecord* AppendShare(ShareListType& list, const char* name);

}  // namespace tessavue
