#include "front_scan.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Pick {
    std::vector<std::size_t> front;
    std::size_t best;
};

Pick pick(const std::vector<double> &fp, const std::vector<double> &fn) {
    Pick p;
    p.front = {99}; // must be replaced, not appended to
    p.best = front_scan(fp, fn, p.front);
    return p;
}

using Front = std::vector<std::size_t>;
const double inf = std::numeric_limits<double>::infinity();

TEST(FrontScan, WorkedExamples) {
    // A (0.1, 0.5), B (0.2, 0.3), C (0.3, 0.4): C is not below B's FN; B is nearer than A.
    Pick p = pick({0.1, 0.2, 0.3}, {0.5, 0.3, 0.4});
    EXPECT_EQ(p.front, (Front{0, 1}));
    EXPECT_EQ(p.best, 1u);

    // A (0, 1) is never printed, yet its distance 1 beats B's.
    p = pick({0, 5}, {1, 0.5});
    EXPECT_EQ(p.front, (Front{1}));
    EXPECT_EQ(p.best, 0u);

    // Every FN is 1: nothing is printed and the first label is best.
    p = pick({0.3, 0.1, 0.2}, {1, 1, 1});
    EXPECT_EQ(p.front, Front{});
    EXPECT_EQ(p.best, 0u);
}

TEST(FrontScan, OrderOfTheArgumentsDoesNotChangeTheFront) {
    Pick p = pick({0.3, 0.2, 0.1}, {0.4, 0.3, 0.5});
    EXPECT_EQ(p.front, (Front{2, 1}));
    EXPECT_EQ(p.best, 1u);
}

TEST(FrontScan, OnlyTheLowestFnOfEqualFpIsLookedAt) {
    // Candidate 1 has the lower FN at FP 0.2; candidate 0 is passed over even though its FN
    // is below the level.
    Pick p = pick({0.2, 0.2}, {0.6, 0.4});
    EXPECT_EQ(p.front, (Front{1}));
    EXPECT_EQ(p.best, 1u);

    // The group is skipped as a whole when its first member is not below the level: the
    // second member must not get a turn.
    p = pick({0.1, 0.2, 0.2}, {0.3, 0.5, 0.3});
    EXPECT_EQ(p.front, (Front{0}));

    // -0 and +0 are equal FP and form one group.
    p = pick({0.0, -0.0}, {0.7, 0.5});
    EXPECT_EQ(p.front, (Front{1}));
}

TEST(FrontScan, IdenticalCandidatesKeepTheirGivenOrder) {
    for (std::size_t n : {2u, 3u, 17u, 40u, 200u}) {
        std::vector<double> fp(n, 0.5), fn(n, 0.5);
        Pick p = pick(fp, fn);
        EXPECT_EQ(p.front, (Front{0})) << n;
        EXPECT_EQ(p.best, 0u);

        // Behind a strictly better candidate given last, the first of the equal ones follows it.
        fp.push_back(0.1);
        fn.push_back(0.9);
        p = pick(fp, fn);
        EXPECT_EQ(p.front, (Front{n, 0})) << n;
    }
}

TEST(FrontScan, BestMovesOnlyWhenStrictlyNearer) {
    // (0.6, 0.8) and (0.8, 0.6) are both at distance exactly 1, like (0, 1): the first given
    // candidate keeps best, and among printed ones the earlier in the scan keeps it.
    ASSERT_EQ(std::sqrt(0.6 * 0.6 + 0.8 * 0.8), std::sqrt(0.8 * 0.8 + 0.6 * 0.6));
    Pick p = pick({0.8, 0.6, 0.9}, {0.6, 0.8, 0.7});
    EXPECT_EQ(p.front, (Front{1, 0}));
    EXPECT_EQ(p.best, 0u);

    p = pick({2, 0.6, 0.8}, {0.1, 0.8, 0.6});
    EXPECT_EQ(p.front, (Front{1, 2, 0}));
    EXPECT_EQ(p.best, 1u);

    // The distance is sqrt(FP*FP + FN*FN) rounded step by step. For (0.246, 0.961) it is
    // exactly that of (s, 0), a tie that keeps candidate 0; hypot rounds one ulp lower and
    // would make candidate 1 best.
    double s = 0.99198639103568353;
    ASSERT_EQ(std::sqrt(0.246 * 0.246 + 0.961 * 0.961), s);
    ASSERT_LT(std::hypot(0.246, 0.961), s);
    p = pick({s, 0.246}, {0, 0.961});
    EXPECT_EQ(p.front, (Front{1, 0}));
    EXPECT_EQ(p.best, 0u);
}

TEST(FrontScan, InfiniteAndHugeFp) {
    // An infinite FP joins the front when its FN is low enough, but is never nearer.
    Pick p = pick({0.5, inf}, {0.5, 0});
    EXPECT_EQ(p.front, (Front{0, 1}));
    EXPECT_EQ(p.best, 0u);

    // Several infinite FP are one group.
    p = pick({0.5, inf, inf}, {0.9, 0.4, 0.1});
    EXPECT_EQ(p.front, (Front{0, 2}));
    EXPECT_EQ(p.best, 0u);

    // An infinite first candidate gives way to any finite printed one.
    p = pick({inf, 1e300}, {0.5, 0.5});
    EXPECT_EQ(p.front, (Front{1}));
    EXPECT_EQ(p.best, 0u); // 1e300 squared overflows: both distances are infinite
    p = pick({inf, 1e100}, {0.5, 0.5});
    EXPECT_EQ(p.best, 1u);
}

TEST(FrontScan, FnZeroEndsTheFront) {
    Pick p = pick({0.1, 0.2, 0.3, 0.4}, {0.5, 0, 0, 0.2});
    EXPECT_EQ(p.front, (Front{0, 1}));
    EXPECT_EQ(p.best, 1u);
}

} // namespace
