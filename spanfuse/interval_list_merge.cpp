// The fast merge. For well-formed intervals the three passes of interval_list_add build the
// union of the closed intervals, touching ones joined, in ascending order; each entry starts
// at the lowest lo and ends at the highest hi of the intervals it holds, and among bounds that
// compare equal the one added first stays (the passes replace a bound only by a strictly lower
// or higher one). So one sort and one sweep build it.
#include "interval_list.hpp"
#include "interval_list_inside_out.hpp"
#include "interval_tree.hpp"
#include "list_merge.hpp"
#include "radix_sort.hpp"
#include "real_key.hpp"

#include <algorithm>

namespace {

#ifdef SPANFUSE_WITHOUT_RADIX_SORT
constexpr bool radix_sorted = false;
#else
constexpr bool radix_sorted = true;
#endif

// Sorts by lo, equal bounds in any order.
void sort_by_lo(interval_bounds *iv, std::size_t n) {
    if constexpr (radix_sorted)
        radix_sort(iv, n, [](const interval_bounds &x) { return real_key(x.lo); });
    else
        std::sort(iv, iv + n, [](const auto &a, const auto &b) { return a.lo < b.lo; });
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
    // A build for benchmarks may keep the list in the tree whatever it costs, to show what the
    // budget spares.
#ifdef SPANFUSE_TREE_ALWAYS
    const merge_setup<interval_tree<>> setup{{}, tree_always};
#else
    const merge_setup<interval_tree<>> setup{};
#endif
    return interval_list_merge_with<interval_tree<>>(
        iv, n, [](const interval_tree<> &) {}, setup);
}
