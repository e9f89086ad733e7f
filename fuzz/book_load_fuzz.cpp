// libFuzzer entry for tsf_book_load and tsf_book_saved_info: whatever the
// bytes, neither reads past `size` nor crashes; a refused load leaves the
// book as it was; a loaded book saves back to exactly the bytes it came
// from, tells what saved_info told, and runs every call on its series.
//
// Byte 0 picks how the rest is used:
//   0 mod 4  the rest is the buffer, as it is;
//   2 mod 4  the rest is the buffer with its magic, version, slot count,
//            size and CRC made right for the kind it names, as someone
//            crafting a book would: a mutation then reaches the checks of
//            the records (live count, free list, each stream inside)
//            instead of dying at the checksum. The seeds in corpus_book/
//            are saved books of every kind in this mode;
//   odd      the rest describes a valid book (kind, policy, series added,
//            removed, fed) and the damage done to its saved bytes: a
//            truncation or a bit flip, each of which must get its own
//            code; an undamaged book must continue exactly as the one
//            saved.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "load_fuzz.hpp"
#include "tsfilters_stream.h"

namespace {

using fuzzing::Bytes;
using fuzzing::fail;

// A book in a heap block of exactly its bytes (ASan guards the end).
struct Book {
    std::int64_t bytes;
    std::unique_ptr<std::uint64_t[]> memory;

    Book(tsf_kind kind, std::int32_t capacity)
        : bytes(tsf_book_bytes(kind, capacity)), memory(new std::uint64_t[std::size_t(bytes) / 8]) {
        std::memset(memory.get(), 0xA5, std::size_t(bytes));
    }
    tsf_book* get() { return reinterpret_cast<tsf_book*>(memory.get()); }
    Bytes snapshot() const {
        const auto* p = reinterpret_cast<const unsigned char*>(memory.get());
        return Bytes(p, p + bytes);
    }
};

Bytes saved(const tsf_book* book) {
    Bytes b(std::size_t(tsf_book_save(book, nullptr, 0)));
    if (tsf_book_save(book, b.data(), std::int64_t(b.size())) != std::int64_t(b.size())) fail("a save failed");
    return b;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Every call a loaded book takes, with no outcome but a code or a value.
void exercise(tsf_book* book, const tsf_book_info& info) {
    std::vector<float> row(std::size_t(info.slots) + 1), out(row.size());
    for (std::size_t s = 0; s < row.size(); ++s) row[s] = float(s % 7) - 3.0f;
    tsf_book_peek(book, row.data(), out.data());
    const std::int32_t rc = tsf_book_update(book, row.data(), out.data());
    if (rc != info.slots && rc != TSF_E_FULL) fail("a loaded book does not update", rc);
    for (std::int32_t s = 0; s < info.slots; ++s) {
        if (tsf_book_samples(book, s) < 0) continue;
        tsf_stream one;
        if (tsf_book_get(book, s, &one) != TSF_OK) fail("a live series does not convert", s);
        const float x = 1.5f;
        float y;
        tsf_book_update_sparse(book, &s, &x, 1, &y);
        tsf_book_reset(book, s);
        if (tsf_book_remove(book, s) != TSF_OK) fail("a live series does not go", s);
        break;
    }
    const tsf_params p = {10, 10, 0.5f};
    tsf_book_add(book, &p);
}

// Loads from a heap block of exactly `b.size()` bytes and checks the
// outcome that holds for any bytes. Returns the code.
int loadChecked(const Bytes& b) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[b.empty() ? 1 : b.size()]);
    if (!b.empty()) std::memcpy(exact.get(), b.data(), b.size());
    const auto size = std::int64_t(b.size());
    tsf_book_info info{};
    const int told = tsf_book_saved_info(exact.get(), size, &info);
    // A capacity of the saved slots and one more, of the kind saved, or a
    // small one of a plain kind when the bytes are no book at all.
    const tsf_kind kind = told == TSF_OK ? info.kind : TSF_SUPER_SMOOTHER;
    const std::int32_t capacity = told == TSF_OK ? info.slots + 1 : 4;
    Book book(kind, capacity);
    const Bytes before = book.snapshot();
    const int rc = tsf_book_load(book.get(), book.bytes, capacity, exact.get(), size);
    if (rc != TSF_OK) {
        if (rc > 0 || rc < TSF_E_CAPACITY) fail("load returned an unknown code", rc);
        if (told == TSF_OK && rc != TSF_E_STATE) fail("saved_info took what load refuses for its header", rc);
        if (told != TSF_OK && rc != told) fail("saved_info and load disagree", told, rc);
        if (book.snapshot() != before) fail("a failed load changed the book", rc);
        return rc;
    }
    if (told != TSF_OK) fail("load took what saved_info refused", told);
    tsf_book_info loaded{};
    tsf_book_describe(book.get(), &loaded);
    if (loaded.kind != info.kind || loaded.missing != info.missing || loaded.slots != info.slots ||
        loaded.live != info.live || loaded.capacity != capacity)
        fail("a loaded book does not describe what saved_info told");
    if (saved(book.get()) != b) fail("a loaded book does not save back to its bytes");
    exercise(book.get(), loaded);
    return rc;
}

// The bytes of one record of `kind`: a saved stream and its 8-byte head.
std::int64_t recordBytes(tsf_kind kind) {
    tsf_stream s;
    const tsf_params p = {2, 2, 0.5f};
    tsf_stream_init(&s, kind, &p);
    return 8 + tsf_stream_save(&s, nullptr, 0);
}

// A buffer made to pass every check up to the records'.
void resealed(fuzzing::ByteReader& in) {
    Bytes b(in.rest(), in.rest() + in.restSize());
    if (b.size() < 36) b.resize(36, 0);
    const auto kind = tsf_kind(1 + (b[6] | b[7] << 8) % 7);
    const std::int64_t record = recordBytes(kind);
    const std::int64_t slots = std::min<std::int64_t>((std::int64_t(b.size()) - 36) / record, 64);
    b.resize(std::size_t(36 + slots * record));
    std::memcpy(b.data(), "TSFB\x01\x00", 6);
    fuzzing::put(b.data() + 6, std::uint64_t(kind), 2);
    fuzzing::put(b.data() + 8, b.size(), 8);
    fuzzing::put(b.data() + 16, std::uint64_t(slots), 4);
    fuzzing::seal(b);
    const int rc = loadChecked(b);
    if (rc == TSF_E_MAGIC || rc == TSF_E_VERSION || rc == TSF_E_SIZE || rc == TSF_E_CRC || rc == TSF_E_KIND)
        fail("a resealed book died early", rc);
}

// The code a flip in byte `at` of a saved book must get.
int codeForFlip(std::size_t at) {
    if (at < 4) return TSF_E_MAGIC;
    if (at < 6) return TSF_E_VERSION;
    if (at >= 8 && at < 16) return TSF_E_SIZE;
    return TSF_E_CRC;
}

// Fills a book from the bytes: up to 12 series, some removed, rows with
// gaps, then saves it, damages the save or continues it.
void damagedValidBook(fuzzing::ByteReader& in) {
    const auto kind = tsf_kind(1 + in.byte() % 7);
    const int missing = in.byte() % 3;
    const std::int32_t series = 1 + in.byte() % 12;
    const std::uint8_t removed = in.byte();
    const int rows = in.byte() | (in.byte() & 1) << 8;  // 0..511: either side of the window
    const std::uint8_t damage = in.byte();
    const tsf_params p = {std::int8_t(in.byte()), std::int8_t(in.byte()), std::bit_cast<float>(in.word())};
    const std::vector<float> x = fuzzing::decodeSamples(damage & 3, in.rest(), in.restSize(), rows + 21);
    Book book(kind, series);
    tsf_book_init(book.get(), book.bytes, kind, series, missing);
    for (std::int32_t s = 0; s < series; ++s) {
        const tsf_params own = {p.period + s, p.smooth_period, p.gamma};
        tsf_book_add(book.get(), &own);
    }
    for (std::int32_t s = 0; s < series && s < 8; ++s)
        if (removed >> s & 1) tsf_book_remove(book.get(), s);
    std::vector<float> row(static_cast<std::size_t>(series)), out(row.size());
    // Row r gives series s sample x[r + s]: each its own history.
    for (int r = 0; r < rows; ++r) {
        for (std::int32_t s = 0; s < series; ++s) row[std::size_t(s)] = x[std::size_t((r + s) % int(x.size()))];
        tsf_book_update(book.get(), row.data(), out.data());
    }
    Bytes b = saved(book.get());

    const std::uint32_t where = x.empty() ? 0u : std::bit_cast<std::uint32_t>(x[0]);
    if (!fuzzing::damaged(b, damage, where, loadChecked, codeForFlip, TSF_E_SIZE)) {
        // Intact: it continues exactly as the original.
        if (loadChecked(b) != TSF_OK) fail("a saved book does not load");
        Book copy(kind, series);
        tsf_book_load(copy.get(), copy.bytes, series, b.data(), std::int64_t(b.size()));
        std::vector<float> expected(row.size()), got(row.size());
        for (int r = 0; r < 20; ++r) {
            for (std::int32_t s = 0; s < series; ++s) row[std::size_t(s)] = x[std::size_t((r + s + 1) % int(x.size()))];
            const int a = tsf_book_update(book.get(), row.data(), expected.data());
            const int c = tsf_book_update(copy.get(), row.data(), got.data());
            if (a != c || (a > 0 && !sameBits(expected, got))) fail("a loaded book continues differently", r);
        }
        if (saved(book.get()) != saved(copy.get())) fail("a loaded book ends in another state");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzing::byMode(data, size, damagedValidBook, resealed, [](const Bytes& b) { loadChecked(b); });
}
