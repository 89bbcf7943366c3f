// GlobalAlloc and friends with Windows semantics: movable blocks reached through a lock count.
#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "platform_state.h"

namespace platform::detail {

PlatformState& state() {
    static PlatformState s;
    return s;
}

namespace {

// A movable block's handle is a distinct small allocation, so it never equals a data address.
HGLOBAL newMovableHandle() {
    return static_cast<HGLOBAL>(std::malloc(1));
}

}  // namespace
}  // namespace platform::detail

using platform::detail::MemoryBlock;
using platform::detail::state;

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    // Zero-size blocks still get a distinct address.
    void* data = std::calloc(bytes ? bytes : 1, 1);
    if (!data) return nullptr;
    const bool movable = (flags & GMEM_MOVEABLE) != 0;
    HGLOBAL handle = movable ? platform::detail::newMovableHandle() : data;
    if (!handle) {
        std::free(data);
        return nullptr;
    }
    auto& s = state();
    std::lock_guard lock(s.memoryMutex);
    s.blocks[handle] = MemoryBlock{data, bytes, 0, movable};
    return handle;
}

LPVOID GlobalLock(HGLOBAL mem) {
    auto& s = state();
    std::lock_guard lock(s.memoryMutex);
    auto it = s.blocks.find(mem);
    if (it == s.blocks.end()) return nullptr;
    if (it->second.movable) ++it->second.lockCount;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    auto& s = state();
    std::lock_guard lock(s.memoryMutex);
    auto it = s.blocks.find(mem);
    if (it == s.blocks.end() || it->second.lockCount == 0) return FALSE;
    return --it->second.lockCount > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    if (!mem) return nullptr;
    auto& s = state();
    std::lock_guard lock(s.memoryMutex);
    auto it = s.blocks.find(mem);
    if (it == s.blocks.end()) return mem;
    std::free(it->second.data);
    if (it->second.movable) std::free(mem);
    s.blocks.erase(it);
    return nullptr;
}

size_t GlobalSize(HGLOBAL mem) {
    auto& s = state();
    std::lock_guard lock(s.memoryMutex);
    auto it = s.blocks.find(mem);
    return it == s.blocks.end() ? 0 : it->second.size;
}

}  // extern "C"
