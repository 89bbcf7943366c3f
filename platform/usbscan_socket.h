// Client side of the usbscan socket protocol (usbscan_protocol.h).
#pragma once

#include <cstdint>
#include <string>

#include "usbscan_protocol.h"

namespace platform::detail {

// Connects to the socket at `path` (non-blocking); -1 when nothing listens there or the
// connection is not made within `timeoutMs`.
int connectUsbscanSocket(const std::string& path, uint32_t timeoutMs);

// One request and its reply within `timeoutMs`. `sendData` goes after the request (register
// writes); up to `replyCapacity` reply bytes land in `replyData` and `replyLength` says how many
// came. Returns false when the exchange itself broke (peer gone, no answer in time, malformed
// reply): the connection is then unusable. `ok` is the device's own verdict.
bool exchange(int fd, const usbscan::Request& request, const void* sendData, void* replyData,
              uint32_t replyCapacity, uint32_t& replyLength, bool& ok, uint32_t timeoutMs);

}  // namespace platform::detail
