// FineEnlargeImg's resampling for AVX-2: 4 doubles a register.
#include <immintrin.h>

#include <cstring>

#include "fine_enlarge_kernel.h"

namespace zenthue {

namespace {

struct Level {
    static constexpr int kDoubles = 4;
    using Vec = DoubleX4;
    using IVec = IntX4;
    static void loadBytes(const BYTE* p, IVec& v) {
        int bytes;
        std::memcpy(&bytes, p, sizeof bytes);
        v = reinterpret_cast<IVec>(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(bytes)));
    }
    static void storeBytes(BYTE* p, IVec v) {
        __m128i x = reinterpret_cast<__m128i>(v);
        x = _mm_packus_epi16(_mm_packs_epi32(x, x), x);
        const int bytes = _mm_cvtsi128_si32(x);
        std::memcpy(p, &bytes, sizeof bytes);
    }
};

}  // namespace

EnlargeKernel enlargeKernelAvx2() {
    return enlargeLanes<Level>;
}

}  // namespace zenthue
