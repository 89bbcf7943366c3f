// Median kernels for AVX-512 (BW): 64 bytes a register.
#include <immintrin.h>

#include "median_kernel.h"
#include "median_rows.h"

namespace zenthue {

namespace {

struct Ops {
    using Vec = long long __attribute__((vector_size(64)));
    static constexpr int kBytes = 64;
    static Vec loadu(const BYTE* p) { return _mm512_loadu_si512(p); }
    static void storeu(BYTE* p, Vec v) { _mm512_storeu_si512(p, v); }
    static Vec min(Vec a, Vec b) { return _mm512_min_epu8(a, b); }
    static Vec max(Vec a, Vec b) { return _mm512_max_epu8(a, b); }
};

}  // namespace

MedianRowKernel medianKernelAvx512(int n) {
    return n == 3 ? medianBytes<Ops, 3> : medianBytes<Ops, 5>;
}

}  // namespace zenthue
