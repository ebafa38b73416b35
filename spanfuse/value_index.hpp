// Entries kept by value rather than by their place in a list: each a key that is a number, two
// values b and c and an id, in the order of key and then id, with the greatest b and the
// greatest c below each child (NaN left out, and NaN when there is none, so that no bound is
// ever met by an empty child). It finds which entries have a key in a range and
// b or c at or above a bound without looking at the others, and an entry by its id.
#pragma once

#include "reals.hpp"
#include "tree_shape.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class value_index {
    struct columns {
        double first_key[Fan], max_b[Fan], max_c[Fan];
        std::uint32_t first_id[Fan];

        template <class Node> void summarize(std::uint32_t c, const Node &node) {
            double b = reals::nan, v = reals::nan;
            if constexpr (requires { node.a; }) {
                for (std::uint32_t i = 0; i < node.n; ++i) {
                    b = reals::most(b, node.b[i]);
                    v = reals::most(v, node.c[i]);
                }
                first_key[c] = node.n ? node.a[0] : reals::inf;
                first_id[c] = node.n ? node.id[0] : 0;
            } else {
                for (std::uint32_t k = 0; k < node.n; ++k) {
                    b = reals::most(b, node.col.max_b[k]);
                    v = reals::most(v, node.col.max_c[k]);
                }
                first_key[c] = node.col.first_key[0];
                first_id[c] = node.col.first_id[0];
            }
            max_b[c] = b, max_c[c] = v;
        }
        template <class Node>
        void add(std::uint32_t c, const tree_entry &e, double, double, const Node &node,
                 unsigned edge) {
            max_b[c] = reals::most(max_b[c], e.b);
            max_c[c] = reals::most(max_c[c], e.c);
            if (edge & 1)
                first_key[c] = e.a, first_id[c] = e.id;
            else if (!(edge & 4))
                return;
            else if constexpr (requires { node.a; })
                first_key[c] = node.a[0], first_id[c] = node.id[0];
            else
                first_key[c] = node.col.first_key[0], first_id[c] = node.col.first_id[0];
        }
        template <class Node> void push(std::uint32_t, Node &) {}
        void settle(std::uint32_t) {}
        void move(std::uint32_t to, const columns &from, std::uint32_t at, std::uint32_t k) {
            std::copy_n(from.first_key + at, k, first_key + to);
            std::copy_n(from.max_b + at, k, max_b + to);
            std::copy_n(from.max_c + at, k, max_c + to);
            std::copy_n(from.first_id + at, k, first_id + to);
        }
    };
    using shape = tree_shape<columns, Leaf, Fan, true, true>;
    using ref = typename shape::ref;

  public:
    // Room for entries with ids below most, set aside at once.
    void reserve(std::size_t most) { tree_.reserve(most, most); }

    // The index of these entries.
    void build(std::vector<tree_entry> &entries) {
        std::sort(entries.begin(), entries.end(), [](const tree_entry &x, const tree_entry &y) {
            return before(x.a, x.id, y.a, y.id);
        });
        tree_.build(entries.size(), [&](std::size_t i) { return entries[i]; });
    }

    // Where an entry with this key and id goes in, and whether an entry before that place,
    // which is every entry whose key is at most key when id is greater than any in the index,
    // has b at or above bound.
    struct place {
        ref leaf;
        std::uint32_t at;
    };
    bool b_before(double key, std::uint32_t id, double bound, place &p) const {
        bool found = false;
        ref r = tree_.root();
        for (unsigned h = tree_.height(); h > 0; --h) {
            const auto &x = tree_.inner(r);
            std::uint32_t c = 0;
            while (c + 1 < x.n && !before(key, id, x.col.first_key[c + 1], x.col.first_id[c + 1]))
                ++c;
            for (std::uint32_t k = 0; k < c; ++k) found |= x.col.max_b[k] >= bound;
            r = x.child[c];
        }
        const auto &l = tree_.leaf(r);
        std::uint32_t m = 0;
        while (m < l.n && before(l.a[m], l.id[m], key, id)) found |= l.b[m++] >= bound;
        p = {r, m};
        return found;
    }

    void insert(const tree_entry &e) {
        place p;
        b_before(e.a, e.id, reals::inf, p);
        insert(p, e);
    }
    // At the place b_before found, the index unchanged since.
    void insert(place p, const tree_entry &e) {
        tree_.insert(p.leaf, p.at, e, reals::nan, reals::nan);
    }
    void erase(std::uint32_t id) {
        auto [r, m] = find(id);
        tree_.erase(r, m);
    }
    void set_b(std::uint32_t id, double b) {
        auto [r, m] = find(id);
        tree_.leaf(r).b[m] = b;
        greatest_up(r, &columns::max_b, [](const auto &l) { return l.b; });
    }
    void set_c(std::uint32_t id, double c) {
        auto [r, m] = find(id);
        tree_.leaf(r).c[m] = c;
        greatest_up(r, &columns::max_c, [](const auto &l) { return l.c; });
    }
    // Starts bringing in the leaf that holds the entry with this id.
    void prefetch(std::uint32_t id) const { __builtin_prefetch(&tree_.leaf(tree_.leaf_of(id)).n); }

    // Calls f(id) for each entry whose key is in [key_lo, key_hi] and, as test says, whose b
    // or c is at or above bound, in order, until f says false.
    enum test { any, b_at_least, c_at_least };
    template <class F> void each(double key_lo, double key_hi, test t, double bound, F f) const {
        visit(tree_.root(), tree_.height(), {key_lo, key_hi, t, bound}, f);
    }

    // Node sizes, links, order, and summaries that say what their subtrees hold (fault "5").
    void check(std::string &fault) const {
        tree_.check(fault);
        check(tree_.root(), tree_.height(), fault);
        const tree_entry *last = nullptr;
        tree_entry e;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; ++i) {
                const auto &l = tree_.leaf(r);
                if (last && !before(last->a, last->id, l.a[i], l.id[i]) && fault.empty())
                    fault = "5: the index is out of order";
                e = {l.a[i], l.b[i], l.id[i], l.c[i]};
                last = &e;
            }
    }
    // Calls f(entry) for every entry, in order.
    template <class F> void each_entry(F f) const {
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; ++i) {
                const auto &l = tree_.leaf(r);
                f(tree_entry{l.a[i], l.b[i], l.id[i], l.c[i]});
            }
    }

  private:
    shape tree_;

    struct query {
        double key_lo, key_hi;
        test t;
        double bound;
    };

    static bool before(double key, std::uint32_t id, double k, std::uint32_t i) {
        return key < k || (key == k && id < i);
    }

    // After one value of leaf r changed: the greatest values above it, as far as they change.
    template <class Values>
    void greatest_up(ref r, double (columns::*greatest)[Fan], Values values) {
        double g = reals::nan;
        const auto &l = tree_.leaf(r);
        for (std::uint32_t i = 0; i < l.n; ++i) g = reals::most(g, values(l)[i]);
        for (unsigned h = 0; h < tree_.height(); ++h) {
            ref p = tree_.parent(r, h);
            auto &x = tree_.inner(p);
            std::uint32_t c = tree_.slot_of(p, r);
            if (reals::same_bits((x.col.*greatest)[c], g)) return;
            (x.col.*greatest)[c] = g;
            g = reals::nan;
            for (std::uint32_t k = 0; k < x.n; ++k) g = reals::most(g, (x.col.*greatest)[k]);
            r = p;
        }
    }

    std::pair<ref, std::uint32_t> find(std::uint32_t id) const {
        ref r = tree_.leaf_of(id);
        std::uint32_t m = 0;
        while (tree_.leaf(r).id[m] != id) ++m;
        return {r, m};
    }

    template <class F> bool visit(ref r, unsigned h, const query &q, F &f) const {
        if (h == 0) {
            const auto &l = tree_.leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i)
                if (q.key_lo <= l.a[i] && l.a[i] <= q.key_hi &&
                    (q.t == any || (q.t == b_at_least ? l.b[i] : l.c[i]) >= q.bound) && !f(l.id[i]))
                    return false;
            return true;
        }
        const auto &x = tree_.inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            // Equal keys may run on into the next child, so a child's keys are at most the
            // first key of the one after it.
            if (x.col.first_key[c] > q.key_hi) break;
            if (c + 1 < x.n && x.col.first_key[c + 1] < q.key_lo) continue;
            if (q.t != any && !((q.t == b_at_least ? x.col.max_b[c] : x.col.max_c[c]) >= q.bound))
                continue;
            if (!visit(x.child[c], h - 1, q, f)) return false;
        }
        return true;
    }

    void check(ref r, unsigned h, std::string &fault) const {
        if (h == 0 || !fault.empty()) return;
        const auto &x = tree_.inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            columns fresh;
            if (h == 1)
                fresh.summarize(0, tree_.leaf(x.child[c]));
            else
                fresh.summarize(0, tree_.inner(x.child[c]));
            auto same = [](double a, double b) { return a == b || (a != a && b != b); };
            if (!same(fresh.first_key[0], x.col.first_key[c]) ||
                fresh.first_id[0] != x.col.first_id[c] || !same(fresh.max_b[0], x.col.max_b[c]) ||
                !same(fresh.max_c[0], x.col.max_c[c]))
                fault = "5: an index summary is not exact";
            check(x.child[c], h - 1, fault);
        }
    }
};
