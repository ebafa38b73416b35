// Speed only: running bounds over the children of an inner node, so that a walk finds the few
// children an interval can reach by counting, rather than by testing every child. For each
// child c: the greatest bound (start or end) and start among children 0 to c, which never fall
// along the children, the least bound among children c to the last, which never rises, and,
// kept apart from the summaries so that a walk reads it line by line, its own greatest end.
// They cover the children's own bounds, and are made exact again whenever the node's children
// change otherwise than by widening.
#pragma once

#include "reals.hpp"

#include <algorithm>
#include <cstdint>
#include <tuple>

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

template <std::size_t Fan> struct child_bounds {
    // The greatest bound and start among children 0 to c, the least bound among children c to
    // the last, the greatest end of child c.
    double top_to[Fan], start_to[Fan], bottom_from[Fan], end_of[Fan];

    // Exact again, from each child's greatest start and end, and least bound.
    template <class Bounds> void settle(std::uint32_t n, Bounds bounds) {
        double s = -reals::inf, e = -reals::inf, b = reals::inf;
        for (std::uint32_t c = 0; c < n; ++c) {
            auto [start, end, bottom] = bounds(c);
            start_to[c] = s = std::max(s, start);
            end_of[c] = end;
            e = std::max(e, end);
            top_to[c] = std::max(s, e);
        }
        for (std::uint32_t c = n; c > 0; --c)
            bottom_from[c - 1] = b = std::min(b, std::get<2>(bounds(c - 1)));
    }

    // After child c of n's bounds widened to these: as far as that changes them.
    void widen(std::uint32_t c, std::uint32_t n, double start, double end, double bottom) {
        const double top = std::max(start, end);
        for (std::uint32_t k = c; k < n && top_to[k] < top; ++k) top_to[k] = top;
        for (std::uint32_t k = c; k < n && start_to[k] < start; ++k) start_to[k] = start;
        end_of[c] = std::max(end_of[c], end);
        lowered(c, bottom);
    }

    // After child c's least bound fell to bottom, or its greatest end rose to end (of n).
    void lowered(std::uint32_t c, double bottom) {
        for (std::uint32_t k = c + 1; k > 0 && bottom_from[k - 1] > bottom; --k)
            bottom_from[k - 1] = bottom;
    }
    void raised(std::uint32_t c, std::uint32_t n, double end) {
        for (std::uint32_t k = c; k < n && top_to[k] < end; ++k) top_to[k] = end;
        end_of[c] = std::max(end_of[c], end);
    }

    // The first of n children that may start above hi; none before it does.
    std::uint32_t above(std::uint32_t n, double hi) const {
        return count(n, [&](std::uint32_t c) { return !(start_to[c] > hi); });
    }

    // Of n children, an interval with bounds least <= most can reach none before the first
    // that this returns, whose bounds are all below least, and none from the first c on for
    // which beyond(c, most), whose bounds are all above most. Counted, so that no load waits
    // on another.
    std::uint32_t from(std::uint32_t n, double least) const {
        return count(n, [&](std::uint32_t c) { return top_to[c] < least; });
    }
    // The first of children c to n - 1 that may start above start, or end at or above end, or
    // follow one that may (the link into it has that end), or n; a NaN bound asks for nothing.
    std::uint32_t wanted(std::uint32_t c, std::uint32_t n, double start, double end) const {
        while (c < n &&
               !(start_to[c] > start || end_of[c] >= end || (c > 0 && end_of[c - 1] >= end)))
            ++c;
        return c;
    }
    bool beyond(std::uint32_t c, double most) const { return bottom_from[c] > most; }

    template <class Test> static std::uint32_t count(std::uint32_t n, Test test) {
        return count_first(n, test);
    }
};
