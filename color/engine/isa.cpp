// Instruction-set level: processor features, narrowed by ZENT_ISA.
#include "engine/isa.h"

#include <cstdlib>
#include <cstring>

namespace zenthue {

namespace {

Isa processorBest() {
#if defined(ZENTHUE_X86_KERNELS)
    __builtin_cpu_init();
    // The wide level needs byte permutes (VBMI) and byte/word masks (BW, VL) besides AVX-512F.
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi")) {
        return Isa::avx512;
    }
    if (__builtin_cpu_supports("avx2")) return Isa::avx2;
#endif
    return Isa::baseline;
}

Isa resolve() {
    const Isa best = processorBest();
    const char* forced = std::getenv("ZENT_ISA");
    if (forced == nullptr) return best;
    Isa wanted = best;
    if (std::strcmp(forced, "baseline") == 0) {
        wanted = Isa::baseline;
    } else if (std::strcmp(forced, "avx2") == 0) {
        wanted = Isa::avx2;
    } else if (std::strcmp(forced, "avx512") == 0) {
        wanted = Isa::avx512;
    }
    return wanted < best ? wanted : best;
}

}  // namespace

Isa activeIsa() {
    static const Isa isa = resolve();
    return isa;
}

}  // namespace zenthue
