// ranges_all_of.h - std::ranges::all_of for C++ libraries that predate it
// (Emscripten 3.1.6's libc++ 14), forced into every compilation of the
// WebAssembly build by web/toolchain-wasm.cmake.
#ifndef QUELM_WEB_RANGES_ALL_OF_H
#define QUELM_WEB_RANGES_ALL_OF_H
#ifdef __cplusplus
#include <algorithm>
#include <iterator>
#include <version>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 15000
namespace std::ranges {
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
}  // namespace std::ranges
#endif
#endif
#endif
