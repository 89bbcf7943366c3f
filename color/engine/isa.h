// The instruction-set level the vector paths run at: the widest the processor has, or a lower
// one forced by the ZENT_ISA environment variable ("avx512", "avx2" or "baseline").
#pragma once

namespace zenthue {

enum class Isa { baseline, avx2, avx512 };

// Resolved on first use and fixed for the life of the process. A forced level above what the
// processor has falls back to the processor's best; an unknown value is ignored.
Isa activeIsa();

}  // namespace zenthue
