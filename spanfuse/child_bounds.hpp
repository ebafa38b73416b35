// Speed only: running bounds over the children of an inner node, so that a walk finds the few
// children an interval can reach by counting, rather than by testing every child. For each
// child c: the greatest bound (start or end) among children 0 to c, and the least among
// children c to the last. The first never falls, the second never rises, along the children.
// They cover the children's own bounds, and are made exact again whenever the node's children
// change otherwise than by widening.
#pragma once

#include "reals.hpp"

#include <algorithm>
#include <cstdint>

template <std::size_t Fan> struct child_bounds {
    double top_to[Fan], bottom_from[Fan];

    // Exact again, from each child's greatest and least bound.
    template <class Top, class Bottom> void settle(std::uint32_t n, Top top, Bottom bottom) {
        double t = -reals::inf, b = reals::inf;
        for (std::uint32_t c = 0; c < n; ++c) top_to[c] = t = std::max(t, top(c));
        for (std::uint32_t c = n; c > 0; --c) bottom_from[c - 1] = b = std::min(b, bottom(c - 1));
    }

    // After child c's bounds widened to top and bottom: as far as that changes them.
    void widen(std::uint32_t c, double top, double bottom) {
        for (std::uint32_t k = c; k < Fan && top_to[k] < top; ++k) top_to[k] = top;
        for (std::uint32_t k = c + 1; k > 0 && bottom_from[k - 1] > bottom; --k)
            bottom_from[k - 1] = bottom;
    }

    // Of n children, an interval with bounds least <= most can reach none before the first
    // that this returns, whose bounds are all below least, and none from the first c on for
    // which beyond(c, most), whose bounds are all above most. Counted, so that no load waits
    // on another.
    std::uint32_t from(std::uint32_t n, double least) const {
        return count(n, [&](std::uint32_t c) { return top_to[c] < least; });
    }
    bool beyond(std::uint32_t c, double most) const { return bottom_from[c] > most; }

    // How many of children 0 to n - 1 pass test, which holds for a first run of them only:
    // every fourth one counts off the groups of four before it, and one group is counted.
    template <class Test> static std::uint32_t count(std::uint32_t n, Test test) {
        std::uint32_t groups = 0;
        for (std::uint32_t c = 3; c < n; c += 4) groups += test(c);
        std::uint32_t k = 4 * groups;
        for (std::uint32_t c = k, end = std::min(k + 4, n); c < end; ++c) k += test(c);
        return k;
    }
};
