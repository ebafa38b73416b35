// libFuzzer target: the sort-and-sweep path of the interval list must give the literal passes'
// list bit for bit, and a sorted, disjoint, non-touching one when every interval had lo <= hi.
//
// Input: a first byte below 0x80 makes each following byte one interval, its low and high
// nibbles picking lo and hi from a table of awkward values; otherwise each following 16 bytes
// are the raw bits of lo and hi.
#include "interval_list.hpp"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

static bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    static const double table[16] = {-inf, -65535, -2, -1, -0.5,  -0.0,  0.0, 0.5,
                                     1,    1.5,    2,  3,  65535, 1e300, inf, nan};
    if (size == 0) return 0;
    std::vector<interval_bounds> adds;
    if (data[0] < 0x80) {
        for (std::size_t i = 1; i < size; ++i)
            adds.push_back({table[data[i] & 15], table[data[i] >> 4]});
    } else {
        for (std::size_t i = 1; i + 16 <= size; i += 16) {
            interval_bounds b;
            std::memcpy(&b.lo, data + i, 8);
            std::memcpy(&b.hi, data + i + 8, 8);
            adds.push_back(b);
        }
    }

    interval_list literal = interval_list_create(adds.size());
    interval_list fast = interval_list_create(adds.size());
    bool plain = true;
    for (auto [lo, hi] : adds) {
        interval_list_add(literal, lo, hi);
        interval_list_push(fast, lo, hi);
        plain = plain && lo <= hi;
    }
    interval_list_finish(fast);

    if (literal.count != fast.count) std::abort();
    for (std::size_t i = 0; i < fast.count; ++i)
        if (!same_bits(literal.start[i], fast.start[i]) || !same_bits(literal.end[i], fast.end[i]))
            std::abort();
    if (plain)
        for (std::size_t i = 0; i < fast.count; ++i)
            if (!(fast.start[i] <= fast.end[i]) ||
                (i + 1 < fast.count && !(fast.end[i] < fast.start[i + 1])))
                std::abort();
    return 0;
}
