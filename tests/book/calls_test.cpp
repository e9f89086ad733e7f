// What a careless or hostile caller may do to a book: every refused call
// returns its code and leaves the book's bytes and the output as they were.
#include <cmath>
#include <limits>

#include "book_test_support.hpp"

namespace {

using namespace book_testing;

constexpr float kSentinel = 12345.0f;
const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Book {
    Memory memory;
    Book(tsf_kind kind, std::int32_t capacity, int missing, std::int32_t series) : memory(kind, capacity) {
        EXPECT_EQ(tsf_book_init(memory.book(), memory.bytes, kind, capacity, missing), TSF_OK);
        for (std::int32_t j = 0; j < series; ++j) {
            const tsf_params p = seriesParams(j);
            EXPECT_EQ(tsf_book_add(memory.book(), &p), j);
        }
    }
    tsf_book* operator->() { return memory.book(); }
    tsf_book* get() { return memory.book(); }
};

TEST(BookCalls, InitRefusesWhatCannotHoldABook) {
    Memory m(TSF_HIGH_PASS, 10);
    EXPECT_EQ(tsf_book_bytes(tsf_kind(0), 10), TSF_E_KIND);
    EXPECT_EQ(tsf_book_bytes(TSF_HIGH_PASS, -1), TSF_E_ARGUMENT);
    EXPECT_EQ(tsf_book_init(nullptr, m.bytes, TSF_HIGH_PASS, 10, TSF_MISSING_DROP), TSF_E_NULL);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes, tsf_kind(8), 10, TSF_MISSING_DROP), TSF_E_KIND);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes - 1, TSF_HIGH_PASS, 10, TSF_MISSING_DROP), TSF_E_SIZE);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes, TSF_HIGH_PASS, 10, 3), TSF_E_ARGUMENT);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes, TSF_HIGH_PASS, -1, TSF_MISSING_DROP), TSF_E_ARGUMENT);
    auto* misaligned = reinterpret_cast<tsf_book*>(reinterpret_cast<unsigned char*>(m.book()) + 4);
    EXPECT_EQ(tsf_book_init(misaligned, m.bytes - 8, TSF_HIGH_PASS, 1, TSF_MISSING_DROP), TSF_E_ARGUMENT);
    // Memory never initialised, or a stream's, is no book.
    tsf_book_info info;
    EXPECT_EQ(tsf_book_describe(m.book(), &info), TSF_E_NOT_BOOK);
    float x = 1.0f, y = kSentinel;
    EXPECT_EQ(tsf_book_update(m.book(), &x, &y), TSF_E_NOT_BOOK);
    EXPECT_EQ(y, kSentinel);
}

TEST(BookCalls, SingleFiltersTakeAtMost64BytesPerSeries) {
    for (tsf_kind kind : {TSF_HIGH_PASS, TSF_SUPER_SMOOTHER, TSF_ULTIMATE_SMOOTHER}) {
        const std::int64_t perSeries = (tsf_book_bytes(kind, 1000000) - tsf_book_bytes(kind, 0)) / 1000000;
        EXPECT_LE(perSeries, 64) << kind;
    }
}

TEST(BookCalls, ErrorPolicyRefusesARowWithAMissingSampleAndChangesNothing) {
    Book b(TSF_SUPER_SMOOTHER, 8, TSF_MISSING_ERROR, 5);
    ASSERT_EQ(tsf_book_remove(b.get(), 3), TSF_OK);
    std::vector<float> row = {1, 2, 3, 4, 5}, out(5, kSentinel);
    ASSERT_EQ(tsf_book_update(b.get(), row.data(), out.data()), 5);
    const Bytes before = b.memory.snapshot();
    for (float bad : {kNaN, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()}) {
        row[4] = bad;
        std::vector<float> o(5, kSentinel);
        EXPECT_EQ(tsf_book_update(b.get(), row.data(), o.data()), TSF_E_MISSING);
        EXPECT_EQ(tsf_book_peek(b.get(), row.data(), o.data()), TSF_E_MISSING);
        EXPECT_EQ(o, std::vector<float>(5, kSentinel));
        const std::int32_t slots[] = {0, 4};
        const float values[] = {1.0f, bad};
        EXPECT_EQ(tsf_book_update_sparse(b.get(), slots, values, 2, o.data()), TSF_E_MISSING);
        EXPECT_EQ(o, std::vector<float>(5, kSentinel));
        EXPECT_EQ(b.memory.snapshot(), before);
    }
    // The free slot's value is not read.
    row[4] = 5.0f;
    row[3] = kNaN;
    EXPECT_EQ(tsf_book_update(b.get(), row.data(), out.data()), 5);
    EXPECT_TRUE(std::isnan(out[3]));
}

TEST(BookCalls, SparseRowsRefuseSlotsOfNoSeriesAndRepeats) {
    Book b(TSF_ULTIMATE_SMOOTHER, 8, TSF_MISSING_DROP, 6);
    ASSERT_EQ(tsf_book_remove(b.get(), 2), TSF_OK);
    const Bytes before = b.memory.snapshot();
    const float values[] = {1, 2, 3};
    for (std::vector<std::int32_t> slots : std::vector<std::vector<std::int32_t>>{
             {0, 1, 2}, {0, 6, 1}, {0, -1, 1}, {0, 7, 1}, {5, 1, 5}, {4, 4, 0}, {0, 1, INT32_MIN}}) {
        std::vector<float> out(3, kSentinel);
        EXPECT_EQ(tsf_book_update_sparse(b.get(), slots.data(), values, 3, out.data()), TSF_E_SERIES);
        EXPECT_EQ(out, std::vector<float>(3, kSentinel));
        EXPECT_EQ(b.memory.snapshot(), before) << slots[0] << slots[1] << slots[2];
    }
    // A peek of one series twice is two peeks.
    const std::int32_t twice[] = {4, 4};
    float out[2];
    EXPECT_EQ(tsf_book_peek_sparse(b.get(), twice, values, 2, out), 2);
    EXPECT_EQ(b.memory.snapshot(), before);
    EXPECT_EQ(tsf_book_samples(b.get(), 2), TSF_E_SERIES);
    EXPECT_EQ(tsf_book_reset(b.get(), 2), TSF_E_SERIES);
    EXPECT_EQ(tsf_book_remove(b.get(), 2), TSF_E_SERIES);
    EXPECT_EQ(tsf_book_remove(b.get(), 6), TSF_E_SERIES);
    tsf_stream s;
    EXPECT_EQ(tsf_book_get(b.get(), 2, &s), TSF_E_SERIES);
}

TEST(BookCalls, SlotsStayPutAndFreedOnesAreReused) {
    Book b(TSF_HIGH_PASS, 4, TSF_MISSING_DROP, 4);
    const tsf_params p = seriesParams(9);
    EXPECT_EQ(tsf_book_add(b.get(), &p), TSF_E_CAPACITY);
    ASSERT_EQ(tsf_book_remove(b.get(), 1), TSF_OK);
    ASSERT_EQ(tsf_book_remove(b.get(), 3), TSF_OK);
    tsf_book_info info;
    ASSERT_EQ(tsf_book_describe(b.get(), &info), TSF_OK);
    EXPECT_EQ(info.slots, 4);
    EXPECT_EQ(info.live, 2);
    EXPECT_EQ(tsf_book_add(b.get(), &p), 3);  // the most recently freed first
    EXPECT_EQ(tsf_book_add(b.get(), &p), 1);
    EXPECT_EQ(tsf_book_add(b.get(), &p), TSF_E_CAPACITY);
    tsf_params got;
    ASSERT_EQ(tsf_book_params(b.get(), 3, &got), TSF_OK);
    EXPECT_EQ(got.period, p.period);
    EXPECT_EQ(got.smooth_period, p.smooth_period);
    EXPECT_EQ(got.gamma, p.gamma);
    // Growing below the slots in use, or into the book itself, is refused.
    Memory small(TSF_HIGH_PASS, 3);
    EXPECT_EQ(tsf_book_grow(small.book(), small.bytes, 3, b.get()), TSF_E_CAPACITY);
    EXPECT_EQ(tsf_book_grow(b.get(), b.memory.bytes, 4, b.get()), TSF_E_ARGUMENT);
}

TEST(BookCalls, OverlappingArraysAreRefused) {
    Book b(TSF_LAGUERRE_FILTER, 16, TSF_MISSING_DROP, 16);
    std::vector<float> a(40, 1.0f);
    const Bytes before = b.memory.snapshot();
    EXPECT_EQ(tsf_book_update(b.get(), a.data(), a.data() + 1), TSF_E_ARGUMENT);
    EXPECT_EQ(tsf_book_update(b.get(), a.data() + 3, a.data()), TSF_E_ARGUMENT);
    // An output inside the book itself.
    auto* inside = reinterpret_cast<float*>(b.get()) + 64;
    EXPECT_EQ(tsf_book_update(b.get(), a.data(), inside), TSF_E_ARGUMENT);
    std::vector<std::int32_t> slots = {0, 1, 2, 3};
    EXPECT_EQ(tsf_book_update_sparse(b.get(), slots.data(), a.data(), 4,
                                     reinterpret_cast<float*>(slots.data()) + 1),
              TSF_E_ARGUMENT);
    EXPECT_EQ(b.memory.snapshot(), before);
    // In place is fine.
    EXPECT_EQ(tsf_book_update(b.get(), a.data(), a.data()), 16);
}

TEST(BookCalls, StreamsGoInOnlyAsStatesAnUpdateLeaves) {
    Book b(TSF_SUPER_SMOOTHER, 4, TSF_MISSING_DROP, 0);
    tsf_stream other;
    const tsf_params p = seriesParams(3);
    tsf_stream_init(&other, TSF_HIGH_PASS, &p);
    EXPECT_EQ(tsf_book_add_stream(b.get(), &other), TSF_E_MIXED);
    tsf_stream never;
    std::memset(&never, 0, sizeof never);
    EXPECT_EQ(tsf_book_add_stream(b.get(), &never), TSF_E_NOT_STREAM);
    // A saved state whose previous output is no float: tsf_stream_load
    // takes it, a book cannot hold it.
    tsf_stream s;
    tsf_stream_init(&s, TSF_SUPER_SMOOTHER, &p);
    const float x[] = {1, 2, 3, 4};
    float y[4];
    tsf_stream_update(&s, x, 4, y);
    Bytes b8 = stream_testing::saved(s);
    b8[32 + 8] ^= 1;  // y1's lowest mantissa bit, after x1 and x2
    b8 = stream_testing::resealed(b8);
    tsf_stream crafted;
    ASSERT_EQ(tsf_stream_load(&crafted, b8.data(), std::int32_t(b8.size())), TSF_OK);
    const Bytes before = b.memory.snapshot();
    EXPECT_EQ(tsf_book_add_stream(b.get(), &crafted), TSF_E_STATE);
    EXPECT_EQ(b.memory.snapshot(), before);
    // The stream itself goes in and comes out the same.
    const std::int32_t slot = tsf_book_add_stream(b.get(), &s);
    ASSERT_EQ(slot, 0);
    tsf_stream back;
    ASSERT_EQ(tsf_book_get(b.get(), slot, &back), TSF_OK);
    EXPECT_EQ(stream_testing::saved(back), stream_testing::saved(s));
    EXPECT_EQ(stream_testing::bytesOf(back), stream_testing::bytesOf(s));
}

// A row of doubles is each value rounded to the nearest float: past the
// largest float by half its last place or more is an infinity, so a missing
// sample, and just short of that is the largest float. Checked in vectors
// of steady series (16 one-set series past their warm-up) and the scalar
// tail, against the same book fed the floats worked out by hand.
TEST(BookCalls, DoubleRowsRoundEachValueToTheNearestFloat) {
    const float kMax = std::numeric_limits<float>::max(), kInf = std::numeric_limits<float>::infinity();
    const double doubles[] = {0x1.fffffep127, 0x1.ffffffp127, 0x1.fffffefffffffp127, -0x1.ffffffp127,
                              1e300, -1e300, 1e-300, 100.25000000001, kNaN, -0x1.fffffefffffffp127};
    const float floats[] = {kMax, kInf, kMax, -kInf, kInf, -kInf, 0.0f, 100.25f, kNaN, -kMax};
    for (int kind = 1; kind <= 7; ++kind) {
        Memory memory(tsf_kind(kind), 19);
        tsf_book* book = memory.book();
        ASSERT_EQ(tsf_book_init(book, memory.bytes, tsf_kind(kind), 19, TSF_MISSING_DROP), TSF_OK);
        const tsf_params p = seriesParams(3);
        for (int j = 0; j < 19; ++j) ASSERT_EQ(tsf_book_add(book, &p), j);
        std::vector<float> warm(19), out(19);
        for (int row = 0; row < 130; ++row) {
            for (int j = 0; j < 19; ++j) warm[size_t(j)] = 100.0f + float((row * 7 + j * 3) % 11);
            ASSERT_EQ(tsf_book_update(book, warm.data(), out.data()), 19);
        }
        Memory twin(tsf_kind(kind), 19);
        std::memcpy(twin.book(), book, size_t(memory.bytes));  // a byte copy is a snapshot
        for (int shift = 0; shift < 10; ++shift) {
            std::vector<double> d(19);
            std::vector<float> f(19);
            for (int j = 0; j < 19; ++j) {
                d[size_t(j)] = j < 10 ? doubles[(j + shift) % 10] : 99.5;
                f[size_t(j)] = j < 10 ? floats[(j + shift) % 10] : 99.5f;
            }
            std::vector<float> got(19, kSentinel), want(19, kSentinel);
            ASSERT_EQ(tsf_book_update_doubles(book, d.data(), got.data()), 19);
            ASSERT_EQ(tsf_book_update(twin.book(), f.data(), want.data()), 19);
            for (int j = 0; j < 19; ++j)
                ASSERT_EQ(bitsOf(got[size_t(j)]), bitsOf(want[size_t(j)])) << "kind " << kind << " slot " << j;
            ASSERT_EQ(memory.snapshot(), twin.snapshot()) << "kind " << kind << " shift " << shift;
            const std::int32_t slots[] = {4, 0, 9};
            const double some[] = {d[4], d[0], d[9]};
            const float someFloats[] = {f[4], f[0], f[9]};
            ASSERT_EQ(tsf_book_update_sparse_doubles(book, slots, some, 3, got.data()), 3);
            ASSERT_EQ(tsf_book_update_sparse(twin.book(), slots, someFloats, 3, want.data()), 3);
            ASSERT_EQ(memory.snapshot(), twin.snapshot()) << "kind " << kind << " shift " << shift;
        }
    }
}

// A row of doubles and its float outputs cannot be one array: any shared
// byte is refused, and nothing is written.
TEST(BookCalls, DoubleRowsShareNoByteWithTheirOutputs) {
    Book b(TSF_SUPER_SMOOTHER, 8, TSF_MISSING_DROP, 8);
    std::vector<double> a(16, 1.0);
    const Bytes before = b.memory.snapshot();
    auto* asFloats = reinterpret_cast<float*>(a.data());
    EXPECT_EQ(tsf_book_update_doubles(b.get(), a.data(), asFloats), TSF_E_ARGUMENT);
    EXPECT_EQ(tsf_book_peek_doubles(b.get(), a.data(), asFloats + 15), TSF_E_ARGUMENT);
    const std::int32_t slots[] = {0, 1};
    EXPECT_EQ(tsf_book_update_sparse_doubles(b.get(), slots, a.data(), 2, asFloats + 3), TSF_E_ARGUMENT);
    EXPECT_EQ(b.memory.snapshot(), before);
    EXPECT_EQ(a, std::vector<double>(16, 1.0));
    EXPECT_EQ(tsf_book_update_doubles(b.get(), a.data(), asFloats + 16), 8);  // just past the row: fine
}

// The header says whether every series shares one coefficient set; a flag
// that is neither yes nor no marks damaged memory, refused like the rest.
TEST(BookCalls, ADamagedSharedFlagIsRefused) {
    Book b(TSF_SUPER_SMOOTHER, 4, TSF_MISSING_DROP, 0);
    const tsf_params p = seriesParams(1);
    for (int j = 0; j < 4; ++j) ASSERT_EQ(tsf_book_add(b.get(), &p), j);
    std::int32_t flag;
    std::memcpy(&flag, reinterpret_cast<unsigned char*>(b.get()) + 28, 4);
    EXPECT_EQ(flag, 1);
    flag = 2;
    std::memcpy(reinterpret_cast<unsigned char*>(b.get()) + 28, &flag, 4);
    float x[4] = {1, 2, 3, 4}, y[4];
    EXPECT_EQ(tsf_book_update(b.get(), x, y), TSF_E_NOT_BOOK);
}

TEST(BookCalls, AnEmptyRowReadsAndWritesNothing) {
    Book b(TSF_BAND_PASS, 0, TSF_MISSING_DROP, 0);
    EXPECT_EQ(tsf_book_update(b.get(), nullptr, nullptr), 0);
    EXPECT_EQ(tsf_book_update_sparse(b.get(), nullptr, nullptr, 0, nullptr), 0);
    Book c(TSF_BAND_PASS, 2, TSF_MISSING_DROP, 2);
    float x[2] = {1, 2};
    EXPECT_EQ(tsf_book_update(c.get(), nullptr, x), TSF_E_NULL);
    EXPECT_EQ(tsf_book_update(c.get(), x, nullptr), TSF_E_NULL);
}

}  // namespace
