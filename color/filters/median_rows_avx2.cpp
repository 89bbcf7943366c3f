// Median kernels for AVX2: 32 bytes a register.
#include <immintrin.h>

#include "median_kernel.h"
#include "median_rows.h"

namespace zenthue {

namespace {

struct Ops {
    using Vec = long long __attribute__((vector_size(32)));
    static constexpr int kBytes = 32;
    static Vec loadu(const BYTE* p) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    }
    static void storeu(BYTE* p, Vec v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static Vec min(Vec a, Vec b) { return _mm256_min_epu8(a, b); }
    static Vec max(Vec a, Vec b) { return _mm256_max_epu8(a, b); }
};

}  // namespace

MedianRowKernel medianKernelAvx2(int n) {
    return n == 3 ? medianBytes<Ops, 3> : medianBytes<Ops, 5>;
}

}  // namespace zenthue
