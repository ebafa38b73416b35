// The rules of one add of [lo, hi] to the interval list, each written once: the fold of the
// bridging pass and tests a, b and c of the overlap pass, on one link or entry, and on bounds
// over many, which a walk asks before it enters a part of the list. Every comparison of a
// bound with lo or hi outside the literal passes is made here.
//
//   fold    a link from an entry ending at end to one starting at start folds when
//           end >= lo and start <= hi;
//   test a  an entry holds [lo, hi] when start <= lo and end >= hi;
//   test b  its start is lowered to lo when lo < start <= hi;
//   test c  its end is raised to hi when lo <= end < hi.
//
// Bounds over many entries or links are NaN where there is nothing to bound, so that they
// admit nothing, whatever the interval. A NaN bound of an entry passes no test and folds no
// link. What follows from the rules: tests b and c need lo < hi; a link folds only if its end
// lies at least lo - hi above its next start; and an entry whose bounds all lie below both of
// lo and hi, or all above both, passes no test and folds no link into it.
#pragma once

#include "reals.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

struct add_rules {
    double lo, hi;
    double least, most; // the lesser and the greater of lo and hi, where both are numbers
    double need;        // the least drop of a link that folds: lo - hi, or -inf where NaN
    bool open;          // lo < hi: tests b and c can pass

    add_rules(double l, double h)
        : lo(l), hi(h), least(std::min(l, h)), most(std::max(l, h)),
          need(reals::number(l - h) ? l - h : -reals::inf), open(l < h) {}

    // On one link or entry.
    bool folds(double end, double start) const { return end >= lo && start <= hi; }
    bool holds(double start, double end) const { return start <= lo && end >= hi; }
    bool lowers(double start) const { return lo < start && start <= hi; }
    bool raises(double end) const { return lo <= end && end < hi; }
    // Whether any test passes on the entry, without a branch.
    bool passes(double start, double end) const {
        const bool a = holds(start, end), b = lowers(start), c = raises(end);
        return a | (open & (b | c));
    }
    // Where [lo, hi] goes in: before the first entry that starts above hi.
    bool goes_before(double start) const { return start > hi; }

    // On bounds over many: whether some entry or link below them may pass.
    bool may_fold(double max_link_end, double min_link_start, double max_drop) const {
        return max_link_end >= lo && min_link_start <= hi && max_drop >= need;
    }
    bool may_hold(double min_start, double max_end) const {
        return min_start <= lo && max_end >= hi;
    }
    bool may_lower(double min_start, double max_start) const {
        return open && max_start > lo && min_start <= hi;
    }
    bool may_raise(double min_end, double max_end) const {
        return open && max_end >= lo && min_end < hi;
    }
    // Given the exact greatest start (least end) of entries none of which holds [lo, hi], and
    // some of which test b (c) reaches: every start test b reaches is lowered (every end test
    // c reaches raised), so the change is the same for all of them.
    bool lowers_every(double max_start) const { return max_start <= hi; }
    bool raises_every(double min_end) const { return min_end >= lo; }
    // Entries whose every bound is below top, or above bottom, pass no test and fold no link
    // into them: they lie wholly below, or wholly above, [lo, hi]. A NaN top or bottom, over
    // nothing, is both.
    bool below(double top) const { return !(top >= least); }
    bool above(double bottom) const { return !(bottom <= most); }

    // Thresholds for passing children over by running bounds: a child may hold the place only
    // if it starts above place_start(); a fold only if a link into it or below it ends at or
    // above fold_end(); a test only if an end is at or above test_end(), or a start above
    // test_start() (NaN: none can pass test b).
    double place_start() const { return hi; }
    double fold_end() const { return lo; }
    double test_end() const { return least; }
    double test_start() const { return open ? lo : reals::nan; }

    // The entries of a run whose starts and ends never fall along it, from place i to n,
    // that a test or fold may reach, with the links into them: [i, n) of the count; and how
    // many of them start at or below hi, which is where [lo, hi] goes in. Counted in one pass
    // without branches, which costs less than searching by halves.
    struct reach {
        std::uint32_t from, to, placed;
    };
    reach in_order(const double *start, const double *end, std::uint32_t count) const {
        std::uint32_t ends_below_least = 0, starts_to_least = 0, starts_to_most = 0,
                      ends_below_most = 0;
        for (std::uint32_t k = 0; k < count; ++k) {
            ends_below_least += end[k] < least;
            starts_to_least += start[k] <= least;
            starts_to_most += start[k] <= most;
            ends_below_most += end[k] < most;
        }
        return {std::min(ends_below_least, starts_to_least),
                std::max(starts_to_most, ends_below_most),
                hi == most ? starts_to_most : starts_to_least};
    }

    // For an index by value: the starts of entries that may hold [lo, hi] (their ends must be
    // at or above hi), the ends of links that may fold (their next starts must be at or below
    // hi), the starts that test b lowers and the ends that test c raises, as closed ranges.
    struct range {
        double from, to;
    };
    range holding_starts() const { return {-reals::inf, lo}; }
    range folding_ends() const { return {lo, reals::inf}; }
    range lowered_starts() const { return {std::nextafter(lo, reals::inf), hi}; }
    range raised_ends() const { return {lo, std::nextafter(hi, -reals::inf)}; }
};
