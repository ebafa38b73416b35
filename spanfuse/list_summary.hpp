// What an inner node of the interval list's tree keeps about each child: a summary of the
// entries below it, and the overlap pass's changes still waiting to be handed down to them.
//
// A child's entries, as the list has them, are those of its subtree with every change noted on
// the slots on the way down applied. For them, a child's summary holds:
//   count                    how many there are;
//   max_start, min_end       the greatest start and the least end that are numbers (-inf and
//                            +inf when there are none), exactly;
//   first_start, last_end    the start of the first and the end of the last, exactly;
//   min_start, max_end       a bound at or below every start, at or above every end;
//   links                    whether the subtree may hold a link between an entry whose end
//                            and the next whose start are numbers (no other link can ever
//                            fold); false only when it holds none;
//   link_end, link_start     bounds at or above the end, and at or below the next start, of
//                            every such link (-inf and +inf when there is none);
//   link_drop                a bound at or above how far each such link's end lies above its
//                            next start (+inf where that is NaN): a link folds into an interval
//                            [lo, hi] only if its drop is at least lo - hi;
//   lower_to, raise_to       changes not yet made below: every start above lower_to becomes
//                            lower_to, every end below raise_to becomes raise_to (+inf and -inf
//                            change nothing). Such changes compose, and the summary already
//                            shows them.
#pragma once

#include "child_bounds.hpp"
#include "reals.hpp"

#include <cstdint>
#include <cstring>
#include <tuple>

struct list_summary {
    std::uint32_t count;
    bool links;
    double max_start, min_end, first_start, last_end;
    double min_start, max_end, link_end, link_start, link_drop;
    double lower_to, raise_to;

    // The least of its bounds, for the running bounds.
    double bottom() const { return min_end < min_start ? min_end : min_start; }

    // Notes that every start above t becomes t.
    void lower(double t) {
        using reals::lower;
        lower_to = lower(lower_to, t);
        if (min_start <= max_start) min_start = lower(min_start, t);
        max_start = lower(max_start, t);
        first_start = lower(first_start, t);
        // Where there is no link, the link bounds stay as they are, ruling every fold out.
        if (!links) return;
        link_start = lower(link_start, t);
        link_drop = reals::high(link_drop, drop(link_end, t));
    }
    // Notes that every end below t becomes t.
    void raise(double t) {
        using reals::raise;
        raise_to = raise(raise_to, t);
        if (min_end <= max_end) max_end = raise(max_end, t);
        min_end = raise(min_end, t);
        last_end = raise(last_end, t);
        if (!links) return;
        link_end = raise(link_end, t);
        link_drop = reals::high(link_drop, drop(t, link_start));
    }

    // How far end lies above start, for the drops of links; where that is NaN, as of two
    // infinities of one sign, +inf, so that it rules out nothing.
    static double drop(double end, double start) {
        double d = end - start;
        return reals::number(d) ? d : reals::inf;
    }
};

template <std::size_t Fan> struct list_columns {
    list_summary s[Fan];
    child_bounds<Fan> run;

    template <class Node> void summarize(std::uint32_t c, const Node &node) {
        using reals::high, reals::low, reals::number, reals::inf, reals::nan;
        double ms = -inf, ns = inf, ne = inf, xe = -inf, le = -inf, ls = inf, ld = -inf;
        std::uint32_t total = 0;
        bool any = false;
        list_summary &k = s[c];
        if constexpr (requires { node.a; }) {
            for (std::uint32_t i = 0; i < node.n; ++i) {
                ms = high(ms, node.a[i]);
                ns = low(ns, node.a[i]);
                ne = low(ne, node.b[i]);
                xe = high(xe, node.b[i]);
            }
            for (std::uint32_t i = 1; i < node.n; ++i) {
                bool link = number(node.a[i]) && number(node.b[i - 1]);
                any |= link;
                le = high(le, link ? node.b[i - 1] : nan);
                ls = low(ls, link ? node.a[i] : nan);
                ld = high(ld, link ? list_summary::drop(node.b[i - 1], node.a[i]) : nan);
            }
            total = node.n;
            k.first_start = node.n ? node.a[0] : nan;
            k.last_end = node.n ? node.b[node.n - 1] : nan;
        } else {
            for (std::uint32_t j = 0; j < node.n; ++j) {
                const list_summary &y = node.col.s[j];
                total += y.count;
                ms = high(ms, y.max_start);
                ns = low(ns, y.min_start);
                ne = low(ne, y.min_end);
                xe = high(xe, y.max_end);
                le = high(le, y.link_end);
                ls = low(ls, y.link_start);
                ld = high(ld, y.link_drop);
                any |= y.links;
                if (j > 0) {
                    const list_summary &z = node.col.s[j - 1];
                    bool link = number(y.first_start) && number(z.last_end);
                    any |= link;
                    le = high(le, link ? z.last_end : nan);
                    ls = low(ls, link ? y.first_start : nan);
                    ld = high(ld, link ? list_summary::drop(z.last_end, y.first_start) : nan);
                }
            }
            k.first_start = node.col.s[0].first_start;
            k.last_end = node.col.s[node.n - 1].last_end;
        }
        k.count = total;
        k.links = any;
        k.max_start = ms, k.min_start = ns, k.min_end = ne, k.max_end = xe;
        k.link_end = le, k.link_start = ls, k.link_drop = ld;
        k.lower_to = inf, k.raise_to = -inf;
    }

    void settle(std::uint32_t n) {
        run.settle(n, [&](std::uint32_t c) { return bounds(c); });
    }
    std::tuple<double, double, double> bounds(std::uint32_t c) const {
        return {s[c].max_start, s[c].max_end, s[c].bottom()};
    }
    void widen(std::uint32_t c, std::uint32_t n) {
        run.widen(c, n, s[c].max_start, s[c].max_end, s[c].bottom());
    }

    // Entry e put in below child c, between an entry ending at before and one starting at
    // after; edge says whether it is the child's first or last entry (1, 2) or that node does (4).
    template <class Node, class Entry>
    void add(std::uint32_t c, std::uint32_t n, const Entry &e, double before, double after,
             const Node &node, unsigned edge) {
        using reals::high, reals::low, reals::number, reals::inf, reals::nan;
        list_summary &k = s[c];
        ++k.count;
        k.max_start = high(k.max_start, e.a);
        k.min_start = low(k.min_start, e.a);
        k.min_end = low(k.min_end, e.b);
        k.max_end = high(k.max_end, e.b);
        bool into = number(before) && number(e.a), out = number(e.b) && number(after);
        k.links |= into || out;
        k.link_end = high(high(k.link_end, into ? before : nan), out ? e.b : nan);
        k.link_start = low(low(k.link_start, into ? e.a : nan), out ? after : nan);
        k.link_drop = high(high(k.link_drop, into ? list_summary::drop(before, e.a) : nan),
                           out ? list_summary::drop(e.b, after) : nan);
        if (edge & 1) k.first_start = e.a;
        if (edge & 2) k.last_end = e.b;
        if (edge & 4) {
            if constexpr (requires { node.a; }) {
                k.first_start = node.a[0];
                k.last_end = node.b[node.n - 1];
            } else {
                k.first_start = node.col.s[0].first_start;
                k.last_end = node.col.s[node.n - 1].last_end;
            }
        }
        widen(c, n);
    }

    // Child c's summary after the overlap pass for [lo, hi] changed entries below it: lowered
    // some starts in (lo, hi] to lo, raised some ends in [lo, hi) to hi, or both. Only the
    // exact bounds that such a change can have moved are made again from the child.
    template <class Node>
    void changed(std::uint32_t c, std::uint32_t n, const Node &node, double lo, double hi,
                 bool lowered, bool raised) {
        using reals::high, reals::low, reals::number, reals::inf, reals::nan;
        list_summary &k = s[c];
        if (lowered) {
            if (k.min_start <= k.max_start) k.min_start = low(k.min_start, lo);
            if (k.links) {
                k.link_start = low(k.link_start, lo);
                k.link_drop = high(k.link_drop, list_summary::drop(k.link_end, lo));
            }
            if (lo < k.max_start && k.max_start <= hi) {
                double m = -inf;
                for (std::uint32_t i = 0; i < node.n; ++i) {
                    if constexpr (requires { node.a; })
                        m = high(m, node.a[i]);
                    else
                        m = high(m, node.col.s[i].max_start);
                }
                k.max_start = m;
            }
        }
        if (raised) {
            if (k.min_end <= k.max_end) k.max_end = high(k.max_end, hi);
            if (k.links) {
                k.link_end = high(k.link_end, hi);
                k.link_drop = high(k.link_drop, list_summary::drop(hi, k.link_start));
            }
            if (lo <= k.min_end && k.min_end < hi) {
                double m = inf;
                for (std::uint32_t i = 0; i < node.n; ++i) {
                    if constexpr (requires { node.a; })
                        m = low(m, node.b[i]);
                    else
                        m = low(m, node.col.s[i].min_end);
                }
                k.min_end = m;
            }
        }
        if constexpr (requires { node.a; }) {
            k.first_start = node.a[0];
            k.last_end = node.b[node.n - 1];
        } else {
            k.first_start = node.col.s[0].first_start;
            k.last_end = node.col.s[node.n - 1].last_end;
        }
        widen(c, n);
    }

    // Child c's summary after entries below it went: what must be exact is made again from
    // the child; the bounds that need only cover it, and the running bounds, still do.
    template <class Node> void shrink(std::uint32_t c, std::uint32_t, const Node &node) {
        using reals::high, reals::low, reals::inf;
        list_summary &k = s[c];
        double ms = -inf, ne = inf;
        std::uint32_t total = 0;
        if constexpr (requires { node.a; }) {
            for (std::uint32_t i = 0; i < node.n; ++i)
                ms = high(ms, node.a[i]), ne = low(ne, node.b[i]);
            total = node.n;
            k.first_start = node.a[0], k.last_end = node.b[node.n - 1];
        } else {
            for (std::uint32_t j = 0; j < node.n; ++j) {
                const list_summary &y = node.col.s[j];
                ms = high(ms, y.max_start), ne = low(ne, y.min_end), total += y.count;
            }
            k.first_start = node.col.s[0].first_start, k.last_end = node.col.s[node.n - 1].last_end;
        }
        k.count = total, k.max_start = ms, k.min_end = ne;
    }

    // Notes on child c of n that every start above t becomes t, or every end below t becomes t.
    // Lowered starts move only the least bounds; raised ends only the greatest.
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
                node.a[i] = reals::lower(node.a[i], lo);
                node.b[i] = reals::raise(node.b[i], hi);
            }
        } else {
            for (std::uint32_t j = 0; j < node.n; ++j) {
                node.col.lower(j, node.n, lo);
                node.col.raise(j, node.n, hi);
            }
        }
    }

    void move(std::uint32_t to, const list_columns &from, std::uint32_t at, std::uint32_t k) {
        std::memmove(s + to, from.s + at, k * sizeof *s);
    }

    // Whether child c's summary says what the node below it, summarized afresh, says, where
    // it must (fault "3"), and covers it where it may be wider (fault "4"); and whether the
    // running bounds of the n children cover theirs (fault "4").
    template <class Node> const char *differs(std::uint32_t c, const Node &node) const {
        using reals::same_bits;
        list_columns fresh;
        fresh.summarize(0, node);
        list_summary &f = fresh.s[0];
        f.lower(s[c].lower_to);
        f.raise(s[c].raise_to);
        const list_summary &k = s[c];
        using reals::alike;
        if (f.count != k.count || !alike(f.max_start, k.max_start) ||
            !alike(f.min_end, k.min_end) || !same_bits(f.first_start, k.first_start) ||
            !same_bits(f.last_end, k.last_end))
            return "3: a summary is not exact";
        if (f.min_start < k.min_start || f.max_end > k.max_end || (f.links && !k.links) ||
            f.link_end > k.link_end || f.link_start < k.link_start || f.link_drop > k.link_drop)
            return "4: a summary does not cover its subtree";
        return nullptr;
    }
    const char *bounds_differ(std::uint32_t n) const {
        child_bounds<Fan> exact;
        exact.settle(n, [&](std::uint32_t c) { return bounds(c); });
        for (std::uint32_t c = 0; c < n; ++c)
            if (run.top_to[c] < exact.top_to[c] || run.start_to[c] < exact.start_to[c] ||
                run.end_of[c] < exact.end_of[c] || run.bottom_from[c] > exact.bottom_from[c])
                return "4: running bounds do not cover the children";
        return nullptr;
    }
};
