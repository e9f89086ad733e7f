// tsfilters::Stream: the stream library (tsfilters_stream.h) as a C++ value
// type. Header only, over the C functions; failures throw
// std::runtime_error with tsf_strerror's message.
#ifndef TSFILTERS_STREAM_HPP
#define TSFILTERS_STREAM_HPP

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "tsfilters_stream.h"

namespace tsfilters {

class Stream {
public:
    Stream(tsf_kind kind, const tsf_params& params) { check(tsf_stream_init(&s_, kind, &params)); }

    // A stream restored from tsf_stream_save's bytes.
    static Stream load(const std::vector<unsigned char>& saved) {
        Stream s;
        check(tsf_stream_load(&s.s_, saved.data(), static_cast<std::int32_t>(saved.size())));
        return s;
    }

    void update(const float* input, std::int32_t count, float* output) {
        check(tsf_stream_update(&s_, input, count, output));
    }
    float update(float x) {
        float y;
        update(&x, 1, &y);
        return y;
    }

    // The forming bar: the output of a next sample x, the stream unchanged.
    float peek(float x) const {
        float y;
        check(tsf_stream_peek(&s_, x, &y));
        return y;
    }

    // An oscillator's scaled samples 0..99 once known, else false.
    bool window(float* output100) const { return check(tsf_stream_window(&s_, output100)) == 100; }

    std::int64_t samples() const { return check(tsf_stream_samples(&s_)); }

    // Back to the state the constructor gave, with the same parameters.
    void reset() { check(tsf_stream_reset(&s_)); }

    std::vector<unsigned char> save() const {
        std::vector<unsigned char> bytes(static_cast<std::size_t>(check(tsf_stream_save(&s_, nullptr, 0))));
        check(tsf_stream_save(&s_, bytes.data(), static_cast<std::int32_t>(bytes.size())));
        return bytes;
    }

    const tsf_stream& raw() const { return s_; }

private:
    Stream() = default;

    template <class Code>
    static Code check(Code rc) {
        if (rc < 0) throw std::runtime_error(tsf_strerror(static_cast<int>(rc)));
        return rc;
    }

    tsf_stream s_;
};

}  // namespace tsfilters

#endif  // TSFILTERS_STREAM_HPP
