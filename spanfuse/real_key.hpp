// An unsigned integer for each double that orders as the double does, so that doubles can be
// sorted by their bits: for numbers a < b gives real_key(a) < real_key(b), and -0 comes just
// before +0 (they compare equal as doubles, so a caller that needs them told apart must do so
// itself). A NaN takes the place its sign bit gives it: one with the sign bit set comes below
// -inf, one without it above +inf, and among NaNs of one sign the order of their payloads
// follows that of numbers of that sign.
#pragma once

#include <bit>
#include <cstdint>

// A double's bits order as unsigned integers by magnitude within each sign, ascending for
// positive values and descending for negative ones: setting the sign bit of a positive value
// puts it above every negative one, and flipping every bit of a negative one reverses its order
// and puts it below. Written without a branch, as sorts call it in their inner loops.
inline std::uint64_t real_key(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const auto negative = static_cast<std::uint64_t>(std::bit_cast<std::int64_t>(bits) >> 63);
    return bits ^ (negative | std::uint64_t{1} << 63);
}
