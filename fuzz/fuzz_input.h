// fuzz_input.h - what the fuzz targets share: a reader that turns the
// fuzzer's bytes into values (zeros once the bytes run out, so every input
// is a complete run), and the check that ends a run loudly.
#ifndef QUELM_FUZZ_INPUT_H
#define QUELM_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

// A broken promise of the code under test: printed and aborted, so that the
// fuzzer keeps the input and the replay test fails on it.
#define FUZZ_CHECK(cond, ...)                                                \
    do {                                                                     \
        if (!(cond)) {                                                       \
            std::fprintf(stderr, "%s:%d: check failed: %s: ", __FILE__,      \
                         __LINE__, #cond);                                   \
            std::fprintf(stderr, __VA_ARGS__);                               \
            std::fputc('\n', stderr);                                        \
            std::abort();                                                    \
        }                                                                    \
    } while (0)

class FuzzInput {
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return at_ >= size_; }

    uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    // Little-endian; the reads are sequenced so that every compiler decodes
    // an input the same way.
    uint16_t u16() {
        const uint16_t low = u8();
        return static_cast<uint16_t>(low | (u8() << 8));
    }
    uint32_t u32() {
        const uint32_t low = u16();
        return low | (static_cast<uint32_t>(u16()) << 16);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    int16_t i16() { return static_cast<int16_t>(u16()); }

    // 0 .. n - 1; n > 0.
    uint32_t below(uint32_t n) { return (n <= 256 ? u8() : u32()) % n; }

    // Mostly small numbers near zero, sometimes any 32-bit value: small
    // values are where screens and pools have their edges.
    int32_t smallish(int32_t span) {
        const uint8_t how = u8();
        if (how < 200) return static_cast<int32_t>(below(2 * static_cast<uint32_t>(span) + 1)) - span;
        if (how < 240) return kEdges[how % kEdgeCount];
        return i32();
    }

    // Any double, with the troublesome ones made likely.
    double f64() {
        const uint8_t how = u8();
        if (how < 96) return static_cast<double>(smallish(6000));
        if (how < 160) return kSpecial[how % kSpecialCount];
        if (how < 200) return static_cast<double>(i32()) / 64.0;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(u8()) << (8 * i);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

private:
    static constexpr int32_t kEdges[] = {0,     1,      -1,     2,          15000,
                                         15001, -15001, 32767,  -32768,     32768,
                                         65535, 65536,  -65536, INT32_MAX,  INT32_MIN,
                                         5000,  7000,   4000,   24,         -24};
    static constexpr size_t kEdgeCount = sizeof kEdges / sizeof kEdges[0];
    using Limits = std::numeric_limits<double>;
    static constexpr double kSpecial[] = {
        0.0, -0.0, 1.0, -1.0, 0.05, 1e-6, 1e-300, -1e-300, Limits::denorm_min(),
        Limits::quiet_NaN(), -Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(),
        Limits::max(), -Limits::max(), 1e15, -1e15, 1e15 + 1, 2147483647.0, 2147483648.0,
        -2147483649.0, 4294967296.0, 1e300, 46341.0, 0.0001, 2500.0, 32767.0, 0.004999};
    static constexpr size_t kSpecialCount = sizeof kSpecial / sizeof kSpecial[0];

    const uint8_t *data_;
    size_t size_;
    size_t at_ = 0;
};

#endif
