// The shape of a B+-tree, whatever its entries mean (its nodes are in tree_nodes.hpp): all
// leaves at one depth, every node but the root at least half full, leaves chained in order,
// entries in the order they are put in. For each child an inner node keeps a summary, in
// Columns, which the tree built on this one defines; this part asks Columns to
//   summarize(c, child)  make slot c's summary from the child's content, and clear what is
//                        pending on slot c (by then the child has nothing pending above it);
//   add(c, n, p, child, edge)
//                        widen slot c's summary (of n) by the placed entry p, put in below
//                        it: first below it if edge has the bit first, last if it has last,
//                        and the child tells where it has unknown;
//   push(c, child)       hand down to the child what is pending on slot c;
//   shrink(c, n, child)  make slot c's summary (of n) right again after entries below it
//                        went;
//   move(to, from, at, k)  copy k slots' summaries;
//   settle(n)            make what it keeps about all n children together right again.
// Before an insert or an erase, the caller pushes what is pending on the way from the root to
// the leaf; this part pushes what is pending on the neighbours that it refills from.
#pragma once

#include "reals.hpp"
#include "speed_parts.hpp"
#include "tree_nodes.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

template <class Columns, std::size_t Leaf, std::size_t Fan, bool Apart>
class tree_shape : public tree_nodes<Columns, Leaf, Fan, Apart> {
    static_assert(Leaf >= 4 && Fan >= 4);
    using base = tree_nodes<Columns, Leaf, Fan, Apart>;
    using base::clear_nodes, base::free_inner, base::free_leaf, base::make_inner, base::make_leaf,
        base::move_children, base::move_entries, base::put, base::set_parent;

  public:
    using typename base::ref;
    using leaf_node = typename base::leaf_node;
    using inner_node = typename base::inner_node;
    using base::in_order, base::inner, base::leaf, base::max_width, base::parent, base::reorder,
        base::slot_of, base::width;
    static constexpr unsigned first = 1, last = 2, unknown = 4;

    ref root() const { return root_; }
    unsigned height() const { return height_; } // 0 when the root is a leaf
    // Turns tracking of ids on, giving the entries the ids 0, 1, ... in order, and returns how
    // many; or off.
    std::uint32_t track(bool on) { return this->track_from(first_leaf(), on); }
    ref first_leaf() const {
        ref r = root_;
        for (unsigned h = height_; h > 0; --h) r = inner(r).child[0];
        return r;
    }
    // f(l, i, r) for each entry in list order: the one at place i of leaf l, whose ref is r.
    // What is pending above the leaves is not applied.
    template <class F> void each_entry(F f) const {
        for (ref r = first_leaf(); r; r = leaf(r).next)
            for (std::uint32_t i = 0; i < leaf(r).n; ++i) f(leaf(r), i, r);
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
    ref insert(ref r, std::uint32_t m, const placed_entry &p) {
        const tree_entry &e = p.e;
        if (speed::fill_before && leaf(r).n == Leaf && m == Leaf && !leaf(r).next && height_ > 0)
            fill_before(r, m);
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
            l.ordered = leaf(r).ordered && reals::number(e.a) && reals::number(e.b) &&
                        (m == 0 || (l.a[m - 1] <= e.a && l.b[m - 1] <= e.b)) &&
                        (m + 1 == l.n || (e.a <= l.a[m + 1] && e.b <= l.b[m + 1]));
        }
        // A node that did not split only gained e; around one that did, both halves are
        // summarized again. Where e is in its node is known while none split.
        ref child = r;
        unsigned edge = split ? unknown : (m == 0 ? first : 0) | (m + 1 == leaf(r).n ? last : 0);
        for (unsigned h = 0; h < height_; ++h) {
            ref up = parent(child, h);
            std::uint32_t c = slot_of(child, h);
            if (split) {
                summarize(up, c, child, h);
                settle(up);
                split = put_child(up, c + 1, split, h);
            } else if (h == 0) {
                inner(up).col.add(c, inner(up).n, p, leaf(child), edge);
            } else {
                inner(up).col.add(c, inner(up).n, p, inner(child), edge);
            }
            if (!(edge & unknown)) edge &= (c == 0 ? first : 0) | (c + 1 == inner(up).n ? last : 0);
            child = up;
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
            free_inner(top);
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

    // Summarizes child c of inner node p, at height h + 1, again.
    void refresh_slot(ref p, std::uint32_t c, unsigned h) {
        summarize(p, c, inner(p).child[c], h);
        settle(p);
    }
    // Hands down what is pending on child c of inner node p, at height h + 1.
    void push(ref p, std::uint32_t c, unsigned h) { push(p, c, inner(p).child[c], h); }

    void clear() {
        clear_nodes();
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
    ref root_ = 0;
    unsigned height_ = 0;

    // How many nodes of up to max slots share count slots: about three quarters full, so that
    // inserts find room before splitting, and never below half full unless there is only one.
    static std::size_t spread(std::size_t count, std::size_t max) {
        return std::max({std::size_t{1}, count / (max * 3 / 4), (count + max - 1) / max});
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

    // A list that grows at its end only would leave every leaf half full: before the last leaf
    // splits, the leaf before it under the same parent is filled from it. Place m in leaf r
    // follows its entries.
    void fill_before(ref r, std::uint32_t &m) {
        ref p = parent(r, 0);
        std::uint32_t c = slot_of(r, 0);
        if (c == 0) return;
        ref left = inner(p).child[c - 1];
        const std::uint32_t k = Leaf - leaf(left).n;
        if (k == 0) return;
        push(p, c - 1, left, 0);
        push(p, c, r, 0);
        move_entries(r, 0, left, leaf(left).n, k);
        move_entries(r, k, r, 0, Leaf - k);
        leaf(left).n = Leaf;
        leaf(r).n = Leaf - k;
        reorder(left);
        reorder(r);
        summarize(p, c - 1, left, 0);
        summarize(p, c, r, 0);
        settle(p);
        m -= k;
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
                free_leaf(rb);
            } else {
                move_children(rb, 0, ra, wa, wb, h - 1);
                inner(ra).n = wa + wb;
                settle(ra);
                free_inner(rb);
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
        this->check_ids(r, fault);
    }
};
