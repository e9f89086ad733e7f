// What the lane-parallel kernels receive. This header holds no vector
// types: it is shared by the plain code and by the files compiled for each
// instruction set.
//
// During a lanes call the streams are grouped in blocks of consecutive
// lanes, as many as one vector holds (the rest run lane by lane). In each
// block the
// first kTransposedWords 64-bit words of every stream are laid out word by
// word instead of stream by stream: word w of lane b of the block moves to
// position q = w * lanes + b of the block's words 0..kTransposedWords-1,
// counted stream after stream. A vector of consecutive lanes' values of one
// word is then one contiguous load. The call puts every stream back before
// it returns.
#pragma once

#include <cstdint>

#include "tsfilters_stream.h"

namespace tsfilters::stream::lanes {

// Covers a stream's header, its step and an oscillator's scale.
inline constexpr std::int32_t kTransposedWords = 32;

// Enough for the longest value list (the Laguerre filter's 5 + 4 + 1 + 6).
inline constexpr std::int32_t kMaxValues = 24;

struct Job {
    std::int32_t kind;               // tsf_kind of every lane
    std::uint64_t* words;            // streams[0].opaque, blocks transposed
    std::int32_t blocks;             // whole blocks, from lane 0
    std::int32_t rows;               // samples per lane
    const float* input;              // lane 0's first sample
    std::int64_t inputTimeStride, inputLaneStride;
    float* output;                   // lane 0's first output
    std::int64_t outputTimeStride, outputLaneStride;
    // Byte offset inside a stream of every value the kind's step reads, in
    // its forEachValue order; an oscillator's scale comes last.
    std::uint16_t offsets[kMaxValues];
};

using Kernel = void (*)(const Job&);

// The kernels of each instruction set, where the build carries them, and
// the lanes each advances together (a block).
namespace sse2 { void run(const Job& job); extern const std::int32_t kBlockLanes; }
namespace avx2 { void run(const Job& job); extern const std::int32_t kBlockLanes; }
namespace avx512 { void run(const Job& job); extern const std::int32_t kBlockLanes; }
namespace simd128 { void run(const Job& job); extern const std::int32_t kBlockLanes; }
namespace neon { void run(const Job& job); extern const std::int32_t kBlockLanes; }

}  // namespace tsfilters::stream::lanes
