// The platform layer's single process-wide state record.
#pragma once

#include <mutex>
#include <unordered_map>

#include "platform.h"
#include "usbscan_state.h"

namespace platform::detail {

struct MemoryBlock {
    void* data = nullptr;
    size_t size = 0;
    unsigned lockCount = 0;
    bool movable = false;
};

struct PlatformState {
    std::mutex memoryMutex;
    // Live global-memory blocks by handle. A fixed block's handle is its address.
    std::unordered_map<HGLOBAL, MemoryBlock> blocks;
    Clock* clock = nullptr;  // nullptr: the real monotonic clock
    UsbscanState usbscan;    // device files (usbscan.cpp)
};

PlatformState& state();

}  // namespace platform::detail
