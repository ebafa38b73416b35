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
// fold are those that do on the list as it was, and a run of them folds into its first entry.
// Tests b and c need lo < hi, so for other intervals the overlap pass only asks whether an
// entry holds them. A NaN bound passes no test and folds no link.
//
// The tree (tree_shape.hpp) keeps a summary of each child (list_summary.hpp), and the walks
// (list_walks.hpp) enter only the children whose summary admits what they look for. That works
// while the list's order follows its bounds. Where it does not, as inside-out intervals and NaN
// ends make it, nearly every summary admits a hit; once such walks have entered more idle
// leaves than it costs to build one, the entries are also kept by value (value_index.hpp): by
// start with their end, for tests a and b, and by end with the next start, for the folds and
// test c. Changes to more entries than is worth doing one at a time are made by the tree's
// walk instead, and drop the index.
//
// Invariants, which check() names by number when one fails:
//   1. Every node but the root is at least half full; an inner root has two children or more.
//   2. Each node's parent, the chain of leaves and the leaf kept for each id are right.
//   3. Each summary's count, greatest start, least end, first start and last end are exact.
//   4. Each summary's least start, greatest end and link bounds cover its subtree.
//   5. The index's summaries are exact, and its entries in order.
//   6. While there is an index, nothing is pending on any slot, and it holds every entry whose
//      start is a number, by start with its end, and every entry whose end is a number, by end
//      with the next entry's start (NaN after the last), each under the entry's id.
#pragma once

#include "interval_list.hpp"
#include "list_summary.hpp"
#include "list_walks.hpp"
#include "path_prefetch.hpp"
#include "reals.hpp"
#include "tree_shape.hpp"
#include "value_index.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class interval_tree {
    using shape = tree_shape<list_columns<Fan>, Leaf, Fan, true>;
    using ref = typename shape::ref;

  public:
    // A tree holding count entries, in order, that will take no more than most entries in all,
    // counting every one added.
    interval_tree(const interval_bounds *entries, std::size_t count, std::size_t most) {
        tree_.reserve(most, most);
        starts_.reserve(most);
        ends_.reserve(most);
        // Ids are given, and kept track of, only while there is an index.
        tree_.track(false);
        tree_.keep_order(true);
        tree_.build(count, [&](std::size_t i) {
            return tree_entry{entries[i].lo, entries[i].hi, 0};
        });
        for (std::size_t i = 1; i < count; ++i) links_.widen(entries[i - 1].hi, entries[i].lo);
    }

    // interval_list_add(lo, hi).
    void add(double lo, double hi) {
        walk &w = walk_;
        w.lo = lo, w.hi = hi, w.changed = false;
        w.need = lo - hi == lo - hi ? lo - hi : -reals::inf;
        if (indexing_ == index_policy::always && !indexed_) build_index();
        add(w);
        note_idle(w);
        if (++adds_ % 1024 == 0 && indexed_ && adds_ > 4 * size()) drop_index();
    }

    // Called for the interval that will be added ahead adds later: where it goes in the list,
    // and, while there is an index, where its bounds lie in it.
    static constexpr unsigned ahead = 3;
    void prefetch(double lo, double hi) {
        place_.step(
            tree_, hi,
            [](const auto &x, double v) { return std::min(x.col.run.above(x.n, v), x.n - 1); },
            [](const auto &x, std::uint32_t c) {
                using region = std::pair<const void *, std::size_t>;
                if (c == x.n) return std::array{region{&x.col.run, sizeof x.col.run}, region{}};
                return std::array{region{&x.col.s[c > 0 ? c - 1 : 0], sizeof x.col.s[0] * 3},
                                  region{}};
            });
        if (indexed_ && reals::number(lo)) starts_.prefetch(lo);
    }

    // Writes the entries in order to out; returns how many.
    std::size_t copy_to(interval_bounds *out) {
        push_all(tree_, tree_.root(), tree_.height());
        interval_bounds *p = out;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; ++i)
                *p++ = {tree_.leaf(r).a[i], tree_.leaf(r).b[i]};
        return static_cast<std::size_t>(p - out);
    }

    // Whether the index is kept as the walks call for it, or, for tests, always or never.
    enum class index_policy { as_needed, always, never };
    void set_index_policy(index_policy p) { indexing_ = p; }

    // What is wrong, by the number of the invariant it breaks, or nothing.
    std::string check() const {
        std::string fault;
        tree_.check(fault);
        if (fault.empty()) check(tree_.root(), tree_.height(), fault);
        if (fault.empty() && indexed_) check_index(fault);
        auto exact = links_;
        exact = {};
        double before = reals::nan;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next)
            for (std::uint32_t i = 0; i < tree_.leaf(r).n; before = tree_.leaf(r).b[i++])
                exact.widen(before, tree_.leaf(r).a[i]);
        if (fault.empty() &&
            (exact.end > links_.end || exact.start < links_.start || exact.drop > links_.drop))
            fault = "4: the bounds over the list's links do not cover them";
        return fault;
    }

  private:
    shape tree_;
    std::uint32_t next_id_ = 0;
    using walk = list_walk<shape>;
    walk walk_;
    path_prefetch<shape> place_;
    index_policy indexing_ = index_policy::as_needed;
    bool indexed_ = false, has_ends_ = false;
    value_index<> starts_, ends_;
    std::size_t idle_ = 0; // leaves the walks entered for nothing since the index was dropped
    std::size_t adds_ = 0; // adds since the index was built or dropped
    std::vector<std::uint32_t> holders_, lowered_, raised_;
    // Bounds over every link of the list, as a summary has them for its subtree's: only ever
    // widened, and made exact whenever the index is built, so that an add sees at once when
    // no link can fold.
    struct {
        double end = -reals::inf, start = reals::inf, drop = -reals::inf;
        void widen(double e, double s) {
            if (!reals::number(e) || !reals::number(s)) return;
            end = std::max(end, e), start = std::min(start, s);
            drop = std::max(drop, list_summary::drop(e, s));
        }
        void lowered(double lo) {
            start = std::min(start, lo), drop = std::max(drop, list_summary::drop(end, lo));
        }
        void raised(double hi) {
            end = std::max(end, hi), drop = std::max(drop, list_summary::drop(hi, start));
        }
        bool may_fold(double lo, double hi, double need) const {
            return end >= lo && start <= hi && drop >= need;
        }
    } links_;

    std::size_t size() const {
        if (tree_.height() == 0) return tree_.leaf(tree_.root()).n;
        const auto &x = tree_.inner(tree_.root());
        std::size_t n = 0;
        for (std::uint32_t c = 0; c < x.n; ++c) n += x.col.s[c].count;
        return n;
    }

    // ---- the three passes

    void add(walk &w) {
        using reals::number;
        if (!number(w.lo) || !number(w.hi)) return insert(w, find_place(tree_, w.hi), nullptr);
        w.folds.clear();
        w.first = w.nothing;
        w.place.leaf = 0;
        // With the index, the walk looks for folds alone, and only where the drops of the
        // links leave room for one.
        w.folds_only = indexed_;
        if (!indexed_ || links_.may_fold(w.lo, w.hi, w.need)) {
            probe(tree_, tree_.root(), tree_.height(), reals::nan, reals::nan, w);
            // Without folds, what the probe found is what the overlap pass will find.
            if (w.folds.empty() && !indexed_) {
                if (w.first == w.held) return;
                if (w.first == w.changes) return void(overlap(w));
                return insert(w, w.place.leaf ? w.place : find_place(tree_, w.hi), nullptr);
            }
        }
        // From the last run back, so that the places of those before stay as they are.
        for (std::size_t k = w.folds.size(); k > 0;) {
            std::uint32_t last = w.folds[--k], first = last;
            while (k > 0 && w.folds[k - 1] + 1 == first) first = w.folds[--k];
            fold_run(first, last);
        }
        if (w.lo < w.hi && overlap(w)) return;
        if (indexed_) {
            // Whether an entry holds the interval, and where it would go in the index.
            typename value_index<>::place at;
            if (starts_.most_before(w.lo, w.hi, at)) return;
            return insert(w, find_place(tree_, w.hi), &at);
        }
        if (w.lo >= w.hi && holds(w)) return;
        insert(w, find_place(tree_, w.hi), nullptr);
    }

    // Entry first takes the end of entry last + 1, and entries first + 1 to last + 1 go.
    void fold_run(std::uint32_t first, std::uint32_t last) {
        const std::uint32_t gone = last - first + 1;
        auto [f, at] = find_entry(tree_, first);
        if (indexed_) unindex(f, at, gone);
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
        if (indexed_) {
            std::tie(f, at) = find_entry(tree_, first);
            const auto &l = tree_.leaf(f);
            const std::uint32_t id = tree_.ids(f)[at];
            if (reals::number(l.a[at])) starts_.set(id, l.b[at]);
            if (has_ends_ && reals::number(l.b[at])) ends_.insert({l.b[at], reals::nan, id});
        }
    }

    // For lo < hi. True when the add ends here.
    bool overlap(walk &w) {
        if (indexed_) {
            if (overlap_by_index(w)) return true;
            if (indexed_) return false;
        }
        unsigned what = 0;
        bool held = ::overlap(tree_, tree_.root(), tree_.height(), w, what);
        if (what & lowered) links_.lowered(w.lo);
        if (what & raised) links_.raised(w.hi);
        note_idle(w);
        return held || w.changed;
    }

    // For lo >= hi, without the index: whether an entry holds [lo, hi].
    bool holds(walk &w) {
        bool held = find_holder(tree_, tree_.root(), tree_.height(), w);
        note_idle(w);
        return held;
    }

    // at is where the entry goes in the index, if known.
    void insert(walk &w, list_place<shape> p, const typename value_index<>::place *at) {
        std::uint32_t id = next_id_++;
        tree_.insert(p.leaf, p.at, {w.lo, w.hi, id}, p.before, p.after);
        links_.widen(p.before, w.lo);
        links_.widen(w.hi, p.after);
        if (!indexed_) return;
        if (reals::number(w.lo)) {
            tree_entry e{w.lo, w.hi, id};
            at ? starts_.insert(*at, e) : starts_.insert(e);
        }
        if (has_ends_ && reals::number(w.hi)) ends_.insert({w.hi, reals::nan, id});
    }

    // ---- with the index

    // The overlap pass from the index: the first entry that holds [lo, hi], and the entries
    // before it that tests b and c change, one at a time. With more of any of them than that
    // is worth, the index is dropped for the tree's walk. True when the add ends here.
    bool overlap_by_index(walk &w) {
        constexpr std::size_t most = 16;
        bool over = false;
        auto into = [&](std::vector<std::uint32_t> &v) {
            v.clear();
            return [&](std::uint32_t id) {
                if (v.size() == most) return over = true, false;
                v.push_back(id);
                return true;
            };
        };
        if (!has_ends_) build_ends();
        starts_.each(-reals::inf, w.lo, true, w.hi, into(holders_));
        starts_.each(std::nextafter(w.lo, reals::inf), w.hi, false, 0, into(lowered_));
        ends_.each(w.lo, std::nextafter(w.hi, -reals::inf), false, 0, into(raised_));
        if (over) {
            drop_index();
            return false;
        }
        if (lowered_.empty() && raised_.empty()) return !holders_.empty();
        std::uint32_t stop = UINT32_MAX;
        for (std::uint32_t id : holders_) stop = std::min(stop, place_of_id(id));
        bool changed = false;
        for (std::uint32_t id : lowered_)
            if (place_of_id(id) < stop) lower_entry(id, w.lo), changed = true;
        for (std::uint32_t id : raised_)
            if (place_of_id(id) < stop) raise_entry(id, w.hi), changed = true;
        return changed || !holders_.empty();
    }

    void lower_entry(std::uint32_t id, double lo) {
        links_.lowered(lo);
        auto [r, m] = leaf_place(id);
        auto &l = tree_.leaf(r);
        l.a[m] = lo;
        starts_.erase(id);
        starts_.insert({lo, l.b[m], id});
        tree_.reorder(r);
        tree_.refresh(r, 0);
    }
    void raise_entry(std::uint32_t id, double hi) {
        links_.raised(hi);
        auto [r, m] = leaf_place(id);
        auto &l = tree_.leaf(r);
        if (reals::number(l.a[m])) starts_.set(id, hi);
        ends_.erase(id);
        ends_.insert({hi, reals::nan, id});
        l.b[m] = hi;
        tree_.reorder(r);
        tree_.refresh(r, 0);
    }

    // Takes the entry at place at of leaf r and the gone entries after it out of the index,
    // but for the first one's start.
    void unindex(ref r, std::uint32_t at, std::uint32_t gone) {
        const auto &f = tree_.leaf(r);
        if (has_ends_ && reals::number(f.b[at])) ends_.erase(tree_.ids(r)[at]);
        for (std::uint32_t i = 0; i < gone; ++i) {
            std::tie(r, at) = neighbour(r, at, 1);
            const auto &l = tree_.leaf(r);
            if (reals::number(l.a[at])) starts_.erase(tree_.ids(r)[at]);
            if (has_ends_ && reals::number(l.b[at])) ends_.erase(tree_.ids(r)[at]);
        }
    }

    void build_index() {
        if (indexing_ == index_policy::never) return;
        push_all(tree_, tree_.root(), tree_.height());
        next_id_ = tree_.track(true);
        std::vector<tree_entry> by_start;
        links_ = {};
        double before = reals::nan;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next) {
            const auto &l = tree_.leaf(r);
            for (std::uint32_t i = 0; i < l.n; before = l.b[i++]) {
                if (reals::number(l.a[i])) by_start.push_back({l.a[i], l.b[i], tree_.ids(r)[i]});
                links_.widen(before, l.a[i]);
            }
        }
        starts_.build(by_start);
        indexed_ = true;
        has_ends_ = false;
        idle_ = adds_ = 0;
    }
    // The entries by end are needed only by intervals that are not inside out.
    void build_ends() {
        std::vector<tree_entry> by_end;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next) {
            const auto &l = tree_.leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i)
                if (reals::number(l.b[i])) by_end.push_back({l.b[i], reals::nan, tree_.ids(r)[i]});
        }
        ends_.build(by_end);
        has_ends_ = true;
    }
    void drop_index() {
        indexed_ = false, idle_ = adds_ = 0;
        tree_.track(false);
    }

    // The walks cost more than the index once they enter many idle leaves an add, and
    // altogether more than building it costs, about as much as entering every leaf four times.
    // The index is dropped again after as many adds as the list has entries, and the walks
    // tell afresh whether it pays.
    void note_idle(walk &w) {
        idle_ += w.idle;
        w.idle = 0;
        if (!indexed_ && idle_ > 2 * adds_ && idle_ > 4 * tree_.leaves()) build_index();
    }

    // ---- places

    std::pair<ref, std::uint32_t> leaf_place(std::uint32_t id, ref r = 0) const {
        if (!r) r = tree_.leaf_of(id);
        std::uint32_t m = 0;
        while (tree_.ids(r)[m] != id) ++m;
        return {r, m};
    }
    std::uint32_t place_of_id(std::uint32_t id) const {
        auto [r, m] = leaf_place(id);
        return place_of(tree_, r, m);
    }
    // The entry step places on from place m of leaf r, step being 1 or -1; leaf 0 if none.
    std::pair<ref, std::uint32_t> neighbour(ref r, std::uint32_t m, int step) const {
        if (step > 0) {
            if (m + 1 < tree_.leaf(r).n) return {r, m + 1};
            r = tree_.leaf(r).next;
            return {r, 0};
        }
        if (m > 0) return {r, m - 1};
        r = tree_.leaf(r).prev;
        return {r, r ? tree_.leaf(r).n - 1 : 0};
    }
    double next_start(ref r, std::uint32_t m) const {
        auto [s, at] = neighbour(r, m, 1);
        return s ? tree_.leaf(s).a[at] : reals::nan;
    }

    // ---- checking

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

    void check_index(std::string &fault) const {
        starts_.check(fault);
        if (has_ends_) ends_.check(fault);
        if (!fault.empty()) return;
        std::vector<tree_entry> by_start, by_end, in_starts, in_ends;
        for (ref r = tree_.first_leaf(); r; r = tree_.leaf(r).next) {
            const auto &l = tree_.leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i) {
                if (reals::number(l.a[i])) by_start.push_back({l.a[i], l.b[i], tree_.ids(r)[i]});
                if (reals::number(l.b[i])) by_end.push_back({l.b[i], reals::nan, tree_.ids(r)[i]});
            }
        }
        starts_.each_entry([&](const tree_entry &e) { in_starts.push_back(e); });
        if (has_ends_) ends_.each_entry([&](const tree_entry &e) { in_ends.push_back(e); });
        auto by_id = [](const tree_entry &x, const tree_entry &y) { return x.id < y.id; };
        for (auto *v : {&by_start, &by_end, &in_starts, &in_ends})
            std::sort(v->begin(), v->end(), by_id);
        auto same = [](const std::vector<tree_entry> &x, const std::vector<tree_entry> &y) {
            if (x.size() != y.size()) return false;
            for (std::size_t i = 0; i < x.size(); ++i)
                if (x[i].id != y[i].id || !reals::same_bits(x[i].a, y[i].a) ||
                    !reals::same_bits(x[i].b, y[i].b))
                    return false;
            return true;
        };
        if (!same(by_start, in_starts) || (has_ends_ && !same(by_end, in_ends)))
            fault = "6: the index does not hold the entries as they are";
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
    while (nans < n && iv[nans].lo != iv[nans].lo && iv[nans].hi != iv[nans].hi) ++nans;
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
    // Every interval has been read: the entries may take their place.
    return nans + tree.copy_to(iv + nans);
}
