#include "interval_list_inside_out_ranked.hpp"
#include "big_array.hpp"
#include "interval_list_bound_ranks.hpp"
#include "interval_list_packed_ids.hpp"
#include "interval_list_position_set.hpp"
#include "reals.hpp"

#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr std::size_t none = position_set::none;

// Counts kept by place, in memory that held something else before.
class place_counts {
  public:
    explicit place_counts(std::uint32_t *memory) : at_(memory) {}
    std::uint32_t operator[](std::size_t p) const { return at_[p]; }
    void set(std::size_t p, std::uint32_t x) { at_[p] = x; }

  private:
    std::uint32_t *at_;
};

template <unsigned Width>
std::size_t merge(interval_bounds *v, std::size_t count, std::size_t old,
                  const std::uint32_t *order) {
    big_array<std::uint32_t> scratch;
    if (!scratch.reserve(2 * count + 2)) throw std::bad_alloc();
    packed_ids<Width> place(count), above(count);
    const std::size_t places = rank_bounds(v, count, old, scratch.data(), place, above);
    const place_ends ends(scratch.data());
    release_pages(ends.address(places), scratch.data() + 2 * count + 2);

    // outer: the places of entries held by no entry with a lower place, whose ends therefore
    // rise with their places; the one with the greatest place below p ends highest among all
    // entries that start at most at place p. rising: the places of the entries whose start is
    // above that of every entry before them in the list. An interval added with lo == hi may
    // start where the last of these before it does, and is taken as one all the same: of two
    // with one start, the one added first is first in the list and has the lower place, so it
    // answers every search the other would, and both go as soon as either does.
    position_set outer(places), rising(places);
    // Speed only: the ends of the places put in outer lately, kept close, which spares a read
    // from far away where outer is small and changes at every add.
    const std::size_t slots = 4096;
    std::vector<std::uint32_t> recent(slots, UINT32_MAX);
    std::vector<double> recent_end(slots);
    auto end_at = [&](std::size_t p) {
        return recent[p % slots] == p ? recent_end[p % slots] : ends[p];
    };
    auto outermost = [&](std::size_t p, double hi) {
        std::size_t d = outer.prev(p);
        if (d != none && end_at(d) >= hi) return false;
        for (std::size_t s; (s = outer.next(p + 1)) != none && end_at(s) <= hi;) outer.erase(s);
        outer.insert(p);
        recent[p % slots] = static_cast<std::uint32_t>(p), recent_end[p % slots] = hi;
        return true;
    };
    for (std::size_t i = 0; i < old; ++i)
        if (reals::number(v[i].lo)) outermost(place[i], v[i].hi);
    double top = 0;
    for (std::size_t j = 0, seen = 0; j < old; ++j) {
        const std::uint32_t e = order[j];
        if (reals::number(v[e].lo) && (seen++ == 0 || v[e].lo > top))
            rising.insert(place[e]), top = v[e].lo;
    }

    // From here above[i] of an interval added is the place of the entry it went in just
    // before, or at_end, or refused.
    const auto at_end = static_cast<std::uint32_t>(count), refused = at_end + 1;
    const std::size_t ahead = 8;
    for (std::size_t i = old; i < count; ++i) {
        if (i + ahead < count && reals::number(v[i + ahead].lo)) {
            const std::size_t p = place[i + ahead], d = outer.prev(p), s = outer.next(p + 1);
            if (d != none) __builtin_prefetch(ends.address(d));
            if (s != none) __builtin_prefetch(ends.address(s));
        }
        const double hi = v[i].hi;
        if (!reals::number(hi)) {
            above.set(i, at_end);
            continue;
        }
        const std::size_t p = place[i], q = above[i];
        if (!outermost(p, hi)) {
            above.set(i, refused);
            continue;
        }
        const std::size_t r = rising.next(q);
        above.set(i, r == none ? at_end : static_cast<std::uint32_t>(r));
        for (std::size_t s = r; s < p; s = rising.next(s + 1)) rising.erase(s);
        rising.insert(p);
    }

    // The list in order: each entry is preceded by those that went in just before it, in the
    // order they went in, each preceded in turn by its own. Sizes first, kept by place (an
    // entry with NaN bounds has no place, and none goes in before it), from the last added to
    // the first; then places in the list, each entry's first one kept where its size was.
    place_counts size(scratch.data());
    for (std::size_t p = 0; p < places; ++p) size.set(p, 1);
    auto own = [&](std::size_t i) { return reals::number(v[i].lo) ? size[place[i]] : 1; };
    for (std::size_t i = count; i-- > old;)
        if (const std::uint32_t r = above[i]; r < at_end) size.set(r, size[r] + own(i));
    std::uint32_t entries = 0;
    auto put = [&](std::size_t i, std::uint32_t first, std::uint32_t length) {
        if (reals::number(v[i].lo)) size.set(place[i], first);
        place.set(i, first + length - 1);
    };
    for (std::size_t j = 0; j < old; ++j) {
        const std::uint32_t e = order[j], length = own(e);
        put(e, entries, length);
        entries += length;
    }
    for (std::size_t i = old; i < count; ++i) {
        const std::uint32_t r = above[i];
        if (r == refused) {
            place.set(i, refused);
            continue;
        }
        const std::uint32_t length = own(i);
        std::uint32_t first = entries;
        if (r == at_end)
            entries += length;
        else
            first = size[r], size.set(r, first + length);
        put(i, first, length);
    }

    // Each entry to its place: the first half of the places through the scratch memory; then
    // the others, once gathered at the front, straight to theirs, which lie beyond.
    const std::size_t half = (entries + 1) / 2;
    auto *low = reinterpret_cast<unsigned char *>(scratch.data());
    for (std::size_t i = 0; i < count; ++i)
        if (const std::uint32_t at = place[i]; at < half)
            std::memcpy(low + at * sizeof *v, &v[i], sizeof *v);
    std::size_t moved = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (const std::uint32_t at = place[i]; at >= half && at < entries) {
            v[moved] = v[i];
            place.set(moved++, static_cast<std::uint32_t>(at - half));
        }
    }
    for (std::size_t i = 0; i < moved; ++i) v[half + place[i]] = v[i];
    if (half > 0) std::memcpy(v, low, half * sizeof *v);
    return entries;
}

} // namespace

std::size_t interval_list_merge_ranked(interval_bounds *v, std::size_t count, std::size_t old,
                                       const std::uint32_t *order) {
    if (count + 1 <= packed_ids<3>::most) return merge<3>(v, count, old, order);
    return merge<4>(v, count, old, order);
}
