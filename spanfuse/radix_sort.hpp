// Sorts in place by an unsigned 64-bit key, most significant digit first:
//
//   radix_sort(first, n, key)   sorts first[0], ..., first[n - 1] so that key(first[i]) never
//                               decreases with i. key(const T &) returns std::uint64_t and must
//                               give the same key for a value wherever it stands. Not stable:
//                               values with equal keys end in any order. T is moved by copy and
//                               assignment only. Takes memory for a few tables of buckets, never
//                               in proportion to n, and throws std::bad_alloc if it has none.
//
// Each bucket is dealt by the digit that begins at the highest bit in which its own least and
// greatest keys differ, so that digits are never spent on bits that all its keys share (doubles
// in [0, 1e7) share most of their top bits, and a cluster of keys all but its lowest ones), and
// all-equal keys, however many, cost one pass. Each value is swapped straight into its bucket's
// next free place, so no second array is needed. A bucket whose keys are already in order, or
// in reverse order, is left as it is or reversed.
//
// Bounded work: a bucket's digit always splits it, so each level takes at least one bit off
// what its buckets' keys differ in, and usually the whole digit; yet keys can be chosen so that
// each level only peels a few values off one bucket that keeps nearly all of them (a cluster
// with outliers at ever smaller distances). So a bucket of m values at depth d (the whole is
// at depth 0) is dealt only while 4 d < log2(m) + 1, and is otherwise sorted by comparing keys
// (introsort: O(m log m) at worst), as buckets of 32 values or fewer always are (by insertion).
// Each value thus takes part in at most 1 + log2(n) / 4 dealing passes, each a few reads and
// one move, and then in one comparison sort of a bucket no larger than n: the worst case is
// O(n log n), a constant above a comparison sort of the whole, and for the many-level
// shapes the comparison sort is left a bucket that holds few distinct keys or fits in the
// cache (at depth 2 fewer than 256 values, at depth 3 fewer than 4096).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace radix_sort_detail {

// Buckets of at most this many values are sorted by insertion; they fit in a few cache lines.
inline constexpr std::size_t insertion_max = 32;
// The widest digit: 2048 buckets, whose table of next free places stays in the first-level
// cache. A smaller bucket gets a narrower digit, about one bucket for every eight values.
inline constexpr unsigned max_bits = 11;
// A bucket of m values is dealt while depth * level_cost < log2(m) + 1.
inline constexpr unsigned level_cost = 4;

template <class T, class Key> void insertion_sort(T *a, std::size_t n, Key &key) {
    for (std::size_t i = 1; i < n; ++i) {
        T v = a[i];
        const std::uint64_t k = key(v);
        std::size_t j = i;
        for (; j > 0 && k < key(a[j - 1]); --j) a[j] = a[j - 1];
        a[j] = v;
    }
}

// ends[d] holds where each bucket of a level d deep ends, kept while the buckets below it are
// sorted; next is the next free place of each bucket of the level being dealt.
struct tables {
    std::vector<std::size_t> next = std::vector<std::size_t>(std::size_t{1} << max_bits);
    std::vector<std::vector<std::size_t>> ends;
};

template <class T, class Key>
void sort_bucket(T *a, std::size_t n, Key &key, unsigned depth, tables &t) {
    if (n <= insertion_max) {
        insertion_sort(a, n, key);
        return;
    }
    if (depth * level_cost >= static_cast<unsigned>(std::bit_width(n))) {
        std::sort(a, a + n, [&](const T &x, const T &y) { return key(x) < key(y); });
        return;
    }
    // Keys already in order, or in reverse order, are seen in the same pass, and cost no more.
    std::uint64_t least = key(a[0]), greatest = least, last = least;
    bool rising = true, falling = true;
    for (std::size_t i = 1; i < n; ++i) {
        const std::uint64_t k = key(a[i]);
        least = std::min(least, k);
        greatest = std::max(greatest, k);
        rising = rising && last <= k;
        falling = falling && last >= k;
        last = k;
    }
    if (rising) return;
    if (falling) {
        std::reverse(a, a + n);
        return;
    }

    const auto span = static_cast<unsigned>(std::bit_width(least ^ greatest));
    const auto fit =
        std::clamp<unsigned>(static_cast<unsigned>(std::bit_width(n)) - 3, 1, max_bits);
    const unsigned bits = std::min(span, fit), shift = span - bits;
    const std::uint64_t base = least >> shift;
    const auto buckets = static_cast<std::size_t>((greatest >> shift) - base + 1);
    auto digit = [&](const T &x) { return static_cast<std::size_t>((key(x) >> shift) - base); };

    if (t.ends.size() <= depth) t.ends.resize(depth + 1);
    std::vector<std::size_t> &end = t.ends[depth];
    end.assign(buckets, 0);
    std::size_t *next = t.next.data();
    for (std::size_t i = 0; i < n; ++i) ++end[digit(a[i])];
    for (std::size_t b = 0, at = 0; b < buckets; ++b) {
        next[b] = at;
        at += end[b];
        end[b] = at;
    }
    // The last bucket holds what is left once every other one is filled.
    for (std::size_t b = 0; b + 1 < buckets; ++b) {
        while (next[b] < end[b]) {
            T v = a[next[b]];
            std::size_t d = digit(v);
            while (d != b) {
                std::swap(v, a[next[d]++]);
                d = digit(v);
            }
            a[next[b]++] = v;
        }
    }
    for (std::size_t b = 0, from = 0; b < buckets; ++b) {
        const std::size_t to = t.ends[depth][b];
        if (to - from > 1) sort_bucket(a + from, to - from, key, depth + 1, t);
        from = to;
    }
}

} // namespace radix_sort_detail

template <class T, class Key> void radix_sort(T *first, std::size_t n, Key key) {
    if (n <= radix_sort_detail::insertion_max) {
        radix_sort_detail::insertion_sort(first, n, key);
        return;
    }
    radix_sort_detail::tables t;
    radix_sort_detail::sort_bucket(first, n, key, 0, t);
}
