// The fast merge. For well-formed intervals the three passes of interval_list_add build the
// union of the closed intervals, touching ones joined, in ascending order; each entry starts
// at the lowest lo and ends at the highest hi of the intervals it holds, and among bounds that
// compare equal the one added first stays (the passes replace a bound only by a strictly lower
// or higher one). So one sort and one sweep build it.
#include "interval_list.hpp"
#include "interval_list_inside_out.hpp"
#include "interval_tree.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

bool lo_before(const interval_bounds &a, const interval_bounds &b) {
    return a.lo < b.lo;
}

void sort_small(interval_bounds *first, interval_bounds *last) {
    if (last - first < 2) return; // first may be null
    for (interval_bounds *i = first + 1; i < last; ++i) {
        interval_bounds v = *i;
        interval_bounds *j = i;
        for (; j > first && v.lo < j[-1].lo; --j) *j = j[-1];
        *j = v;
    }
}

// Sorts by lo in place. Intervals are first dealt into buckets by where lo lies between the
// lowest and highest lo, a mapping that never decreases with lo, so only each bucket is left to
// sort, the same way; on evenly spread bounds that takes linear time. The dealing swaps each
// interval straight into its bucket's next free place, so it needs no second array, and with
// at most a few thousand buckets the places being filled stay in the cache. A bucket that
// holds more than half of the intervals, too few intervals, or a range that cannot be divided,
// and they are simply sorted.
void sort_by_lo(interval_bounds *iv, std::size_t n) {
    if (n < 64) {
        sort_small(iv, iv + n);
        return;
    }
    double min = iv[0].lo, max = min;
    for (std::size_t i = 1; i < n; ++i) {
        min = std::min(min, iv[i].lo);
        max = std::max(max, iv[i].lo);
    }
    std::size_t buckets = std::min<std::size_t>(n / 4, 4096);
    double scale = static_cast<double>(buckets) / (max - min);
    if (n > UINT32_MAX || !std::isfinite(scale) || !(scale > 0)) {
        std::sort(iv, iv + n, lo_before);
        return;
    }
    auto bucket = [&](double lo) {
        auto b = static_cast<std::size_t>((lo - min) * scale);
        return std::min(b, buckets - 1);
    };
    // end[b] is where bucket b ends; next[b] its first place not yet holding one of its own.
    std::vector<std::uint32_t> end(buckets), next(buckets);
    for (std::size_t i = 0; i < n; ++i) ++end[bucket(iv[i].lo)];
    for (std::uint32_t b = 0, at = 0; b < buckets; ++b) {
        next[b] = at;
        at += end[b];
        end[b] = at;
    }
    for (std::size_t b = 0; b < buckets; ++b) {
        while (next[b] < end[b]) {
            interval_bounds v = iv[next[b]];
            std::size_t d = bucket(v.lo);
            while (d != b) {
                std::swap(v, iv[next[d]++]);
                d = bucket(v.lo);
            }
            iv[next[b]++] = v;
        }
    }
    for (std::size_t b = 0, from = 0; b < buckets; ++b) {
        std::size_t size = end[b] - from;
        if (size > n / 2)
            std::sort(iv + from, iv + end[b], lo_before);
        else
            sort_by_lo(iv + from, size);
        from = end[b];
    }
}

} // namespace

std::size_t interval_list_sweep(interval_bounds *iv, std::size_t n) {
    // Equal bounds with different bits are +0 and -0 alone, and the sort does not keep the
    // order of addition. An entry that starts at zero holds every interval whose lo is zero,
    // since it holds zero, so its start is the first such lo added; likewise for an end.
    double zero_lo = 0, zero_hi = 0;
    bool zero_lo_seen = false, zero_hi_seen = false;
    for (std::size_t i = 0; i < n && !(zero_lo_seen && zero_hi_seen); ++i) {
        if (!zero_lo_seen && iv[i].lo == 0) zero_lo = iv[i].lo, zero_lo_seen = true;
        if (!zero_hi_seen && iv[i].hi == 0) zero_hi = iv[i].hi, zero_hi_seen = true;
    }

    sort_by_lo(iv, n);
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
        auto [lo, hi] = iv[i];
        if (count > 0 && lo <= iv[count - 1].hi) {
            if (hi > iv[count - 1].hi) iv[count - 1].hi = hi;
        } else {
            iv[count++] = {lo, hi};
        }
    }

    if (!zero_lo_seen && !zero_hi_seen) return count;
    for (std::size_t i = 0; i < count; ++i) {
        if (iv[i].lo == 0) iv[i].lo = zero_lo;
        if (iv[i].hi == 0) iv[i].hi = zero_hi;
    }
    return count;
}

std::size_t interval_list_merge(interval_bounds *iv, std::size_t n) {
    if (inside_out_merge && interval_list_inside_out(iv, n))
        return interval_list_merge_inside_out(iv, n);
    return interval_list_merge_with<interval_tree<>>(iv, n, [](const interval_tree<> &) {});
}
