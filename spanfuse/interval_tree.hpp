// The interval list held as a B+-tree in list order, so that each add finds the entries its
// three passes change without visiting every entry, whatever the intervals: inside out, with
// NaN bounds, overlapping. Results are those of interval_list_add, bit for bit.
//
// Leaves hold up to Leaf entries each; inner nodes up to Fan children, and for each child a
// summary of its subtree: the entry count, the least and greatest start and end (NaN left
// out; +inf and -inf when every one is NaN), and the end of its last entry. Every test of the
// passes is an ordered comparison of a bound, so a subtree whose summary fails it holds no entry
// that passes it and is skipped. On sorted entries only the subtrees around the new interval's
// place pass; on others the summaries still prune most of the list.
//
// The passes use what follows from their rules:
// - Bridging: link i (between entries i and i+1) folds when end[i] >= lo and
//   start[i+1] <= hi on the list as it was, since a fold never changes what another link
//   tests. Consecutive folding links j..k leave entry j with end[k+1], entries j+1..k+1 gone,
//   and no link folds on the list that leaves.
// - Overlap: an entry that passes test a is itself left alone, and a change to one entry
//   changes no test on another; so the pass is every b and c change before the first entry
//   that passes a.
// - Insertion: only when the overlap pass found nothing, before the first start above hi.
// So one walk over the list finds what all three passes do; it is walked again only after a
// fold, which removes entries and so happens at most once per entry ever added.
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
            bridge();
            probe(lo, hi);
        }
        if (held_ || !changes_.empty()) {
            overlap(lo, hi);
            return;
        }
        insert(lo, hi);
    }

    // Writes the entries in order to out; returns how many.
    std::size_t copy_to(interval_bounds *out) const { return copy(root_, height_, out) - out; }

    // Checks the structure from the root: node sizes, links to parents, counts, and every
    // summary exactly that of its subtree. Returns what is wrong, or nothing.
    std::string check() const {
        std::string fault;
        check(root_, height_, 0, fault);
        return fault;
    }

  private:
    using node_ref = std::uint32_t; // an index into leaves_ or inners_ by height; 0 is none

    struct summary {
        std::uint32_t count;
        double min_start, max_start, min_end, max_end, last_end;
    };

    struct leaf_node {
        std::uint32_t n;
        node_ref parent;
        double start[Leaf];
        double end[Leaf];
    };

    struct inner_node {
        std::uint32_t n;
        node_ref parent;
        node_ref child[Fan];
        std::uint32_t count[Fan];
        double min_start[Fan], max_start[Fan], min_end[Fan], max_end[Fan], last_end[Fan];
        // Running bounds: the greatest start and end among children 0..c, the least among
        // children c..n-1. They never fall, and never rise, along the children, so the children
        // a test can reach are found by binary search.
        double max_start_to[Fan], max_end_to[Fan], min_start_from[Fan], min_end_from[Fan];
    };

    // The least and greatest of a and b, b left out when it is NaN; a never is. As bounds of
    // a subtree with no bound but NaN, +inf and -inf pass no test the bounds themselves fail.
    static double low(double a, double b) { return b < a ? b : a; }
    static double high(double a, double b) { return a < b ? b : a; }

    // Nodes live in two pools and are never moved; freed ones are reused.
    big_array<leaf_node> leaves_;
    big_array<inner_node> inners_;
    std::vector<node_ref> free_leaves_, free_inners_;
    node_ref root_ = 0;
    unsigned height_ = 0; // 0 when the root is a leaf

    // What the last walk found.
    std::vector<std::uint32_t> folds_; // first and last right entry of each run of folding links
    bool held_ = false;                // an entry passed test a
    std::vector<std::pair<node_ref, std::uint32_t>> changes_; // leaf and entry of each b or c
    node_ref place_leaf_ = 0; // leaf and entry of the first start above hi; none: the end
    std::uint32_t place_at_ = 0;
    double before_ = 0; // during the walk, the end of the entry before the one looked at

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
            // Index 0 stays unused, so that 0 can mean none.
            if (pool.size() == 0 && !pool.push_back(Node{})) throw std::bad_alloc();
            r = static_cast<node_ref>(pool.size());
            if (!pool.push_back(Node{})) throw std::bad_alloc();
        }
        pool[r].n = 0;
        pool[r].parent = 0;
        return r;
    }
    // May move a pool: no reference to a node is held across it.
    node_ref make_node(unsigned height) {
        return height == 0 ? make(leaves_, free_leaves_) : make(inners_, free_inners_);
    }
    void free_node(node_ref r, unsigned height) {
        (height == 0 ? free_leaves_ : free_inners_).push_back(r);
    }
    void free_subtree(node_ref r, unsigned height) {
        if (height > 0)
            for (std::uint32_t c = 0; c < inner(r).n; ++c)
                free_subtree(inner(r).child[c], height - 1);
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
        while (x.child[c] != child) ++c;
        return c;
    }

    summary summarize(node_ref r, unsigned height) const {
        const double inf = __builtin_inf();
        summary s{0, inf, -inf, inf, -inf, __builtin_nan("")};
        if (height == 0) {
            const leaf_node &l = leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i) {
                s.min_start = low(s.min_start, l.start[i]);
                s.max_start = high(s.max_start, l.start[i]);
                s.min_end = low(s.min_end, l.end[i]);
                s.max_end = high(s.max_end, l.end[i]);
            }
            s.count = l.n;
            if (l.n > 0) s.last_end = l.end[l.n - 1];
            return s;
        }
        const inner_node &x = inner(r);
        for (std::uint32_t c = 0; c < x.n; ++c) {
            s.count += x.count[c];
            s.min_start = low(s.min_start, x.min_start[c]);
            s.max_start = high(s.max_start, x.max_start[c]);
            s.min_end = low(s.min_end, x.min_end[c]);
            s.max_end = high(s.max_end, x.max_end[c]);
        }
        if (x.n > 0) s.last_end = x.last_end[x.n - 1];
        return s;
    }

    void refresh(inner_node &x, std::uint32_t c, unsigned child_height) {
        summary s = summarize(x.child[c], child_height);
        x.count[c] = s.count;
        x.min_start[c] = s.min_start;
        x.max_start[c] = s.max_start;
        x.min_end[c] = s.min_end;
        x.max_end[c] = s.max_end;
        x.last_end[c] = s.last_end;
    }
    static void bound(inner_node &x) {
        const double inf = __builtin_inf();
        double max_start = -inf, max_end = -inf, min_start = inf, min_end = inf;
        for (std::uint32_t c = 0; c < x.n; ++c) {
            x.max_start_to[c] = max_start = high(max_start, x.max_start[c]);
            x.max_end_to[c] = max_end = high(max_end, x.max_end[c]);
        }
        for (std::uint32_t c = x.n; c > 0; --c) {
            x.min_start_from[c - 1] = min_start = low(min_start, x.min_start[c - 1]);
            x.min_end_from[c - 1] = min_end = low(min_end, x.min_end[c - 1]);
        }
    }
    void bound(node_ref r, unsigned height) {
        if (height > 0) bound(inner(r));
    }

    // After a change below node r, the summaries on the way from it to the root, up to the
    // first that the change leaves as it was.
    void refresh_up(node_ref r, unsigned height) {
        for (; height < height_; ++height) {
            node_ref p = parent(r, height);
            inner_node &x = inner(p);
            std::uint32_t c = slot_of(x, r);
            double min_start = x.min_start[c], max_start = x.max_start[c];
            double min_end = x.min_end[c], max_end = x.max_end[c], last_end = x.last_end[c];
            refresh(x, c, height);
            bound(x);
            if (x.min_start[c] == min_start && x.max_start[c] == max_start &&
                x.min_end[c] == min_end && x.max_end[c] == max_end &&
                std::bit_cast<std::uint64_t>(x.last_end[c]) ==
                    std::bit_cast<std::uint64_t>(last_end))
                return;
            r = p;
        }
    }
    // Slot c of an inner node once [lo, hi] has joined the subtree below it.
    void widen(inner_node &x, std::uint32_t c, unsigned child_height, double lo, double hi) {
        ++x.count[c];
        x.min_start[c] = low(x.min_start[c], lo);
        x.max_start[c] = high(x.max_start[c], lo);
        x.min_end[c] = low(x.min_end[c], hi);
        x.max_end[c] = high(x.max_end[c], hi);
        node_ref r = x.child[c];
        x.last_end[c] =
            child_height == 0 ? leaf(r).end[leaf(r).n - 1] : inner(r).last_end[inner(r).n - 1];
        // Only as far as the bounds change.
        for (std::uint32_t k = c; k < x.n && !(x.max_start_to[k] >= x.max_start[c]); ++k)
            x.max_start_to[k] = x.max_start[c];
        for (std::uint32_t k = c; k < x.n && !(x.max_end_to[k] >= x.max_end[c]); ++k)
            x.max_end_to[k] = x.max_end[c];
        for (std::uint32_t k = c + 1; k > 0 && !(x.min_start_from[k - 1] <= x.min_start[c]); --k)
            x.min_start_from[k - 1] = x.min_start[c];
        for (std::uint32_t k = c + 1; k > 0 && !(x.min_end_from[k - 1] <= x.min_end[c]); --k)
            x.min_end_from[k - 1] = x.min_end[c];
    }

    // Moves k slots of a node (entries of a leaf, children of an inner node) from position
    // from of node a to position to of node b; the ranges may overlap only within one node.
    void move_slots(unsigned height, node_ref a, std::uint32_t from, node_ref b, std::uint32_t to,
                    std::uint32_t k) {
        auto move = [&](auto &src, auto &dst) {
            std::copy_n(std::begin(src) + from, k, std::begin(dst) + to);
        };
        auto move_back = [&](auto &src, auto &dst) {
            std::copy_backward(std::begin(src) + from, std::begin(src) + from + k,
                               std::begin(dst) + to + k);
        };
        auto each = [&](auto mover) {
            if (height == 0) {
                mover(leaf(a).start, leaf(b).start);
                mover(leaf(a).end, leaf(b).end);
            } else {
                inner_node &x = inner(a), &y = inner(b);
                mover(x.child, y.child);
                mover(x.count, y.count);
                mover(x.min_start, y.min_start);
                mover(x.max_start, y.max_start);
                mover(x.min_end, y.min_end);
                mover(x.max_end, y.max_end);
                mover(x.last_end, y.last_end);
            }
        };
        if (a == b && to > from)
            each(move_back);
        else
            each(move);
        if (height > 0 && a != b)
            for (std::uint32_t i = to; i < to + k; ++i)
                set_parent(inner(b).child[i], height - 1, b);
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
                for (std::size_t j = from; j < to; ++j) {
                    auto c = static_cast<std::uint32_t>(j - from);
                    inner(r).child[c] = level[j];
                    set_parent(level[j], height_, r);
                    refresh(inner(r), c, height_);
                }
                inner(r).n = static_cast<std::uint32_t>(to - from);
                bound(inner(r));
                up.push_back(r);
                from = to;
            }
            level.swap(up);
            ++height_;
        }
        root_ = level[0];
    }

    interval_bounds *copy(node_ref r, unsigned height, interval_bounds *out) const {
        if (height == 0) {
            const leaf_node &l = leaf(r);
            for (std::uint32_t i = 0; i < l.n; ++i) *out++ = {l.start[i], l.end[i]};
            return out;
        }
        for (std::uint32_t c = 0; c < inner(r).n; ++c)
            out = copy(inner(r).child[c], height - 1, out);
        return out;
    }

    // ---- the walk

    void probe(double lo, double hi) {
        folds_.clear();
        changes_.clear();
        held_ = false;
        place_leaf_ = 0;
        // Nothing before the first entry can fold into it.
        before_ = __builtin_nan("");
        probe(root_, height_, lo, hi);
    }

    // Looks at the entries of the subtree in order, for each pass as long as it has something
    // left to find there.
    void probe(node_ref r, unsigned height, double lo, double hi) {
        if (height == 0) {
            probe_leaf(r, lo, hi);
            return;
        }
        // Only children in [from, to) can pass a test of bridging or overlap: before from every
        // start and end is below both bounds (an overlap needs one above one of them), and
        // from to on every start is above both and every end at or above hi. The first child
        // with a start above hi is where the insertion would go.
        const inner_node &x = inner(r);
        const std::uint32_t n = x.n;
        const double before = before_;
        std::uint32_t from = 0, to = 0, place = n;
        if (!place_leaf_) {
            // A search without branches, of a fixed number of steps.
            place = 0; // no start above hi before it
            for (std::uint32_t step = std::bit_floor(Fan); step > 0; step >>= 1) {
                std::uint32_t k = std::min<std::uint32_t>(place + step, n);
                place = k > place && !(x.max_start_to[k - 1] > hi) ? k : place;
            }
        }
        if (lo == lo && hi == hi) {
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
        std::uint32_t last = std::max(to, place < n ? place + 1 : 0);
        for (std::uint32_t c = std::min(from, place); c < last; ++c) {
            double min_start = x.min_start[c], max_start = x.max_start[c];
            double min_end = x.min_end[c], max_end = x.max_end[c];
            double before_c = c == 0 ? before : x.last_end[c - 1];
            // A fold into or within the child needs a start <= hi in it, and an end >= lo
            // before it or in it.
            bool fold = (min_start <= hi) & ((before_c >= lo) | (max_end >= lo));
            bool overlap = !held_ && (((min_start <= lo) & (max_end >= hi)) |
                                      ((max_start > lo) & (min_start <= hi)) |
                                      ((max_end >= lo) & (min_end < hi)));
            if (fold || overlap || (c == place && !place_leaf_)) {
                before_ = before_c;
                probe(x.child[c], height - 1, lo, hi);
            }
        }
        before_ = n > 0 ? x.last_end[n - 1] : before;
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

    // Most leaves a walk reaches hold nothing for most passes: one loop without branches first
    // asks whether the leaf holds anything for each, and only then is it looked for.
    void probe_leaf(node_ref r, double lo, double hi) {
        const leaf_node &l = leaf(r);
        const std::uint32_t n = l.n;
        if (n == 0) return;
        const double *start = l.start, *end = l.end;
        double before = before_;
        before_ = end[n - 1];

        bool fold = false, hit = false, above = false;
        double prev = before;
        for (std::uint32_t i = 0; i < n; ++i) {
            double s = start[i], e = end[i];
            bool s_le_hi = s <= hi;
            fold |= (prev >= lo) & s_le_hi;
            hit |= ((s <= lo) & (e >= hi)) | ((lo < s) & s_le_hi) | ((lo <= e) & (e < hi));
            above |= hi < s;
            prev = e;
        }

        if (fold) {
            prev = before;
            std::uint32_t first = position(r);
            for (std::uint32_t i = 0; i < n; ++i) {
                if (prev >= lo && start[i] <= hi) note_fold(first + i);
                prev = end[i];
            }
        }
        if (hit && !held_) {
            for (std::uint32_t i = 0; i < n; ++i) {
                double s = start[i], e = end[i];
                if (s <= lo && e >= hi) {
                    held_ = true;
                    break;
                }
                if ((lo < s && s <= hi) || (lo <= e && e < hi)) changes_.push_back({r, i});
            }
        }
        if (above && !place_leaf_) {
            std::uint32_t i = 0;
            while (!(start[i] > hi)) ++i;
            place_leaf_ = r;
            place_at_ = i;
        }
    }

    // The place in the list of the first entry of leaf r.
    std::uint32_t position(node_ref r) const {
        std::uint32_t first = 0;
        for (unsigned h = 0; h < height_; ++h) {
            node_ref p = parent(r, h);
            const inner_node &x = inner(p);
            for (std::uint32_t c = 0; x.child[c] != r; ++c) first += x.count[c];
            r = p;
        }
        return first;
    }

    void note_fold(std::uint32_t i) {
        if (!folds_.empty() && folds_.back() + 1 == i)
            folds_.back() = i;
        else {
            folds_.push_back(i);
            folds_.push_back(i);
        }
    }

    // ---- bridging

    void bridge() {
        // From the last run back, so that the places of earlier runs stay as they are.
        for (std::size_t k = folds_.size(); k > 0; k -= 2) {
            std::uint32_t first = folds_[k - 2], last = folds_[k - 1];
            set_end(root_, height_, first - 1, end_at(root_, height_, last));
            erase(root_, height_, first, last + 1);
        }
        while (height_ > 0 && inner(root_).n == 1) {
            node_ref child = inner(root_).child[0];
            free_node(root_, height_);
            root_ = child;
            set_parent(root_, --height_, 0);
        }
    }

    double end_at(node_ref r, unsigned height, std::uint32_t i) const {
        for (; height > 0; --height) {
            const inner_node &x = inner(r);
            std::uint32_t c = 0;
            while (i >= x.count[c]) i -= x.count[c++];
            r = x.child[c];
        }
        return leaf(r).end[i];
    }

    void set_end(node_ref r, unsigned height, std::uint32_t i, double value) {
        if (height == 0) {
            leaf(r).end[i] = value;
            return;
        }
        inner_node &x = inner(r);
        std::uint32_t c = 0;
        while (i >= x.count[c]) i -= x.count[c++];
        set_end(x.child[c], height - 1, i, value);
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
            std::uint32_t count = x.count[c], a = std::max(from, first),
                          b = std::min(to, first + count);
            if (a < b && b - a == count) {
                free_subtree(x.child[c], height - 1);
                first += count;
                continue;
            }
            if (a < b) {
                erase(x.child[c], height - 1, a - first, b - first);
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
            if (c >= x.n || x.n < 2 || width(x.child[c], h) >= half) return;
            std::uint32_t a = c + 1 < x.n ? c : c - 1, b = a + 1;
            node_ref ra = x.child[a], rb = x.child[b];
            std::uint32_t wa = width(ra, h), wb = width(rb, h);
            if (wa + wb <= max_width(h)) {
                move_slots(h, rb, 0, ra, wa, wb);
                set_width(ra, h, wa + wb);
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

    // ---- overlap

    void overlap(double lo, double hi) {
        for (std::size_t k = 0; k < changes_.size(); ++k) {
            auto [r, t] = changes_[k];
            leaf_node &l = leaf(r);
            if (lo < l.start[t] && l.start[t] <= hi) l.start[t] = lo;
            if (lo <= l.end[t] && l.end[t] < hi) l.end[t] = hi;
            if (k + 1 == changes_.size() || changes_[k + 1].first != r) refresh_up(r, 0);
        }
    }

    // ---- insertion

    void insert(double lo, double hi) {
        node_ref r = place_leaf_;
        std::uint32_t m = place_at_;
        if (!r) { // after the last entry
            r = root_;
            for (unsigned h = height_; h > 0; --h) r = inner(r).child[inner(r).n - 1];
            m = leaf(r).n;
        }
        node_ref sibling = put(r, 0, m, [&](node_ref into, std::uint32_t at) {
            leaf(into).start[at] = lo;
            leaf(into).end[at] = hi;
        });
        // Above a node that did not split, its subtree only gained [lo, hi].
        for (unsigned h = 0; h < height_; ++h) {
            node_ref p = parent(r, h);
            std::uint32_t c = slot_of(inner(p), r);
            if (node_ref child = sibling) {
                refresh(inner(p), c, h);
                sibling = put(p, h + 1, c + 1, [&](node_ref into, std::uint32_t at) {
                    inner(into).child[at] = child;
                    set_parent(child, h, into);
                    refresh(inner(into), at, h);
                });
                bound(inner(p));
                if (sibling) bound(inner(sibling));
            } else {
                widen(inner(p), c, h, lo, hi);
            }
            r = p;
        }
        if (sibling) {
            node_ref top = make_node(height_ + 1);
            inner_node &x = inner(top);
            x.child[0] = root_;
            x.child[1] = sibling;
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
        if (height == 0) return;
        const inner_node &x = inner(r);
        for (std::uint32_t c = 0; c < n && fault.empty(); ++c) {
            summary s = summarize(x.child[c], height - 1);
            if (s.count != x.count[c] || s.min_start != x.min_start[c] ||
                s.max_start != x.max_start[c] || s.min_end != x.min_end[c] ||
                s.max_end != x.max_end[c] ||
                std::bit_cast<std::uint64_t>(s.last_end) !=
                    std::bit_cast<std::uint64_t>(x.last_end[c]))
                fault = "summary of child " + std::to_string(c) + " at height " +
                        std::to_string(height) + " does not match its subtree";
            check(x.child[c], height - 1, r, fault);
        }
        if (!fault.empty()) return;
        inner_node bounded = x;
        bound(bounded);
        for (std::uint32_t c = 0; c < n; ++c)
            if (bounded.max_start_to[c] != x.max_start_to[c] ||
                bounded.max_end_to[c] != x.max_end_to[c] ||
                bounded.min_start_from[c] != x.min_start_from[c] ||
                bounded.min_end_from[c] != x.min_end_from[c])
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
        tree.add(iv[i].lo, iv[i].hi);
        after_add(tree);
    }
    // Every interval has been read: the entries may take their place.
    return nans + tree.copy_to(iv + nans);
}
