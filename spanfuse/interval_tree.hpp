// The interval list held as a B+-tree in list order, so that an add finds what its three passes
// change without visiting every entry. Results are those of interval_list_add, bit for bit,
// whatever the intervals: inside out, with NaN bounds, overlapping.
//
// What follows from the rules (list_rules.hpp): a fold never changes what another link tests,
// so the links that fold are those that do on the list as it was, and a run of them folds into
// its first entry. Tests b and c need lo < hi, so for other intervals the overlap pass only
// asks whether an entry holds them. A NaN bound passes no test and folds no link.
//
// The tree (tree_shape.hpp, its nodes in tree_nodes.hpp) keeps a summary of each child
// (list_summary.hpp), and the walks (list_walks.hpp, list_probe.hpp) enter only the children
// whose summary admits what they look for. That works while the list's order follows its
// bounds. Where it does not, nearly every summary admits a hit; once the walks enter more idle
// leaves than it costs to build, the entries are also kept by value (list_index.hpp).
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
#include "list_probe.hpp"
#include "list_rules.hpp"
#include "list_summary.hpp"
#include "list_walks.hpp"
#include "path_prefetch.hpp"
#include "reals.hpp"
#include "speed_parts.hpp"
#include "tree_nodes.hpp"
#include "tree_shape.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class interval_tree {
    using shape = tree_shape<list_columns<Fan>, Leaf, Fan, true>; // ids apart, given for a while
    using ref = typename shape::ref;
    using walk = add_walk<shape>;

  public:
    // Room for a list that will take no more than most entries in all, counting every one added.
    explicit interval_tree(std::size_t most) : most_(most) {
        tree_.track(false); // ids are given only while there is an index
        tree_.reserve(most, most);
        tree_.keep_order(speed::ordered_leaves);
    }

    // The list of these count entries, in order, whatever it held before.
    void build(const interval_bounds *entries, std::size_t count) {
        indexed_ = false, idle_ = adds_ = 0;
        tree_.track(false);
        tree_.build(count, [&](std::size_t i) {
            return tree_entry{entries[i].lo, entries[i].hi, 0};
        });
        size_ = count;
        links_ = all_links();
    }

    // What an add took, in nodes entered or made again, and what the literal passes would
    // have spent on it at least beyond a step for each entry: each link that folds removes the
    // entry after it, moving every entry after that one; an overlap pass that no entry stops
    // visits every entry; an insertion looks at the entries before its place and moves those
    // after it.
    struct cost {
        std::size_t work;
        double literal;
    };

    // interval_list_add(lo, hi).
    cost add(double lo, double hi) {
        if (indexing_ == index_policy::always && !indexed_) build_index();
        folds_.clear();
        walk w{add_rules(lo, hi), indexed_, false, folds_};
        w.may_fold = links_.may_fold(w.rules);
        const std::size_t before = size_;
        auto [more, passes] = add(w);
        std::size_t work = more + w.entered;
        double literal = static_cast<double>(passes);
        for (std::uint32_t q : folds_) literal += static_cast<double>(before - q - 2);
        // The walks cost more than the index once they enter many idle leaves an add, and
        // altogether more than building it costs, about as much as entering every leaf four
        // times. After four times as many adds as the list has entries, the index goes, and
        // the walks tell afresh whether it pays.
        idle_ += w.idle;
        if (!indexed_ && idle_ > 2 * adds_ && idle_ > 4 * tree_.leaves()) work += build_index();
        if (++adds_ % 1024 == 0 && indexed_ && adds_ > 4 * size()) drop_index();
        return {work, literal};
    }

    // Called for the interval that will be added ahead adds later: the way to where it goes in
    // the list, and to where its start lies in the index.
    static constexpr unsigned ahead = 3;
    void prefetch(double lo, double hi) {
        if (!speed::prefetch || above_all(add_rules(lo, hi))) return;
        using region = std::pair<const void *, std::size_t>;
        place_.step(
            tree_, hi,
            [](const auto &x, double v) {
                return std::min(x.col.run.above(x.n, add_rules(v, v)), x.n - 1);
            },
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
    std::size_t size() const { return size_; }

    // Whether the index is kept as the walks call for it, or, for tests, always or never.
    enum class index_policy { as_needed, always, never };
    void set_index_policy(index_policy p) { indexing_ = p; }

    // What is wrong, by the number of the invariant it breaks, or nothing.
    std::string check() const {
        std::string fault;
        tree_.check(fault);
        if (fault.empty()) check(tree_.root(), tree_.height(), fault);
        if (fault.empty() && indexed_) index_.check(tree_, fault);
        if (fault.empty() && !links_.covers(all_links()))
            fault = "4: the bounds over the list's links do not cover them";
        return fault;
    }

  private:
    shape tree_;
    path_prefetch<shape> place_;
    list_index<shape> index_;
    // Bounds over every link of the list, as a summary has them over its subtree's: only ever
    // widened, and made exact when the index is built, so that an add sees at once when no
    // link can fold.
    list_summary links_ = list_summary::none();
    std::vector<std::uint32_t> folds_; // the probe's, kept from one add to the next for its room
    std::size_t most_; // entries the list may come to hold, counting every one added
    std::size_t size_ = 0;
    index_policy indexing_ = index_policy::as_needed;
    bool indexed_ = false;
    std::uint32_t next_id_ = 0;
    std::size_t idle_ = 0; // leaves the walks entered for nothing since the index was dropped
    std::size_t adds_ = 0; // adds since the index was built or dropped

    // The add proper. Returns its work beyond the nodes its walks entered, and the steps that
    // the literal passes' overlap and insertion would have taken at least.
    std::pair<std::size_t, std::size_t> add(walk &w) {
        const add_rules &r = w.rules;
        if (!reals::number(r.lo) || !reals::number(r.hi) || above_all(r))
            return inserted(w, find_place(tree_, w), nullptr, 0);
        std::size_t work = 0;
        // With the index, the links that fold are found by value; without it, the probe finds
        // them, and what it finds with no fold is what the overlap pass will find.
        if (indexed_ && w.may_fold)
            index_.folds(tree_, r, folds_), work += tree_.height() + 1 + folds_.size();
        else if (!indexed_)
            probe(tree_, w);
        if (folds_.empty() && !indexed_) {
            if (w.first == w.held) return {work, 0};
            if (w.first == w.changes) return overlapped(w, work);
            return inserted(w, w.place.leaf ? w.place : find_place(tree_, w), nullptr, work);
        }
        // From the last run back, so that the places of those before stay as they are.
        for (std::size_t k = folds_.size(); k > 0;) {
            std::uint32_t last = folds_[--k], first = last;
            while (k > 0 && folds_[k - 1] + 1 == first) first = folds_[--k];
            work += fold_run(first, last, w);
        }
        w.first_at.leaf = 0; // the probe's finds are of the list before the folds
        if (r.open || !indexed_) {
            auto [found, more] = overlap(w);
            work += more;
            if (found.held) return {work, 0};
            if (found.changed()) return {work, size_};
        }
        typename list_index<shape>::place at;
        if (indexed_) {
            work += tree_.height() + 1;
            if (index_.holds(r, at)) return {work, 0};
        }
        return inserted(w, find_place(tree_, w), indexed_ ? &at : nullptr, work);
    }
    std::pair<std::size_t, std::size_t> overlapped(walk &w, std::size_t work) {
        auto [found, more] = overlap(w);
        return {work + more, found.held ? 0 : size_};
    }
    std::pair<std::size_t, std::size_t> inserted(walk &w, list_place<shape> p,
                                                 const typename list_index<shape>::place *at,
                                                 std::size_t work) {
        const std::size_t passes = 2 * size_;
        return {work + insert(w, p, at), passes};
    }

    // Whether both bounds lie above every bound in the list, as when records come in order:
    // then no link folds, no entry holds or meets [lo, hi], and it goes last.
    bool above_all(const add_rules &r) const {
        if (!speed::above_all || !speed::running_bounds || tree_.height() == 0) return false;
        const auto &x = tree_.inner(tree_.root());
        return r.below(x.col.run.top_to[x.n - 1]);
    }

    // Entry first takes the end of entry last + 1, and entries first + 1 to last + 1 go.
    // Returns its work beyond the nodes entered.
    std::size_t fold_run(std::uint32_t first, std::uint32_t last, walk &w) {
        const std::uint32_t gone = last - first + 1;
        const std::size_t level = tree_.height() + 1;
        size_ -= gone;
        auto [f, at] = find_entry(tree_, first, w);
        if (indexed_) index_.folding(tree_, f, at, gone);
        if (at + gone < tree_.leaf(f).n) { // all in one leaf
            tree_.leaf(f).b[at] = tree_.leaf(f).b[at + gone];
            tree_.erase(f, at + 1, gone);
        } else {
            auto [r, m] = find_entry(tree_, last + 1, w);
            double end = tree_.leaf(r).b[m];
            for (std::uint32_t i = 0; i < gone; ++i) {
                auto [g, gat] = find_entry(tree_, first + 1, w);
                tree_.erase(g, gat);
            }
            std::tie(f, at) = find_entry(tree_, first, w);
            tree_.leaf(f).b[at] = end;
            tree_.reorder(f);
            tree_.refresh(f, 0);
        }
        std::size_t work = 2 * level * (gone + 1) + (indexed_ ? 4 * level * (gone + 1) : 0);
        if (!indexed_) return work;
        std::tie(f, at) = find_entry(tree_, first, w);
        index_.folded(tree_, tree_.ids(f)[at]);
        return work;
    }

    // The overlap pass; for lo >= hi, whether an entry holds [lo, hi]. Returns what it found,
    // and its work beyond the nodes entered.
    std::pair<overlap_found, std::size_t> overlap(walk &w) {
        const add_rules &r = w.rules;
        if (indexed_) {
            // Changes made one at a time cost no more than building the index again, up to a
            // sixteenth of the list, and they spare the walks that would build it.
            auto o = index_.overlap(tree_, r, std::max<std::size_t>(16, size_ / 16));
            if (o.lowered) links_.lower_links(r.lo);
            if (o.raised) links_.raise_links(r.hi);
            const std::size_t work = 2 * (tree_.height() + 1) * (o.changes + 3);
            if (!o.too_many) return {{o.held, o.lowered, o.raised}, work};
            drop_index();
        }
        std::optional<overlap_found> o = overlap_in_leaf(tree_, w);
        if (!o) o = ::overlap(tree_, tree_.root(), tree_.height(), w);
        if (o->lowered) links_.lower_links(r.lo);
        if (o->raised) links_.raise_links(r.hi);
        return {*o, 0};
    }

    // Puts [lo, hi] in at place p; at is where the entry goes in the index, if known. Returns
    // its work.
    std::size_t insert(walk &w, list_place<shape> p, const typename list_index<shape>::place *at) {
        tree_entry e{w.rules.lo, w.rules.hi, next_id_++};
        tree_.insert(p.leaf, p.at, {e, p.before, p.after});
        ++size_;
        links_.widen_link(p.before, e.a);
        links_.widen_link(e.b, p.after);
        if (indexed_) index_.inserted(tree_, e, at);
        return (indexed_ ? 3 : 1) * (tree_.height() + 1);
    }

    // Returns its work.
    std::size_t build_index() {
        if (!speed::index || indexing_ == index_policy::never) return 0;
        push_all(tree_, tree_.root(), tree_.height());
        index_.reserve(most_);
        next_id_ = index_.build(tree_);
        links_ = all_links();
        indexed_ = true;
        idle_ = adds_ = 0;
        return 3 * tree_.leaves() * (tree_.height() + 1);
    }
    // Exact bounds over the links of the list as its leaves hold it.
    list_summary all_links() const {
        list_summary all = list_summary::none();
        double before = reals::nan;
        tree_.each_entry([&](const auto &l, std::uint32_t i, ref) {
            all.widen_link(before, l.a[i]);
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
            if (indexed_ && x.col.pending(c))
                fault = "6: a change is pending while there is an index";
            check(x.child[c], h - 1, fault);
        }
        if (const char *f = x.col.bounds_differ(x.n); f && fault.empty()) fault = f;
    }
};
