// What the book tests share: a book in memory of its own, and the
// tsf_streams each of its series must match.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "../stream/stream_test_support.hpp"
#include "tsfilters_stream.h"

namespace book_testing {

using Bytes = std::vector<unsigned char>;

// A book's memory, 64-byte aligned.
struct Memory {
    std::vector<std::uint64_t> words;
    std::int64_t bytes;

    Memory(tsf_kind kind, std::int32_t capacity)
        : words(size_t(tsf_book_bytes(kind, capacity)) / 8 + 8), bytes(tsf_book_bytes(kind, capacity)) {}
    tsf_book* book() {
        auto at = reinterpret_cast<std::uintptr_t>(words.data());
        return reinterpret_cast<tsf_book*>((at + 63) / 64 * 64);
    }
    Bytes snapshot() {
        Bytes b(static_cast<size_t>(bytes));
        std::memcpy(b.data(), book(), b.size());
        return b;
    }
};

// Series j's parameters, spread so that neighbours differ.
inline tsf_params seriesParams(std::int32_t j) {
    return {2 + (7 * j) % 90, 2 + (5 * j) % 30, float((37 * j) % 101) / 100.0f};
}

inline std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

inline Bytes savedBook(const tsf_book* book) {
    Bytes b(size_t(tsf_book_save(book, nullptr, 0)));
    EXPECT_EQ(tsf_book_save(book, b.data(), std::int64_t(b.size())), std::int64_t(b.size()));
    return b;
}

}  // namespace book_testing
