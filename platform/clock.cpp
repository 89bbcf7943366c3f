// Sleep and GetTickCount over a replaceable clock (tests install a virtual one).
#include <chrono>
#include <thread>

#include "platform.h"
#include "platform_state.h"

namespace platform {

void installClock(Clock* clock) {
    detail::state().clock = clock;
}

}  // namespace platform

extern "C" {

void Sleep(DWORD milliseconds) {
    if (auto* clock = platform::detail::state().clock) {
        clock->sleepMs(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

DWORD GetTickCount(void) {
    if (auto* clock = platform::detail::state().clock) return static_cast<DWORD>(clock->nowMs());
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // extern "C"
