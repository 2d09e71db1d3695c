// The search fills DeviceList while the window waits; a DeviceListener hears
// of each device the moment it joins, so that the window can show it before
// the search ends.
#pragma once

#include "lists.h"

namespace tessavue {

class DeviceListener {
 public:
  virtual ~DeviceListener() = default;
  // `device` has just been appended to DeviceList; `index` is its place in
  // the list, 0 for the head. Called on the search's thread, inside the
  // search: the listener must not change DeviceList.
  virtual void DeviceJoined(const DeviceRecord& device, int index) = 0;
};

}  // namespace tessavue
