// The shape of a B+-tree, whatever its entries mean: leaves of up to Leaf entries, inner nodes
// of up to Fan children, all leaves at one depth, every node but the root at least half full,
// leaves chained in order. An entry is two doubles and an id, and stays in the order it is put
// in. For each child an inner node keeps a summary, in Columns, that
// the tree built on this one defines; this part asks Columns to
//   summarize(c, child)  make slot c's summary from the child's content, and clear what is
//                        pending on slot c (by then the child has nothing pending above it);
//   add(c, n, e, before, after, child, edge)  widen slot c's summary (of n) by entry e, put in
//   below it
//                        between an entry ending at before and one starting at after: first
//                        below it if edge has the bit first, last if it has last, and the
//                        child tells where it has unknown;
//   push(c, child)       hand down to the child what is pending on slot c;
//   shrink(c, n, child)  make slot c's summary (of n) right again after entries below it
//                        went;
//   move(to, from, at, k)  copy k slots' summaries;
//   settle(n)            make what it keeps about all n children together right again.
// Before an insert or an erase, the caller pushes what is pending on the way from the root to
// the leaf; this part pushes what is pending on the neighbours that it refills from.
#pragma once

#include "big_array.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

struct tree_entry {
    double a, b;
    std::uint32_t id;
};

template <class Columns, std::size_t Leaf, std::size_t Fan, bool Where> class tree_shape {
    static_assert(Leaf >= 4 && Fan >= 4);

  public:
    using ref = std::uint32_t; // an index into the pool of leaves or of inner nodes; 0 is none
    static constexpr unsigned first = 1, last = 2, unknown = 4;

    struct leaf_node {
        std::uint32_t n;
        ref parent, prev, next;
        std::uint32_t slot; // its place among its parent's children
        // Speed only. If set, every a and b is a number and neither ever falls along the leaf;
        // if not, they may be so all the same.
        bool ordered;
        double a[Leaf], b[Leaf];
    };
    struct inner_node {
        std::uint32_t n;
        ref parent;
        std::uint32_t slot;
        ref child[Fan];
        Columns col;
    };

    leaf_node &leaf(ref r) { return leaves_[r]; }
    const leaf_node &leaf(ref r) const { return leaves_[r]; }
    inner_node &inner(ref r) { return inners_[r]; }
    const inner_node &inner(ref r) const { return inners_[r]; }
    ref root() const { return root_; }
    unsigned height() const { return height_; } // 0 when the root is a leaf
    std::size_t leaves() const { return leaves_.size() - free_leaves_.size(); }
    // The pools' sizes: every node's index is below them.
    std::size_t leaf_count() const { return leaves_.size(); }
    std::size_t inner_count() const { return inners_.size(); }
    // While ids are tracked, when Where is set and tracking is on: the ids of the entries of
    // leaf r, and the leaf that holds the entry with this id. They are kept apart from the
    // leaves, so that a tree without ids does not pay for them in memory.
    std::uint32_t *ids(ref r) { return ids_of_[r].data(); }
    const std::uint32_t *ids(ref r) const { return ids_of_[r].data(); }
    ref leaf_of(std::uint32_t id) const { return where_[id]; }
    // Turns tracking on, giving the entries the ids 0, 1, ... in order, and returns how many;
    // or off, from when on the ids the entries have are of no meaning.
    std::uint32_t track(bool on) {
        ids_ = on;
        std::uint32_t id = 0;
        if (!on) return 0;
        if (!ids_of_.resize(leaves_.size())) throw std::bad_alloc();
        for (ref r = first_leaf(); r; r = leaf(r).next)
            for (std::uint32_t i = 0; i < leaf(r).n; ++i) ids(r)[i] = id, where_[id++] = r;
        return id;
    }
    ref parent(ref r, unsigned h) const { return h == 0 ? leaf(r).parent : inner(r).parent; }
    std::uint32_t width(ref r, unsigned h) const { return h == 0 ? leaf(r).n : inner(r).n; }
    static std::uint32_t max_width(unsigned h) { return h == 0 ? Leaf : Fan; }
    std::uint32_t slot_of(ref r, unsigned h) const { return h == 0 ? leaf(r).slot : inner(r).slot; }
    ref first_leaf() const {
        ref r = root_;
        for (unsigned h = height_; h > 0; --h) r = inner(r).child[0];
        return r;
    }

    // Room for about this many entries, and ids below most, set aside at once: what is not
    // used costs address space, not memory.
    void reserve(std::size_t entries, std::size_t most_ids) {
        if (!leaves_.reserve(2 * entries / Leaf + 2) || !inners_.reserve(entries / Leaf + 2))
            throw std::bad_alloc();
        if constexpr (Where)
            if (!where_.resize(most_ids) || !ids_of_.reserve(2 * entries / Leaf + 2))
                throw std::bad_alloc();
    }

    // The tree of count entries, source(0) to source(count - 1) in order, each a tree_entry.
    template <class Source> void build(std::size_t count, Source source) {
        clear();
        std::vector<ref> level;
        std::size_t nodes = spread(count, Leaf);
        for (std::size_t i = 0, from = 0; i < nodes; ++i) {
            std::size_t to = count * (i + 1) / nodes;
            ref r = make_leaf();
            for (std::size_t j = from; j < to; ++j)
                put(r, static_cast<std::uint32_t>(j - from), source(j));
            leaf(r).n = static_cast<std::uint32_t>(to - from);
            reorder(r);
            if (!level.empty()) leaf(r).prev = level.back(), leaf(level.back()).next = r;
            level.push_back(r);
            from = to;
        }
        for (height_ = 0; level.size() > 1; ++height_) {
            std::vector<ref> up;
            nodes = spread(level.size(), Fan);
            for (std::size_t i = 0, from = 0; i < nodes; ++i) {
                std::size_t to = level.size() * (i + 1) / nodes;
                ref r = make_inner();
                for (std::size_t j = from; j < to; ++j) {
                    auto c = static_cast<std::uint32_t>(j - from);
                    inner(r).child[c] = level[j];
                    set_parent(level[j], height_, r, c);
                    summarize(r, c, level[j], height_);
                }
                inner(r).n = static_cast<std::uint32_t>(to - from);
                settle(r);
                up.push_back(r);
                from = to;
            }
            level.swap(up);
        }
        root_ = level[0];
    }

    // Puts e at place m of leaf r; returns the leaf it is in then.
    ref insert(ref r, std::uint32_t m, tree_entry e, double before, double after) {
        ref placed = r, split = 0;
        if (leaf(r).n == Leaf) {
            split = make_leaf();
            const std::uint32_t half = (Leaf + 1) / 2;
            move_entries(r, half, split, 0, Leaf - half);
            leaf_node &l = leaf(r), &s = leaf(split);
            s.ordered = l.ordered;
            s.n = Leaf - half;
            l.n = half;
            s.prev = r;
            s.next = l.next;
            if (l.next) leaf(l.next).prev = split;
            l.next = split;
            if (m > half) placed = split, m -= half;
        }
        move_entries(placed, m, placed, m + 1, leaf(placed).n - m);
        put(placed, m, e);
        {
            leaf_node &l = leaf(placed);
            ++l.n;
            // Each half of a leaf that split keeps the order it had; e keeps it if it fits
            // between its neighbours.
            l.ordered = leaf(r).ordered && e.a == e.a && e.b == e.b &&
                        (m == 0 || (l.a[m - 1] <= e.a && l.b[m - 1] <= e.b)) &&
                        (m + 1 == l.n || (e.a <= l.a[m + 1] && e.b <= l.b[m + 1]));
        }
        // A node that did not split only gained e; around one that did, both halves are
        // summarized again. Where e is in its node is known while none split.
        ref child = r;
        unsigned edge = split ? unknown : (m == 0 ? first : 0) | (m + 1 == leaf(r).n ? last : 0);
        for (unsigned h = 0; h < height_; ++h) {
            ref p = parent(child, h);
            std::uint32_t c = slot_of(child, h);
            if (split) {
                summarize(p, c, child, h);
                settle(p);
                split = put_child(p, c + 1, split, h);
            } else if (h == 0) {
                inner(p).col.add(c, inner(p).n, e, before, after, leaf(child), edge);
            } else {
                inner(p).col.add(c, inner(p).n, e, before, after, inner(child), edge);
            }
            if (!(edge & unknown)) edge &= (c == 0 ? first : 0) | (c + 1 == inner(p).n ? last : 0);
            child = p;
        }
        if (split) {
            ref top = make_inner();
            inner(top).child[0] = root_;
            inner(top).child[1] = split;
            inner(top).n = 2;
            set_parent(root_, height_, top, 0);
            set_parent(split, height_, top, 1);
            summarize(top, 0, root_, height_);
            summarize(top, 1, split, height_);
            settle(top);
            root_ = top;
            ++height_;
        }
        return placed;
    }

    // Removes the k entries from place m of leaf r on.
    void erase(ref r, std::uint32_t m, std::uint32_t k = 1) {
        move_entries(r, m + k, r, m, leaf(r).n - m - k);
        leaf(r).n -= k;
        ref x = r;
        for (unsigned h = 0; h < height_; ++h) {
            ref p = parent(x, h);
            std::uint32_t c = slot_of(x, h);
            if (width(x, h) < max_width(h) / 2) {
                refill(p, c, h);
                settle(p);
            } else if (h == 0) {
                inner(p).col.shrink(c, inner(p).n, leaf(x));
            } else {
                inner(p).col.shrink(c, inner(p).n, inner(x));
            }
            x = p;
        }
        while (height_ > 0 && inner(root_).n == 1) {
            ref top = root_;
            root_ = inner(top).child[0];
            push(top, 0, root_, height_ - 1);
            set_parent(root_, --height_, 0, 0);
            free_inners_.push_back(top);
        }
    }

    // The summaries on the way from node r, at height h, to the root, made again.
    void refresh(ref r, unsigned h) {
        for (; h < height_; ++h) {
            ref p = parent(r, h);
            summarize(p, slot_of(r, h), r, h);
            settle(p);
            r = p;
        }
    }

    static bool in_order(const leaf_node &l) {
        bool ordered = l.n == 0 || (l.a[0] == l.a[0] && l.b[0] == l.b[0]);
        for (std::uint32_t i = 1; i < l.n; ++i)
            ordered &= l.a[i - 1] <= l.a[i] && l.b[i - 1] <= l.b[i];
        return ordered;
    }
    // After values of leaf r changed otherwise than through this part.
    void reorder(ref r) { leaf(r).ordered = order_ && in_order(leaf(r)); }
    // Whether leaves say when they are in order; before any is made.
    void keep_order(bool on) { order_ = on; }

    // Summarizes child c of inner node p, at height h + 1, again.
    void refresh_slot(ref p, std::uint32_t c, unsigned h) {
        summarize(p, c, inner(p).child[c], h);
        settle(p);
    }
    // Hands down what is pending on child c of inner node p, at height h + 1.
    void push(ref p, std::uint32_t c, unsigned h) { push(p, c, inner(p).child[c], h); }

    void clear() {
        leaves_.clear();
        inners_.clear();
        free_leaves_.clear();
        free_inners_.clear();
        root_ = make_leaf();
        height_ = 0;
    }

    // Node sizes (fault "1"), and the links to parents, along the chain and from ids (fault "2").
    void check(std::string &fault) const {
        ref prev = 0;
        check(root_, height_, 0, prev, fault);
        if (fault.empty() && prev && leaf(prev).next)
            fault = "2: the chain goes on past the last leaf";
    }

  private:
    big_array<leaf_node> leaves_;
    big_array<inner_node> inners_;
    std::vector<ref> free_leaves_, free_inners_;
    big_array<ref> where_;
    big_array<std::array<std::uint32_t, Leaf>> ids_of_;
    bool ids_ = Where;
    bool order_ = false;
    ref root_ = 0;
    unsigned height_ = 0;

    // How many nodes of up to max slots share count slots: about three quarters full, so that
    // inserts find room before splitting, and never below half full unless there is only one.
    static std::size_t spread(std::size_t count, std::size_t max) {
        return std::max({std::size_t{1}, count / (max * 3 / 4), (count + max - 1) / max});
    }

    // A new node, unset but for its links. May move a pool: no reference to a node is held
    // across it. Index 0 stays unused, so that 0 can mean none.
    template <class Node> static ref make(big_array<Node> &pool, std::vector<ref> &free_list) {
        ref r;
        if (!free_list.empty()) {
            r = free_list.back();
            free_list.pop_back();
        } else {
            if (pool.size() == 0 && !pool.extend()) throw std::bad_alloc();
            r = static_cast<ref>(pool.size());
            if (!pool.extend()) throw std::bad_alloc();
        }
        pool[r].n = 0;
        pool[r].parent = 0;
        return r;
    }
    ref make_leaf() {
        ref r = make(leaves_, free_leaves_);
        if (ids_ && r >= ids_of_.size() && !ids_of_.resize(leaves_.size())) throw std::bad_alloc();
        leaf(r).prev = leaf(r).next = 0;
        leaf(r).ordered = order_;
        return r;
    }
    ref make_inner() { return make(inners_, free_inners_); }

    void set_parent(ref r, unsigned h, ref p, std::uint32_t c) {
        if (h == 0)
            leaf(r).parent = p, leaf(r).slot = c;
        else
            inner(r).parent = p, inner(r).slot = c;
    }

    void put(ref r, std::uint32_t m, tree_entry e) {
        leaf_node &l = leaf(r);
        l.a[m] = e.a;
        l.b[m] = e.b;
        if (ids_) ids(r)[m] = e.id, where_[e.id] = r;
    }

    void settle(ref p) { inner(p).col.settle(inner(p).n); }

    void summarize(ref p, std::uint32_t c, ref child, unsigned h) {
        if (h == 0)
            inner(p).col.summarize(c, leaf(child));
        else
            inner(p).col.summarize(c, inner(child));
    }
    void push(ref p, std::uint32_t c, ref child, unsigned h) {
        if (h == 0)
            inner(p).col.push(c, leaf(child));
        else
            inner(p).col.push(c, inner(child));
    }

    // Moves k entries from place from of leaf s to place to of leaf d; within one leaf the
    // ranges may overlap.
    void move_entries(ref s, std::uint32_t from, ref d, std::uint32_t to, std::uint32_t k) {
        leaf_node &x = leaf(s), &y = leaf(d);
        auto move = [&](auto *src, auto *dst) {
            if (s == d && to > from)
                std::copy_backward(src + from, src + from + k, dst + to + k);
            else
                std::copy_n(src + from, k, dst + to);
        };
        move(x.a, y.a);
        move(x.b, y.b);
        if (ids_) {
            move(ids(s), ids(d));
            if (s != d)
                for (std::uint32_t i = to; i < to + k; ++i) where_[ids(d)[i]] = d;
        }
    }
    // The same for the children of inner nodes at height h + 1.
    void move_children(ref s, std::uint32_t from, ref d, std::uint32_t to, std::uint32_t k,
                       unsigned h) {
        inner_node &x = inner(s), &y = inner(d);
        if (s == d && to > from)
            std::copy_backward(x.child + from, x.child + from + k, y.child + to + k);
        else
            std::copy_n(x.child + from, k, y.child + to);
        y.col.move(to, x.col, from, k);
        for (std::uint32_t i = to; i < to + k; ++i) set_parent(y.child[i], h, d, i);
    }

    // Puts child as child at of inner node p; returns the node p's upper half went to if it split.
    ref put_child(ref p, std::uint32_t at, ref child, unsigned h) {
        ref split = 0, into = p;
        if (inner(p).n == Fan) {
            split = make_inner();
            const std::uint32_t half = (Fan + 1) / 2;
            move_children(p, half, split, 0, Fan - half, h);
            inner(split).n = Fan - half;
            inner(p).n = half;
            if (at > half) into = split, at -= half;
        }
        move_children(into, at, into, at + 1, inner(into).n - at, h);
        inner(into).child[at] = child;
        ++inner(into).n;
        set_parent(child, h, into, at);
        summarize(into, at, child, h);
        settle(p);
        if (split) settle(split);
        return split;
    }

    // Brings child c of inner node p, at height h, back to half full from a neighbour: by
    // taking the neighbour's slots when both fit in one node, or else by sharing them evenly.
    void refill(ref p, std::uint32_t c, unsigned h) {
        std::uint32_t a = c + 1 < inner(p).n ? c : c - 1, b = a + 1;
        ref ra = inner(p).child[a], rb = inner(p).child[b];
        push(p, a, ra, h);
        push(p, b, rb, h);
        std::uint32_t wa = width(ra, h), wb = width(rb, h);
        if (wa + wb <= max_width(h)) {
            if (h == 0) {
                bool ordered = leaf(ra).ordered && leaf(rb).ordered;
                move_entries(rb, 0, ra, wa, wb);
                leaf(ra).ordered = ordered && (wa == 0 || wb == 0 ||
                                               (leaf(ra).a[wa - 1] <= leaf(ra).a[wa] &&
                                                leaf(ra).b[wa - 1] <= leaf(ra).b[wa]));
                leaf(ra).next = leaf(rb).next;
                if (leaf(rb).next) leaf(leaf(rb).next).prev = ra;
                free_leaves_.push_back(rb);
            } else {
                move_children(rb, 0, ra, wa, wb, h - 1);
                inner(ra).n = wa + wb;
                settle(ra);
                free_inners_.push_back(rb);
            }
            (h == 0 ? leaf(ra).n : inner(ra).n) = wa + wb;
            move_children(p, b + 1, p, b, inner(p).n - b - 1, h);
            --inner(p).n;
            summarize(p, a, ra, h);
            return;
        }
        std::uint32_t to_a = (wa + wb) / 2;
        if (h == 0) {
            if (wa < to_a) {
                move_entries(rb, 0, ra, wa, to_a - wa);
                move_entries(rb, to_a - wa, rb, 0, wb - (to_a - wa));
            } else {
                move_entries(rb, 0, rb, wa - to_a, wb);
                move_entries(ra, to_a, rb, 0, wa - to_a);
            }
            leaf(ra).n = to_a;
            leaf(rb).n = wa + wb - to_a;
            reorder(ra);
            reorder(rb);
        } else {
            if (wa < to_a) {
                move_children(rb, 0, ra, wa, to_a - wa, h - 1);
                move_children(rb, to_a - wa, rb, 0, wb - (to_a - wa), h - 1);
            } else {
                move_children(rb, 0, rb, wa - to_a, wb, h - 1);
                move_children(ra, to_a, rb, 0, wa - to_a, h - 1);
            }
            inner(ra).n = to_a;
            inner(rb).n = wa + wb - to_a;
            settle(ra);
            settle(rb);
        }
        summarize(p, a, ra, h);
        summarize(p, b, rb, h);
    }

    void check(ref r, unsigned h, ref up, ref &prev, std::string &fault) const {
        if (!fault.empty()) return;
        std::uint32_t n = width(r, h);
        if (n > max_width(h) || (up && n < max_width(h) / 2) || (!up && h > 0 && n < 2)) {
            fault = "1: a node at height " + std::to_string(h) + " holds " + std::to_string(n);
            return;
        }
        if (parent(r, h) != up || (up && inner(up).child[slot_of(r, h)] != r))
            fault = "2: a node at height " + std::to_string(h) + " has a wrong parent";
        if (h > 0) {
            for (std::uint32_t c = 0; c < n; ++c) check(inner(r).child[c], h - 1, r, prev, fault);
            return;
        }
        if (leaf(r).prev != prev || (prev && leaf(prev).next != r))
            fault = "2: the chain of leaves is broken";
        if (leaf(r).ordered && !in_order(leaf(r))) fault = "1: a leaf said to be in order is not";
        prev = r;
        if (ids_)
            for (std::uint32_t i = 0; i < n; ++i)
                if (ids(r)[i] >= where_.size() || where_[ids(r)[i]] != r)
                    fault = "2: an id does not lead to its leaf";
    }
};
