// The driver's row kernels of every level the processor runs against the per-sample rules, on
// random rows of every length up to a few vectors.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "driver_internal.h"
#include "engine/isa.h"
#include "row_kernels.h"

namespace {

std::vector<const zentdrv::RowKernels*> levels() {
    std::vector<const zentdrv::RowKernels*> out{&zentdrv::rowKernelsBaseline()};
#if defined(__x86_64__)
    const auto best = zenthue::activeIsa();
    if (best >= zenthue::Isa::avx2) out.push_back(&zentdrv::rowKernelsAvx2());
    if (best >= zenthue::Isa::avx512) out.push_back(&zentdrv::rowKernelsAvx512());
#endif
    return out;
}

std::vector<uint8_t> randomBytes(std::mt19937& rng, int n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

TEST(RowKernels, NoiseCorrectionClipsLikeCorrectSample) {
    std::mt19937 rng(5);
    for (const auto* k : levels()) {
        for (int count = 0; count <= 200; count += 1 + count / 16) {
            // Offsets and ceilings beyond what the driver sets, down to a ceiling below zero.
            for (int offset : {-300, -1, 0, 37, 200, 255, 300}) {
                for (int ceiling : {-3, 0, 1, 100, 254, 255}) {
                    auto frame = randomBytes(rng, count + 1);
                    const auto noise = randomBytes(rng, count + 1);
                    auto expected = frame;
                    for (int c = 0; c < count; ++c)
                        expected[c] = zentdrv::CorrectSample(offset, ceiling, frame[c], noise[c]);
                    k->correctRow(frame.data(), noise.data(), count, offset, ceiling);
                    ASSERT_EQ(frame, expected) << count << " " << offset << " " << ceiling;
                }
            }
        }
    }
}

TEST(RowKernels, UnpackAndComplementTouchOnlyTheirBytes) {
    std::mt19937 rng(6);
    for (const auto* k : levels()) {
        for (int half = 0; half <= 300; half += 1 + half / 8) {
            const auto area = randomBytes(rng, 2 * half);
            auto out = randomBytes(rng, 2 * half + 1);
            auto expected = out;
            for (int i = 0; i < half; ++i) {
                expected[2 * i] = area[i];
                expected[2 * i + 1] = area[half + i];
            }
            k->unpackRow(area.data(), area.data() + half, out.data(), half);
            ASSERT_EQ(out, expected) << half;

            for (int i = 0; i < 2 * half; ++i) expected[i] = uint8_t(255 - expected[i]);
            k->complementRow(out.data(), 2 * half);
            ASSERT_EQ(out, expected) << half;
        }
    }
}

}  // namespace
