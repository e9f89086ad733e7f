// A book's saved bytes: restored and continued bit for bit, and crafted ones
// (truncated, mutated with the CRC recomputed, indexes out of range)
// refused with the memory of the target book unchanged. Under ASan a slip
// here is an overflow, not a wrong number.
#include <random>

#include "book_test_support.hpp"

namespace {

using namespace book_testing;

constexpr size_t kSlotsAt = 16, kLiveAt = 20, kFreeAt = 24, kMissingAt = 28, kRecordsAt = 32;

void put32(Bytes& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// A book of every kind with history, free slots among the live ones.
Bytes savedWithHistory(tsf_kind kind, std::int32_t slots = 9) {
    Memory m(kind, slots);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes, kind, slots, TSF_MISSING_DROP), TSF_OK);
    for (std::int32_t j = 0; j < slots; ++j) {
        const tsf_params p = seriesParams(j);
        tsf_book_add(m.book(), &p);
    }
    std::vector<float> row(static_cast<size_t>(slots)), out(static_cast<size_t>(slots));
    for (int t = 0; t < 130; ++t) {
        for (size_t s = 0; s < row.size(); ++s) row[s] = 100.0f + float((t * 7 + int(s) * 3) % 11);
        tsf_book_update(m.book(), row.data(), out.data());
    }
    tsf_book_remove(m.book(), 2);
    tsf_book_remove(m.book(), 6);
    tsf_book_remove(m.book(), 4);
    return savedBook(m.book());
}

// Loads into a book that already holds something, which a refusal must keep.
int loadInto(Memory& target, const Bytes& b) {
    return tsf_book_load(target.book(), target.bytes, 9, b.data(), std::int64_t(b.size()));
}

Memory occupied(tsf_kind kind) {
    Memory m(kind, 9);
    EXPECT_EQ(tsf_book_init(m.book(), m.bytes, kind, 9, TSF_MISSING_KEEP), TSF_OK);
    const tsf_params p = seriesParams(5);
    tsf_book_add(m.book(), &p);
    return m;
}

TEST(BookSaved, RestoredBooksContinueAsTheOriginal) {
    for (int kind = 1; kind <= 7; ++kind) {
        const Bytes b = savedWithHistory(tsf_kind(kind));
        tsf_book_info info;
        ASSERT_EQ(tsf_book_saved_info(b.data(), std::int64_t(b.size()), &info), TSF_OK);
        EXPECT_EQ(info.slots, 9);
        EXPECT_EQ(info.live, 6);
        Memory a(tsf_kind(kind), 12), c(tsf_kind(kind), 12);
        ASSERT_EQ(tsf_book_load(a.book(), a.bytes, 12, b.data(), std::int64_t(b.size())), TSF_OK);
        ASSERT_EQ(tsf_book_load(c.book(), c.bytes, 12, b.data(), std::int64_t(b.size())), TSF_OK);
        // The same slots come free in the same order.
        const tsf_params p = seriesParams(40);
        EXPECT_EQ(tsf_book_add(a.book(), &p), 4);
        EXPECT_EQ(tsf_book_add(a.book(), &p), 6);
        EXPECT_EQ(tsf_book_add(a.book(), &p), 2);
        EXPECT_EQ(tsf_book_add(a.book(), &p), 9);
        // One restored book continued against a second, converted to streams.
        std::vector<float> row(10, 101.5f), out(10);
        tsf_book_update(a.book(), row.data(), out.data());
        for (std::int32_t s : {0, 1, 3, 5, 7, 8}) {
            tsf_stream st;
            ASSERT_EQ(tsf_book_get(c.book(), s, &st), TSF_OK);
            float y;
            tsf_stream_update(&st, &row[size_t(s)], 1, &y);
            EXPECT_EQ(bitsOf(y), bitsOf(out[size_t(s)])) << kind << " slot " << s;
        }
    }
}

TEST(BookSaved, TruncatedOrExtendedBytesAreRefused) {
    for (int kind = 1; kind <= 7; ++kind) {
        const Bytes b = savedWithHistory(tsf_kind(kind));
        Memory target = occupied(tsf_kind(kind));
        const Bytes before = target.snapshot();
        for (size_t n = 0; n < b.size(); n += (n < 64 ? 1 : 37)) {
            const Bytes cut(b.begin(), b.begin() + std::ptrdiff_t(n));
            EXPECT_NE(loadInto(target, cut), TSF_OK) << n;
        }
        Bytes longer = b;
        longer.push_back(0);
        EXPECT_EQ(loadInto(target, longer), TSF_E_SIZE);
        EXPECT_EQ(target.snapshot(), before);
    }
}

TEST(BookSaved, CraftedFieldsWithTheirCrcAreRefused) {
    for (int kind = 1; kind <= 7; ++kind) {
        const Bytes b = savedWithHistory(tsf_kind(kind));
        const size_t record = (b.size() - 36) / 9;
        Memory target = occupied(tsf_kind(kind));
        const Bytes before = target.snapshot();
        const auto refused = [&](size_t at, std::uint32_t v, int code) {
            Bytes c = b;
            put32(c, at, v);
            c = stream_testing::resealed(c);
            EXPECT_EQ(loadInto(target, c), code) << "kind " << kind << " at " << at << " value " << v;
        };
        refused(kSlotsAt, 10, TSF_E_SIZE);
        refused(kSlotsAt, 0x80000000u, TSF_E_STATE);
        refused(kSlotsAt, 0x7FFFFFFFu, TSF_E_SIZE);
        refused(kLiveAt, 7, TSF_E_STATE);
        refused(kLiveAt, 10, TSF_E_STATE);
        refused(kLiveAt, 0xFFFFFFFFu, TSF_E_STATE);
        refused(kFreeAt, 9, TSF_E_STATE);
        refused(kFreeAt, 0, TSF_E_STATE);            // a live slot
        refused(kFreeAt, 6, TSF_E_STATE);            // skips the first free slot
        refused(kFreeAt, 0xFFFFFFFEu, TSF_E_STATE);
        refused(kMissingAt, 3, TSF_E_STATE);
        refused(kRecordsAt + 2 * record, 2, TSF_E_STATE);        // a free slot pointing at itself
        refused(kRecordsAt + 2 * record, 99, TSF_E_STATE);       // out of range
        refused(kRecordsAt + 2 * record, 0xFFFFFFFEu, TSF_E_STATE);  // now live: no stream in it
        refused(kRecordsAt + 0 * record, 0xFFFFFFFFu, TSF_E_STATE);  // a live one made free
        refused(kRecordsAt + 2 * record + 12, 1, TSF_E_STATE);   // bytes in a free record
        refused(kRecordsAt + 0 * record + 4, 1, TSF_E_STATE);
        refused(kRecordsAt + 0 * record + 8 + 6, kind == 1 ? 2 : 1, TSF_E_STATE);  // another kind
        refused(kRecordsAt + 1 * record + 8 + 24, 0xFFFFFFFFu, TSF_E_STATE);      // its sample count
        // The kind in the book's header with another record size.
        Bytes k = b;
        k[6] = static_cast<unsigned char>(kind == 5 ? 4 : 5);
        EXPECT_EQ(loadInto(target, stream_testing::resealed(k)), kind == 7 ? TSF_E_SIZE : TSF_E_SIZE);
        Bytes damaged = b;
        damaged[40] ^= 0x10;
        EXPECT_EQ(loadInto(target, damaged), TSF_E_CRC);
        Bytes magic = b;
        magic[0] = 'X';
        EXPECT_EQ(loadInto(target, magic), TSF_E_MAGIC);
        Bytes version = b;
        version[4] = 2;
        EXPECT_EQ(loadInto(target, version), TSF_E_VERSION);
        EXPECT_EQ(target.snapshot(), before);
        // Too small a book for the saved slots.
        EXPECT_EQ(tsf_book_load(target.book(), target.bytes, 8, b.data(), std::int64_t(b.size())),
                  TSF_E_CAPACITY);
        EXPECT_EQ(target.snapshot(), before);
    }
}

// Random bytes changed, the CRC recomputed: each load refused leaves the
// target as it was, each one taken gives a book that runs and saves.
TEST(BookSaved, RandomMutationsNeverHurt) {
    std::mt19937 rng(7);
    for (int kind = 1; kind <= 7; ++kind) {
        const Bytes b = savedWithHistory(tsf_kind(kind), 5);
        Memory target(tsf_kind(kind), 9);
        ASSERT_EQ(tsf_book_init(target.book(), target.bytes, tsf_kind(kind), 9, TSF_MISSING_DROP), TSF_OK);
        for (int trial = 0; trial < 300; ++trial) {
            Bytes c = b;
            const int changes = 1 + int(rng() % 3);
            for (int i = 0; i < changes; ++i) c[rng() % (c.size() - 4)] ^= static_cast<unsigned char>(1u << (rng() % 8));
            c = stream_testing::resealed(c);
            const Bytes before = target.snapshot();
            if (tsf_book_load(target.book(), target.bytes, 9, c.data(), std::int64_t(c.size())) != TSF_OK) {
                ASSERT_EQ(target.snapshot(), before);
                continue;
            }
            tsf_book_info info;
            ASSERT_EQ(tsf_book_describe(target.book(), &info), TSF_OK);
            std::vector<float> row(size_t(info.slots), 1.0f), out(size_t(info.slots));
            EXPECT_EQ(tsf_book_update(target.book(), row.data(), out.data()), info.slots);
            savedBook(target.book());
        }
    }
}

}  // namespace
