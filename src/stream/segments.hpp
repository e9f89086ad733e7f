// Many series stored back to back, each run as its own series from a fresh
// stream: what tsf_segments_run does once its arguments are checked.
//
// A segment's outputs are the positional outputs of a fresh stream fed the
// whole segment, with an oscillator's first 99 completed from its window
// (what tsf_stream_window gives), so that every slot holds the batch call's
// bits or NaN where the batch call writes nothing.
//
// Segments too short to be worth a vector lane run alone through the
// stream's own update. The others share kSlots lanes of the vector kernels:
// each slot takes one segment, runs its warm-up (or an oscillator's window)
// through the stream's update, and is then advanced by the kernels with the
// other slots, a chunk of rows at a time: read and written where they lie
// when the slots' segments are evenly spaced (a table of one length per
// symbol), otherwise through copies in a small tile of equal strides. A slot whose
// segment ends takes the next one; a slot left with a few rows finishes
// them alone, so that no chunk is short. The kernels give every lane the
// scalar step's bits (lane_kernels.hpp), so a segment's bits do not depend
// on which slot, chunk or neighbours it ran with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "rms_window.hpp"
#include "stream/advance.hpp"
#include "stream/lanes_job.hpp"
#include "stream/simd_target.hpp"
#include "stream/stream_state.hpp"
#include "stream/value_offsets.hpp"
#include "tsfilters_stream.h"

namespace tsfilters::stream::segments {

// Lanes advanced together: a whole number of blocks on every instruction
// set (2, 4 or 8 lanes a block), and as many as the widest kernels keep in
// flight.
inline constexpr std::int32_t kSlots = 16;
static_assert(kSlots % 8 == 0 && kSlots >= 2);

// Rows per chunk: the tile holds kSlots x kTileRows samples (8 KiB).
inline constexpr std::int32_t kTileRows = 128;

// Fewer rows than this after the warm-up: the segment runs alone. A slot
// left with fewer than kFewestRows finishes alone too, so that every chunk
// the kernels run has at least that many rows to pay for its call.
inline constexpr std::int64_t kFewestRows = 16;
inline constexpr std::int64_t kVectorRowsFrom = 32;

// A stream's update takes at most this many samples at a time.
inline constexpr std::int64_t kPiece = std::int64_t{1} << 30;

// Everything but an oscillator's window lies in a stream's first
// kTransposedWords words: all that the kernels and a stream past its
// window read, and all that a slot keeps. A stream run from a copy of
// those words alone writes each window slot before it reads it.
static_assert(offsetof(StreamState, scale) + sizeof(float) <= lanes::kTransposedWords * 8);
static_assert(offsetof(StreamState, window) > offsetof(StreamState, scale));
inline constexpr std::size_t kKeptBytes = lanes::kTransposedWords * 8;

// The outputs of one segment through a fresh stream, its oscillator
// window completed. An oscillator's segment shorter than its window has no
// scale, so no output: NaN everywhere, and nothing to compute.
template <class Kind>
void runAlone(const tsf_stream& fresh, const float* input, std::int64_t count, float* output) {
    if (Kind::kRmsWindow && count < RmsWindow::kLength) {
        std::fill(output, output + count, kNoValue);
        return;
    }
    tsf_stream copy;
    std::memcpy(&copy, &fresh, kKeptBytes);
    StreamState& s = stateOf(&copy);
    for (std::int64_t done = 0; done < count; done += kPiece)
        update<Kind>(s, input + done, static_cast<std::int32_t>(std::min(kPiece, count - done)),
                     output + done);
    window<Kind>(s, output);  // an oscillator's samples 0..99; nothing for the others
}

// Where word w of slot j lies once the slots are transposed for the
// kernels (lanes_job.hpp): position q = w * blockLanes + i of the block
// holding slot j as its lane i, counted through the block's streams' words.
// Blocks have 2, 4 or 8 lanes: `shift` is the log2 of that.
inline std::uint64_t& wordOf(tsf_stream* slots, std::int32_t shift, std::int32_t j, std::int32_t w) {
    const std::int32_t lane = j & ((1 << shift) - 1);
    const std::int32_t q = (w << shift) | lane;
    return slots[j - lane + q / lanes::kTransposedWords].opaque[q % lanes::kTransposedWords];
}

template <class Kind>
class Engine {
public:
    Engine(const tsf_stream& fresh, const lanes::TargetCode& target, const float* input,
           const std::int64_t* starts, std::int32_t segments, std::int64_t total, float* output)
        : fresh_(fresh), target_(target), input_(input), starts_(starts), segments_(segments),
          total_(total), output_(output) {}

    void run() {
        lanes::Job job{};
        tsf_stream probe = fresh_;
        const bool readable = lanes::findValues<Kind>(stateOf(&probe), job.offsets);
        if (target_.run == nullptr || !readable) {
            for (std::int32_t i = 0; i < segments_; ++i) runSegmentAlone(i);
            return;
        }
        findCarried(stateOf(&probe));
        while ((1 << shift_) < target_.blockLanes) ++shift_;
        job.kind = Kind::kNumber;
        job.words = slots_[0].opaque;
        job.blocks = kSlots / target_.blockLanes;
        job.inputTimeStride = job.outputTimeStride = 1;

        // Every slot starts from the fresh state, whose coefficients are
        // every segment's: a segment brings only its carried values. A slot
        // that never gets a segment still runs in its lane, over zeros,
        // values of no consequence but defined.
        std::memset(tile_, 0, sizeof tile_);
        std::int32_t live = 0;
        for (std::int32_t j = 0; j < kSlots; ++j) {
            for (std::int32_t w = 0; w < lanes::kTransposedWords; ++w)
                wordOf(slots_, shift_, j, w) = fresh_.opaque[w];
            live += fill(j);
        }
        while (live > 0) {
            // With the segments used up, a slot left empty is a lane
            // computed for nothing: below half full the rest run alone.
            if (live * 2 < kSlots && next_ == segments_) {
                for (std::int32_t j = 0; j < kSlots; ++j)
                    if (slot_[j].left > 0) finishAlone(j);
                return;
            }
            const bool direct = live == kSlots && evenlySpaced();
            std::int64_t rows = direct ? kPiece : kTileRows;
            for (std::int32_t j = 0; j < kSlots; ++j)
                if (slot_[j].left > 0) rows = std::min(rows, slot_[j].left);
            job.rows = static_cast<std::int32_t>(rows);
            if (direct) {
                // Segments of one length one after another, the common
                // case of a sorted table: the kernels read and write them
                // where they are.
                job.input = slot_[0].input;
                job.output = slot_[0].output;
                job.inputLaneStride = slot_[1].input - slot_[0].input;
                job.outputLaneStride = slot_[1].output - slot_[0].output;
                target_.run(job);
            } else {
                job.input = job.output = tile_;
                job.inputLaneStride = job.outputLaneStride = kTileRows;
                for (std::int32_t j = 0; j < kSlots; ++j)
                    if (slot_[j].left > 0) std::copy_n(slot_[j].input, rows, tile_ + j * kTileRows);
                target_.run(job);
                for (std::int32_t j = 0; j < kSlots; ++j)
                    if (slot_[j].left > 0) std::copy_n(tile_ + j * kTileRows, rows, slot_[j].output);
            }
            for (std::int32_t j = 0; j < kSlots; ++j) {
                Slot& s = slot_[j];
                if (s.left == 0) continue;
                s.input += rows, s.output += rows, s.left -= rows, s.samples += rows;
                if (s.left < kFewestRows) {
                    if (s.left > 0) finishAlone(j);
                    live -= 1 - fill(j);
                }
            }
        }
    }

private:
    struct Slot {
        const float* input;   // the next sample the kernels read
        float* output;
        std::int64_t left;    // rows still to run; 0: the slot is empty
        std::int64_t samples; // consumed by the slot's stream
    };

    std::int64_t endOf(std::int32_t i) const { return i + 1 < segments_ ? starts_[i + 1] : total_; }

    void runSegmentAlone(std::int32_t i) {
        const std::int64_t begin = starts_[i];
        runAlone<Kind>(fresh_, input_ + begin, endOf(i) - begin, output_ + begin);
    }

    // The words of a stream holding what its step carries from sample to
    // sample, and an oscillator's scale: all that differs between two
    // streams of the same parameters past their warm-ups and windows.
    void findCarried(StreamState& s) {
        const auto* base = reinterpret_cast<const unsigned char*>(&s);
        const auto add = [this](std::size_t offset) {
            const auto w = static_cast<std::int32_t>(offset / 8);
            if (std::find(carried_, carried_ + carriedWords_, w) == carried_ + carriedWords_)
                carried_[carriedWords_++] = w;
        };
        s.step<Kind>().forEachState(
            [&](const auto& v) { add(std::size_t(reinterpret_cast<const unsigned char*>(&v) - base)); });
        if constexpr (Kind::kRmsWindow) add(offsetof(StreamState, scale));
    }

    // Whether every slot's input, and every slot's output, lie at one
    // stride from the slot before.
    bool evenlySpaced() const {
        const std::ptrdiff_t in = slot_[1].input - slot_[0].input, out = slot_[1].output - slot_[0].output;
        for (std::int32_t j = 2; j < kSlots; ++j)
            if (slot_[j].input - slot_[j - 1].input != in || slot_[j].output - slot_[j - 1].output != out)
                return false;
        return true;
    }

    // Puts the next segment long enough for a lane in slot j, running the
    // shorter ones met on the way alone. 1 when the slot got one.
    std::int32_t fill(std::int32_t j) {
        slot_[j].left = 0;
        constexpr std::int64_t early = kEarlySamples<Kind>;
        for (; next_ < segments_; ++next_) {
            const std::int64_t begin = starts_[next_], count = endOf(next_) - begin;
            if (count - early < kVectorRowsFrom) {
                runSegmentAlone(next_);
                continue;
            }
            tsf_stream one;
            std::memcpy(&one, &fresh_, kKeptBytes);
            StreamState& s = stateOf(&one);
            update<Kind>(s, input_ + begin, static_cast<std::int32_t>(early), output_ + begin);
            window<Kind>(s, output_ + begin);
            for (std::int32_t k = 0; k < carriedWords_; ++k)
                wordOf(slots_, shift_, j, carried_[k]) = one.opaque[carried_[k]];
            slot_[j] = {input_ + begin + early, output_ + begin + early, count - early, early};
            ++next_;
            return 1;
        }
        return 0;
    }

    // The rest of slot j's segment through the stream's own update, from the
    // state the kernels left; the slot is then empty.
    void finishAlone(std::int32_t j) {
        tsf_stream one;
        std::memcpy(&one, &fresh_, kKeptBytes);
        for (std::int32_t k = 0; k < carriedWords_; ++k)
            one.opaque[carried_[k]] = wordOf(slots_, shift_, j, carried_[k]);
        StreamState& s = stateOf(&one);
        Slot& at = slot_[j];
        s.samples = at.samples;
        for (std::int64_t done = 0; done < at.left; done += kPiece)
            update<Kind>(s, at.input + done, static_cast<std::int32_t>(std::min(kPiece, at.left - done)),
                         at.output + done);
        at.left = 0;
    }

    const tsf_stream& fresh_;
    const lanes::TargetCode& target_;
    const float* input_;
    const std::int64_t* starts_;
    std::int32_t segments_;
    std::int64_t total_;
    float* output_;
    std::int32_t next_ = 0;   // the first segment no slot has taken or run alone
    std::int32_t shift_ = 0;  // log2 of the lanes per block
    std::int32_t carried_[lanes::kMaxValues];
    std::int32_t carriedWords_ = 0;

    Slot slot_[kSlots];
    tsf_stream slots_[kSlots];  // the slots' streams, block by block transposed
    float tile_[kSlots * kTileRows];
};

}  // namespace tsfilters::stream::segments
