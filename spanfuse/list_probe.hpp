// The probe of one add: a single walk through the list as it stands for what all three passes
// need, the links that fold, the first entry that a test of the overlap pass passes on, and
// the insertion place, entering a child only while the rules say it may hold one of them.
#pragma once

#include "list_rules.hpp"
#include "list_walks.hpp"
#include "reals.hpp"
#include "speed_parts.hpp"

#include <algorithm>
#include <cstdint>

// The probe in the leaf at.
template <class Shape>
void probe_leaf(const Shape &t, const list_node<Shape> &at, add_walk<Shape> &w) {
    const add_rules &rules = w.rules;
    const typename Shape::ref r = at.r;
    const auto &l = t.leaf(r);
    ++w.entered;
    // Entries [i, n) and the links into them are all a test or a fold can reach; in a leaf in
    // order they are found by counting.
    add_rules::reach reach{0, l.n, 0};
    if (l.ordered) reach = rules.in_order(l.a, l.b, l.n);
    std::uint32_t i = reach.from;
    const std::uint32_t n = reach.to;
    // One pass without branches asks whether any entry, or link into one, passes; only
    // then is it looked for.
    const double *a = l.a, *b = l.b;
    bool fold = false, test = false, above = false;
    if (rules.open) // else only test a can pass, and the loop is the shorter for it
        for (std::uint32_t k = i; k < n; ++k)
            test |= rules.passes(a[k], b[k]), above |= rules.goes_before(a[k]);
    else
        for (std::uint32_t k = i; k < n; ++k)
            test |= rules.holds(a[k], b[k]), above |= rules.goes_before(a[k]);
    for (std::uint32_t k = std::max(i, 1u); k < n; ++k) fold |= rules.folds(b[k - 1], a[k]);
    // Folds are rare: the leaf's place in the list is looked for only then.
    if (fold)
        for (std::uint32_t k = std::max(i, 1u); k < n; ++k)
            if (rules.folds(b[k - 1], a[k])) w.folds.push_back(place_of(t, r, k) - 1);
    bool found = fold;
    if (w.folds_only) return void(w.idle += !found);
    if (w.first == w.nothing && test) {
        while (!rules.passes(a[i], b[i])) ++i;
        w.first = rules.holds(a[i], b[i]) ? w.held : w.changes;
        w.first_at = {r, i, reals::nan, reals::nan};
        found = true;
    }
    if (!w.place.leaf && (l.ordered ? reach.placed < l.n : above)) {
        std::uint32_t m = l.ordered ? reach.placed : place_in(l, 0, rules);
        w.place = {r, m, m > 0 ? b[m - 1] : at.before, a[m]};
        found = true;
    }
    w.idle += !found;
}

// The probe below node at.
template <class Shape> void probe(Shape &t, const list_node<Shape> &at, add_walk<Shape> &w) {
    if (at.h == 0) return probe_leaf(t, at, w);
    const add_rules &rules = w.rules;
    const typename Shape::ref r = at.r;
    const unsigned h = at.h;
    auto &x = t.inner(r);
    const std::uint32_t n = x.n;
    ++w.entered;
    // The place, if still looked for, is in the first child with a start above hi. Children
    // the interval cannot reach can hold the place alone.
    const bool placing = !w.folds_only && !w.place.leaf && x.col.run.may_place(n, rules);
    auto still_placing = [&] { return placing && !w.place.leaf; };
    auto testing = [&] { return !w.folds_only && w.first == w.nothing; };
    bool within = true;
    // Once a search ends, the children before the first where one still on may find something
    // (the place, a fold, a test) are passed over by the running bounds. In a node where both
    // the place and the first tested entry are sought, not before: the first child the
    // interval can reach is most often where they are; in any other, from the start.
    bool skipping = !placing || !testing();
    double start = reals::nan, end = reals::nan;
    auto searching = [&] {
        start = still_placing() ? rules.place_start() : reals::nan, end = reals::nan;
        if (within && w.may_fold) end = rules.fold_end();
        if (within && testing())
            end = rules.test_end(), start = reals::least(rules.test_start(), start);
    };
    if (skipping) searching();
    for (std::uint32_t c = x.col.run.from(n, rules); c < n; ++c) {
        if (skipping) {
            if ((c = x.col.run.wanted(c, n, start, end)) == n) break;
            skipping = false;
        }
        const bool was_testing = testing(), was_placing = still_placing();
        within = within && !x.col.run.beyond(c, rules);
        if (!within && !was_placing) break;
        const auto &k = x.col.s[c];
        // The link into child c from the one before it, then what is inside child c.
        if (c > 0 && rules.folds(x.col.s[c - 1].last_end, k.first_start))
            w.folds.push_back(place_of(t, r, h, c) - 1);
        const bool fold = within && k.may_fold(rules);
        bool test = within && was_testing;
        // Where no entry below can hold [lo, hi] and one certainly changes, the first entry a
        // test passes on is a change, and nothing below tells more.
        if (test && k.surely_changes(rules))
            w.first = w.changes, w.first_at.leaf = 0, test = false;
        else if (test)
            test = k.may_hold(rules) || k.may_change(rules);
        const bool here = was_placing && rules.goes_before(k.max_start);
        if (fold || test || here) {
            const list_node<Shape> child = descend(t, at, c);
            // A child that can hold the place alone is walked down to it the short way.
            if (fold || test)
                probe(t, child, w);
            else
                w.place = find_place(t, child, w);
        }
        if (was_testing != testing() || was_placing != still_placing())
            skipping = true, searching();
    }
}

// The probe from the root. Speed only: where the list's order follows its bounds, as it most
// often does, every child before the one that holds the place has all its bounds below both of
// the interval's, and every child after it all above both; the probe would enter that child
// alone, and it is entered straight away. The probe proper starts below the last such node.
template <class Shape> void probe(Shape &t, add_walk<Shape> &w) {
    list_node<Shape> at = root_of(t);
    for (; at.h > 0; ++w.entered) {
        const auto &x = t.inner(at.r);
        const std::uint32_t c = speed::direct_descent ? place_child(x, w.rules) : x.n;
        if (c == x.n || !x.col.run.below_before(c, w.rules) ||
            (c + 1 < x.n && !x.col.run.beyond(c + 1, w.rules)))
            return probe(t, at, w);
        at = descend(t, at, c);
    }
    probe_leaf(t, at, w);
}
