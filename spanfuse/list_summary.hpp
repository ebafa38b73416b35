// What an inner node of the interval list's tree keeps about each child: a summary of the
// entries below it, and the overlap pass's changes still waiting to be handed down to them.
//
// A child's entries, as the list has them, are those of its subtree with every change noted on
// the slots on the way down applied. For them, a child's summary holds, NaN standing for a
// bound over nothing, so that it admits nothing (list_rules.hpp):
//   count                    how many there are;
//   max_start, min_end       the greatest start and the least end that are numbers, exactly;
//   first_start, last_end    the start of the first and the end of the last, exactly;
//   min_start, max_end       a bound at or below every start, at or above every end;
//   link_end, link_start     bounds at or above the end, and at or below the next start, of
//                            every link between an entry whose end and the next whose start
//                            are numbers (no other link can ever fold);
//   link_drop                a bound at or above how far each such link's end lies above its
//                            next start (+inf where that is NaN);
//   lower_to, raise_to       changes not yet made below: every start above lower_to becomes
//                            lower_to, every end below raise_to becomes raise_to (+inf and -inf
//                            change nothing). Such changes compose, and the summary already
//                            shows them.
#pragma once

#include "child_bounds.hpp"
#include "list_rules.hpp"
#include "reals.hpp"
#include "tree_nodes.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

struct list_summary {
    std::uint32_t count;
    double max_start, min_end, first_start, last_end;
    double min_start, max_end, link_end, link_start, link_drop;
    double lower_to, raise_to;

    // What may pass below, by the rules.
    bool may_fold(const add_rules &r) const { return r.may_fold(link_end, link_start, link_drop); }
    bool may_hold(const add_rules &r) const { return r.may_hold(min_start, max_end); }
    bool may_change(const add_rules &r) const {
        return r.may_lower(min_start, max_start) || r.may_raise(min_end, max_end);
    }
    // Where no entry below may hold [lo, hi], whether one certainly changes: the greatest start
    // and least end are exact.
    bool surely_changes(const add_rules &r) const {
        return !may_hold(r) && (r.lowers(max_start) || r.raises(min_end));
    }

    // The least of its bounds, for the running bounds.
    double bottom() const { return reals::least(min_start, min_end); }

    // Notes that every start above t becomes t, or every end below t becomes t.
    void lower(double t) {
        using reals::low;
        lower_to = low(lower_to, t);
        min_start = low(min_start, t), max_start = low(max_start, t);
        first_start = low(first_start, t);
        lower_links(t);
    }
    void raise(double t) {
        using reals::high;
        raise_to = high(raise_to, t);
        max_end = high(max_end, t), min_end = high(min_end, t);
        last_end = high(last_end, t);
        raise_links(t);
    }
    // The link bounds after some starts fell to t, or some ends rose to t.
    void lower_links(double t) {
        link_start = reals::low(link_start, t);
        if (reals::number(link_end)) link_drop = reals::high(link_drop, drop(link_end, t));
    }
    void raise_links(double t) {
        link_end = reals::high(link_end, t);
        if (reals::number(link_start)) link_drop = reals::high(link_drop, drop(t, link_start));
    }

    // Widens the link bounds by the link from an entry ending at end to one starting at start,
    // if it is one.
    void widen_link(double end, double start) {
        if (!reals::number(end) || !reals::number(start)) return;
        link_end = reals::most(link_end, end);
        link_start = reals::least(link_start, start);
        link_drop = reals::most(link_drop, drop(end, start));
    }
    // Widens the bounds by an entry.
    void widen_entry(double start, double end) {
        using reals::least, reals::most;
        max_start = most(max_start, start), min_start = least(min_start, start);
        min_end = least(min_end, end), max_end = most(max_end, end);
    }

    // How far end lies above start, for the drops of links; where that is NaN, as of two
    // infinities of one sign, +inf, so that it rules out nothing.
    static double drop(double end, double start) {
        double d = end - start;
        return reals::number(d) ? d : reals::inf;
    }

    // Whether the bounds that need only cover cover those of exact: where one there bounds
    // something, this one does too, and is as wide.
    bool covers(const list_summary &exact) const {
        auto low = [](double kept, double x) { return !reals::number(x) || kept <= x; };
        auto high = [](double kept, double x) { return !reals::number(x) || kept >= x; };
        return low(min_start, exact.min_start) && high(max_end, exact.max_end) &&
               high(link_end, exact.link_end) && low(link_start, exact.link_start) &&
               high(link_drop, exact.link_drop);
    }

    // Over nothing.
    static constexpr list_summary none() {
        using reals::nan;
        return {0, nan, nan, nan, nan, nan, nan, nan, nan, nan, reals::inf, -reals::inf};
    }
};

template <std::size_t Fan> struct list_columns {
    list_summary s[Fan];
    child_bounds<Fan> run;

    // The first start and last end of a node's entries.
    template <class Node> static double first_start(const Node &node) {
        if constexpr (requires { node.a; })
            return node.n ? node.a[0] : reals::nan;
        else
            return node.col.s[0].first_start;
    }
    template <class Node> static double last_end(const Node &node) {
        if constexpr (requires { node.a; })
            return node.n ? node.b[node.n - 1] : reals::nan;
        else
            return node.col.s[node.n - 1].last_end;
    }

    template <class Node> void summarize(std::uint32_t c, const Node &node) {
        list_summary k = list_summary::none();
        if constexpr (requires { node.a; }) {
            for (std::uint32_t i = 0; i < node.n; ++i) {
                k.widen_entry(node.a[i], node.b[i]);
                if (i > 0) k.widen_link(node.b[i - 1], node.a[i]);
            }
            k.count = node.n;
        } else {
            using reals::least, reals::most;
            for (std::uint32_t j = 0; j < node.n; ++j) {
                const list_summary &y = node.col.s[j];
                k.count += y.count;
                k.max_start = most(k.max_start, y.max_start);
                k.min_start = least(k.min_start, y.min_start);
                k.min_end = least(k.min_end, y.min_end);
                k.max_end = most(k.max_end, y.max_end);
                k.link_end = most(k.link_end, y.link_end);
                k.link_start = least(k.link_start, y.link_start);
                k.link_drop = most(k.link_drop, y.link_drop);
                if (j > 0) k.widen_link(node.col.s[j - 1].last_end, y.first_start);
            }
        }
        k.first_start = first_start(node), k.last_end = last_end(node);
        s[c] = k;
    }

    void settle(std::uint32_t n) {
        run.settle(n, [&](std::uint32_t c) { return bounds(c); });
    }
    child_bounds_of bounds(std::uint32_t c) const {
        return {s[c].max_start, s[c].max_end, s[c].bottom()};
    }

    // The placed entry p put in below child c (of n); edge says whether it is the child's first
    // or last entry (1, 2) or that the node tells (4).
    template <class Node>
    void add(std::uint32_t c, std::uint32_t n, const placed_entry &p, const Node &node,
             unsigned edge) {
        const tree_entry &e = p.e;
        list_summary &k = s[c];
        ++k.count;
        k.widen_entry(e.a, e.b);
        k.widen_link(p.before, e.a);
        k.widen_link(e.b, p.after);
        if (edge & 1) k.first_start = e.a;
        if (edge & 2) k.last_end = e.b;
        if (edge & 4) k.first_start = first_start(node), k.last_end = last_end(node);
        run.widen(c, n, bounds(c));
    }

    // The exact part of a node's summary: count, greatest start, least end.
    template <class Node> static list_summary exact(const Node &node) {
        list_summary e = list_summary::none();
        if constexpr (requires { node.a; }) {
            for (std::uint32_t i = 0; i < node.n; ++i) e.widen_entry(node.a[i], node.b[i]);
            e.count = node.n;
        } else {
            for (std::uint32_t j = 0; j < node.n; ++j) {
                const list_summary &y = node.col.s[j];
                e.count += y.count;
                e.max_start = reals::most(e.max_start, y.max_start);
                e.min_end = reals::least(e.min_end, y.min_end);
            }
        }
        return e;
    }

    // Child c's summary (of n) after the overlap pass for [lo, hi] changed entries below it:
    // lowered some starts to lo, raised some ends to hi, or both. Only the exact bounds that
    // such a change can have moved are made again from the child.
    template <class Node>
    void changed(std::uint32_t c, std::uint32_t n, const Node &node, const add_rules &r,
                 bool lowered, bool raised) {
        list_summary &k = s[c];
        if (lowered) k.min_start = reals::least(k.min_start, r.lo), k.lower_links(r.lo);
        if (raised) k.max_end = reals::most(k.max_end, r.hi), k.raise_links(r.hi);
        if ((lowered && r.lowers(k.max_start)) || (raised && r.raises(k.min_end))) {
            const list_summary e = exact(node);
            k.max_start = e.max_start, k.min_end = e.min_end;
        }
        k.first_start = first_start(node), k.last_end = last_end(node);
        run.widen(c, n, bounds(c));
    }

    // Child c's summary after entries below it went: what must be exact is made again from the
    // child; the bounds that need only cover it, and the running bounds, still do.
    template <class Node> void shrink(std::uint32_t c, std::uint32_t, const Node &node) {
        const list_summary e = exact(node);
        list_summary &k = s[c];
        k.count = e.count, k.max_start = e.max_start, k.min_end = e.min_end;
        k.first_start = first_start(node), k.last_end = last_end(node);
    }

    // Notes on child c (of n) that every start above t becomes t, or every end below t becomes
    // t. Lowered starts move only the least bounds; raised ends only the greatest.
    void lower(std::uint32_t c, std::uint32_t, double t) {
        s[c].lower(t);
        run.lowered(c, s[c].bottom());
    }
    void raise(std::uint32_t c, std::uint32_t n, double t) {
        s[c].raise(t);
        run.raised(c, n, s[c].max_end);
    }

    template <class Node> void push(std::uint32_t c, Node &node) {
        double lo = s[c].lower_to, hi = s[c].raise_to;
        if (lo == reals::inf && hi == -reals::inf) return;
        s[c].lower_to = reals::inf, s[c].raise_to = -reals::inf;
        if constexpr (requires { node.a; }) {
            for (std::uint32_t i = 0; i < node.n; ++i) {
                node.a[i] = reals::low(node.a[i], lo);
                node.b[i] = reals::high(node.b[i], hi);
            }
        } else {
            for (std::uint32_t j = 0; j < node.n; ++j) {
                node.col.lower(j, node.n, lo);
                node.col.raise(j, node.n, hi);
            }
        }
    }
    bool pending(std::uint32_t c) const {
        return s[c].lower_to != reals::inf || s[c].raise_to != -reals::inf;
    }

    void move(std::uint32_t to, const list_columns &from, std::uint32_t at, std::uint32_t k) {
        std::memmove(s + to, from.s + at, k * sizeof *s);
    }

    // Whether child c's summary says what the node below it, summarized afresh, says, where
    // it must (fault "3"), and covers it where it may be wider (fault "4"); and whether the
    // running bounds of the n children cover theirs (fault "4").
    template <class Node> const char *differs(std::uint32_t c, const Node &node) const {
        using reals::alike, reals::same_bits;
        list_columns fresh;
        fresh.summarize(0, node);
        list_summary &f = fresh.s[0];
        f.lower(s[c].lower_to);
        f.raise(s[c].raise_to);
        const list_summary &k = s[c];
        if (f.count != k.count || !alike(f.max_start, k.max_start) ||
            !alike(f.min_end, k.min_end) || !same_bits(f.first_start, k.first_start) ||
            !same_bits(f.last_end, k.last_end))
            return "3: a summary is not exact";
        if (!k.covers(f)) return "4: a summary does not cover its subtree";
        return nullptr;
    }
    const char *bounds_differ(std::uint32_t n) const {
        return run.covers(n, [&](std::uint32_t c) { return bounds(c); })
                   ? nullptr
                   : "4: running bounds do not cover the children";
    }
};
