// The fast merge, sort-and-sweep and tree, against the literal passes, entry by entry and bit
// for bit.
#include "interval_list.hpp"
#include "interval_list_bound_ranks.hpp"
#include "interval_list_inside_out.hpp"
#include "interval_tree.hpp"
#include "list_merge.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Adds = std::vector<interval_bounds>;

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

std::string show(const Adds &adds) {
    std::ostringstream s;
    s.precision(17);
    auto bound = [&](double v) { s << v << (v == 0 && std::signbit(v) ? "(-)" : ""); };
    for (auto [lo, hi] : adds) {
        s << " [";
        bound(lo);
        s << ", ";
        bound(hi);
        s << "]";
    }
    return s.str();
}

std::string show(const interval_list &list) {
    Adds entries;
    for (std::size_t i = 0; i < list.count; ++i) entries.push_back({list.start[i], list.end[i]});
    return show(entries);
}

using tiny = interval_tree<4, 4>;
using policy = tiny::index_policy;

// Costs under which the list moves between the tree and the flat array every few adds.
const budget_costs to_and_fro = [] {
    budget_costs c = tree_always;
    c.per_add = 8;
    return c;
}();

// The merge with a tree of tiny nodes, so that a few dozen entries make it several levels
// deep, set up as given, and its structure checked after every add.
std::size_t merge_checked(interval_bounds *iv, std::size_t n, merge_setup<tiny> setup,
                          std::string &fault) {
    return interval_list_merge_with<tiny>(
        iv, n,
        [&](const auto &tree) {
            if (fault.empty()) fault = tree.check();
        },
        setup);
}

// Builds the list six ways and fails the test with the sequence if they differ at all: the
// literal passes; the merge as spanfuse runs it; with tiny nodes, kept in the tree, the index
// kept as the walks call for it, always, and never; and moved to and fro.
void compare(const Adds &adds) {
    using reals::same_bits;
    interval_list literal = interval_list_create(adds.size());
    for (auto [lo, hi] : adds) interval_list_add(literal, lo, hi);
    static const char *const ways[] = {"", " (tiny nodes)", " (tiny nodes, always indexed)",
                                       " (tiny nodes, never indexed)", " (to and fro)"};
    static const merge_setup<tiny> setups[] = {{},
                                               {policy::as_needed, tree_always},
                                               {policy::always, tree_always},
                                               {policy::never, tree_always},
                                               {policy::as_needed, to_and_fro}};
    for (int way = 0; way < 5; ++way) {
        Adds fast = adds;
        std::string fault;
        fast.resize(way == 0 ? interval_list_merge(fast.data(), fast.size())
                             : merge_checked(fast.data(), fast.size(), setups[way], fault));
        bool same = literal.count == fast.size();
        for (std::size_t i = 0; same && i < literal.count; ++i)
            same = same_bits(literal.start[i], fast[i].lo) && same_bits(literal.end[i], fast[i].hi);
        ASSERT_TRUE(same && fault.empty()) << "adds:" << show(adds) << "\nliteral:" << show(literal)
                                           << "\nfast:   " << show(fast) << ways[way] << "\n"
                                           << fault;
    }

    bool plain = true;
    for (auto [lo, hi] : adds) plain = plain && lo <= hi;
    if (!plain) return;
    for (std::size_t i = 0; i < literal.count; ++i) {
        ASSERT_LE(literal.start[i], literal.end[i]) << show(adds);
        if (i + 1 < literal.count) {
            ASSERT_LT(literal.end[i], literal.start[i + 1]) << show(adds);
        }
    }
}

TEST(IntervalListSweep, ChosenCases) {
    compare({});
    compare({{10, 20}, {30, 40}, {50, 60}, {15, 55}});
    compare({{10, 20}, {20, 30}, {5, 10}, {30, 30}});
    // Zero bounds of both signs: the first one added must survive the sort.
    compare({{0.0, 1}, {-0.0, 2}, {-0.0, 0.5}});
    compare({{-0.0, 1}, {0.0, 2}, {0.0, 0.5}});
    compare({{1, 2}, {-0.0, 0.5}, {0.0, 1}});
    compare({{-1, 0.0}, {-2, -0.0}, {-3, 0.0}});
    compare({{-1, -0.0}, {-0.5, 0.0}, {0.0, 0.0}, {-0.0, -0.0}});
    compare({{-inf, -inf}, {inf, inf}, {-inf, inf}, {0, 0}});
    // The first interval of another kind hands the list so far to the tree.
    compare({{10, 20}, {30, 40}, {35, 15}, {0, 100}});
    compare({{10, 20}, {nan, 5}, {1, 2}});
    compare({{10, 20}, {5, nan}, {15, 25}});
    compare({{nan, nan}, {1, 2}, {0, 3}});
    compare({{0.0, 5}, {-0.0, 1}, {3, 1}, {-0.0, 6}});
    // A fold within a leaf takes away its only end that is a number; the next interval must
    // still be inserted, not taken for one the overlap pass changed.
    compare({{nan, -65535},
             {inf, 1},
             {nan, nan},
             {nan, nan},
             {nan, nan},
             {1e300, nan},
             {-65535, -inf},
             {-65535, nan},
             {-65535, 0.0},
             {nan, nan},
             {0.5, inf},
             {-1, 1},
             {nan, -65535},
             {-inf, 1},
             {-0.5, 1.5}});
    // Lists whose order does not follow their bounds. Many starts lowered, then a fold further
    // on: [1, 99]; narrow ones past it; entries [0, E] and [-9, E] that each go first; then
    // intervals that lower every start 0 and fold [1, 99] with the next narrow one.
    Adds late{{1, 99}};
    for (int j = 1; j <= 8; ++j) late.push_back({100 + j - 0.5, 100 + j - 0.25});
    for (int i = 0; i < 24; ++i) late.push_back({i % 2 ? -9.0 : 0.0, -1000.0 + i});
    for (double k = 1; k <= 8; ++k) late.push_back({-k, 100 + k});
    compare(late);
    // Entries [0, NaN] and [-inf, NaN] by turns, every start 0 lowered again and again; and
    // entries kept apart by NaN ones, all widened at once, again and again.
    Adds nans, comb;
    for (int i = 0; i < 40; ++i) nans.push_back({i % 2 ? -inf : 0.0, nan});
    for (double k = 1; k <= 40; ++k) nans.push_back({-k, 1});
    compare(nans);
    for (int i = 0; i < 40; ++i)
        comb.push_back(i % 2 ? interval_bounds{nan, nan}
                             : interval_bounds{5.0 * i - 1, 5.0 * i + 1});
    for (double k = 1; k <= 40; ++k) comb.push_back({-k, 200 + k});
    compare(comb);
}

// Sequences over small pools of values, so that equal, touching and nested bounds, both
// zeros, both infinities, NaN and inside-out intervals come up in every order and position.
TEST(IntervalListSweep, RandomSequencesOverSmallPools) {
    // Bounds a hair apart, as 1 - 2^-30 and 1 + 2^-30 are, round to one float: bounds kept
    // in less than a double must still tell them apart.
    const double values[] = {-inf, -3, -2, -1,          -0.5,        -0.0, 0.0, 0.5,
                             1.0,  2,  3,  1 - 0x1p-30, 1 + 0x1p-30, inf,  nan, -nan};
    const std::size_t plain_values = 14; // the ones before the NaNs
    std::mt19937_64 rng(20240611);
    for (int round = 0; round < 40000; ++round) {
        // Pool: a few values, usually without NaN so that most lists stay on the fast path.
        std::vector<double> pool;
        std::size_t pool_size = 2 + rng() % 6;
        std::size_t span = round % 4 == 0 ? std::size(values) : plain_values;
        for (std::size_t i = 0; i < pool_size; ++i) pool.push_back(values[rng() % span]);
        // How often an interval is turned inside out: never, rarely, or often.
        unsigned inside_out = std::array<unsigned, 3>{0, 30, 3}[round % 3];
        Adds adds;
        std::size_t n = rng() % 24;
        for (std::size_t i = 0; i < n; ++i) {
            double a = pool[rng() % pool.size()];
            double b = pool[rng() % pool.size()];
            bool swap = inside_out == 0 || rng() % inside_out != 0 ? a > b : a < b;
            adds.push_back(swap ? interval_bounds{b, a} : interval_bounds{a, b});
        }
        compare(adds);
        if (HasFatalFailure()) return;
    }
}

// Longer sequences on a grid, where several entries are bridged at once, that turn odd: from
// the start, once early or late, or again and again, with intervals inside out, NaN in either
// bound or both, infinite bounds, all of the line, and wide intervals that reach across much
// of the list.
TEST(IntervalListSweep, RandomLongSequencesOnAGrid) {
    std::mt19937_64 rng(7);
    for (int round = 0; round < 3000; ++round) {
        Adds adds;
        std::size_t n = 1 + rng() % 300;
        int grid = 10 + static_cast<int>(rng() % 1000);
        // The odd ones: none, one at odd_at, or each with chance 1 in every.
        int pattern = round % 4;
        std::size_t odd_at = pattern == 2 ? rng() % 4 : rng() % n;
        unsigned every = std::array<unsigned, 4>{1, 2, 8, 50}[rng() % 4];
        // Half the time every odd one is inside out, as a negative factor makes them.
        bool inside_out = rng() % 2;
        for (std::size_t i = 0; i < n; ++i) {
            double c = static_cast<double>(static_cast<int>(rng() % grid) - grid / 4);
            double w = static_cast<double>(rng() % 6) / 2;
            if (rng() % 40 == 0) w = static_cast<double>(rng() % grid);
            double lo = c - w, hi = c + w;
            bool odd = pattern == 3 ? rng() % every == 0 : pattern > 0 && i == odd_at;
            if (odd && inside_out) {
                std::swap(lo, hi);
            } else if (odd) {
                switch (rng() % 12) {
                case 0:
                    lo = nan;
                    break;
                case 1:
                    hi = nan;
                    break;
                case 2:
                    lo = hi = rng() % 2 ? nan : -nan;
                    break;
                case 3:
                    lo = inf;
                    break;
                case 4:
                    hi = -inf;
                    break;
                case 5: // all of the line, which no bound over nothing may admit
                    lo = -inf, hi = inf;
                    break;
                case 6: // ending in NaN from below everything
                    lo = -inf, hi = nan;
                    break;
                case 7:
                    lo = -inf;
                    break;
                case 8:
                    hi = inf;
                    break;
                default:
                    std::swap(lo, hi);
                    break;
                }
            }
            if (lo == 0 && rng() % 2) lo = -0.0;
            if (hi == 0 && rng() % 2) hi = -0.0;
            adds.push_back({lo, hi});
        }
        compare(adds);
        if (HasFatalFailure()) return;
    }
}

// Large lists of several shapes, so that the bucketed sort meets crowded and empty buckets,
// bounds at both ends of the range and ranges too wide or too narrow to divide.
TEST(IntervalListSweep, RandomLargeSequencesOfSeveralShapes) {
    std::mt19937_64 rng(31337);
    for (int round = 0; round < 48; ++round) {
        std::size_t n = 64 + rng() % 3000;
        std::uniform_real_distribution<double> unit(0, 1);
        Adds adds;
        for (std::size_t i = 0; i < n; ++i) {
            double c = 0, w = unit(rng) * 5;
            switch (round % 8) {
            case 0:
                c = unit(rng) * 1e4;
                break; // spread out
            case 1:
                c = unit(rng) * 100;
                break; // overlapping
            case 2:
                c = static_cast<double>(rng() % 4) * 10;
                break; // four crowded values
            case 3:
                c = i % 50 == 0 ? 1e9 : unit(rng) * 1e3;
                break; // far outliers
            case 4:
                c = rng() % 2 ? -1e308 : 1e308, w = 1e307;
                break; // range overflows
            case 5:
                c = 5e-324 * static_cast<double>(rng() % 3), w = 0;
                break; // denormals
            case 6:
                c = i % 97 == 0 ? (rng() % 2 ? inf : -inf) : unit(rng) * 1e3;
                break;
            default:
                c = (unit(rng) - 0.5) * 20, w = static_cast<double>(rng() % 3);
                break;
            }
            double lo = c - w, hi = c + w;
            if (lo == 0 && rng() % 2) lo = -0.0;
            if (hi == 0 && rng() % 2) hi = -0.0;
            adds.push_back({lo, hi});
        }
        if (round % 3 == 2) { // then one inside-out interval, and more after it
            std::size_t at = rng() % n;
            std::swap(adds[at].lo, adds[at].hi);
            if (adds[at].lo == adds[at].hi) adds[at].lo += 1;
        }
        compare(adds);
        if (HasFatalFailure()) return;
    }
}

// Long well-formed sequences whose lo make a sort by digits work hardest: a cluster keeping
// nearly all of them while each level peels off one outlier, keys that differ in their lowest
// bits only, a few values over and over, runs in order and in reverse (with ties, or one value
// out of place at the end), two clusters far apart, any finite doubles; zeros of both signs
// and equal bounds among them.
TEST(IntervalListSweep, SortStressingShapes) {
    std::mt19937_64 rng(424242);
    for (int round = 0; round < 54; ++round) {
        const std::size_t n = 33 + rng() % (round % 3 == 0 ? 6000 : 600);
        Adds adds;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(i), count = static_cast<double>(n);
            double lo = 0;
            switch (round % 9) {
            case 0:
                lo = i % 64 == 0 ? 1 + std::ldexp(1.0, -static_cast<int>(i / 64 % 48))
                                 : 1 + std::ldexp(static_cast<double>(rng() % 16), -52);
                break;
            case 1:
                lo = 1e6 + std::ldexp(static_cast<double>(rng() % 1024), -32);
                break;
            case 2:
                lo = static_cast<double>(rng() % 5) - 2;
                break;
            case 3:
                lo = x - count / 2;
                break;
            case 4:
                lo = std::floor((count - x) / 3);
                break;
            case 5:
                lo = i + 1 == n ? -1 : x;
                break;
            case 6:
                lo = (rng() % 2 ? 1e300 : -1e-300) *
                     (1 + std::ldexp(static_cast<double>(rng() % 1000), -40));
                break;
            case 7:
                do lo = std::bit_cast<double>(rng());
                while (!std::isfinite(lo));
                break;
            default:
                lo = 5000000.5;
                break;
            }
            double hi = lo + std::fabs(lo) * std::ldexp(static_cast<double>(rng() % 3), -45);
            const bool ordered = round % 9 >= 3 && round % 9 <= 5; // zeros of their own
            if (!ordered && rng() % 40 == 0) lo = hi = 0;
            if (lo == 0 && rng() % 2) lo = -0.0;
            if (hi == 0 && rng() % 2) hi = -0.0;
            adds.push_back({lo, hi});
        }
        compare(adds);
        if (HasFatalFailure()) return;
    }
}

} // namespace

namespace {

// The merge of lists inside out throughout against the literal passes, bit for bit: as
// spanfuse runs it, merged plainly to the end, ranked from the start, and crossing over to the
// ranks after a few adds.
void compare_inside_out(const Adds &adds, std::mt19937_64 &rng) {
    interval_list literal = interval_list_create(adds.size());
    for (auto [lo, hi] : adds) interval_list_add(literal, lo, hi);
    const inside_out_costs plain{1e300, 0}, early{static_cast<double>(rng() % 4) / 2, 0};
    for (inside_out_costs costs : {inside_out_costs{}, plain, inside_out_costs{0, 0}, early}) {
        Adds fast = adds;
        fast.resize(interval_list_merge_inside_out(fast.data(), fast.size(), costs));
        bool same = literal.count == fast.size();
        for (std::size_t i = 0; same && i < literal.count; ++i)
            same = reals::same_bits(literal.start[i], fast[i].lo) &&
                   reals::same_bits(literal.end[i], fast[i].hi);
        ASSERT_TRUE(same) << "adds:" << show(adds) << "\nliteral:" << show(literal)
                          << "\nfast:   " << show(fast) << "\nranked after " << costs.ranked;
    }
}

// Intervals as a factor of -1 makes them, centers and spreads from small pools so that bounds
// repeat, touch and nest: equal bounds, lo == hi, both zeros and infinities, NaN intervals,
// runs of rising and falling centers, repeats that test a refuses. Flags open some intervals
// into well-formed ones, which must take the list off this path.
TEST(IntervalListInsideOut, RandomSequences) {
    const double centers[] = {-inf, -3, -1, -0.0, 0.0, 0.5, 1, 2, 3, 65535, 1e300, inf, nan};
    const double spreads[] = {0, 0.0, 0.25, 0.5, 1, 2, 3, inf, nan};
    std::mt19937_64 rng(424242);
    for (int round = 0; round < 30000; ++round) {
        const std::size_t pool = 2 + rng() % 5;
        std::vector<double> c, w;
        for (std::size_t i = 0; i < pool; ++i) {
            c.push_back(centers[rng() % (round % 5 == 0 ? std::size(centers) : 11)]);
            w.push_back(spreads[rng() % (round % 7 == 0 ? std::size(spreads) : 7)]);
        }
        const bool flags = round % 11 == 0;
        Adds adds;
        for (std::size_t n = rng() % 40, i = 0; i < n; ++i) {
            double center = c[rng() % pool], spread = w[rng() % pool];
            if (rng() % 8 == 0) { // a run of rising or falling centers
                double step = rng() % 2 ? 1 : -0.5;
                for (std::size_t r = rng() % 6; r > 0 && i < n; --r, ++i, center += step)
                    adds.push_back(interval_of(center, spread, 0, -1));
            }
            if (rng() % 6 == 0 && !adds.empty()) {
                adds.push_back(adds[rng() % adds.size()]);
                continue;
            }
            const int flag = flags ? static_cast<int>(rng() % 3) - 1 : 0;
            adds.push_back(interval_of(center, spread, flag, -1));
        }
        const bool inside_out = interval_list_inside_out(adds.data(), adds.size());
        if (inside_out) compare_inside_out(adds, rng);
        if (!inside_out || round % 8 == 0) compare(adds);
        if (HasFatalFailure()) return;
    }
}

// The ranking of the bounds against a plain one: each lower bound's place by value and then
// by index, the places at most each upper bound, the upper bound at each place. With little
// room, buckets are dealt a second time, and those still too large sorted by reading keys.
TEST(IntervalListInsideOut, BoundRanksAnyRoom) {
    std::mt19937_64 rng(99);
    const double values[] = {-inf, -1e300, -3, -1, -0.0, 0.0, 0.5, 1, 1 + 0x1p-52, 2, 1e15, inf};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t count = rng() % 300, old = count ? rng() % (count + 1) / 2 : 0;
        Adds v;
        for (std::size_t i = 0; i < count; ++i) {
            const bool wide = round % 3 == 0;
            double a =
                wide ? static_cast<double>(rng() % 2000) - 1000 : values[rng() % std::size(values)];
            double b =
                wide ? a - static_cast<double>(rng() % 50) : values[rng() % std::size(values)];
            if (round % 5 == 1) a = std::ldexp(1.0, static_cast<int>(rng() % 60)), b = a / 3;
            v.push_back(rng() % 16 == 0 ? interval_bounds{nan, nan}
                                        : interval_bounds{std::max(a, b), std::min(a, b)});
        }
        std::vector<std::size_t> lows;
        for (std::size_t i = 0; i < count; ++i)
            if (v[i].lo == v[i].lo) lows.push_back(i);
        std::stable_sort(lows.begin(), lows.end(),
                         [&](std::size_t a, std::size_t b) { return v[a].lo < v[b].lo; });
        packed_ids<3> place(count), above(count);
        std::vector<std::uint32_t> scratch(2 * count + 2);
        const std::size_t room = std::array<std::size_t, 4>{1, 2, 7, 0}[round % 4];
        ASSERT_EQ(rank_bounds(v.data(), count, old, scratch.data(), place, above, room),
                  lows.size());
        const place_ends ends(scratch.data());
        for (std::size_t p = 0; p < lows.size(); ++p) {
            ASSERT_EQ(place[lows[p]], p) << show(v) << " room " << room;
            ASSERT_TRUE(reals::same_bits(ends[p], v[lows[p]].hi)) << show(v);
        }
        for (std::size_t i = old; i < count; ++i) {
            if (v[i].lo != v[i].lo) continue;
            std::size_t at_most = 0;
            for (std::size_t j : lows) at_most += v[j].lo <= v[i].hi;
            ASSERT_EQ(above[i], at_most) << show(v) << " room " << room << " at " << i;
        }
    }
}

// Long lists on a grid, so that the sets of places span several levels of words (over 4096
// places, three).
TEST(IntervalListInsideOut, RandomLongSequences) {
    std::mt19937_64 rng(2424);
    for (int round = 0; round < 10; ++round) {
        const std::size_t n = round < 2 ? 4500 : 100 + rng() % 3000;
        const int grid = 5 + static_cast<int>(rng() % 20000);
        Adds adds;
        for (std::size_t i = 0; i < n; ++i) {
            const double center = static_cast<double>(rng() % grid) / 4;
            const double spread = round % 3 == 0 ? static_cast<double>(rng() % 8) : 2;
            adds.push_back(rng() % 50 == 0 ? interval_bounds{nan, nan}
                                           : interval_of(center, spread, 0, -1));
        }
        ASSERT_TRUE(interval_list_inside_out(adds.data(), adds.size()));
        compare_inside_out(adds, rng);
        if (HasFatalFailure()) return;
    }
}

} // namespace
