// The interval list held as a B+-tree in list order, so that each add finds the entries its
// three passes change without visiting every entry, whatever the intervals: inside out, with
// NaN bounds, overlapping. Results are those of interval_list_add, bit for bit.
//
// Leaves hold up to Leaf entries each; inner nodes up to Fan children, and for each child a
// summary of its subtree: its entry count, first start and last end, and bounds that cover
// its starts, its ends and the links inside it between two entries whose bounds are numbers
// (no start below the least, none above the greatest, and so on). Every test of the passes
// is an ordered comparison of bounds, false for NaN, so a subtree whose summary fails a test
// holds no entry or link that passes it and is skipped. Running bounds over the children
// find those a test can reach by a short search; on sorted entries they lie around the new
// interval's place. Bounds are made exact whenever a node is rebuilt, and only widened when
// an entry is added or changed.
//
// The passes use what follows from their rules:
// - Bridging: link i (between entries i and i+1) folds when end[i] >= lo and
//   start[i+1] <= hi on the list as it was, since a fold never changes what another link
//   tests. Consecutive folding links j..k leave entry j with end[k+1], entries j+1..k+1 gone,
//   and no link folds on the list that leaves.
// - Overlap: an entry that passes test a is itself left alone, and a change to one entry
//   changes no test on another; so the pass is every b and c change before the first entry
//   that passes a. A change keeps start <= hi and end >= lo as they were, so it changes no
//   fold either, nor the insertion place.
// - Insertion: only when the overlap pass found nothing, before the first start above hi.
// So one walk finds what all three passes do and makes the overlap pass's changes as it goes.
// Only when it finds folds are they taken back, the folds made, and the walk made again;
// folds remove entries, so that happens at most once per entry ever added.
//
// Where the overlap pass sets every start of a subtree to lo, or every end to hi (as when an
// interval covers many entries that NaN entries keep apart), the subtree is not entered: the
// assignment is noted on it and handed down only when a later walk enters it.
#pragma once

#include "big_array.hpp"
#include "interval_list.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <vector>

template <std::size_t Leaf = 32, std::size_t Fan = 32> class interval_tree {
    // Half full, a node other than the root must keep two slots.
    static_assert(Leaf >= 4 && Fan >= 4);

  public:
    // A tree holding count entries, in order, that will hold no more than most. Room for that
    // many is set aside at once: the memory it does not use is never touched.
    interval_tree(const interval_bounds *entries, std::size_t count, std::size_t most) {
        // At least half full, but for the root.
        std::size_t leaves = 2 * most / Leaf + 2;
        leaves_.reserve(leaves + 1);
        inners_.reserve(leaves / 2 + 64);
        build(entries, count);
    }

    // interval_list_add(lo, hi).
    void add(double lo, double hi) {
        probe(lo, hi);
        if (!folds_.empty()) {
            undo();
            bridge();
            probe(lo, hi);
        }
        if (!held_ && changes_.empty()) insert(lo, hi);
    }

    // Starts bringing into the cache what the add of an interval ending at hi will look at,
    // a few adds before it: the node above the leaves on its way, then the child there, then
    // the leaf, one a call, each once the one before it has come, so that none of them waits.
    // The tree may change meanwhile; then what comes is of no use, and does no harm.
    // Called for the interval that will be added ahead adds later; its walk is kept, for that
    // add to start its own searches from.
    static constexpr unsigned ahead = 4;
    void prefetch(double hi) {
        auto line = [](const void *p) { __builtin_prefetch(p); };
        warm &oldest = warm_[(calls_ - 2) % rounds], &middle = warm_[(calls_ - 1) % rounds];
        if (oldest.path[1] && oldest.path[1] < inners_.size()) {
            node_ref r = inner(oldest.path[1]).slots[oldest.way[1]].child;
            if (r < leaves_.size()) {
                const char *bytes = reinterpret_cast<const char *>(&leaf(r));
                for (std::size_t i = 0; i < sizeof(leaf_node); i += 64) line(bytes + i);
            }
        }
        if (middle.path[1] && middle.path[1] < inners_.size()) {
            const inner_node &x = inner(middle.path[1]);
            std::uint32_t n = std::max<std::uint32_t>(std::min<std::uint32_t>(x.n, Fan), 1);
            std::uint32_t c = middle.way[1] = std::min(count_to_place(x, middle.hi), n - 1);
            std::uint32_t before = c > 0 ? c - 1 : 0;
            line(&x.slots[before]);
            line(&x.slots[c]);
            line(&x.slots[c + 1]);
            line(&x.min_start_from[c]);
            line(&x.min_end_from[c]);
            line(&x.max_end_to[before]);
        }
        warm &newest = warm_[calls_++ % rounds];
        newest = {hi, {}, {}};
        if (height_ == 0) return;
        node_ref r = root_;
        for (unsigned h = height_; h > 1; --h) {
            const inner_node &x = inner(r);
            std::uint32_t c = std::min(count_to_place(x, hi), x.n - 1);
            if (h < guided) newest.path[h] = r, newest.way[h] = c;
            r = x.slots[c].child;
        }
        newest.path[1] = r;
        const char *bytes = reinterpret_cast<const char *>(inner(r).max_start_to);
        for (std::size_t i = 0; i < sizeof inner(r).max_start_to; i += 64) line(bytes + i);
    }

    // Writes the entries in order to out; returns how many.
    std::size_t copy_to(interval_bounds *out) const {
        return copy(root_, height_, out, nan, nan) - out;
    }

    // Checks the structure from the root: node sizes, links to parents, every summary and
    // running bound one that covers its subtree, and counts, first starts and last ends exact.
    // Returns what is wrong, or nothing.
    std::string check() const {
        std::string fault;
        check(root_, height_, 0, fault);
        return fault;
    }

  private:
    using node_ref = std::uint32_t; // an index into leaves_ or inners_ by height; 0 is none

    static constexpr double inf = __builtin_inf();
    static constexpr double nan = __builtin_nan("");
    static bool number(double v) { return v == v; }

    // The least and greatest of a and b, b left out when it is NaN; a never is. Bounds of no
    // number at all are +inf and -inf, which pass no test that the numbers fail.
    static double low(double a, double b) { return b < a ? b : a; }
    static double high(double a, double b) { return a < b ? b : a; }

    struct summary {
        std::uint32_t count = 0; // entries
        std::uint32_t links = 0; // links between two entries whose bounds are numbers
        double min_start = inf, max_start = -inf, min_end = inf, max_end = -inf;
        double first_start = nan, last_end = nan;
        double link_end = -inf, link_start = inf; // greatest end before, least start after one
    };

    struct slot {
        node_ref child;
        summary sum;
        // Where a number, every start (end) in the subtree that is a number is this one; the
        // summary already says so, the subtree not yet.
        double set_start, set_end;
    };

    struct leaf_node {
        std::uint32_t n;
        node_ref parent;
        // If set, starts and ends are numbers and never fall along the leaf; if not, they may
        // be so all the same.
        bool sorted;
        double start[Leaf];
        double end[Leaf];
    };
    static void sort_check(leaf_node &l) {
        l.sorted = l.n == 0 || (number(l.start[0]) && number(l.end[0]));
        for (std::uint32_t i = 1; i < l.n; ++i)
            l.sorted &= l.start[i - 1] <= l.start[i] && l.end[i - 1] <= l.end[i];
    }

    struct inner_node {
        std::uint32_t n;
        node_ref parent;
        slot slots[Fan];
        // Running bounds: the greatest start and end among children 0..c, the least among
        // children c..n-1. They never fall, and never rise, along the children.
        double max_start_to[Fan], max_end_to[Fan], min_start_from[Fan], min_end_from[Fan];
    };

    // Nodes live in two pools and keep their index for good; freed ones are reused.
    big_array<leaf_node> leaves_;
    big_array<inner_node> inners_;
    std::vector<node_ref> free_leaves_, free_inners_;
    node_ref root_ = 0;
    unsigned height_ = 0; // 0 when the root is a leaf

    // What the last walk found.
    std::vector<std::uint32_t> folds_; // first and last right entry of each run of folding links
    // For each run, the leaf and place in it of its first right entry, if the whole run and
    // the entry before it are in that leaf; else no leaf.
    std::vector<std::pair<node_ref, std::uint32_t>> fold_leaves_;
    bool held_ = false;       // an entry passed test a
    node_ref place_leaf_ = 0; // leaf and entry of the first start above hi; none: the end
    std::uint32_t place_at_ = 0;
    double place_before_ = nan; // the end of the entry before that place
    // During the walk, which child it went down at each height; for the place, the same.
    // Halves of at least two children keep the height below 32.
    std::uint32_t path_[32], place_path_[32];
    double before_ = nan; // during the walk, the end of the entry before the one looked at
    // What prefetch is bringing in, for the interval ending at hi: for each height below
    // guided, the node its walk went through (0 until known) and the child it took there;
    // at height 1, the node above the leaves. Kept for the adds ahead and a few after them.
    static constexpr unsigned rounds = 8, guided = 8;
    struct warm {
        double hi;
        node_ref path[guided];
        std::uint32_t way[guided];
    };
    warm warm_[rounds] = {};
    std::uint64_t calls_ = rounds;
    const warm *guide_ = nullptr; // the walk of the add being made, if prefetch made it
    // Each bound the walk changed, with the node it is in (or the node whose slot it is in),
    // to take the changes back.
    struct change {
        double *at;
        double was;
        node_ref node;
        unsigned height;
        std::uint32_t slot;
    };
    std::vector<change> changes_;

    leaf_node &leaf(node_ref r) { return leaves_[r]; }
    const leaf_node &leaf(node_ref r) const { return leaves_[r]; }
    inner_node &inner(node_ref r) { return inners_[r]; }
    const inner_node &inner(node_ref r) const { return inners_[r]; }

    template <class Node>
    static node_ref make(big_array<Node> &pool, std::vector<node_ref> &free_list) {
        node_ref r;
        if (!free_list.empty()) {
            r = free_list.back();
            free_list.pop_back();
        } else {
            // Index 0 stays unused, so that 0 can mean none. A new node is left unset but for
            // what is set below, so that its memory is written only as it is used.
            if (pool.size() == 0 && !pool.extend()) throw std::bad_alloc();
            r = static_cast<node_ref>(pool.size());
            if (!pool.extend()) throw std::bad_alloc();
        }
        pool[r].n = 0;
        pool[r].parent = 0;
        return r;
    }
    // May move a pool: no reference to a node is held across it.
    node_ref make_node(unsigned height) {
        if (height > 0) return make(inners_, free_inners_);
        node_ref r = make(leaves_, free_leaves_);
        leaf(r).sorted = true;
        return r;
    }
    void free_node(node_ref r, unsigned height) {
        (height == 0 ? free_leaves_ : free_inners_).push_back(r);
    }
    void free_subtree(node_ref r, unsigned height) {
        if (height > 0)
            for (std::uint32_t c = 0; c < inner(r).n; ++c)
                free_subtree(inner(r).slots[c].child, height - 1);
        free_node(r, height);
    }

    std::uint32_t width(node_ref r, unsigned height) const {
        return height == 0 ? leaf(r).n : inner(r).n;
    }
    void set_width(node_ref r, unsigned height, std::uint32_t n) {
        (height == 0 ? leaf(r).n : inner(r).n) = n;
    }
    static std::uint32_t max_width(unsigned height) { return height == 0 ? Leaf : Fan; }
    node_ref parent(node_ref r, unsigned height) const {
        return height == 0 ? leaf(r).parent : inner(r).parent;
    }
    void set_parent(node_ref r, unsigned height, node_ref p) {
        (height == 0 ? leaf(r).parent : inner(r).parent) = p;
    }
    static std::uint32_t slot_of(const inner_node &x, node_ref child) {
        std::uint32_t c = 0;
        while (x.slots[c].child != child) ++c;
        return c;
    }

    // ---- summaries

    static void add_link(summary &s, double end, double start) {
        if (!number(end) || !number(start)) return;
        ++s.links;
        s.link_end = high(s.link_end, end);
        s.link_start = low(s.link_start, start);
    }

    summary summarize(node_ref r, unsigned height) const {
        summary s;
        if (height == 0) {
            const leaf_node &l = leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i) {
                s.min_start = low(s.min_start, l.start[i]);
                s.max_start = high(s.max_start, l.start[i]);
                s.min_end = low(s.min_end, l.end[i]);
                s.max_end = high(s.max_end, l.end[i]);
                if (i > 0) add_link(s, l.end[i - 1], l.start[i]);
            }
            s.count = l.n;
            if (l.n > 0) s.first_start = l.start[0], s.last_end = l.end[l.n - 1];
            return s;
        }
        const inner_node &x = inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            const summary &t = x.slots[c].sum;
            s.count += t.count;
            s.min_start = low(s.min_start, t.min_start);
            s.max_start = high(s.max_start, t.max_start);
            s.min_end = low(s.min_end, t.min_end);
            s.max_end = high(s.max_end, t.max_end);
            s.links += t.links;
            s.link_end = high(s.link_end, t.link_end);
            s.link_start = low(s.link_start, t.link_start);
            if (c > 0) add_link(s, x.slots[c - 1].sum.last_end, t.first_start);
        }
        if (x.n > 0) s.first_start = x.slots[0].sum.first_start;
        if (x.n > 0) s.last_end = x.slots[x.n - 1].sum.last_end;
        return s;
    }

    // The summary once every start (end) that is a number has become set_start (set_end),
    // where that is a number.
    static void assign(summary &s, double set_start, double set_end) {
        if (number(set_start)) {
            if (s.min_start <= s.max_start) s.min_start = s.max_start = set_start;
            if (number(s.first_start)) s.first_start = set_start;
            if (s.links > 0) s.link_start = set_start;
        }
        if (number(set_end)) {
            if (s.min_end <= s.max_end) s.min_end = s.max_end = set_end;
            if (number(s.last_end)) s.last_end = set_end;
            if (s.links > 0) s.link_end = set_end;
        }
    }

    void refresh(inner_node &x, std::uint32_t c, unsigned child_height) {
        slot &k = x.slots[c];
        k.sum = summarize(k.child, child_height);
        assign(k.sum, k.set_start, k.set_end);
    }

    static void bound(inner_node &x) {
        double max_start = -inf, max_end = -inf, min_start = inf, min_end = inf;
        for (std::uint32_t c = 0; c < x.n; ++c) {
            x.max_start_to[c] = max_start = high(max_start, x.slots[c].sum.max_start);
            x.max_end_to[c] = max_end = high(max_end, x.slots[c].sum.max_end);
        }
        for (std::uint32_t c = x.n; c > 0; --c) {
            x.min_start_from[c - 1] = min_start = low(min_start, x.slots[c - 1].sum.min_start);
            x.min_end_from[c - 1] = min_end = low(min_end, x.slots[c - 1].sum.min_end);
        }
    }
    void bound(node_ref r, unsigned height) {
        if (height > 0) bound(inner(r));
    }

    // After a change below node r, the summaries on the way from it to the root.
    void refresh_up(node_ref r, unsigned height) {
        for (; height < height_; ++height) {
            node_ref p = parent(r, height);
            refresh(inner(p), slot_of(inner(p), r), height);
            bound(inner(p));
            r = p;
        }
    }

    // Hands the assignments noted on child c down to it.
    void push(inner_node &x, std::uint32_t c, unsigned child_height) {
        slot &k = x.slots[c];
        double set_start = k.set_start, set_end = k.set_end;
        if (!number(set_start) && !number(set_end)) return;
        k.set_start = k.set_end = nan;
        if (child_height == 0) {
            leaf_node &l = leaf(k.child);
            for (std::uint32_t i = 0; i < l.n; ++i) {
                if (number(set_start) && number(l.start[i])) l.start[i] = set_start;
                if (number(set_end) && number(l.end[i])) l.end[i] = set_end;
            }
            return;
        }
        inner_node &y = inner(k.child);
        for (std::uint32_t i = 0; i < y.n; ++i) {
            slot &g = y.slots[i];
            if (number(set_start)) g.set_start = set_start;
            if (number(set_end)) g.set_end = set_end;
            assign(g.sum, set_start, set_end);
        }
        bound(y);
    }

    // Moves k slots of a node (entries of a leaf, children of an inner node) from position
    // from of node a to position to of node b; the ranges may overlap only within one node.
    void move_slots(unsigned height, node_ref a, std::uint32_t from, node_ref b, std::uint32_t to,
                    std::uint32_t k) {
        auto move = [&](auto *src, auto *dst) {
            if (a == b && to > from)
                std::copy_backward(src + from, src + from + k, dst + to + k);
            else
                std::copy_n(src + from, k, dst + to);
        };
        if (height == 0) {
            move(leaf(a).start, leaf(b).start);
            move(leaf(a).end, leaf(b).end);
            return;
        }
        move(inner(a).slots, inner(b).slots);
        if (a != b)
            for (std::uint32_t i = to; i < to + k; ++i)
                set_parent(inner(b).slots[i].child, height - 1, b);
    }

    // ---- building and reading out

    // How many nodes of up to max slots share count slots: about three quarters full, so that
    // adds find room before splitting, and never below half full unless there is only one.
    static std::size_t spread(std::size_t count, std::size_t max) {
        return std::max({std::size_t{1}, count / (max * 3 / 4), (count + max - 1) / max});
    }

    void build(const interval_bounds *entries, std::size_t count) {
        std::vector<node_ref> level;
        std::size_t nodes = spread(count, Leaf);
        for (std::size_t i = 0, from = 0; i < nodes; ++i) {
            std::size_t to = count * (i + 1) / nodes;
            node_ref r = make_node(0);
            leaf_node &l = leaf(r);
            for (std::size_t j = from; j < to; ++j) {
                l.start[j - from] = entries[j].lo;
                l.end[j - from] = entries[j].hi;
            }
            l.n = static_cast<std::uint32_t>(to - from);
            sort_check(l);
            level.push_back(r);
            from = to;
        }
        height_ = 0;
        while (level.size() > 1) {
            std::vector<node_ref> up;
            nodes = spread(level.size(), Fan);
            for (std::size_t i = 0, from = 0; i < nodes; ++i) {
                std::size_t to = level.size() * (i + 1) / nodes;
                node_ref r = make_node(height_ + 1);
                inner_node &x = inner(r);
                for (std::size_t j = from; j < to; ++j) {
                    auto c = static_cast<std::uint32_t>(j - from);
                    x.slots[c] = {level[j], {}, nan, nan};
                    set_parent(level[j], height_, r);
                    refresh(x, c, height_);
                }
                x.n = static_cast<std::uint32_t>(to - from);
                bound(x);
                up.push_back(r);
                from = to;
            }
            level.swap(up);
            ++height_;
        }
        root_ = level[0];
    }

    // The entries of the subtree, with the assignments noted above it applied.
    interval_bounds *copy(node_ref r, unsigned height, interval_bounds *out, double set_start,
                          double set_end) const {
        if (height == 0) {
            const leaf_node &l = leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i) {
                double s = l.start[i], e = l.end[i];
                *out++ = {number(set_start) && number(s) ? set_start : s,
                          number(set_end) && number(e) ? set_end : e};
            }
            return out;
        }
        const inner_node &x = inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            const slot &k = x.slots[c];
            out = copy(k.child, height - 1, out, number(set_start) ? set_start : k.set_start,
                       number(set_end) ? set_end : k.set_end);
        }
        return out;
    }

    // ---- the walk

    void probe(double lo, double hi) {
        folds_.clear();
        fold_leaves_.clear();
        changes_.clear();
        held_ = false;
        place_leaf_ = 0;
        place_before_ = nan;
        // Nothing before the first entry can fold into it.
        before_ = nan;
        const warm &w = warm_[(calls_ - ahead - 1) % rounds];
        guide_ =
            std::bit_cast<std::uint64_t>(w.hi) == std::bit_cast<std::uint64_t>(hi) ? &w : nullptr;
        probe(root_, height_, lo, hi);
    }

    // What the overlap pass did in a subtree: set starts to lo, ends to hi.
    static constexpr unsigned lowered = 1, raised = 2;

    // Slot c's bounds once the overlap pass did what in its subtree; its first start and last
    // end are taken from the child again.
    void widen(inner_node &x, std::uint32_t c, unsigned child_height, unsigned what, double lo,
               double hi) {
        summary &s = x.slots[c].sum;
        if (what & lowered) {
            s.min_start = low(s.min_start, lo);
            if (s.links > 0) s.link_start = low(s.link_start, lo);
        }
        if (what & raised) {
            s.max_end = high(s.max_end, hi);
            if (s.links > 0) s.link_end = high(s.link_end, hi);
        }
        node_ref r = x.slots[c].child;
        s.first_start = child_height == 0 ? leaf(r).start[0] : inner(r).slots[0].sum.first_start;
        s.last_end = child_height == 0 ? leaf(r).end[leaf(r).n - 1]
                                       : inner(r).slots[inner(r).n - 1].sum.last_end;
        widen(x, c);
    }

    void note(double &at, double value, node_ref node, unsigned height, std::uint32_t slot) {
        changes_.push_back({&at, at, node, height, slot});
        at = value;
    }

    // Looks at the entries of the subtree in order, for each pass as long as it has something
    // left to find there. Returns what the overlap pass did in it.
    unsigned probe(node_ref r, unsigned height, double lo, double hi) {
        if (height == 0) return probe_leaf(r, lo, hi);
        // Only children in [from, to) can pass a test of bridging or overlap: before from every
        // start and end is below both bounds (each test needs one above one of them), and
        // from to on every start is above both and every end at or above hi. The first child
        // with a start above hi is where the insertion would go.
        inner_node &x = inner(r);
        const std::uint32_t n = x.n;
        const double before = before_;
        std::uint32_t from = 0, to = 0, place = n;
        if (!place_leaf_) {
            // Where prefetch went through this node for this interval, the place is looked for
            // from the child it took; the tree may have changed since, and the search is exact
            // all the same, but most often that child is the place or next to it.
            if (guide_ && height < guided && guide_->path[height] == r)
                place = first_where(n, guide_->way[height],
                                    [&](std::uint32_t c) { return x.max_start_to[c] > hi; });
            else
                place = count_to_place(x, hi);
        }
        if (number(lo) && number(hi)) {
            double least = std::min(lo, hi), most = std::max(lo, hi);
            // On sorted entries both lie next to the place.
            to = first_where(n, place, [&](std::uint32_t c) {
                return (x.min_start_from[c] > most) & (x.min_end_from[c] >= hi);
            });
            if (!(before >= lo))
                from = first_where(n, std::min(place, to), [&](std::uint32_t c) {
                    return (x.max_end_to[c] >= least) | (x.max_start_to[c] > lo);
                });
        }
        // Bounds that cover may put the place early: the children after it are looked at in
        // turn until it is found.
        unsigned did = 0;
        std::uint32_t last = std::max(to, place);
        for (std::uint32_t c = std::min(from, place);
             c < n && (c < last || (place < n && !place_leaf_)); ++c) {
            slot &k = x.slots[c];
            const summary &m = k.sum;
            auto before_c = [&] { return c == 0 ? before : x.slots[c - 1].sum.last_end; };
            bool fold = (m.first_start <= hi && before_c() >= lo) ||
                        (m.links > 0 && m.link_end >= lo && m.link_start <= hi);
            bool a = m.min_start <= lo && m.max_end >= hi;
            // Tests b and c need lo < s <= hi or lo <= e < hi: never on an inside-out interval.
            bool b = lo < hi && m.max_start > lo && m.min_start <= hi;
            bool e = lo < hi && m.max_end >= lo && m.min_end < hi;
            // After a fold the walk is made again: it need only find the other folds.
            bool overlap = !held_ && folds_.empty() && (a || b || e);
            if (!fold && !(!place_leaf_ && m.max_start > hi)) {
                if (!overlap) continue;
                // Every start that test b can reach is in (lo, hi], and every end that test c
                // can reach in [lo, hi): the whole child changes alike.
                bool starts = m.min_start > lo && m.max_start <= hi;
                bool ends = m.min_end >= lo && m.max_end < hi;
                if (!a && (starts || !b) && (ends || !e)) {
                    if (b) note(k.set_start, lo, r, height, c);
                    if (e) note(k.set_end, hi, r, height, c);
                    assign(k.sum, b ? lo : nan, e ? hi : nan);
                    widen(x, c);
                    did |= (b ? lowered : 0) | (e ? raised : 0);
                    continue;
                }
            }
            push(x, c, height - 1);
            before_ = before_c();
            path_[height] = c;
            if (unsigned below = probe(k.child, height - 1, lo, hi)) {
                widen(x, c, height - 1, below, lo, hi);
                did |= below;
            }
        }
        return did;
    }

    // The first child that may hold a start above hi, or n. Counted rather than searched for,
    // so that the loads do not wait on one another: since the running bounds never fall, every
    // fourth one counts off the groups of four before it, and a count in the next group finds it.
    static std::uint32_t count_to_place(const inner_node &x, double hi) {
        const double *most = x.max_start_to;
        const std::uint32_t n = x.n;
        std::uint32_t groups = 0;
        for (std::uint32_t c = 3; c < n; c += 4) groups += !(most[c] > hi);
        std::uint32_t place = 4 * groups;
        for (std::uint32_t c = place, end = std::min(place + 4, n); c < end; ++c)
            place += !(most[c] > hi);
        return place;
    }

    // The first of children 0..n-1 for which test holds, or n; test must hold for every child
    // after one for which it holds. Looked for from child guess outwards.
    template <class Test>
    static std::uint32_t first_where(std::uint32_t n, std::uint32_t guess, Test test) {
        std::uint32_t c = std::min(guess, n);
        if (c == n || test(c))
            while (c > 0 && test(c - 1)) --c;
        else
            while (++c < n && !test(c)) {
            }
        return c;
    }

    // In a sorted leaf, the entries each test can reach are counted off; in any other, one
    // loop without branches asks whether the leaf holds anything for each pass, and only then
    // is it looked for.
    unsigned probe_leaf(node_ref r, double lo, double hi) {
        leaf_node &l = leaf(r);
        const std::uint32_t n = l.n;
        if (n == 0) return 0;
        double *start = l.start, *end = l.end;
        double before = before_;

        // Links into entries [fold_from, fold_to), entries [hit_from, hit_to) and the first
        // start above hi at place are all a test can reach.
        std::uint32_t fold_from = 0, fold_to = 0, hit_from = 0, hit_to = 0, place = n;
        if (l.sorted && number(lo) && number(hi)) {
            std::uint32_t ends_below_lo = 0, ends_below_hi = 0, starts_to_lo = 0, starts_to_hi = 0;
            for (std::uint32_t i = 0; i < n; ++i) {
                ends_below_lo += end[i] < lo;
                ends_below_hi += end[i] < hi;
                starts_to_lo += start[i] <= lo;
                starts_to_hi += start[i] <= hi;
            }
            fold_from = before >= lo ? 0 : ends_below_lo;
            fold_to = starts_to_hi;
            hit_from = std::min({ends_below_lo, ends_below_hi, starts_to_lo});
            hit_to = std::max({starts_to_hi, ends_below_hi, starts_to_lo});
            place = starts_to_hi;
        } else {
            bool fold = false, hit = false, above = false;
            double prev = before;
            if (lo > hi) { // inside out: tests b and c cannot pass
                for (std::uint32_t i = 0; i < n; ++i) {
                    double s = start[i], e = end[i];
                    fold |= (prev >= lo) & (s <= hi);
                    hit |= (s <= lo) & (e >= hi);
                    above |= hi < s;
                    prev = e;
                }
            } else {
                for (std::uint32_t i = 0; i < n; ++i) {
                    double s = start[i], e = end[i];
                    bool s_le_hi = s <= hi;
                    fold |= (prev >= lo) & s_le_hi;
                    hit |= ((s <= lo) & (e >= hi)) | ((lo < s) & s_le_hi) | ((lo <= e) & (e < hi));
                    above |= hi < s;
                    prev = e;
                }
            }
            if (fold) fold_to = n;
            if (hit) hit_to = n;
            if (above)
                for (place = 0; !(start[place] > hi); ++place) {
                }
        }

        if (fold_from < fold_to) {
            // The leaf's place in the list costs a walk up: only once a link folds.
            std::uint32_t first = UINT32_MAX;
            double prev = fold_from == 0 ? before : end[fold_from - 1];
            for (std::uint32_t i = fold_from; i < fold_to; ++i) {
                if (prev >= lo && start[i] <= hi) {
                    if (first == UINT32_MAX) first = position(r);
                    note_fold(first + i, i > 0 ? r : 0, i);
                }
                prev = end[i];
            }
        }
        if (place < n && !place_leaf_) {
            place_leaf_ = r;
            place_at_ = place;
            place_before_ = place > 0 ? end[place - 1] : before;
            std::copy(path_, path_ + 32, place_path_);
        }
        // Once a link folds, the walk is to be made again after the folds, and the overlap
        // pass need only be taken back as far as it went.
        unsigned did = 0;
        if (!folds_.empty()) return did;
        for (std::uint32_t i = hit_from; i < hit_to && !held_; ++i) {
            double s = start[i], e = end[i];
            if (s <= lo && e >= hi) {
                held_ = true;
                break;
            }
            // A sorted leaf stays sorted: the start before a lowered one was lowered too, or is
            // at most lo; the end after a raised one was raised too, or is at least hi.
            if (lo < s && s <= hi) note(start[i], lo, r, 0, 0), did |= lowered;
            if (lo <= e && e < hi) note(end[i], hi, r, 0, 0), did |= raised;
        }
        return did;
    }

    // The place in the list of the first entry of leaf r.
    std::uint32_t position(node_ref r) const {
        std::uint32_t first = 0;
        for (unsigned h = 0; h < height_; ++h) {
            node_ref p = parent(r, h);
            const inner_node &x = inner(p);
            for (std::uint32_t c = 0; x.slots[c].child != r; ++c) first += x.slots[c].sum.count;
            r = p;
        }
        return first;
    }

    void note_fold(std::uint32_t i, node_ref r, std::uint32_t in_leaf) {
        if (!folds_.empty() && folds_.back() + 1 == i) {
            folds_.back() = i;
            if (fold_leaves_.back().first != r) fold_leaves_.back().first = 0;
        } else {
            folds_.push_back(i);
            folds_.push_back(i);
            fold_leaves_.push_back({r, in_leaf});
        }
    }

    // Takes back the overlap pass's changes of the last walk.
    void undo() {
        for (std::size_t k = changes_.size(); k > 0; --k) *changes_[k - 1].at = changes_[k - 1].was;
        for (const change &c : changes_) {
            if (c.height > 0) {
                refresh(inner(c.node), c.slot, c.height - 1);
                bound(inner(c.node));
            }
            refresh_up(c.node, c.height);
        }
        changes_.clear();
    }

    // ---- bridging

    void bridge() {
        // From the last run back, so that the places of earlier runs stay as they are. A run
        // within one leaf that keeps it at least half full is folded there; once one is not,
        // nodes may move, and the rest go the long way, by their places in the list.
        bool in_place = true;
        for (std::size_t k = folds_.size(); k > 0; k -= 2) {
            std::uint32_t first = folds_[k - 2], last = folds_[k - 1], gone = last - first + 1;
            auto [r, at] = fold_leaves_[k / 2 - 1];
            in_place = in_place && r && (height_ == 0 || leaf(r).n - gone >= Leaf / 2);
            if (in_place) {
                fold_in_leaf(r, at, gone);
                continue;
            }
            set_end(root_, height_, first - 1, end_at(root_, height_, last));
            erase(root_, height_, first, last + 1);
        }
        while (height_ > 0 && inner(root_).n == 1) {
            node_ref child = inner(root_).slots[0].child;
            push(inner(root_), 0, height_ - 1);
            free_node(root_, height_);
            root_ = child;
            set_parent(root_, --height_, 0);
        }
    }

    // The child of x that holds entry i of its subtree; i becomes the entry's place in it.
    std::uint32_t child_holding(inner_node &x, std::uint32_t &i, unsigned child_height) {
        std::uint32_t c = 0;
        while (i >= x.slots[c].sum.count) i -= x.slots[c++].sum.count;
        push(x, c, child_height);
        return c;
    }

    // Folds entries at..at + gone - 1 of leaf r into the entry before them. The leaf stays
    // sorted if it was. The summaries above are made again: the entries that go may have held
    // the only starts or ends that are numbers, and the entry they fold into may take a NaN
    // end; a summary that still promised a number there could have the overlap pass note a
    // change to a subtree that changes nothing.
    void fold_in_leaf(node_ref r, std::uint32_t at, std::uint32_t gone) {
        leaf_node &l = leaf(r);
        l.end[at - 1] = l.end[at + gone - 1];
        move_slots(0, r, at + gone, r, at, l.n - at - gone);
        l.n -= gone;
        refresh_up(r, 0);
    }

    double end_at(node_ref r, unsigned height, std::uint32_t i) {
        for (; height > 0; --height)
            r = inner(r).slots[child_holding(inner(r), i, height - 1)].child;
        return leaf(r).end[i];
    }

    void set_end(node_ref r, unsigned height, std::uint32_t i, double value) {
        if (height == 0) {
            leaf(r).end[i] = value;
            sort_check(leaf(r));
            return;
        }
        inner_node &x = inner(r);
        std::uint32_t c = child_holding(x, i, height - 1);
        set_end(x.slots[c].child, height - 1, i, value);
        refresh(x, c, height - 1);
        bound(x);
    }

    // Removes entries [from, to) of the subtree, leaving every node below it of a fit size.
    void erase(node_ref r, unsigned height, std::uint32_t from, std::uint32_t to) {
        if (height == 0) {
            leaf_node &l = leaf(r);
            move_slots(0, r, to, r, from, l.n - to);
            l.n -= to - from;
            return;
        }
        inner_node &x = inner(r);
        std::uint32_t kept = 0, touched = Fan, first = 0;
        for (std::uint32_t c = 0; c < x.n; ++c) {
            std::uint32_t count = x.slots[c].sum.count;
            std::uint32_t a = std::max(from, first), b = std::min(to, first + count);
            if (a < b && b - a == count) {
                free_subtree(x.slots[c].child, height - 1);
                first += count;
                continue;
            }
            if (a < b) {
                push(x, c, height - 1);
                erase(x.slots[c].child, height - 1, a - first, b - first);
                refresh(x, c, height - 1);
                if (touched == Fan) touched = kept;
            }
            first += count;
            if (kept != c) move_slots(height, r, c, r, kept, 1);
            ++kept;
        }
        x.n = kept;
        // At most the two children at the ends of the range lost some entries and remain.
        if (touched != Fan) {
            if (touched + 1 < x.n) fit(r, height, touched + 1);
            fit(r, height, touched);
        }
        bound(x);
    }

    // Brings child c of an inner node back to at least half full, by joining it to a neighbour
    // or sharing that neighbour's slots with it. A child left with a single child of its own
    // could not bring that one back at its level; now that it has neighbours, it is brought
    // back here, which may leave the child short again: then once more, each time with fewer
    // nodes.
    void fit(node_ref r, unsigned height, std::uint32_t c) {
        unsigned h = height - 1;
        std::uint32_t half = max_width(h) / 2;
        for (;;) {
            inner_node &x = inner(r);
            if (c >= x.n || x.n < 2 || width(x.slots[c].child, h) >= half) return;
            std::uint32_t a = c + 1 < x.n ? c : c - 1, b = a + 1;
            push(x, a, h);
            push(x, b, h);
            node_ref ra = x.slots[a].child, rb = x.slots[b].child;
            std::uint32_t wa = width(ra, h), wb = width(rb, h);
            if (wa + wb <= max_width(h)) {
                move_slots(h, rb, 0, ra, wa, wb);
                set_width(ra, h, wa + wb);
                if (h == 0) sort_check(leaf(ra));
                free_node(rb, h);
                move_slots(height, r, b + 1, r, b, x.n - b - 1);
                --x.n;
                fit_all(ra, h);
                bound(ra, h);
                refresh(x, a, h);
                bound(x);
                c = a;
                continue;
            }
            std::uint32_t wa2 = (wa + wb) / 2;
            if (wa < wa2) { // from the front of b to the back of a
                move_slots(h, rb, 0, ra, wa, wa2 - wa);
                move_slots(h, rb, wa2 - wa, rb, 0, wb - (wa2 - wa));
            } else { // from the back of a to the front of b
                move_slots(h, rb, 0, rb, wa - wa2, wb);
                move_slots(h, ra, wa2, rb, 0, wa - wa2);
            }
            set_width(rb, h, wa + wb - wa2);
            set_width(ra, h, wa2);
            if (h == 0) sort_check(leaf(ra)), sort_check(leaf(rb));
            fit_all(ra, h);
            fit_all(rb, h);
            bound(ra, h);
            bound(rb, h);
            refresh(x, a, h);
            refresh(x, b, h);
            bound(x);
            if (width(ra, h) >= half && width(rb, h) >= half) return;
            c = width(ra, h) < half ? a : b;
        }
    }
    void fit_all(node_ref r, unsigned height) {
        if (height > 0)
            for (std::uint32_t c = 0; c < inner(r).n; ++c) fit(r, height, c);
    }

    // ---- insertion

    // Before the place the walk found, whose path it has cleared of assignments.
    void insert(double lo, double hi) {
        node_ref r = place_leaf_;
        std::uint32_t m = place_at_;
        double next_start = nan;
        if (r) {
            next_start = leaf(r).start[m];
        } else { // after the last entry
            r = root_;
            for (unsigned h = height_; h > 0; --h) {
                inner_node &x = inner(r);
                push(x, x.n - 1, h - 1);
                place_path_[h] = x.n - 1;
                r = x.slots[x.n - 1].child;
            }
            m = leaf(r).n;
            place_before_ = m > 0 ? leaf(r).end[m - 1] : before_;
        }
        // Each half of a leaf that splits keeps the order it had; the new entry keeps it if it
        // fits between its neighbours.
        bool was_sorted = leaf(r).sorted;
        node_ref placed = r;
        node_ref sibling = put(r, 0, m, [&](node_ref into, std::uint32_t at) {
            leaf_node &l = leaf(into);
            l.start[at] = lo;
            l.end[at] = hi;
            l.sorted = was_sorted && number(lo) && number(hi) &&
                       (at == 0 || (l.start[at - 1] <= lo && l.end[at - 1] <= hi)) &&
                       (at + 1 == l.n || (lo <= l.start[at + 1] && hi <= l.end[at + 1]));
            placed = into;
        });
        if (sibling) leaf(placed == r ? sibling : r).sorted = was_sorted;
        // Above a node that did not split, its subtree only gained [lo, hi], and perhaps a
        // link on either side of it in place of the one between its neighbours, which is left
        // in the summaries: they still cover the links.
        for (unsigned h = 0; h < height_; ++h) {
            node_ref p = parent(r, h);
            inner_node &x = inner(p);
            // A split below may have moved r to the new node.
            std::uint32_t c = place_path_[h + 1];
            if (c >= x.n || x.slots[c].child != r) c = slot_of(x, r);
            if (node_ref child = sibling) {
                refresh(x, c, h);
                sibling = put(p, h + 1, c + 1, [&](node_ref into, std::uint32_t at) {
                    inner(into).slots[at] = {child, {}, nan, nan};
                    set_parent(child, h, into);
                    refresh(inner(into), at, h);
                });
                bound(inner(p));
                if (sibling) bound(inner(sibling));
            } else {
                summary &s = x.slots[c].sum;
                ++s.count;
                s.min_start = low(s.min_start, lo);
                s.max_start = high(s.max_start, lo);
                s.min_end = low(s.min_end, hi);
                s.max_end = high(s.max_end, hi);
                add_link(s, place_before_, lo);
                add_link(s, hi, next_start);
                s.first_start = h == 0 ? leaf(r).start[0] : inner(r).slots[0].sum.first_start;
                s.last_end = h == 0 ? leaf(r).end[leaf(r).n - 1]
                                    : inner(r).slots[inner(r).n - 1].sum.last_end;
                widen(x, c);
            }
            r = p;
        }
        if (sibling) {
            node_ref top = make_node(height_ + 1);
            inner_node &x = inner(top);
            x.slots[0] = {root_, {}, nan, nan};
            x.slots[1] = {sibling, {}, nan, nan};
            x.n = 2;
            set_parent(root_, height_, top);
            set_parent(sibling, height_, top);
            refresh(x, 0, height_);
            refresh(x, 1, height_);
            bound(x);
            root_ = top;
            ++height_;
        }
    }

    // The running bounds once the bounds of child c have only widened: only as far as they
    // change.
    static void widen(inner_node &x, std::uint32_t c) {
        const summary &s = x.slots[c].sum;
        for (std::uint32_t k = c; k < x.n && !(x.max_start_to[k] >= s.max_start); ++k)
            x.max_start_to[k] = s.max_start;
        for (std::uint32_t k = c; k < x.n && !(x.max_end_to[k] >= s.max_end); ++k)
            x.max_end_to[k] = s.max_end;
        for (std::uint32_t k = c + 1; k > 0 && !(x.min_start_from[k - 1] <= s.min_start); --k)
            x.min_start_from[k - 1] = s.min_start;
        for (std::uint32_t k = c + 1; k > 0 && !(x.min_end_from[k - 1] <= s.min_end); --k)
            x.min_end_from[k - 1] = s.min_end;
    }

    // Opens slot m of node r and fills it; a full node first gives its upper half to a new one,
    // which is returned.
    template <class Fill> node_ref put(node_ref r, unsigned height, std::uint32_t m, Fill fill) {
        std::uint32_t n = width(r, height);
        node_ref next = 0, into = r;
        if (n == max_width(height)) {
            next = make_node(height);
            std::uint32_t half = (n + 1) / 2;
            move_slots(height, r, half, next, 0, n - half);
            set_width(next, height, n - half);
            set_width(r, height, n = half);
            if (m > half) {
                into = next;
                m -= half;
                n = width(next, height);
            }
        }
        move_slots(height, into, m, into, m + 1, n - m);
        set_width(into, height, n + 1);
        fill(into, m);
        return next;
    }

    // ---- checking

    void check(node_ref r, unsigned height, node_ref up, std::string &fault) const {
        if (!fault.empty()) return;
        std::uint32_t n = width(r, height);
        if (n > max_width(height) || (up && n < max_width(height) / 2) ||
            (!up && height > 0 && n < 2)) {
            fault = "node of height " + std::to_string(height) + " holds " + std::to_string(n);
            return;
        }
        if (parent(r, height) != up) {
            fault = "node of height " + std::to_string(height) + " has a wrong parent";
            return;
        }
        if (height == 0) {
            leaf_node l = leaf(r);
            bool said = l.sorted;
            sort_check(l);
            if (said && !l.sorted) fault = "a leaf said to be sorted is not";
            return;
        }
        const inner_node &x = inner(r);
        auto same = [](double a, double b) {
            return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) || a == b;
        };
        for (std::uint32_t c = 0; c < n && fault.empty(); ++c) {
            const slot &k = x.slots[c];
            summary s = summarize(k.child, height - 1), t = k.sum;
            assign(s, k.set_start, k.set_end);
            if (s.count != t.count || s.min_start < t.min_start || s.max_start > t.max_start ||
                s.min_end < t.min_end || s.max_end > t.max_end ||
                !same(s.first_start, t.first_start) || !same(s.last_end, t.last_end) ||
                (s.links > 0 &&
                 (t.links == 0 || s.link_end > t.link_end || s.link_start < t.link_start)))
                fault = "summary of child " + std::to_string(c) + " at height " +
                        std::to_string(height) + " does not match its subtree";
            check(k.child, height - 1, r, fault);
        }
        if (!fault.empty()) return;
        inner_node bounded = x;
        bound(bounded);
        for (std::uint32_t c = 0; c < n; ++c)
            if (bounded.max_start_to[c] > x.max_start_to[c] ||
                bounded.max_end_to[c] > x.max_end_to[c] ||
                bounded.min_start_from[c] < x.min_start_from[c] ||
                bounded.min_end_from[c] < x.min_end_from[c])
                fault = "running bounds at height " + std::to_string(height) + " are wrong";
    }
};

// interval_list_merge, with the tree type given, and after_add(tree) called after each add to
// the tree.
template <class Tree, class AfterAdd>
std::size_t interval_list_merge_with(interval_bounds *iv, std::size_t n, AfterAdd after_add) {
    // A leading run of NaN intervals is put first and never touched again: no test passes on
    // an entry whose bounds are NaN, and no insertion comes before one.
    std::size_t nans = 0;
    while (nans < n && iv[nans].lo != iv[nans].lo && iv[nans].hi != iv[nans].hi) ++nans;
    std::size_t plain = nans;
    while (plain < n && iv[plain].lo <= iv[plain].hi) ++plain;
    std::size_t count = interval_list_sweep(iv + nans, plain - nans);
    if (plain == n) return nans + count;

    Tree tree(iv + nans, count, count + (n - plain));
    for (std::size_t i = plain; i < n; ++i) {
        if (i + Tree::ahead < n) tree.prefetch(iv[i + Tree::ahead].hi);
        tree.add(iv[i].lo, iv[i].hi);
        after_add(tree);
    }
    // Every interval has been read: the entries may take their place.
    return nans + tree.copy_to(iv + nans);
}
