// Entries kept by value rather than by their place in a list: each a key that is a number, a
// value and an id, in the order of their keys, with the greatest value below each child (NaN
// left out, and NaN when there is none, so that no bound is ever met by an empty child). It
// finds which entries have a key in a range, and a value at or above a bound, without looking
// at the others, and an entry by its id.
#pragma once

#include "child_bounds.hpp"
#include "list_rules.hpp"
#include "path_prefetch.hpp"
#include "reals.hpp"
#include "tree_nodes.hpp"
#include "tree_shape.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class value_index {
    struct columns {
        double first_key[Fan], most[Fan];
        double most_to[Fan]; // speed only: the greatest value among children 0 to c

        template <class Node> void summarize(std::uint32_t c, const Node &node) {
            double v = reals::nan;
            if constexpr (requires { node.a; }) {
                for (std::uint32_t i = 0; i < node.n; ++i) v = reals::most(v, node.b[i]);
                first_key[c] = node.n ? node.a[0] : reals::inf;
            } else {
                for (std::uint32_t k = 0; k < node.n; ++k) v = reals::most(v, node.col.most[k]);
                first_key[c] = node.col.first_key[0];
            }
            most[c] = v;
        }
        template <class Node>
        void add(std::uint32_t c, std::uint32_t n, const placed_entry &p, const Node &node,
                 unsigned edge) {
            const tree_entry &e = p.e;
            most[c] = reals::most(most[c], e.b);
            for (std::uint32_t k = c; k < n && most_to[k] != reals::most(most_to[k], most[c]); ++k)
                most_to[k] = most[c];
            if (edge & 1)
                first_key[c] = e.a;
            else if (!(edge & 4))
                return;
            else if constexpr (requires { node.a; })
                first_key[c] = node.a[0];
            else
                first_key[c] = node.col.first_key[0];
        }
        template <class Node> void push(std::uint32_t, Node &) {}
        template <class Node> void shrink(std::uint32_t c, std::uint32_t n, const Node &node) {
            summarize(c, node);
            settle(n);
        }
        void settle(std::uint32_t n) {
            double v = reals::nan;
            for (std::uint32_t c = 0; c < n; ++c) most_to[c] = v = reals::most(v, most[c]);
        }
        void move(std::uint32_t to, const columns &from, std::uint32_t at, std::uint32_t k) {
            std::memmove(first_key + to, from.first_key + at, k * sizeof(double));
            std::memmove(most + to, from.most + at, k * sizeof(double));
        }
    };
    using shape = tree_shape<columns, Leaf, Fan, false>; // ids in the leaves
    using ref = typename shape::ref;

  public:
    // Room for entries with ids below most, set aside at once.
    void reserve(std::size_t most) { tree_.reserve(most, most); }

    // The index of these entries, a the key and b the value.
    void build(std::vector<tree_entry> &entries) {
        std::sort(entries.begin(), entries.end(),
                  [](const tree_entry &x, const tree_entry &y) { return x.a < y.a; });
        tree_.build(entries.size(), [&](std::size_t i) { return entries[i]; });
    }

    // Where an entry with this key goes in, after those with keys at or below it, and whether
    // one of those has a value at or above bound.
    struct place {
        ref leaf;
        std::uint32_t at;
    };
    bool most_before(double key, double bound, place &p) const {
        bool found = false;
        ref r = tree_.root();
        for (unsigned h = tree_.height(); h > 0; --h) {
            const auto &x = tree_.inner(r);
            std::uint32_t c = children_to(x, key);
            found |= c > 0 && x.col.most_to[c - 1] >= bound;
            r = x.child[c];
        }
        const auto &l = tree_.leaf(r);
        std::uint32_t m = count_first(l.n, [&](std::uint32_t i) { return l.a[i] <= key; });
        for (std::uint32_t i = 0; i < m; ++i) found |= l.b[i] >= bound;
        p = {r, m};
        return found;
    }

    // Whether some entry has a key in keys.
    bool any_in(add_rules::range keys) const {
        ref r = tree_.root();
        for (unsigned h = tree_.height(); h > 0; --h)
            r = tree_.inner(r).child[children_to(tree_.inner(r), keys.from)];
        const auto &l = tree_.leaf(r);
        std::uint32_t m = count_first(l.n, [&](std::uint32_t i) { return l.a[i] < keys.from; });
        if (m < l.n) return l.a[m] <= keys.to;
        return l.next && tree_.leaf(l.next).a[0] <= keys.to;
    }

    void insert(const tree_entry &e) {
        place p;
        most_before(e.a, reals::inf, p);
        insert(p, e);
    }
    // At the place most_before found, the index unchanged since.
    void insert(place p, const tree_entry &e) {
        tree_.insert(p.leaf, p.at, {e, reals::nan, reals::nan});
    }
    void erase(std::uint32_t id) {
        auto [r, m] = tree_.locate(id);
        tree_.erase(r, m);
    }
    // Gives the entry with this id a new value.
    void set(std::uint32_t id, double v) {
        auto [r, m] = tree_.locate(id);
        tree_.leaf(r).b[m] = v;
        tree_.refresh(r, 0);
    }

    // Starts bringing in, a few calls ahead, the way to a key.
    void prefetch(double key) {
        way_.step(
            tree_, key, [](const auto &x, double k) { return children_to(x, k); },
            [](const auto &x, std::uint32_t c) {
                using region = std::pair<const void *, std::size_t>;
                if (c < x.n) return std::array<region, 2>{};
                return std::array{region{x.col.first_key, sizeof x.col.first_key},
                                  region{x.col.most_to, sizeof x.col.most_to}};
            });
    }

    // Calls f(id) for each entry whose key is in keys and, if at_least, whose value is at or
    // above bound, in order, until f says false.
    template <class F> void each(add_rules::range keys, bool at_least, double bound, F f) const {
        visit(tree_.root(), tree_.height(), {keys.from, keys.to, at_least, bound}, f);
    }

    // Node sizes, links, order, and summaries that say what their subtrees hold (fault "5").
    void check(std::string &fault) const {
        tree_.check(fault);
        check(tree_.root(), tree_.height(), fault);
        double last = -reals::inf;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; last = tree_.leaf(r).a[i++])
                if (!(last <= tree_.leaf(r).a[i]) && fault.empty())
                    fault = "5: the index is out of order";
    }
    // Calls f(entry) for every entry, in order.
    template <class F> void each_entry(F f) const {
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; ++i)
                f(tree_entry{tree_.leaf(r).a[i], tree_.leaf(r).b[i], tree_.ids(r)[i]});
    }

  private:
    shape tree_;
    path_prefetch<shape> way_;

    struct query {
        double key_lo, key_hi;
        bool at_least;
        double bound;
    };

    // The child of x whose keys run up to key: every child before it has only keys at or
    // below it.
    template <class Inner> static std::uint32_t children_to(const Inner &x, double key) {
        return count_first(x.n - 1, [&](std::uint32_t k) { return x.col.first_key[k + 1] <= key; });
    }

    template <class F> bool visit(ref r, unsigned h, const query &q, F &f) const {
        if (h == 0) {
            const auto &l = tree_.leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i)
                if (q.key_lo <= l.a[i] && l.a[i] <= q.key_hi &&
                    (!q.at_least || l.b[i] >= q.bound) && !f(tree_.ids(r)[i]))
                    return false;
            return true;
        }
        const auto &x = tree_.inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            // Equal keys may run on into the next child, so a child's keys are at most the
            // first key of the one after it.
            if (x.col.first_key[c] > q.key_hi) break;
            if (c + 1 < x.n && x.col.first_key[c + 1] < q.key_lo) continue;
            if (q.at_least && !(x.col.most[c] >= q.bound)) continue;
            if (!visit(x.child[c], h - 1, q, f)) return false;
        }
        return true;
    }

    void check(ref r, unsigned h, std::string &fault) const {
        if (h == 0 || !fault.empty()) return;
        const auto &x = tree_.inner(r);
        columns run = x.col;
        run.settle(x.n);
        using reals::alike;
        for (std::uint32_t c = 0; c < x.n; ++c) {
            columns fresh;
            if (h == 1)
                fresh.summarize(0, tree_.leaf(x.child[c]));
            else
                fresh.summarize(0, tree_.inner(x.child[c]));
            if (!alike(fresh.first_key[0], x.col.first_key[c]) ||
                !alike(fresh.most[0], x.col.most[c]) || !alike(run.most_to[c], x.col.most_to[c]))
                fault = "5: an index summary is not exact";
            check(x.child[c], h - 1, fault);
        }
    }
};
