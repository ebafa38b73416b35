// The interval list held as a B+-tree in list order, so that an add finds what its three passes
// change without visiting every entry. Results are those of interval_list_add, bit for bit,
// whatever the intervals: inside out, with NaN bounds, overlapping.
//
// An add of [lo, hi] makes three passes over the list:
//   bridging   each link i, from entry i to entry i + 1, folds when end[i] >= lo and
//              start[i + 1] <= hi: entry i takes the end of entry i + 1, which goes;
//   overlap    in order, until an entry passes test a, each entry is put to three tests,
//                a. start <= lo and end >= hi: the entry holds [lo, hi];
//                b. lo < start <= hi: the start becomes lo;
//                c. lo <= end < hi: the end becomes hi;
//              and the add ends if an entry held [lo, hi] or anything changed;
//   insertion  [lo, hi] goes in before the first entry that starts above hi.
// What follows from the rules: a fold never changes what another link tests, so the links that
// fold are those that do on the list as it was, and a run of them folds into its first entry;
// a link folds only if its end lies at least lo - hi above its next start. Tests b and c need
// lo < hi, so for other intervals the overlap pass only asks whether an entry holds them. A
// NaN bound passes no test and folds no link.
//
// The tree (tree_shape.hpp, its nodes in tree_nodes.hpp) keeps a summary of each child
// (list_summary.hpp), and the walks (list_walks.hpp) enter only the children whose summary
// admits what they look for. That works while the list's order follows its bounds. Where it
// does not, as inside-out intervals and NaN ends make it, nearly every summary admits a hit;
// once the walks enter more idle leaves than it costs to build, the entries are also kept by
// value (list_index.hpp).
//
// Invariants, which check() names by number when one fails:
//   1. Every node but the root is at least half full; an inner root has two children or more;
//      a leaf said to be in order is.
//   2. Each node's parent and place among its siblings, the chain of leaves and the leaf kept
//      for each id are right.
//   3. Each summary's count, greatest start, least end, first start and last end are exact.
//   4. Each summary's least start, greatest end and link bounds, the running bounds over a
//      node's children, and the bounds over all the list's links, cover what they bound.
//   5. The index's summaries are exact, and its entries in order of their keys.
//   6. While there is an index, nothing is pending on any slot, and it holds every entry whose
//      start is a number, by start with its end, and, once made, every entry whose end is a
//      number, by end, each under the entry's id.
#pragma once

#include "interval_list.hpp"
#include "list_index.hpp"
#include "list_summary.hpp"
#include "list_walks.hpp"
#include "path_prefetch.hpp"
#include "reals.hpp"
#include "tree_shape.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <utility>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class interval_tree {
    using shape = tree_shape<list_columns<Fan>, Leaf, Fan, true>; // ids apart, given for a while
    using ref = typename shape::ref;
    using walk = list_walk<shape>;

  public:
    // A tree holding count entries, in order, that will take no more than most entries in all,
    // counting every one added.
    interval_tree(const interval_bounds *entries, std::size_t count, std::size_t most)
        : most_(most) {
        tree_.track(false); // ids are given only while there is an index
        tree_.reserve(most, most);
        tree_.keep_order(true);
        tree_.build(count, [&](std::size_t i) {
            return tree_entry{entries[i].lo, entries[i].hi, 0};
        });
        links_ = all_links();
    }

    // interval_list_add(lo, hi).
    void add(double lo, double hi) {
        walk &w = walk_;
        w.lo = lo, w.hi = hi, w.changed = false;
        w.need = reals::number(lo - hi) ? lo - hi : -reals::inf;
        if (indexing_ == index_policy::always && !indexed_) build_index();
        add(w);
        // The walks cost more than the index once they enter many idle leaves an add, and
        // altogether more than building it costs, about as much as entering every leaf four
        // times. After four times as many adds as the list has entries, the index goes, and
        // the walks tell afresh whether it pays.
        idle_ += w.idle, w.idle = 0;
        if (!indexed_ && idle_ > 2 * adds_ && idle_ > 4 * tree_.leaves()) build_index();
        if (++adds_ % 1024 == 0 && indexed_ && adds_ > 4 * size()) drop_index();
    }

    // Called for the interval that will be added ahead adds later: the way to where it goes in
    // the list, and to where its start lies in the index.
    static constexpr unsigned ahead = 3;
    void prefetch(double lo, double hi) {
        if (above_all(lo, hi)) return;
        using region = std::pair<const void *, std::size_t>;
        place_.step(
            tree_, hi,
            [](const auto &x, double v) { return std::min(x.col.run.above(x.n, v), x.n - 1); },
            [](const auto &x, std::uint32_t c) {
                if (c == x.n) return std::array{region{&x.col.run, sizeof x.col.run}};
                return std::array{region{&x.col.s[c > 0 ? c - 1 : 0], sizeof x.col.s[0] * 3}};
            });
        if (indexed_ && reals::number(lo)) index_.prefetch(lo);
    }

    // Writes the entries in order to out; returns how many.
    std::size_t copy_to(interval_bounds *out) {
        push_all(tree_, tree_.root(), tree_.height());
        interval_bounds *p = out;
        tree_.each_entry([&](const auto &l, std::uint32_t i, ref) { *p++ = {l.a[i], l.b[i]}; });
        return static_cast<std::size_t>(p - out);
    }

    // How many entries the list holds.
    std::size_t size() const {
        if (tree_.height() == 0) return tree_.leaf(tree_.root()).n;
        std::size_t n = 0;
        for (std::uint32_t c = 0; c < tree_.inner(tree_.root()).n; ++c)
            n += tree_.inner(tree_.root()).col.s[c].count;
        return n;
    }

    // Whether the index is kept as the walks call for it, or, for tests, always or never.
    enum class index_policy { as_needed, always, never };
    void set_index_policy(index_policy p) { indexing_ = p; }

    // What is wrong, by the number of the invariant it breaks, or nothing.
    std::string check() const {
        std::string fault;
        tree_.check(fault);
        if (fault.empty()) check(tree_.root(), tree_.height(), fault);
        if (fault.empty() && indexed_) index_.check(tree_, fault);
        links exact = all_links();
        if (fault.empty() && ((exact.any && !links_.any) || exact.end > links_.end ||
                              exact.start < links_.start || exact.drop > links_.drop))
            fault = "4: the bounds over the list's links do not cover them";
        return fault;
    }

  private:
    // Bounds over every link of the list, as a summary has them over its subtree's: only ever
    // widened, and made exact when the index is built, so that an add sees at once when no
    // link can fold.
    struct links {
        double end = -reals::inf, start = reals::inf, drop = -reals::inf;
        bool any = false; // until there is a link, nothing folds, whatever the changes
        void widen(double e, double s) {
            if (!reals::number(e) || !reals::number(s)) return;
            any = true;
            end = std::max(end, e), start = std::min(start, s);
            drop = std::max(drop, list_summary::drop(e, s));
        }
        void changed(bool lowered, double lo, bool raised, double hi) {
            if (!any) return;
            if (lowered)
                start = std::min(start, lo), drop = std::max(drop, list_summary::drop(end, lo));
            if (raised)
                end = std::max(end, hi), drop = std::max(drop, list_summary::drop(hi, start));
        }
        bool may_fold(const walk &w) const {
            return end >= w.lo && start <= w.hi && drop >= w.need;
        }
    };

    shape tree_;
    walk walk_;
    path_prefetch<shape> place_;
    list_index<shape> index_;
    links links_;
    std::size_t most_; // entries the list may come to hold, counting every one added
    index_policy indexing_ = index_policy::as_needed;
    bool indexed_ = false;
    std::uint32_t next_id_ = 0;
    std::size_t idle_ = 0; // leaves the walks entered for nothing since the index was dropped
    std::size_t adds_ = 0; // adds since the index was built or dropped

    void add(walk &w) {
        if (!reals::number(w.lo) || !reals::number(w.hi) || above_all(w.lo, w.hi))
            return insert(w, find_place(tree_, w.hi), nullptr);
        w.folds.clear();
        w.first = w.nothing;
        w.first_at.leaf = 0;
        w.place.leaf = 0;
        // With the index, the walk looks for folds alone, and only when the links leave room for
        // one; without it, what it finds with no fold is what the overlap pass will find.
        w.folds_only = indexed_;
        w.may_fold = links_.may_fold(w);
        if (!indexed_ || w.may_fold) probe(tree_, w);
        if (w.folds.empty() && !indexed_) {
            if (w.first == w.held) return;
            if (w.first == w.changes) return void(overlap(w));
            return insert(w, w.place.leaf ? w.place : find_place(tree_, w.hi), nullptr);
        }
        // From the last run back, so that the places of those before stay as they are.
        for (std::size_t k = w.folds.size(); k > 0;) {
            std::uint32_t last = w.folds[--k], first = last;
            while (k > 0 && w.folds[k - 1] + 1 == first) first = w.folds[--k];
            fold_run(first, last);
        }
        w.first_at.leaf = 0; // the probe's finds are of the list before the folds
        if (w.lo < w.hi && overlap(w)) return;
        typename list_index<shape>::place at;
        if (indexed_ ? index_.holds(w.lo, w.hi, at) : w.lo >= w.hi && overlap(w)) return;
        insert(w, find_place(tree_, w.hi), indexed_ ? &at : nullptr);
    }

    // Whether both bounds lie above every bound in the list, as when records come in order:
    // then no link folds, no entry holds or meets [lo, hi], and it goes last.
    bool above_all(double lo, double hi) const {
        if (tree_.height() == 0) return false;
        const auto &x = tree_.inner(tree_.root());
        return x.col.run.top_to[x.n - 1] < std::min(lo, hi);
    }

    // Entry first takes the end of entry last + 1, and entries first + 1 to last + 1 go.
    void fold_run(std::uint32_t first, std::uint32_t last) {
        const std::uint32_t gone = last - first + 1;
        auto [f, at] = find_entry(tree_, first);
        if (indexed_) index_.folding(tree_, f, at, gone);
        if (at + gone < tree_.leaf(f).n) { // all in one leaf
            tree_.leaf(f).b[at] = tree_.leaf(f).b[at + gone];
            tree_.erase(f, at + 1, gone);
        } else {
            auto [r, m] = find_entry(tree_, last + 1);
            double end = tree_.leaf(r).b[m];
            for (std::uint32_t i = 0; i < gone; ++i) {
                auto [g, gat] = find_entry(tree_, first + 1);
                tree_.erase(g, gat);
            }
            std::tie(f, at) = find_entry(tree_, first);
            tree_.leaf(f).b[at] = end;
            tree_.reorder(f);
            tree_.refresh(f, 0);
        }
        if (!indexed_) return;
        std::tie(f, at) = find_entry(tree_, first);
        index_.folded(tree_.ids(f)[at], tree_.leaf(f).a[at], tree_.leaf(f).b[at]);
    }

    // The overlap pass; for lo >= hi, whether an entry holds [lo, hi]. True when the add ends.
    bool overlap(walk &w) {
        if (indexed_) {
            auto o = index_.overlap(tree_, w.lo, w.hi);
            links_.changed(o.lowered, w.lo, o.raised, w.hi);
            if (!o.too_many) return o.ended;
            drop_index();
        }
        unsigned what = 0;
        bool held = false;
        if (!overlap_in_leaf(tree_, w, what, held))
            held = ::overlap(tree_, tree_.root(), tree_.height(), w, what);
        links_.changed(what & lowered, w.lo, what & raised, w.hi);
        return held || w.changed;
    }

    // at is where the entry goes in the index, if known.
    void insert(walk &w, list_place<shape> p, const typename list_index<shape>::place *at) {
        tree_entry e{w.lo, w.hi, next_id_++};
        tree_.insert(p.leaf, p.at, e, p.before, p.after);
        links_.widen(p.before, w.lo);
        links_.widen(w.hi, p.after);
        if (indexed_) index_.inserted(e, at);
    }

    void build_index() {
        if (indexing_ == index_policy::never) return;
        push_all(tree_, tree_.root(), tree_.height());
        index_.reserve(most_);
        next_id_ = index_.build(tree_);
        links_ = all_links();
        indexed_ = true;
        idle_ = adds_ = 0;
    }
    // Exact bounds over the links of the list as its leaves hold it.
    links all_links() const {
        links all;
        double before = reals::nan;
        tree_.each_entry([&](const auto &l, std::uint32_t i, ref) {
            all.widen(before, l.a[i]);
            before = l.b[i];
        });
        return all;
    }
    void drop_index() {
        indexed_ = false, idle_ = adds_ = 0;
        tree_.track(false);
    }

    void check(ref r, unsigned h, std::string &fault) const {
        if (h == 0 || !fault.empty()) return;
        const auto &x = tree_.inner(r);
        for (std::uint32_t c = 0; c < x.n && fault.empty(); ++c) {
            const char *f = h == 1 ? x.col.differs(c, tree_.leaf(x.child[c]))
                                   : x.col.differs(c, tree_.inner(x.child[c]));
            if (f) fault = f;
            if (indexed_ &&
                (x.col.s[c].lower_to != reals::inf || x.col.s[c].raise_to != -reals::inf))
                fault = "6: a change is pending while there is an index";
            check(x.child[c], h - 1, fault);
        }
        if (const char *f = x.col.bounds_differ(x.n); f && fault.empty()) fault = f;
    }
};

// interval_list_merge, with the tree type and its index policy given, and after_add(tree)
// called after each add to the tree.
template <class Tree, class AfterAdd>
std::size_t interval_list_merge_with(interval_bounds *iv, std::size_t n, AfterAdd after_add,
                                     typename Tree::index_policy policy = {}) {
    // A leading run of NaN intervals is put first and never touched again: no test passes on
    // an entry whose bounds are NaN, and no insertion comes before one.
    std::size_t nans = 0;
    while (nans < n && !reals::number(iv[nans].lo) && !reals::number(iv[nans].hi)) ++nans;
    std::size_t plain = nans;
    while (plain < n && iv[plain].lo <= iv[plain].hi) ++plain;
    std::size_t count = interval_list_sweep(iv + nans, plain - nans);
    if (plain == n) return nans + count;

    Tree tree(iv + nans, count, count + (n - plain));
    tree.set_index_policy(policy);
    // The intervals added are read no more: their memory goes back as the adds go on, so that
    // the tree grows into what the intervals gave up, until the entries take its place.
    const std::size_t chunk = (std::size_t{1} << 21) / sizeof *iv;
    for (std::size_t i = plain, done = nans; i < n; ++i) {
        if (i + Tree::ahead < n) tree.prefetch(iv[i + Tree::ahead].lo, iv[i + Tree::ahead].hi);
        tree.add(iv[i].lo, iv[i].hi);
        after_add(tree);
        if (i + 1 - done >= 2 * chunk) release_pages(iv + done, iv + i + 1), done = i + 1 - chunk;
    }
    // Every interval has been read: the entries may take their place, in pages mapped again.
    populate_pages(iv + nans, iv + nans + tree.size());
    return nans + tree.copy_to(iv + nans);
}
