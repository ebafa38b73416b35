// Small helpers on doubles for the interval list, where NaN is a value like any other and
// every ordered comparison with it is false.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace reals {

inline constexpr double inf = std::numeric_limits<double>::infinity();
inline constexpr double nan = std::numeric_limits<double>::quiet_NaN();

inline bool number(double x) {
    return x == x;
}

// Equal bits: +0 and -0 differ, and two NaNs are alike only when their bits are.
inline bool same_bits(double x, double y) {
    return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y);
}

// The least and greatest of acc and x, x left out when it is NaN.
inline double low(double acc, double x) {
    return x < acc ? x : acc;
}
inline double high(double acc, double x) {
    return acc < x ? x : acc;
}

// The least and greatest of acc and x where either may be NaN, which stands for none: NaN
// only when both are.
inline double least(double acc, double x) {
    return number(acc) ? low(acc, x) : x;
}
inline double most(double acc, double x) {
    return number(acc) ? high(acc, x) : x;
}

// Equal, or both NaN: what a bound kept exact must be, whatever NaN it is.
inline bool alike(double x, double y) {
    return x == y || (!number(x) && !number(y));
}

} // namespace reals
