// libcxx13.h - the C++20 library pieces that Emscripten 3.1.6's libc++ 13
// lacks and quelm's sources use, forced into every compilation of the
// WebAssembly build by web/toolchain-wasm.cmake.  Newer libraries have them
// and skip this.
#ifndef QUELM_WEB_LIBCXX13_H
#define QUELM_WEB_LIBCXX13_H
#ifdef __cplusplus
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>
#include <system_error>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000
namespace std {

template <class To, class From>
constexpr To bit_cast(const From &from) noexcept {
    return __builtin_bit_cast(To, from);
}

// Enough digits to read back the same double; not always the shortest.
inline to_chars_result to_chars(char *first, char *last, double value) {
    const int n = std::snprintf(first, size_t(last - first), "%.17g", value);
    if (n < 0 || n >= last - first) return {last, errc::value_too_large};
    return {first + n, errc{}};
}

namespace ranges {
template <class I, class S, class P>
constexpr bool all_of(I first, S last, P pred) {
    for (; first != last; ++first)
        if (!pred(*first)) return false;
    return true;
}
template <class R, class P>
constexpr bool all_of(R &&range, P pred) {
    return ranges::all_of(std::begin(range), std::end(range), pred);
}
}  // namespace ranges

}  // namespace std
#endif
#endif
#endif
