// libFuzzer target: the fast merge must give the literal passes' list bit for bit, and a sorted,
// disjoint, non-touching one when every interval had lo <= hi. It runs five times: as spanfuse
// runs it, and with a tree of tiny nodes, deep on short inputs, whose structure is checked
// after every add, kept in the tree with its index as needed, always and never, and moved
// between the tree and a flat array every few adds.
//
// Input: after a first byte below 0x40 each byte is one interval, its low and high nibbles
// picking lo and hi from a table of awkward values; below 0x60 each two bytes x, y are one on
// a grid, lo = x - 128 and hi = lo + (y - 128) / 4 (x = 0 makes lo NaN, y = 0 makes hi NaN,
// x = 255 makes lo -inf and y = 255 hi +inf), so that lists grow long; below 0x80 the same
// two bytes are a center x - 128 (NaN for 0) turned inside out by a spread y / 4, as a factor
// of -1 does, so that the list's order does not follow its bounds; below 0xc0 each 16 bytes
// are the raw bits of lo and hi. From 0xc0 on, the intervals are as spanfuse makes them with a
// factor of -1, inside out: each two bytes a, b are one interval of center a % 64 (a grid, then
// awkward values), spread b % 16 and flag b / 16 % 4 (0, 0, -1, 1: some come out well formed);
// or, by a / 64, a repeat of an earlier one, a run of rising or falling centers, or a NaN
// interval. Where every interval is inside out, the merge of such lists also runs by itself,
// turning to ranks after a number of adds that the first byte's low bits set.
#include "interval_list.hpp"
#include "interval_list_inside_out.hpp"
#include "interval_tree.hpp"
#include "list_merge.hpp"

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
            double lo = data[i] == 0 ? nan : data[i] == 255 ? -inf : data[i] - 128.0;
            double hi = data[i + 1] == 0     ? nan
                        : data[i + 1] == 255 ? inf
                                             : lo + (data[i + 1] - 128.0) / 4;
            adds.push_back({lo, hi});
        }
    } else if (data[0] < 0x80) {
        for (std::size_t i = 1; i + 2 <= size; i += 2) {
            double center = data[i] == 0 ? nan : data[i] - 128.0, spread = data[i + 1] / 4.0;
            adds.push_back({center + spread, center - spread});
        }
    } else if (data[0] >= 0xc0) {
        static const double awkward[16] = {-inf, -0.0, 0.0,    inf, nan,  65535, 1e300, -1e300,
                                           0.5,  -0.5, 4e-324, 1.5, 1e15, -nan,  3,     65534.5};
        static const double spreads[16] = {0,  0.5, 1,   2,   3,    0.25,  4,     8,
                                           16, 64,  inf, nan, -0.0, 1e300, 65535, 1000};
        static const int flags[4] = {0, 0, -1, 1};
        auto center = [&](std::uint8_t k) { return k < 48 ? (k - 16) / 2.0 : awkward[k - 48]; };
        for (std::size_t i = 1; i + 2 <= size; i += 2) {
            const std::uint8_t a = data[i], b = data[i + 1];
            const double spread = spreads[b % 16];
            switch (a / 64) {
            case 0:
                adds.push_back(interval_of(center(a % 64), spread, flags[b / 16 % 4], -1));
                break;
            case 1:
                if (!adds.empty()) adds.push_back(adds[b % adds.size()]);
                break;
            case 2:
                for (int r = 0; r <= b / 16 % 8; ++r)
                    adds.push_back(
                        interval_of(center(a % 64) + (a % 2 ? r : -0.5 * r), spread, 0, -1));
                break;
            default:
                adds.push_back(b % 2 ? interval_bounds{nan, nan} : interval_bounds{-nan, -nan});
                break;
            }
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
    // Kept in the tree, the index as needed, always and never; and moved to and fro.
    const budget_costs to_and_fro = [] {
        budget_costs c = tree_always;
        c.per_add = 8;
        return c;
    }();
    const merge_setup<tiny> setups[] = {{policy::as_needed, tree_always},
                                        {policy::always, tree_always},
                                        {policy::never, tree_always},
                                        {policy::as_needed, to_and_fro}};
    for (int way = 0; way < 5; ++way) {
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
                setups[way - 1]);
        }
        if (literal.count != count) std::abort();
        for (std::size_t i = 0; i < count; ++i)
            if (!reals::same_bits(literal.start[i], fast[i].lo) ||
                !reals::same_bits(literal.end[i], fast[i].hi))
                std::abort();
    }
    bool inside_out = true;
    for (auto [lo, hi] : adds) inside_out = inside_out && (lo >= hi || (lo != lo && hi != hi));
    if (inside_out) {
        static const double after[8] = {0, 0.5, 1, 1.5, 2, 4, 1e300, inside_out_costs{}.ranked};
        std::vector<interval_bounds> fast = adds;
        const std::size_t count = interval_list_merge_inside_out(
            fast.data(), fast.size(), inside_out_costs{after[data[0] % 8], 0});
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
