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

// The list as the adds need it, by the places of the entries' starts. outer: the entries held
// by no entry with a lower place, whose ends therefore rise with their places; the one with the
// greatest place below p ends highest among all entries that start at most at place p. rising:
// the entries whose start is above that of every entry before them in the list.
class ranked_list {
  public:
    ranked_list(const place_ends &ends, std::size_t places)
        : ends_(ends), outer_(places), rising_(places), recent_(slots, UINT32_MAX),
          recent_end_(slots) {}

    // Test a for the interval whose start has place p: false if an entry holds it; otherwise
    // it is taken into outer, and true.
    bool unheld(std::size_t p, double hi) {
        const std::size_t d = outer_.prev(p);
        if (d != none && end_at(d) >= hi) return false;
        for (std::size_t s; (s = outer_.next(p + 1)) != none && end_at(s) <= hi;) outer_.erase(s);
        outer_.insert(p);
        recent_[p % slots] = static_cast<std::uint32_t>(p), recent_end_[p % slots] = hi;
        return true;
    }

    // Inserts the entry whose start has place p just before the first entry whose start has
    // a place at or above q (that is above its end), and returns that one's place, or none.
    // An entry with lo == hi may start where the last running maximum before it does, and is
    // taken as one all the same: of two with one start, the one added first is first in the
    // list and has the lower place, so it answers every search the other would, and both go as
    // soon as either does.
    std::size_t insert(std::size_t p, std::size_t q) {
        const std::size_t r = rising_.next(q);
        for (std::size_t s = r; s < p; s = rising_.next(s + 1)) rising_.erase(s);
        rising_.insert(p);
        return r;
    }

    // For an entry already in the list: one that starts above every entry before it.
    void rises(std::size_t p) { rising_.insert(p); }

    // Speed only: the ends that test a will read for a start at place p, fetched ahead.
    void prefetch(std::size_t p) const {
        if (const std::size_t d = outer_.prev(p); d != none) __builtin_prefetch(ends_.address(d));
        if (const std::size_t s = outer_.next(p + 1); s != none)
            __builtin_prefetch(ends_.address(s));
    }

  private:
    // Speed only: the ends of the places put in outer lately, kept close, which spares a read
    // from far away where outer is small and changes at every add.
    static constexpr std::size_t slots = 4096;
    double end_at(std::size_t p) const {
        return recent_[p % slots] == p ? recent_end_[p % slots] : ends_[p];
    }

    const place_ends &ends_;
    position_set outer_, rising_;
    std::vector<std::uint32_t> recent_;
    std::vector<double> recent_end_;
};

// Adds v[old], ..., v[count - 1] to the list of v[0], ..., v[old - 1] (in list order order[0],
// ...). Leaves in above[i] of each the place of the entry it went in just before, or at_end,
// or refused.
template <unsigned Width>
void add_all(const interval_bounds *v, std::size_t count, std::size_t old,
             const std::uint32_t *order, ranked_list &list, const packed_ids<Width> &place,
             packed_ids<Width> &above, std::uint32_t at_end, std::uint32_t refused) {
    for (std::size_t i = 0; i < old; ++i)
        if (reals::number(v[i].lo)) list.unheld(place[i], v[i].hi);
    double top = 0;
    for (std::size_t j = 0, seen = 0; j < old; ++j) {
        const std::uint32_t e = order[j];
        if (reals::number(v[e].lo) && (seen++ == 0 || v[e].lo > top))
            list.rises(place[e]), top = v[e].lo;
    }

    const std::size_t ahead = 8;
    for (std::size_t i = old; i < count; ++i) {
        if (i + ahead < count && reals::number(v[i + ahead].lo)) list.prefetch(place[i + ahead]);
        const double hi = v[i].hi;
        if (!reals::number(hi))
            above.set(i, at_end);
        else if (!list.unheld(place[i], hi))
            above.set(i, refused);
        else if (const std::size_t r = list.insert(place[i], above[i]); r == none)
            above.set(i, at_end);
        else
            above.set(i, static_cast<std::uint32_t>(r));
    }
}

// The list in order: each entry is preceded by those that went in just before it, in the order
// they went in, each preceded in turn by its own. Sizes first, kept by place (an entry with NaN
// bounds has no place, and none goes in before it), from the last added to the first; then
// each entry's index in the list, into place[i], or refused; each entry's first index is kept
// where its size was. Returns the number of entries.
template <unsigned Width>
std::uint32_t order_all(const interval_bounds *v, std::size_t count, std::size_t old,
                        const std::uint32_t *order, std::uint32_t *size, std::size_t places,
                        packed_ids<Width> &place, const packed_ids<Width> &above,
                        std::uint32_t at_end, std::uint32_t refused) {
    for (std::size_t p = 0; p < places; ++p) size[p] = 1;
    auto own = [&](std::size_t i) { return reals::number(v[i].lo) ? size[place[i]] : 1; };
    for (std::size_t i = count; i-- > old;)
        if (const std::uint32_t r = above[i]; r < at_end) size[r] += own(i);
    std::uint32_t entries = 0;
    auto put = [&](std::size_t i, std::uint32_t first, std::uint32_t length) {
        if (reals::number(v[i].lo)) size[place[i]] = first;
        place.set(i, first + length - 1);
    };
    for (std::size_t j = 0; j < old; ++j) {
        const std::uint32_t e = order[j], length = own(e);
        put(e, entries, length);
        entries += length;
    }
    for (std::size_t i = old; i < count; ++i) {
        const std::uint32_t r = above[i], length = own(i);
        if (r == refused)
            place.set(i, refused);
        else if (r == at_end)
            put(i, entries, length), entries += length;
        else
            put(i, size[r], length), size[r] += length;
    }
    return entries;
}

// Each entry to its index: those of the first half through room, which has space for them;
// then the others, once gathered at the front, straight to theirs, which lie beyond.
template <unsigned Width>
void put_all(interval_bounds *v, std::size_t count, std::size_t entries, unsigned char *room,
             packed_ids<Width> &index) {
    const std::size_t half = (entries + 1) / 2;
    for (std::size_t i = 0; i < count; ++i)
        if (const std::uint32_t at = index[i]; at < half)
            std::memcpy(room + at * sizeof *v, &v[i], sizeof *v);
    std::size_t moved = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (const std::uint32_t at = index[i]; at >= half && at < entries) {
            v[moved] = v[i];
            index.set(moved++, static_cast<std::uint32_t>(at - half));
        }
    }
    for (std::size_t i = 0; i < moved; ++i) v[half + index[i]] = v[i];
    if (half > 0) std::memcpy(v, room, half * sizeof *v);
}

// The scratch memory holds the ids of the bounds while they are ranked, then the ends by place,
// then the sizes by place, then the first half of the entries in order.
template <unsigned Width>
std::size_t merge(interval_bounds *v, std::size_t count, std::size_t old,
                  const std::uint32_t *order) {
    big_array<std::uint32_t> scratch;
    if (!scratch.reserve(2 * count + 2)) throw std::bad_alloc();
    packed_ids<Width> place(count), above(count);
    const std::size_t places = rank_bounds(v, count, old, scratch.data(), place, above);
    const place_ends ends(scratch.data());
    release_pages(ends.address(places), scratch.data() + 2 * count + 2);

    const auto at_end = static_cast<std::uint32_t>(count), refused = at_end + 1;
    {
        ranked_list list(ends, places);
        add_all(v, count, old, order, list, place, above, at_end, refused);
    }
    const std::uint32_t entries =
        order_all(v, count, old, order, scratch.data(), places, place, above, at_end, refused);
    put_all(v, count, entries, reinterpret_cast<unsigned char *>(scratch.data()), place);
    return entries;
}

} // namespace

std::size_t interval_list_merge_ranked(interval_bounds *v, std::size_t count, std::size_t old,
                                       const std::uint32_t *order) {
    if (count + 1 <= packed_ids<3>::most) return merge<3>(v, count, old, order);
    return merge<4>(v, count, old, order);
}
