#include "stream/simd_target.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace tsfilters::stream::lanes {
namespace {

const TargetCode kTargets[] = {
    {"scalar", 0, nullptr},
#if defined(TSFILTERS_LANES_SSE2)
    {"sse2", sse2::kBlockLanes, sse2::run},
#else
    {"sse2", 0, nullptr},
#endif
#if defined(TSFILTERS_LANES_AVX2)
    {"avx2", avx2::kBlockLanes, avx2::run},
#else
    {"avx2", 0, nullptr},
#endif
#if defined(TSFILTERS_LANES_AVX512)
    {"avx512", avx512::kBlockLanes, avx512::run},
#else
    {"avx512", 0, nullptr},
#endif
#if defined(TSFILTERS_LANES_SIMD128)
    {"simd128", simd128::kBlockLanes, simd128::run},
#else
    {"simd128", 0, nullptr},
#endif
#if defined(TSFILTERS_LANES_NEON)
    {"neon", neon::kBlockLanes, neon::run},
#else
    {"neon", 0, nullptr},
#endif
};

bool processorHas(SimdTarget t) {
#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    switch (t) {
        case SimdTarget::Scalar: return true;
        case SimdTarget::Sse2: return __builtin_cpu_supports("sse2");
        case SimdTarget::Avx2: return __builtin_cpu_supports("avx2");
        // The 256-bit shuffles that turn separate series into lanes need
        // the VL extension; every processor with AVX-512 since the first
        // server ones has it.
        case SimdTarget::Avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
        case SimdTarget::Simd128: return false;  // WebAssembly's, never an x86 processor's
        case SimdTarget::Neon: return false;     // 64-bit ARM's
    }
    return false;
#elif defined(__wasm__)
    // An engine without 128-bit vectors refuses the whole module, so a
    // module that runs has them.
    return t == SimdTarget::Scalar || t == SimdTarget::Simd128;
#elif defined(__aarch64__)
    // Advanced SIMD belongs to the 64-bit ARM base architecture.
    return t == SimdTarget::Scalar || t == SimdTarget::Neon;
#else
    return t == SimdTarget::Scalar;
#endif
}

int chooseTarget() {
    int best = 0;
    for (int t = 1; t < int(std::size(kTargets)); ++t)
        if (kTargets[t].run != nullptr && processorHas(SimdTarget(t))) best = t;
    if (const char* wanted = std::getenv("TSFILTERS_SIMD")) {
        for (int t = 0; t < best; ++t)
            if (std::strcmp(wanted, kTargets[t].name) == 0 && (t == 0 || kTargets[t].run != nullptr))
                return t;
    }
    return best;
}

}  // namespace

const TargetCode& simdTarget() {
    // Every thread that races here computes the same answer.
    static std::atomic<int> chosen{-1};
    int t = chosen.load(std::memory_order_relaxed);
    if (t < 0) {
        t = chooseTarget();
        chosen.store(t, std::memory_order_relaxed);
    }
    return kTargets[t];
}

}  // namespace tsfilters::stream::lanes
