// For tests and the fuzzer only: the lists of a DeviceProtocol, writable, to
// stage a device or a share that no request brought in.
#pragma once

#include "protocol.h"

namespace tessavue {

struct ProtocolTestAccess {
  static DeviceListType& DeviceList(DeviceProtocol& protocol) { return protocol.DeviceList; }
  static ShareListType& ShareList(DeviceProtocol& protocol) { return protocol.ShareList; }
};

}  // namespace tessavue
