// The merge of a list that is inside out throughout. When every interval added has lo >= hi
// or both bounds NaN, the three passes of interval_list_add simplify:
//
// - Tests b and c need lo < hi, so they never fire, and no entry ever changes.
// - No link ever folds. Of two neighbours, if entry i + 1 went in after entry i, then
//   start[i] <= end[i + 1], since entry i + 1 went in before the first entry that starts above
//   its end; if entry i went in after entry i + 1, just before it, then start[i + 1] > end[i].
//   A fold needs end[i] >= lo >= hi >= start[i + 1], and with every start at or above its end
//   the first case allows that only when all four bounds are equal, a duplicate that test a
//   has refused, and the second never. A NaN bound folds nothing. So entries are only ever
//   inserted.
// - Test a asks whether an entry holds [lo, hi]: start <= lo and end >= hi. An interval it
//   refuses is held by an earlier entry, which then holds whatever the refused one would hold,
//   so test a may as well ask whether any earlier interval holds [lo, hi]. An interval with
//   NaN bounds holds nothing and is held by nothing.
// - The insertion place is just before the first entry, in list order, whose start is above
//   hi. Every entry before that one starts at most at hi, so it is a strict running maximum of
//   the starts; these rise in list order and in value together, and the first of them above hi
//   is the least of them above hi. An interval inserted with lo > hi becomes one, and those
//   after it that start at most at lo cease to be; one with lo == hi becomes one unless the
//   running maximum before it starts at lo.
// - An interval with NaN bounds goes to the end of the list as it is at that moment, and
//   changes nothing; later intervals whose hi is at least every start still go after it.
//
// So the list needs neither its values nor its order while it is built, only places in one
// order of the bounds by value (interval_list_bound_ranks.hpp): a set of places for test a and
// one for the running maxima, and for each entry the one it went in just before. The order
// follows at the end (interval_list_inside_out_ranked.cpp).
//
// Ranking the bounds pays only on a list that keeps growing. Until it does, the intervals are
// merged plainly: a flat list, what remains of the passes, with test a asked by a binary
// search of the entries held by no other. The literal passes visit every entry on each add,
// since bridging visits every link, and the list never shrinks; so once the list's size times
// the adds still to come is at least twice what ranking and merging those adds and the list
// would cost, in the same units, the ranked merge costs less than half of what the literal
// passes would on the rest. It waits, too, while the plain adds of late cost less than twice
// what ranked ones would: as they do while most are refused, or while a list that will come
// to hold every distinct interval of the input grows ever more slowly.
#include "interval_list_inside_out.hpp"
#include "interval_list_inside_out_ranked.hpp"
#include "reals.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <vector>

namespace {

// How many of the ascending values a are at most x, found without a branch on the values, which
// would go either way at random.
std::size_t count_at_most(const std::vector<double> &a, double x) {
    const double *first = a.data();
    std::size_t n = a.size();
    if (n == 0) return 0;
    while (n > 1) {
        const std::size_t half = n / 2;
        first += half * (first[half - 1] <= x);
        n -= half;
    }
    return static_cast<std::size_t>(first - a.data()) + (*first <= x);
}

// The list while it is merged plainly, in list order, with the index of each entry's interval;
// and beside it, for test a, the starts and ends of the entries held by no other, by start,
// whose ends rise with their starts: the last that starts at most at lo ends highest among all
// entries that do.
struct flat_list {
    std::vector<double> start, end;
    std::vector<std::uint32_t> from;
    std::vector<double> outer_start, outer_end;
    std::size_t size() const { return start.size(); }

    // Adds [lo, hi], interval i; returns how many entries it visited.
    std::size_t add(double lo, double hi, std::size_t i) {
        const std::size_t n = size();
        std::size_t m = n, visited = 1;
        if (reals::number(lo)) {
            const auto j = static_cast<std::ptrdiff_t>(count_at_most(outer_start, lo));
            visited += static_cast<std::size_t>(std::bit_width(outer_start.size()));
            if (j > 0 && outer_end[static_cast<std::size_t>(j - 1)] >= hi) return visited;
            auto k = j;
            while (static_cast<std::size_t>(k) < outer_end.size() &&
                   outer_end[static_cast<std::size_t>(k)] <= hi)
                ++k;
            outer_start.erase(outer_start.begin() + j, outer_start.begin() + k);
            outer_end.erase(outer_end.begin() + j, outer_end.begin() + k);
            outer_start.insert(outer_start.begin() + j, lo);
            outer_end.insert(outer_end.begin() + j, hi);
            for (m = 0; m < n && !(start[m] > hi); ++m) {
            }
            visited += n;
        }
        const auto at = static_cast<std::ptrdiff_t>(m);
        start.insert(start.begin() + at, lo);
        end.insert(end.begin() + at, hi);
        from.insert(from.begin() + at, static_cast<std::uint32_t>(i));
        return visited;
    }
};

// Merges iv[next], ..., iv[n - 1] into the list by ranks; the list's entries go into the
// places of the intervals added last, in the order they were added.
std::size_t rank_rest(interval_bounds *iv, std::size_t n, std::size_t next, flat_list &list) {
    const std::size_t old = list.size(), first = next - old;
    std::vector<std::uint32_t> by_age(old), order(old);
    std::iota(by_age.begin(), by_age.end(), 0);
    std::sort(by_age.begin(), by_age.end(),
              [&](std::uint32_t a, std::uint32_t b) { return list.from[a] < list.from[b]; });
    for (std::uint32_t age = 0; age < old; ++age) {
        const std::uint32_t j = by_age[age];
        iv[first + age] = {list.start[j], list.end[j]};
        order[j] = age;
    }
    list = {};
    by_age = {};
    const std::size_t count = interval_list_merge_ranked(iv + first, n - first, old, order.data());
    std::copy(iv + first, iv + first + count, iv);
    return count;
}

} // namespace

bool interval_list_inside_out(const interval_bounds *iv, std::size_t n) {
    bool leading = true, all_points = true;
    for (std::size_t i = 0; i < n; ++i) {
        const auto [lo, hi] = iv[i];
        const bool nans = !reals::number(lo) && !reals::number(hi);
        if (!(lo >= hi) && !nans) return false;
        if (leading && nans) continue;
        leading = false;
        all_points = all_points && lo <= hi;
    }
    return !all_points;
}

std::size_t interval_list_merge_inside_out(interval_bounds *iv, std::size_t n,
                                           inside_out_costs costs) {
    flat_list list;
    const std::size_t window = 1024;
    std::size_t recent = 0;
    bool costly = true;
    for (std::size_t i = 0; i < n; ++i) {
        const auto size = static_cast<double>(list.size()), rest = static_cast<double>(n - i);
        if (costly && size * rest >= 2 * costs.ranked * (size + rest) && n <= ranked_merge_most)
            return rank_rest(iv, n, i, list);
        recent += list.add(iv[i].lo, iv[i].hi, i);
        if ((i + 1) % window == 0) {
            costly = static_cast<double>(recent) >= window * costs.ranked_add;
            recent = 0;
        }
    }
    for (std::size_t j = 0; j < list.size(); ++j) iv[j] = {list.start[j], list.end[j]};
    return list.size();
}
