// Speed only: running bounds over the children of an inner node, so that a walk finds the few
// children an interval can reach by counting, rather than by putting every child's summary to
// the rules. For each child c: the greatest bound (start or end) and start among children 0 to
// c, which never fall along the children, the least bound among children c to the last, which
// never rises, and, kept apart from the summaries so that a walk reads it line by line, its own
// greatest end. NaN stands for a bound over nothing. They cover the children's own bounds, and
// are made exact again whenever the node's children change otherwise than by widening.
#pragma once

#include "list_rules.hpp"
#include "reals.hpp"
#include "speed_parts.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

// How many of 0 to n - 1 pass test, which holds for a first run of them only: every fourth one
// counts off the groups of four before it, and one group is counted, so that no load waits on
// another.
template <class Test> std::uint32_t count_first(std::uint32_t n, Test test) {
    std::uint32_t groups = 0;
    for (std::uint32_t c = 3; c < n; c += 4) groups += test(c);
    std::uint32_t k = 4 * groups;
    for (std::uint32_t c = k, end = std::min(k + 4, n); c < end; ++c) k += test(c);
    return k;
}

// A child's greatest start and end, and least bound.
struct child_bounds_of {
    double start, end, bottom;
};

template <std::size_t Fan> struct child_bounds {
    // The greatest bound and start among children 0 to c, the least bound among children c to
    // the last, the greatest end of child c.
    double top_to[Fan], start_to[Fan], bottom_from[Fan], end_of[Fan];

    // Exact again, from each child's bounds.
    template <class Bounds> void settle(std::uint32_t n, Bounds bounds) {
        using reals::least, reals::most;
        if (!speed::running_bounds) return;
        double s = reals::nan, t = reals::nan, b = reals::nan;
        for (std::uint32_t c = 0; c < n; ++c) {
            child_bounds_of k = bounds(c);
            start_to[c] = s = most(s, k.start);
            end_of[c] = k.end;
            top_to[c] = t = most(most(t, k.start), k.end);
        }
        for (std::uint32_t c = n; c > 0; --c)
            bottom_from[c - 1] = b = least(b, bounds(c - 1).bottom);
    }

    // After child c of n's bounds widened to k: as far as that changes them.
    void widen(std::uint32_t c, std::uint32_t n, child_bounds_of k) {
        if (!speed::running_bounds) return;
        raise(top_to, c, n, reals::most(k.start, k.end));
        raise(start_to, c, n, k.start);
        end_of[c] = reals::most(end_of[c], k.end);
        lowered(c, k.bottom);
    }
    // After child c's least bound fell to bottom, or its greatest end rose to end (of n).
    void lowered(std::uint32_t c, double bottom) {
        if (!speed::running_bounds || !reals::number(bottom)) return;
        for (std::uint32_t k = c + 1; k > 0 && !(bottom_from[k - 1] <= bottom); --k)
            bottom_from[k - 1] = bottom;
    }
    void raised(std::uint32_t c, std::uint32_t n, double end) {
        if (!speed::running_bounds) return;
        raise(top_to, c, n, end);
        end_of[c] = reals::most(end_of[c], end);
    }

    // The first of n children that may hold the place of [lo, hi]: none before it starts above hi.
    std::uint32_t above(std::uint32_t n, const add_rules &r) const {
        if (!speed::running_bounds) return 0;
        return count_first(n, [&](std::uint32_t c) { return !r.goes_before(start_to[c]); });
    }
    // Whether some of n children may start above hi.
    bool may_place(std::uint32_t n, const add_rules &r) const {
        return !speed::running_bounds || r.goes_before(start_to[n - 1]);
    }
    // Of n children, [lo, hi] can reach none before the first that this returns, all of whose
    // bounds and those before are below it, and none from the first c on for which beyond(c).
    std::uint32_t from(std::uint32_t n, const add_rules &r) const {
        if (!speed::running_bounds) return 0;
        return count_first(n, [&](std::uint32_t c) { return r.below(top_to[c]); });
    }
    bool beyond(std::uint32_t c, const add_rules &r) const {
        return speed::running_bounds && r.above(bottom_from[c]);
    }
    // Whether every child before c lies below [lo, hi].
    bool below_before(std::uint32_t c, const add_rules &r) const {
        return c == 0 || (speed::running_bounds && r.below(top_to[c - 1]));
    }
    // The first of children c to n - 1 that may start above start, or end at or above end, or
    // follow one that may (the link into it has that end), or n; a NaN bound asks for nothing.
    std::uint32_t wanted(std::uint32_t c, std::uint32_t n, double start, double end) const {
        if (!speed::running_bounds) return c;
        while (c < n &&
               !(start_to[c] > start || end_of[c] >= end || (c > 0 && end_of[c - 1] >= end)))
            ++c;
        return c;
    }

    // Whether they cover the exact bounds of n children.
    template <class Bounds> bool covers(std::uint32_t n, Bounds bounds) const {
        if (!speed::running_bounds) return true;
        child_bounds exact;
        exact.settle(n, bounds);
        auto high = [](double kept, double e) { return !reals::number(e) || kept >= e; };
        auto low = [](double kept, double e) { return !reals::number(e) || kept <= e; };
        for (std::uint32_t c = 0; c < n; ++c)
            if (!high(top_to[c], exact.top_to[c]) || !high(start_to[c], exact.start_to[c]) ||
                !high(end_of[c], exact.end_of[c]) || !low(bottom_from[c], exact.bottom_from[c]))
                return false;
        return true;
    }

  private:
    // Raises v[c] to n - 1 to x where they are below it, or over nothing.
    static void raise(double *v, std::uint32_t c, std::uint32_t n, double x) {
        if (!reals::number(x)) return;
        for (std::uint32_t k = c; k < n && !(v[k] >= x); ++k) v[k] = x;
    }
};
