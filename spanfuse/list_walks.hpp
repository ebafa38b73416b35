// The walks of one add over the interval list's tree, in list order, each entering only the
// children whose summary the rules (list_rules.hpp) say may hold what it looks for. The state
// of the add is one struct, add_walk, that the add hands to each walk in turn; the probe, which
// looks for what all three passes need at once, is in list_probe.hpp.
#pragma once

#include "list_rules.hpp"
#include "reals.hpp"
#include "speed_parts.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// A place in the list: before entry at of leaf, which follows an entry ending at before and
// starts at after (NaN where there is none).
template <class Shape> struct list_place {
    typename Shape::ref leaf; // 0 until found
    std::uint32_t at;
    double before, after;
};

// The state of one add of [lo, hi].
template <class Shape> struct add_walk {
    add_rules rules;
    bool folds_only; // the probe looks for folds alone: an index answers the tests
    bool may_fold;   // the bounds over all the list's links leave room for a fold
    // What the probe found on the list as it was: the places of the entries whose link to the
    // next one folds, in order; the first entry that a test of the overlap pass passes on, and
    // where it is if found in a leaf; and where [lo, hi] goes in.
    std::vector<std::uint32_t> &folds;
    enum { nothing, held, changes } first = nothing;
    list_place<Shape> first_at{};
    list_place<Shape> place{};
    // The work done: nodes entered, and leaves entered that had nothing to give.
    std::size_t entered = 0, idle = 0;
};

// What the overlap pass did below a node: whether an entry held [lo, hi], and whether it
// lowered some start or raised some end.
struct overlap_found {
    bool held = false, lowered = false, raised = false;
    bool changed() const { return lowered || raised; }
    overlap_found &operator|=(const overlap_found &o) {
        held |= o.held, lowered |= o.lowered, raised |= o.raised;
        return *this;
    }
};

// Where a walk stands: node r at height h, whose entries follow one ending at before and
// precede one starting at after (NaN where there is none).
template <class Shape> struct list_node {
    typename Shape::ref r;
    unsigned h;
    double before, after;
};
template <class Shape> list_node<Shape> root_of(const Shape &t) {
    return {t.root(), t.height(), reals::nan, reals::nan};
}
// The step from inner node at down into its child c, handing down what is pending on it.
template <class Shape>
[[gnu::always_inline]] inline list_node<Shape> descend(Shape &t, const list_node<Shape> &at,
                                                       std::uint32_t c) {
    const auto &x = t.inner(at.r);
    list_node<Shape> down{x.child[c], at.h - 1, at.before, at.after};
    if (c > 0) down.before = x.col.s[c - 1].last_end;
    if (c + 1 < x.n) down.after = x.col.s[c + 1].first_start;
    t.push(at.r, c, at.h - 1);
    return down;
}

// The place in the list of the first entry below child c of node r, at height h, and of the
// entry at place m of leaf r.
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
    return m + place_of(t, t.parent(r, 0), 1, t.slot_of(r, 0));
}

// The first child of inner node x with a start above hi, or x.n: the running bounds tell where
// to start looking, the exact greatest starts where to stop.
template <class Inner> std::uint32_t place_child(const Inner &x, const add_rules &r) {
    std::uint32_t c = x.col.run.above(x.n, r);
    while (c < x.n && !r.goes_before(x.col.s[c].max_start)) ++c;
    return c;
}
// The same in leaf l, from place m on.
template <class Leaf> std::uint32_t place_in(const Leaf &l, std::uint32_t m, const add_rules &r) {
    while (m < l.n && !r.goes_before(l.a[m])) ++m;
    return m;
}

// Where [lo, hi] goes in, below node at: before the first entry that starts above hi, or
// after the last.
template <class Shape>
list_place<Shape> find_place(Shape &t, list_node<Shape> at, add_walk<Shape> &w) {
    bool last = false; // no entry starts above hi: after the last entry
    for (; at.h > 0; ++w.entered) {
        const auto &x = t.inner(at.r);
        std::uint32_t c = last ? x.n : place_child(x, w.rules);
        if (c == x.n) last = true, c = x.n - 1;
        at = descend(t, at, c);
    }
    ++w.entered;
    const auto &l = t.leaf(at.r);
    const std::uint32_t m = last ? l.n : place_in(l, 0, w.rules);
    return {at.r, m, m > 0 ? l.b[m - 1] : at.before, m < l.n ? l.a[m] : at.after};
}
template <class Shape> list_place<Shape> find_place(Shape &t, add_walk<Shape> &w) {
    return find_place(t, root_of(t), w);
}

// The overlap pass over the entries of leaf l from place i on.
template <class Leaf> overlap_found overlap_leaf(Leaf &l, std::uint32_t i, const add_rules &r) {
    overlap_found o;
    for (; i < l.n; ++i) {
        if (r.holds(l.a[i], l.b[i])) return o.held = true, o;
        if (r.lowers(l.a[i])) l.a[i] = r.lo, o.lowered = true;
        if (r.raises(l.b[i])) l.b[i] = r.hi, o.raised = true;
    }
    return o;
}

// Child c of node r, at height h, after the overlap pass changed entries below it.
template <class Shape>
void changed_below(Shape &t, typename Shape::ref r, unsigned h, std::uint32_t c,
                   const add_rules &rules, const overlap_found &o) {
    auto &x = t.inner(r);
    if (h == 1)
        x.col.changed(c, x.n, t.leaf(x.child[c]), rules, o.lowered, o.raised);
    else
        x.col.changed(c, x.n, t.inner(x.child[c]), rules, o.lowered, o.raised);
}

// The overlap pass below node r at height h: in list order, until an entry holds [lo, hi]
// (test a), every start test b reaches becomes lo and every end test c reaches becomes hi.
template <class Shape>
overlap_found overlap(Shape &t, typename Shape::ref r, unsigned h, add_walk<Shape> &w) {
    const add_rules &rules = w.rules;
    ++w.entered;
    if (h == 0) {
        overlap_found o = overlap_leaf(t.leaf(r), 0, rules);
        w.idle += !o.held && !o.changed();
        return o;
    }
    auto &x = t.inner(r);
    overlap_found found;
    for (std::uint32_t c = x.col.run.from(x.n, rules); c < x.n && !x.col.run.beyond(c, rules);
         ++c) {
        const auto &k = x.col.s[c];
        const bool hold = k.may_hold(rules), lower = rules.may_lower(k.min_start, k.max_start),
                   raise = rules.may_raise(k.min_end, k.max_end);
        if (!hold && !lower && !raise) continue;
        // Where no entry can hold the interval and every start and end the tests reach are
        // changed alike, the change is noted on the child, not made in it.
        if (speed::pending && !hold && (!lower || rules.lowers_every(k.max_start)) &&
            (!raise || rules.raises_every(k.min_end))) {
            if (lower) x.col.lower(c, x.n, rules.lo), found.lowered = true;
            if (raise) x.col.raise(c, x.n, rules.hi), found.raised = true;
            continue;
        }
        t.push(r, c, h - 1);
        overlap_found below = overlap(t, x.child[c], h - 1, w);
        if (below.changed()) changed_below(t, r, h, c, rules, below);
        found |= below;
        if (found.held) break;
    }
    return found;
}

// Speed only: the overlap pass, when the probe found the first entry a test passes on in a
// leaf and no entry after that leaf can pass one, made in that leaf alone, with the summaries
// above it brought up to date. Nothing, with nothing done, when that is not so.
template <class Shape> std::optional<overlap_found> overlap_in_leaf(Shape &t, add_walk<Shape> &w) {
    typename Shape::ref r = w.first_at.leaf;
    if (!speed::leaf_overlap || !r) return std::nullopt;
    for (unsigned h = 0; h < t.height(); r = t.parent(r, h++)) {
        const auto &x = t.inner(t.parent(r, h));
        std::uint32_t c = t.slot_of(r, h);
        if (c + 1 < x.n && !x.col.run.beyond(c + 1, w.rules)) return std::nullopt;
    }
    r = w.first_at.leaf;
    overlap_found o = overlap_leaf(t.leaf(r), w.first_at.at, w.rules);
    w.entered += t.height() + 1;
    if (o.changed())
        for (unsigned h = 0; h < t.height(); r = t.parent(r, h++))
            changed_below(t, t.parent(r, h), h + 1, t.slot_of(r, h), w.rules, o);
    return o;
}

// The leaf and place of the entry at place i of the list, with what is pending on the way
// handed down.
template <class Shape>
std::pair<typename Shape::ref, std::uint32_t> find_entry(Shape &t, std::uint32_t i,
                                                         add_walk<Shape> &w) {
    list_node<Shape> at = root_of(t);
    for (; at.h > 0; ++w.entered) {
        const auto &x = t.inner(at.r);
        std::uint32_t c = 0;
        while (i >= x.col.s[c].count) i -= x.col.s[c++].count;
        at = descend(t, at, c);
    }
    ++w.entered;
    return {at.r, i};
}

// Hands everything pending down to the leaves.
template <class Shape> void push_all(Shape &t, typename Shape::ref r, unsigned h) {
    if (h == 0) return;
    for (std::uint32_t c = 0; c < t.inner(r).n; ++c) {
        t.push(r, c, h - 1);
        push_all(t, t.inner(r).child[c], h - 1);
    }
}
