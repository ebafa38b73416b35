// The interval list as one flat array, merged into by the three passes as they are written,
// each add visiting every entry at most a few times: what the literal passes spend, and no more.
// The tree falls back on it where the tree would cost more (list_merge.hpp).
#pragma once

#include "interval_list.hpp"
#include "list_rules.hpp"

#include <algorithm>
#include <cstddef>

// Adds [lo, hi] to the count entries at e, which have room for one more; returns the count
// after the add.
inline std::size_t flat_add(interval_bounds *e, std::size_t count, const add_rules &r) {
    // Bridging: a run of links that fold folds into its first entry, which takes the end of
    // the last; the entries after it move down once.
    std::size_t u = 0;
    while (u + 1 < count && !r.folds(e[u].hi, e[u + 1].lo)) ++u;
    if (u + 1 < count) {
        std::size_t kept = u;
        for (std::size_t i = u; i < count;) {
            interval_bounds run = e[i++];
            while (i < count && r.folds(run.hi, e[i].lo)) run.hi = e[i++].hi;
            e[kept++] = run;
        }
        count = kept;
    }

    // Overlap.
    bool changed = false;
    for (std::size_t t = 0; t < count; ++t) {
        if (r.holds(e[t].lo, e[t].hi)) return count;
        if (r.lowers(e[t].lo)) e[t].lo = r.lo, changed = true;
        if (r.raises(e[t].hi)) e[t].hi = r.hi, changed = true;
    }
    if (changed) return count;

    // Insertion.
    std::size_t m = 0;
    while (m < count && !r.goes_before(e[m].lo)) ++m;
    std::copy_backward(e + m, e + count, e + count + 1);
    e[m] = {r.lo, r.hi};
    return count + 1;
}
