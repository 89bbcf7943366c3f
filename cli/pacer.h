// Paces a stream to a frame rate: frame i is due at start + i / fps. A source slower than the
// rate gets no catch-up burst: once a frame is a whole period late, the schedule restarts there.
#pragma once

#include <chrono>

namespace duovue {

class Pacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Pacer(int fps) : period_(std::chrono::nanoseconds(1'000'000'000LL / fps)) {}

    // How long to wait before the next frame goes out at `now`; moves the schedule on.
    Clock::duration next(Clock::time_point now) {
        if (!started_) {
            started_ = true;
            due_ = now + period_;
            return Clock::duration::zero();
        }
        if (now >= due_ + period_) due_ = now;
        const Clock::duration wait = due_ > now ? due_ - now : Clock::duration::zero();
        due_ += period_;
        return wait;
    }

  private:
    Clock::duration period_;
    Clock::time_point due_{};
    bool started_ = false;
};

}  // namespace duovue
