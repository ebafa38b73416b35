#include "interval_list.hpp"
#include "list_rules.hpp"
#include "list_summary.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<double, double>>;

Entries build(const Entries &adds) {
    interval_list list = interval_list_create(adds.size());
    for (auto [lo, hi] : adds) interval_list_add(list, lo, hi);
    Entries out;
    for (std::size_t i = 0; i < list.count; ++i) out.emplace_back(list.start[i], list.end[i]);
    return out;
}

// Bit-for-bit equality, so that -0 differs from +0 and NaNs compare by their bits.
bool same(const Entries &a, const Entries &b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::bit_cast<std::uint64_t>(a[i].first) != std::bit_cast<std::uint64_t>(b[i].first) ||
            std::bit_cast<std::uint64_t>(a[i].second) != std::bit_cast<std::uint64_t>(b[i].second))
            return false;
    return true;
}

TEST(IntervalList, WorkedExamples) {
    EXPECT_EQ(build({{10, 20}, {30, 40}, {50, 60}}), (Entries{{10, 20}, {30, 40}, {50, 60}}));
    EXPECT_EQ(build({{10, 20}, {30, 40}, {50, 60}, {15, 55}}), (Entries{{10, 60}}));
    EXPECT_EQ(build({{10, 20}, {5, 25}}), (Entries{{5, 25}}));
    EXPECT_EQ(build({{10, 20}, {0, 5}}), (Entries{{0, 5}, {10, 20}}));
}

TEST(IntervalList, TouchingIntervalsJoin) {
    EXPECT_EQ(build({{10, 20}, {20, 30}}), (Entries{{10, 30}}));
    EXPECT_EQ(build({{10, 20}, {5, 10}}), (Entries{{5, 20}}));
    EXPECT_EQ(build({{10, 20}, {20, 20}}), (Entries{{10, 20}}));
    EXPECT_EQ(build({{10, 20}, {30, 40}, {20, 30}}), (Entries{{10, 40}}));
}

TEST(IntervalList, ContainedOrEqualLeavesTheListAlone) {
    EXPECT_EQ(build({{10, 20}, {10, 20}}), (Entries{{10, 20}}));
    EXPECT_EQ(build({{10, 20}, {12, 18}}), (Entries{{10, 20}}));
    EXPECT_EQ(build({{0, 5}, {10, 20}, {12, 18}}), (Entries{{0, 5}, {10, 20}}));
}

TEST(IntervalList, BridgingFoldsSeveralEntries) {
    EXPECT_EQ(build({{10, 20}, {30, 40}, {50, 60}, {70, 80}, {5, 75}}), (Entries{{5, 80}}));
    EXPECT_EQ(build({{10, 20}, {30, 40}, {50, 60}, {0, 100}}), (Entries{{0, 100}}));
    EXPECT_EQ(build({{0, 1}, {10, 20}, {30, 40}, {90, 99}, {15, 35}}),
              (Entries{{0, 1}, {10, 40}, {90, 99}}));
}

TEST(IntervalList, InsertsInSortedPlace) {
    EXPECT_EQ(build({{30, 40}, {10, 20}, {22, 28}, {50, 60}}),
              (Entries{{10, 20}, {22, 28}, {30, 40}, {50, 60}}));
    EXPECT_EQ(build({{5, 5}, {5, 5}}), (Entries{{5, 5}}));
}

TEST(IntervalList, InsideOutIntervalsFollowTheSameRules) {
    // [15, 5] overlaps nothing by the tests, so it is inserted where start > hi first holds.
    EXPECT_EQ(build({{15, 5}}), (Entries{{15, 5}}));
    EXPECT_EQ(build({{15, 5}, {35, 25}}), (Entries{{15, 5}, {35, 25}}));
    // start <= lo and end >= hi hold, so [25, 5] counts as held by [10, 20].
    EXPECT_EQ(build({{10, 20}, {25, 5}}), (Entries{{10, 20}}));
    // lo <= end and end < hi: the inside-out entry's end moves to 39.
    EXPECT_EQ(build({{10, 20}, {40, 30}, {21, 39}}), (Entries{{10, 20}, {40, 39}}));
}

TEST(IntervalList, NaNBoundsFailEveryComparison) {
    const double nan = std::nan("");
    Entries got = build({{10, 20}, {nan, nan}});
    ASSERT_EQ(got.size(), 2u); // inserted after [10, 20], since 10 > nan is false
    EXPECT_EQ(got[0], (std::pair<double, double>{10, 20}));
    EXPECT_TRUE(std::isnan(got[1].first) && std::isnan(got[1].second));

    // A NaN start is passed over by the insertion search, so the new entry goes after it.
    got = build({{nan, 5}, {1, 2}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_TRUE(std::isnan(got[0].first));
    EXPECT_EQ(got[1], (std::pair<double, double>{1, 2}));

    // [5, nan] widens nothing, since every test against hi is false, and goes last.
    got = build({{10, 20}, {5, nan}});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (std::pair<double, double>{10, 20}));
    EXPECT_EQ(got[1].first, 5);
}

TEST(IntervalList, SignedZerosKeepTheFirstBound) {
    EXPECT_TRUE(same(build({{-0.0, 1}, {0.0, 1}}), (Entries{{-0.0, 1}})));
    EXPECT_TRUE(same(build({{0.0, 1}, {-0.0, 1}}), (Entries{{0.0, 1}})));
    EXPECT_TRUE(same(build({{-1, 0.0}, {-1, -0.0}}), (Entries{{-1, 0.0}})));
    EXPECT_TRUE(same(build({{-0.0, 0.0}, {0.0, 10}}), (Entries{{-0.0, 10}})));
    EXPECT_FALSE(same(build({{0.0, 1}}), (Entries{{-0.0, 1}})));
}

} // namespace

// The rules of an add, on one entry or link, against their definitions, at NaN, both zeros
// and both infinities; and the rules on bounds over many entries against the entries: a
// bound over entries must admit every interval that one of them passes.
TEST(AddRules, OnEntriesAndOnBounds) {
    const double inf = INFINITY, nan = NAN;
    struct row {
        double lo, hi, start, end;
        bool holds, lowers, raises, folds; // folds: a link from an entry ending at start
    };                                     // into one starting at end
    const row rows[] = {
        {10, 20, 10, 20, true, false, false, true},
        {10, 20, 5, 25, true, false, false, false},
        {10, 20, 15, 18, false, true, true, true},
        {10, 20, 20, 30, false, true, false, false},
        {10, 20, 0, 10, false, false, true, false},
        {-0.0, 0.0, 0.0, -0.0, true, false, false, true},
        {0.0, 0.0, -0.0, 0.0, true, false, false, true},
        {-inf, inf, -inf, inf, true, false, false, true},
        {-inf, inf, 0, 1, false, true, true, true},
        {inf, -inf, 0, 1, true, false, false, false},
        {nan, 1, 0, 2, false, false, false, false},
        {0, nan, 0, 2, false, false, false, false},
        {0, 1, nan, 2, false, false, false, false},
        {0, 1, 0, nan, false, false, false, false},
        {20, 10, 15, 15, true, false, false, false},
    };
    for (const row &t : rows) {
        const add_rules r(t.lo, t.hi);
        SCOPED_TRACE(testing::Message()
                     << "[" << t.lo << ", " << t.hi << "] on " << t.start << ", " << t.end);
        EXPECT_EQ(r.holds(t.start, t.end), t.holds);
        EXPECT_EQ(r.lowers(t.start), t.lowers);
        EXPECT_EQ(r.raises(t.end), t.raises);
        EXPECT_EQ(r.folds(t.start, t.end), t.folds);
        EXPECT_EQ(r.passes(t.start, t.end), t.holds || t.lowers || t.raises);
    }

    // Every interval and every pair of entries from the pool, the second linked from the first.
    const double pool[] = {-inf, -1, -0.0, 0.0, 1, 2, inf, nan};
    for (double lo : pool)
        for (double hi : pool) {
            const add_rules r(lo, hi);
            // Bounds over nothing admit nothing, [-inf, inf] included.
            const list_summary none = list_summary::none();
            EXPECT_FALSE(none.may_hold(r) || none.may_change(r) || none.may_fold(r));
            for (double s1 : pool)
                for (double e1 : pool)
                    for (double s2 : pool)
                        for (double e2 : pool) {
                            list_summary k = list_summary::none();
                            k.widen_entry(s1, e1), k.widen_entry(s2, e2);
                            EXPECT_FALSE(k.may_fold(r)); // no link yet
                            k.widen_link(e1, s2);
                            SCOPED_TRACE(testing::Message()
                                         << "[" << lo << ", " << hi << "] on [" << s1 << ", " << e1
                                         << "], [" << s2 << ", " << e2 << "]");
                            const bool hold = r.holds(s1, e1) || r.holds(s2, e2);
                            const bool change =
                                r.lowers(s1) || r.lowers(s2) || r.raises(e1) || r.raises(e2);
                            const bool fold = r.folds(e1, s2);
                            EXPECT_TRUE(!hold || k.may_hold(r));
                            EXPECT_TRUE(!change || k.may_change(r));
                            EXPECT_TRUE(!fold || k.may_fold(r));
                            const bool any = hold || change || fold;
                            EXPECT_TRUE(!any || !r.below(reals::most(k.max_start, k.max_end)));
                            EXPECT_TRUE(!any || !r.above(k.bottom()));
                        }
        }
}
