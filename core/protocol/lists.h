// The device list and the share list: in order of arrival, owning their
// records.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

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
};

struct ShareRecord {
  char name[64];
};

// A record stays where it is while later ones join: the search hands each
// device to its listener as it arrives, and the window keeps it until the
// row is drawn.
using DeviceListType = std::deque<DeviceRecord>;
using ShareListType = std::vector<ShareRecord>;

// The list operations by their record's key.
bool ContainsAddress(const DeviceListType& list, const char* ip);
const DeviceRecord* FindByAddress(const DeviceListType& list, const char* ip);
DeviceRecord* FindByAddress(DeviceListType& list, const char* ip);
// Appends a device, its texts cut to their fields; nullptr when no memory
// could be had.
DeviceRecord* AppendDevice(DeviceListType& list, const char* name, const char* ip,
                           const char* netmask, const char* gateway, const char* dhcpFlag,
                           const std::uint8_t deviceId[10], std::uint32_t localInterface = 0);
bool ContainsName(const ShareListType& list, const char* name);
ShareRecord* AppendShare(ShareListType& list, const char* name);

}  // namespace tessavue
