// libFuzzer target: the fast merge must give the literal passes' list bit for bit, and a sorted,
// disjoint, non-touching one when every interval had lo <= hi. It runs four times: as spanfuse
// runs it, and with a tree of tiny nodes, deep on short inputs, whose structure is checked
// after every add, with its index kept as needed, always and never.
//
// Input: after a first byte below 0x40 each byte is one interval, its low and high nibbles
// picking lo and hi from a table of awkward values; below 0x60 each two bytes x, y are one on
// a grid, lo = x - 128 and hi = lo + (y - 128) / 4 (x = 0 makes lo NaN, y = 0 makes hi NaN),
// so that lists grow long; below 0x80 the same two bytes are a center x - 128 (NaN for 0)
// turned inside out by a spread y / 4, as a factor of -1 does, so that the list's order does
// not follow its bounds; otherwise each 16 bytes are the raw bits of lo and hi.
#include "interval_list.hpp"
#include "interval_tree.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    static const double table[16] = {-inf, -65535, -2, -1, -0.5,  -0.0,  0.0, 0.5,
                                     1,    1.5,    2,  3,  65535, 1e300, inf, nan};
    if (size == 0) return 0;
    std::vector<interval_bounds> adds;
    if (data[0] < 0x40) {
        for (std::size_t i = 1; i < size; ++i)
            adds.push_back({table[data[i] & 15], table[data[i] >> 4]});
    } else if (data[0] < 0x60) {
        for (std::size_t i = 1; i + 2 <= size; i += 2) {
            double lo = data[i] == 0 ? nan : data[i] - 128.0;
            double hi = data[i + 1] == 0 ? nan : lo + (data[i + 1] - 128.0) / 4;
            adds.push_back({lo, hi});
        }
    } else if (data[0] < 0x80) {
        for (std::size_t i = 1; i + 2 <= size; i += 2) {
            double center = data[i] == 0 ? nan : data[i] - 128.0, spread = data[i + 1] / 4.0;
            adds.push_back({center + spread, center - spread});
        }
    } else {
        for (std::size_t i = 1; i + 16 <= size; i += 16) {
            interval_bounds b;
            std::memcpy(&b.lo, data + i, 8);
            std::memcpy(&b.hi, data + i + 8, 8);
            adds.push_back(b);
        }
    }

    interval_list literal = interval_list_create(adds.size());
    bool plain = true;
    for (auto [lo, hi] : adds) {
        interval_list_add(literal, lo, hi);
        plain = plain && lo <= hi;
    }

    using tiny = interval_tree<4, 4>;
    using policy = tiny::index_policy;
    for (int way = 0; way < 4; ++way) {
        std::vector<interval_bounds> fast = adds;
        std::size_t count;
        if (way == 0) {
            count = interval_list_merge(fast.data(), fast.size());
        } else {
            count = interval_list_merge_with<tiny>(
                fast.data(), fast.size(),
                [](const auto &tree) {
                    std::string fault = tree.check();
                    if (fault.empty()) return;
                    std::fprintf(stderr, "tree: %s\n", fault.c_str());
                    std::abort();
                },
                std::array{policy::as_needed, policy::always, policy::never}[way - 1]);
        }
        if (literal.count != count) std::abort();
        for (std::size_t i = 0; i < count; ++i)
            if (!reals::same_bits(literal.start[i], fast[i].lo) ||
                !reals::same_bits(literal.end[i], fast[i].hi))
                std::abort();
    }
    if (plain)
        for (std::size_t i = 0; i < literal.count; ++i)
            if (!(literal.start[i] <= literal.end[i]) ||
                (i + 1 < literal.count && !(literal.end[i] < literal.start[i + 1])))
                std::abort();
    return 0;
}
