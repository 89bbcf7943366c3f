// Speed of the simulated camera: a live frame in-process, the whole store and a status read
// over the simulator's socket, and the in-process status read a bounded poll hammers.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "duovue_camera.h"
#include "platform.h"
#include "sim_process.h"

namespace {

HANDLE openSlot(int slot) {
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\Usbscan%d", slot);
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

int readStatus(HANDLE h) {
    uint8_t v = 0;
    IO_BLOCK block{0x86, 1, nullptr, 0};
    DWORD returned = 0;
    return DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, &v, 1, &returned, nullptr)
               ? v
               : -1;
}

bool writeRegister(HANDLE h, uint8_t reg, const uint8_t* data, uint32_t length) {
    IO_BLOCK block{reg, length, const_cast<uint8_t*>(data), 0};
    DWORD returned = 0;
    return DeviceIoControl(h, IOCTL_WRITE_REGISTERS, &block, sizeof block, nullptr, 0, &returned,
                           nullptr) != 0;
}

bool bulkRead(HANDLE h, uint8_t* data, uint32_t length) {
    for (;;) {
        const uint32_t count = length > 61440 ? 61440 : length;
        const uint8_t setup[8] = {0,
                                  0,
                                  0,
                                  0,
                                  static_cast<uint8_t>(count),
                                  static_cast<uint8_t>(count >> 8),
                                  static_cast<uint8_t>(count >> 16),
                                  0};
        DWORD got = 0;
        if (!writeRegister(h, 0x82, setup, 8) || !ReadFile(h, data, count, &got, nullptr))
            return false;
        if (length <= 61440) return true;
        data += count;
        length -= count;
    }
}

bool applyStoreMode(HANDLE h) {
    for (uint8_t b : {0x09, 0x09, 0x0A}) {
        if (!writeRegister(h, 0x87, &b, 1)) return false;
    }
    while (readStatus(h) == 0) {
    }
    const uint8_t run = 0x04;
    return writeRegister(h, 0x87, &run, 1);
}

// Ready wait, 76,800 bytes in two announced reads, drain: one live 320 x 240 frame.
void BM_LiveFrameInProcess(benchmark::State& state) {
    platform::attachUsbDevice(0, std::make_shared<camera::SimCamera>());
    HANDLE h = openSlot(0);
    std::vector<uint8_t> frame(76800);
    for (auto _ : state) {
        while (!(readStatus(h) & 0x20)) {
        }
        if (!bulkRead(h, frame.data(), 76800)) state.SkipWithError("bulk read failed");
        while (readStatus(h) & 0x20) {
            uint8_t d;
            IO_BLOCK block{0x84, 1, nullptr, 0};
            DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, &d, 1, nullptr, nullptr);
        }
        benchmark::DoNotOptimize(frame.data());
    }
    CloseHandle(h);
    platform::detachUsbDevice(0);
}
BENCHMARK(BM_LiveFrameInProcess)->Unit(benchmark::kMicrosecond);

void BM_StatusReadInProcess(benchmark::State& state) {
    platform::attachUsbDevice(0, std::make_shared<camera::SimCamera>());
    HANDLE h = openSlot(0);
    for (auto _ : state) benchmark::DoNotOptimize(readStatus(h));
    CloseHandle(h);
    platform::detachUsbDevice(0);
}
BENCHMARK(BM_StatusReadInProcess);

// The whole 8,386,560-byte store in 137 announced reads from the running simulator.
void BM_StoreOverSocket(benchmark::State& state) {
    camera::SimProcess sim;
    HANDLE h = openSlot(0);
    std::vector<uint8_t> table(256), store(camera::kStoreBytes);
    for (auto _ : state) {
        if (!applyStoreMode(h) || !bulkRead(h, table.data(), 256) ||
            !bulkRead(h, store.data(), camera::kStoreBytes))
            state.SkipWithError("store read failed");
        benchmark::DoNotOptimize(store.data());
    }
    CloseHandle(h);
}
BENCHMARK(BM_StoreOverSocket)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StatusReadOverSocket(benchmark::State& state) {
    camera::SimProcess sim;
    HANDLE h = openSlot(0);
    for (auto _ : state) benchmark::DoNotOptimize(readStatus(h));
    CloseHandle(h);
}
BENCHMARK(BM_StatusReadOverSocket)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_BuildDefaultCamera(benchmark::State& state) {
    for (auto _ : state) {
        camera::SimCamera cam;
        benchmark::DoNotOptimize(&cam);
    }
}
BENCHMARK(BM_BuildDefaultCamera)->Unit(benchmark::kMillisecond);

}  // namespace
