// The sort-and-sweep path of the interval list. For intervals with lo <= hi and no NaN bound
// the three passes of interval_list_add build the union of the closed intervals, touching
// ones joined, in ascending order; each entry starts at the lowest lo and ends at the highest
// hi of the intervals it holds, and among bounds that compare equal the one added first
// stays (the passes replace a bound only by a strictly lower or higher one).
#include "interval_list.hpp"

#include <algorithm>

static void merge_gathered(interval_list &list) {
    std::vector<interval_bounds> &g = list.gathered;
    std::sort(g.begin(), g.end(),
              [](const interval_bounds &a, const interval_bounds &b) { return a.lo < b.lo; });
    std::size_t n = 0;
    for (const interval_bounds &b : g) {
        if (n > 0 && b.lo <= list.end[n - 1]) {
            if (b.hi > list.end[n - 1]) list.end[n - 1] = b.hi;
        } else {
            list.start[n] = b.lo;
            list.end[n] = b.hi;
            ++n;
        }
    }
    list.count = n;
    list.merged = true;
    g.clear();

    // Equal bounds with different bits are +0 and -0 alone, and the sort does not keep the
    // order of addition. An entry that starts at zero holds every interval whose lo is zero,
    // since it holds zero, so its start is the first such lo added; likewise for an end.
    for (std::size_t i = 0; i < n; ++i) {
        if (list.start[i] == 0) list.start[i] = list.first_zero_lo;
        if (list.end[i] == 0) list.end[i] = list.first_zero_hi;
    }
}

void interval_list_push(interval_list &list, double lo, double hi) {
    if (!list.merged && lo <= hi) { // false for a NaN bound too
        if (lo == 0 && !list.zero_lo_seen) {
            list.zero_lo_seen = true;
            list.first_zero_lo = lo;
        }
        if (hi == 0 && !list.zero_hi_seen) {
            list.zero_hi_seen = true;
            list.first_zero_hi = hi;
        }
        list.gathered.push_back({lo, hi});
        return;
    }
    if (!list.merged) merge_gathered(list);
    interval_list_add(list, lo, hi);
}

void interval_list_finish(interval_list &list) {
    if (!list.merged) merge_gathered(list);
}
