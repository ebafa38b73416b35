// The walks of one add over the interval list's tree, in list order, each entering only the
// children whose summary admits what it looks for. Their state is one struct, list_walk, that
// the add hands to each in turn.
#pragma once

#include "reals.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

template <class Shape> struct list_place {
    typename Shape::ref leaf; // 0 until found
    std::uint32_t at;
    double before, after; // the end of the entry before, the start of the entry at the place
};

template <class Shape> struct list_walk {
    double lo, hi;
    double need; // the least drop of a link that folds: lo - hi, or -inf where that is NaN
    // What the probe found: the places of the entries whose link to the next one folds, in
    // order; the first entry that any test of the overlap pass holds for, before any fold;
    // and the first entry that starts above hi.
    std::vector<std::uint32_t> folds;
    enum { nothing, held, changes } first = nothing;
    list_place<Shape> first_at{}; // where the first entry a test holds for is, if found in a leaf
    list_place<Shape> place{};
    bool folds_only = false; // the probe looks for folds alone
    bool may_fold = true;    // the bounds over all the list's links leave room for a fold
    bool changed = false;    // the overlap pass changed an entry
    std::size_t idle = 0;    // leaves entered that had nothing to give
};

// The children of inner node x that [lo, hi] can reach, by the running bounds: none before
// from(x, lo, hi), none from the first c on for which beyond(x, c, lo, hi).
template <class Inner> std::uint32_t from(const Inner &x, double lo, double hi) {
    return x.col.run.from(x.n, std::min(lo, hi));
}
template <class Inner> bool beyond(const Inner &x, std::uint32_t c, double lo, double hi) {
    return x.col.run.beyond(c, std::max(lo, hi));
}

// The place in the list of the first entry below child c of node r, at height h, and of
// the entry at place m of leaf r.
template <class Shape>
std::uint32_t place_of(const Shape &t, typename Shape::ref r, unsigned h, std::uint32_t c) {
    std::uint32_t m = 0;
    for (std::uint32_t k = 0; k < c; ++k) m += t.inner(r).col.s[k].count;
    for (; h < t.height(); ++h) {
        typename Shape::ref p = t.parent(r, h);
        for (std::uint32_t k = 0, c = t.slot_of(r, h); k < c; ++k) m += t.inner(p).col.s[k].count;
        r = p;
    }
    return m;
}
template <class Shape>
std::uint32_t place_of(const Shape &t, typename Shape::ref r, std::uint32_t m) {
    if (t.height() == 0) return m;
    typename Shape::ref p = t.parent(r, 0);
    return m + place_of(t, p, 1, t.slot_of(r, 0));
}

// Speed only: counting in leaves in order. The entries that a test or fold of [lo, hi] can
// reach, with the links into them: [i, n). Before i every end is below both bounds and no start
// above them; from n on every start is above both and every end at or above both. Returns how
// many start at or below hi. One pass without branches counts all, which costs less than
// searching by halves, where each load waits on the one before.
template <class Leaf>
std::uint32_t reach(const Leaf &l, double lo, double hi, std::uint32_t &i, std::uint32_t &n) {
    const double least = std::min(lo, hi), most = std::max(lo, hi);
    std::uint32_t ends_below_least = 0, starts_to_least = 0, starts_to_most = 0,
                  ends_below_most = 0;
    for (std::uint32_t k = 0; k < l.n; ++k) {
        ends_below_least += l.b[k] < least;
        starts_to_least += l.a[k] <= least;
        starts_to_most += l.a[k] <= most;
        ends_below_most += l.b[k] < most;
    }
    i = std::min(ends_below_least, starts_to_least);
    n = std::max(starts_to_most, ends_below_most);
    return hi == most ? starts_to_most : starts_to_least;
}

// The first child of inner node x with a start above hi, or x.n: the running bounds tell where
// to start looking, the exact greatest starts where to stop.
template <class Inner> std::uint32_t place_child(const Inner &x, double hi) {
    std::uint32_t c = x.col.run.above(x.n, hi);
    while (c < x.n && !(x.col.s[c].max_start > hi)) ++c;
    return c;
}

// Where [lo, hi] goes in: before the first entry that starts above hi, or after the last. What
// is pending on the way is handed down. Below node r at height h, whose entries lie between
// one ending at before and one starting at after, when r is given.
template <class Shape>
list_place<Shape> find_place(Shape &t, typename Shape::ref r, unsigned h, double before,
                             double after, double hi) {
    bool last = false; // no entry starts above hi: after the last entry
    for (; h > 0; --h) {
        auto &x = t.inner(r);
        std::uint32_t c = last ? x.n : place_child(x, hi);
        if (c == x.n) last = true, c = x.n - 1;
        if (c > 0) before = x.col.s[c - 1].last_end;
        if (c + 1 < x.n) after = x.col.s[c + 1].first_start;
        t.push(r, c, h - 1);
        r = x.child[c];
    }
    const auto &l = t.leaf(r);
    std::uint32_t m = 0;
    if (last)
        m = l.n;
    else
        while (m < l.n && !(l.a[m] > hi)) ++m;
    if (m > 0) before = l.b[m - 1];
    if (m < l.n) after = l.a[m];
    return {r, m, before, after};
}
template <class Shape> list_place<Shape> find_place(Shape &t, double hi) {
    return find_place(t, t.root(), t.height(), reals::nan, reals::nan, hi);
}

// The probe in leaf r, whose entries follow one ending at before.
template <class Shape>
void probe_leaf(const Shape &t, typename Shape::ref r, double before, list_walk<Shape> &w) {
    const double lo = w.lo, hi = w.hi;
    const bool open = lo < hi; // tests b and c can pass
    const auto &l = t.leaf(r);
    // Entries [i, n) and the links into them are all a test or a fold can reach, but in a
    // leaf in order, where they are found by counting.
    std::uint32_t i = 0, n = l.n, to_hi = 0;
    if (l.ordered) to_hi = reach(l, lo, hi, i, n);
    // One pass without branches asks whether any entry, or link into one, passes; only
    // then is it looked for.
    const double *a = l.a, *b = l.b;
    auto passes = [&](double s, double e) {
        return ((s <= lo) & (e >= hi)) | (open & (((lo < s) & (s <= hi)) | ((lo <= e) & (e < hi))));
    };
    auto folds = [&](std::uint32_t k) { return (b[k - 1] >= lo) & (a[k] <= hi); };
    bool fold = false, test = false, above = false;
    if (open) // else only test a can pass, and the loop is the shorter for it
        for (std::uint32_t k = i; k < n; ++k) test |= passes(a[k], b[k]), above |= a[k] > hi;
    else
        for (std::uint32_t k = i; k < n; ++k)
            test |= (a[k] <= lo) & (b[k] >= hi), above |= a[k] > hi;
    for (std::uint32_t k = std::max(i, 1u); k < n; ++k) fold |= folds(k);
    // Folds are rare: the leaf's place in the list is looked for only then.
    if (fold)
        for (std::uint32_t k = std::max(i, 1u); k < n; ++k)
            if (folds(k)) w.folds.push_back(place_of(t, r, k) - 1);
    bool found = fold;
    if (w.folds_only) return void(w.idle += !found);
    if (w.first == w.nothing && test) {
        while (!passes(a[i], b[i])) ++i;
        w.first = a[i] <= lo && b[i] >= hi ? w.held : w.changes;
        w.first_at = {r, i, reals::nan, reals::nan};
        found = true;
    }
    if (!w.place.leaf && (l.ordered ? to_hi < l.n : above)) {
        std::uint32_t m = to_hi;
        if (!l.ordered)
            while (!(a[m] > hi)) ++m;
        w.place = {r, m, m > 0 ? b[m - 1] : before, a[m]};
        found = true;
    }
    w.idle += !found;
}

// Looks once through the list, as it stands, for what all three passes need: the links that
// fold, the first entry that a test of the overlap pass holds for, and the insertion place.
// Enters a child only while it may hold one of them. before and after are the end of the entry
// before node r and the start of the entry after it; lo and hi are numbers.
template <class Shape>
void probe(Shape &t, typename Shape::ref r, unsigned h, double before, double after,
           list_walk<Shape> &w) {
    const double lo = w.lo, hi = w.hi;
    const bool open = lo < hi; // tests b and c can pass
    if (h == 0) return probe_leaf(t, r, before, w);
    auto &x = t.inner(r);
    const std::uint32_t n = x.n;
    // The place, if still looked for, is in the first child with a start above hi. Children
    // the interval cannot reach can hold the place alone.
    const bool placing = !w.folds_only && !w.place.leaf && x.col.run.start_to[n - 1] > hi;
    auto still_placing = [&] { return placing && !w.place.leaf; };
    auto testing = [&] { return !w.folds_only && w.first == w.nothing; };
    bool within = true;
    // Once a search ends, the children before the first where one still on may find something
    // (the place, a fold: a link whose end is at or above lo, or a test) are passed over by the
    // running bounds. In a node where both the place and the first tested entry are sought,
    // not before: the first child the interval can reach is most often where they are; in any
    // other, from the start.
    bool skipping = !placing || !testing();
    double start = reals::nan, end = reals::nan;
    auto searching = [&] {
        start = still_placing() ? hi : reals::nan, end = reals::nan;
        if (within && w.may_fold) end = lo;
        if (within && testing()) end = std::min(lo, hi), start = open ? lo : start;
    };
    if (skipping) searching();
    for (std::uint32_t c = from(x, lo, hi); c < n; ++c) {
        if (skipping) {
            if ((c = x.col.run.wanted(c, n, start, end)) == n) break;
            skipping = false;
        }
        const bool was_testing = testing(), was_placing = still_placing();
        within = within && !beyond(x, c, lo, hi);
        if (!within && !was_placing) break;
        const auto &k = x.col.s[c];
        // The link into child c from the one before it, then what is inside child c.
        if (c > 0 && x.col.s[c - 1].last_end >= lo && k.first_start <= hi)
            w.folds.push_back(place_of(t, r, h, c) - 1);
        bool fold = k.link_end >= lo && k.link_start <= hi && k.link_drop >= w.need;
        bool test = was_testing;
        if (test) {
            // The greatest start and least end are exact: where one of them passes test b or
            // c and no entry can hold [lo, hi], the first entry a test holds for is a change,
            // and nothing below tells more.
            bool may_hold = k.min_start <= lo && k.max_end >= hi;
            if (!may_hold && open &&
                ((lo < k.max_start && k.max_start <= hi) || (lo <= k.min_end && k.min_end < hi)))
                w.first = w.changes, w.first_at.leaf = 0, test = false;
            else
                test = may_hold || (open && ((k.max_start > lo && k.min_start <= hi) ||
                                             (k.max_end >= lo && k.min_end < hi)));
        }
        bool here = was_placing && k.max_start > hi;
        if (fold || test || here) {
            t.push(r, c, h - 1);
            const double into = c > 0 ? x.col.s[c - 1].last_end : before,
                         out = c + 1 < n ? x.col.s[c + 1].first_start : after;
            // A child that can hold the place alone is walked down to it the short way.
            if (fold || test)
                probe(t, x.child[c], h - 1, into, out, w);
            else
                w.place = find_place(t, x.child[c], h - 1, into, out, hi);
        }
        if (was_testing != testing() || was_placing != still_placing())
            skipping = true, searching();
    }
}

// The probe from the root. Speed only: where the list's order follows its bounds, as it most
// often does, every child before the one that holds the place has all its bounds below both of
// the interval's, and every child after it all above both; the probe would enter that child
// alone, and it is entered straight away. The probe proper starts below the last such node.
template <class Shape> void probe(Shape &t, list_walk<Shape> &w) {
    const double least = std::min(w.lo, w.hi), most = std::max(w.lo, w.hi);
    typename Shape::ref r = t.root();
    double before = reals::nan, after = reals::nan;
    for (unsigned h = t.height(); h > 0; --h) {
        auto &x = t.inner(r);
        const std::uint32_t c = place_child(x, w.hi);
        if (c == x.n || (c > 0 && !(x.col.run.top_to[c - 1] < least)) ||
            (c + 1 < x.n && !x.col.run.beyond(c + 1, most)))
            return probe(t, r, h, before, after, w);
        if (c > 0) before = x.col.s[c - 1].last_end;
        if (c + 1 < x.n) after = x.col.s[c + 1].first_start;
        t.push(r, c, h - 1);
        r = x.child[c];
    }
    probe_leaf(t, r, before, w);
}

// The overlap pass over the entries of leaf l from place i on.
constexpr unsigned lowered = 1, raised = 2;
template <class Leaf, class Walk>
bool overlap_leaf(Leaf &l, std::uint32_t i, Walk &w, unsigned &what) {
    const double lo = w.lo, hi = w.hi;
    unsigned met = 0;
    for (; i < l.n; ++i) {
        double s = l.a[i], e = l.b[i];
        if (s <= lo && e >= hi) {
            what |= met;
            w.changed |= met != 0;
            return true;
        }
        if (lo < s && s <= hi) l.a[i] = lo, met |= lowered;
        if (lo <= e && e < hi) l.b[i] = hi, met |= raised;
    }
    what |= met;
    w.changed |= met != 0;
    w.idle += !met;
    return false;
}

// Child c of node r, at height h, after the overlap pass changed entries below it.
template <class Shape>
void changed_below(Shape &t, typename Shape::ref r, unsigned h, std::uint32_t c, double lo,
                   double hi, unsigned what) {
    auto &x = t.inner(r);
    const bool low = what & lowered, high = what & raised;
    if (h == 1)
        x.col.changed(c, x.n, t.leaf(x.child[c]), lo, hi, low, high);
    else
        x.col.changed(c, x.n, t.inner(x.child[c]), lo, hi, low, high);
}

// The overlap pass: in list order, until an entry holds [lo, hi] (test a), every start in
// (lo, hi] becomes lo (test b) and every end in [lo, hi) becomes hi (test c); for lo >= hi
// only test a can pass. Returns whether an entry held it; adds to what the changes made below
// r: lowered, raised.
template <class Shape>
bool overlap(Shape &t, typename Shape::ref r, unsigned h, list_walk<Shape> &w, unsigned &what) {
    const double lo = w.lo, hi = w.hi;
    if (h == 0) return overlap_leaf(t.leaf(r), 0, w, what);
    auto &x = t.inner(r);
    const bool open = lo < hi;
    for (std::uint32_t c = from(x, lo, hi); c < x.n && !beyond(x, c, lo, hi); ++c) {
        const auto &k = x.col.s[c];
        bool a = k.min_start <= lo && k.max_end >= hi;
        bool b = open && k.max_start > lo && k.min_start <= hi;
        bool e = open && k.max_end >= lo && k.min_end < hi;
        if (!a && !b && !e) continue;
        // Where no entry can hold the interval, every start that test b can reach is at most
        // hi, and every end that test c can reach at least lo, the tests come down to lowering
        // every start to lo and raising every end to hi: noted on the child, not made in it.
        // The greatest start and least end are exact, so they tell whether anything changes.
        if (!a && (!b || k.max_start <= hi) && (!e || k.min_end >= lo)) {
            if (b) x.col.lower(c, x.n, lo), what |= lowered;
            if (e) x.col.raise(c, x.n, hi), what |= raised;
            w.changed = true;
            continue;
        }
        t.push(r, c, h - 1);
        unsigned below = 0;
        bool held = overlap(t, x.child[c], h - 1, w, below);
        if (below) changed_below(t, r, h, c, lo, hi, below), what |= below;
        if (held) return true;
    }
    return false;
}

// Speed only: the overlap pass, when the probe found the first entry a test holds for in a
// leaf and no entry after that leaf can pass a test, made in that leaf alone, with the
// summaries above it brought up to date. False, with nothing done, when that is not so.
template <class Shape>
bool overlap_in_leaf(Shape &t, list_walk<Shape> &w, unsigned &what, bool &held) {
    typename Shape::ref r = w.first_at.leaf;
    if (!r) return false;
    const double most = std::max(w.lo, w.hi);
    for (unsigned h = 0; h < t.height(); ++h) {
        const auto &x = t.inner(t.parent(r, h));
        std::uint32_t c = t.slot_of(r, h);
        if (c + 1 < x.n && !x.col.run.beyond(c + 1, most)) return false;
        r = t.parent(r, h);
    }
    r = w.first_at.leaf;
    held = overlap_leaf(t.leaf(r), w.first_at.at, w, what);
    if (!what) return true;
    for (unsigned h = 0; h < t.height(); r = t.parent(r, h++))
        changed_below(t, t.parent(r, h), h + 1, t.slot_of(r, h), w.lo, w.hi, what);
    return true;
}

// The leaf and place of the entry at place i of the list, with what is pending on the way
// handed down.
template <class Shape>
std::pair<typename Shape::ref, std::uint32_t> find_entry(Shape &t, std::uint32_t i) {
    typename Shape::ref r = t.root();
    for (unsigned h = t.height(); h > 0; --h) {
        auto &x = t.inner(r);
        std::uint32_t c = 0;
        while (i >= x.col.s[c].count) i -= x.col.s[c++].count;
        t.push(r, c, h - 1);
        r = x.child[c];
    }
    return {r, i};
}

// Hands everything pending down to the leaves.
template <class Shape> void push_all(Shape &t, typename Shape::ref r, unsigned h) {
    if (h == 0) return;
    for (std::uint32_t c = 0; c < t.inner(r).n; ++c) {
        t.push(r, c, h - 1);
        push_all(t, t.inner(r).child[c], h - 1);
    }
}
