// An interrupt wakes a paced sleep at once and reaches the hook that stops a workflow.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "exit_status.h"
#include "interrupt.h"

namespace duovue {
namespace {

TEST(Interrupt, WakesASleepAndRunsTheHookOnce) {
    resetInterrupt();
    std::atomic<int> stops{0};
    setInterruptHook([&] { ++stops; });
    EXPECT_NO_THROW(throwIfInterrupted());
    const auto start = std::chrono::steady_clock::now();
    std::thread ctrlC([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        requestInterrupt();
    });
    sleepUnlessInterrupted(std::chrono::seconds(60));
    ctrlC.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    EXPECT_EQ(stops.load(), 1);
    try {
        throwIfInterrupted();
        ADD_FAILURE();
    } catch (const Failure& f) {
        EXPECT_EQ(f.status(), Exit::Interrupted);
    }
    setInterruptHook({});
    resetInterrupt();
}

}  // namespace
}  // namespace duovue
