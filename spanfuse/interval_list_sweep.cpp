// The sort-and-sweep path of the interval list. For intervals with lo <= hi and no NaN bound
// the three passes of interval_list_add build the union of the closed intervals, touching
// ones joined, in ascending order; each entry starts at the lowest lo and ends at the highest
// hi of the intervals it holds, and among bounds that compare equal the one added first
// stays (the passes replace a bound only by a strictly lower or higher one).
#include "interval_list.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

bool lo_before(const interval_bounds &a, const interval_bounds &b) {
    return a.lo < b.lo;
}

// Copies the n intervals of start and end into out in ascending order of lo. Intervals are
// first dealt into buckets by where lo lies between the lowest and highest lo, a mapping
// that never decreases with lo, so only each bucket is left to sort; with a few intervals
// per bucket that takes linear time on evenly spread bounds, and a crowded bucket costs no
// more than sorting it. Too few intervals, or a range that cannot be divided, and they are
// simply sorted.
void sort_by_lo(const double *start, const double *end, std::size_t n, interval_bounds *out) {
    double min = n > 0 ? start[0] : 0, max = min;
    for (std::size_t i = 1; i < n; ++i) {
        min = std::min(min, start[i]);
        max = std::max(max, start[i]);
    }
    std::size_t buckets = n / 4;
    double scale = static_cast<double>(buckets) / (max - min);
    if (n < 64 || n > UINT32_MAX || !std::isfinite(scale) || !(scale > 0)) {
        for (std::size_t i = 0; i < n; ++i) out[i] = {start[i], end[i]};
        std::sort(out, out + n, lo_before);
        return;
    }
    auto bucket = [&](double lo) {
        auto b = static_cast<std::size_t>((lo - min) * scale);
        return std::min(b, buckets - 1);
    };
    std::vector<std::uint32_t> first(buckets + 1);
    for (std::size_t i = 0; i < n; ++i) ++first[bucket(start[i]) + 1];
    for (std::size_t b = 0; b < buckets; ++b) first[b + 1] += first[b];
    for (std::size_t i = 0; i < n; ++i) out[first[bucket(start[i])]++] = {start[i], end[i]};
    // Each first[b] has moved to the end of bucket b, that is the start of bucket b + 1.
    std::size_t from = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
        if (first[b] - from > 1) std::sort(out + from, out + first[b], lo_before);
        from = first[b];
    }
}

void merge_gathered(interval_list &list) {
    std::size_t n = list.gathered;
    auto sorted = std::make_unique_for_overwrite<interval_bounds[]>(n);
    sort_by_lo(list.start.get(), list.end.get(), n, sorted.get());
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto [lo, hi] = sorted[i];
        if (count > 0 && lo <= list.end[count - 1]) {
            if (hi > list.end[count - 1]) list.end[count - 1] = hi;
        } else {
            list.start[count] = lo;
            list.end[count] = hi;
            ++count;
        }
    }
    list.count = count;
    list.gathered = 0;
    list.merged = true;

    // Equal bounds with different bits are +0 and -0 alone, and the sort does not keep the
    // order of addition. An entry that starts at zero holds every interval whose lo is zero,
    // since it holds zero, so its start is the first such lo added; likewise for an end.
    if (!list.zero_lo_seen && !list.zero_hi_seen) return;
    for (std::size_t i = 0; i < count; ++i) {
        if (list.start[i] == 0) list.start[i] = list.first_zero_lo;
        if (list.end[i] == 0) list.end[i] = list.first_zero_hi;
    }
}

} // namespace

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
        list.start[list.gathered] = lo;
        list.end[list.gathered] = hi;
        ++list.gathered;
        return;
    }
    if (!list.merged) merge_gathered(list);
    interval_list_add(list, lo, hi);
}

void interval_list_finish(interval_list &list) {
    if (!list.merged) merge_gathered(list);
}
