// The nodes of a B+-tree and the pools they live in, whatever their entries mean. An entry is
// two doubles and an id; a leaf holds up to Leaf of them, in the order they are put in, and is
// chained to its neighbours; an inner node holds up to Fan children, with a summary of each in
// Columns (tree_shape.hpp says what a summary must do). This part makes and frees nodes, links
// them to their parents and moves entries and children between them; tree_shape.hpp keeps
// them a balanced tree. The ids are kept in the leaves, beside the values they go with, or,
// with Apart, in an array of their own, so that a tree that gives ids only for a while does
// not pay for them in memory otherwise.
#pragma once

#include "big_array.hpp"
#include "reals.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

struct tree_entry {
    double a, b;
    std::uint32_t id;
};

// An entry to be put in between an entry ending at before and one starting at after (NaN where
// there is none).
struct placed_entry {
    tree_entry e;
    double before, after;
};

template <class Columns, std::size_t Leaf, std::size_t Fan, bool Apart> class tree_nodes {
    struct no_ids {};

  public:
    using ref = std::uint32_t; // an index into the pool of leaves or of inner nodes; 0 is none

    struct leaf_node {
        std::uint32_t n;
        ref parent, prev, next;
        std::uint32_t slot; // its place among its parent's children
        // Speed only. If set, every a and b is a number and neither ever falls along the leaf;
        // if not, they may be so all the same.
        bool ordered;
        double a[Leaf], b[Leaf];
        [[no_unique_address]] std::conditional_t<Apart, no_ids, std::array<std::uint32_t, Leaf>> id;
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
    std::size_t leaves() const { return leaves_.size() - free_leaves_.size(); }
    // The pools' sizes: every node's index is below them.
    std::size_t leaf_count() const { return leaves_.size(); }
    std::size_t inner_count() const { return inners_.size(); }
    // While tracking is on: the ids of the entries of leaf r, and the leaf that holds the entry
    // with this id.
    std::uint32_t *ids(ref r) {
        return const_cast<std::uint32_t *>(static_cast<const tree_nodes *>(this)->ids(r));
    }
    const std::uint32_t *ids(ref r) const {
        if constexpr (Apart)
            return ids_of_[r].data();
        else
            return leaf(r).id.data();
    }
    // The leaf and place of the entry with this id, while tracking is on.
    std::pair<ref, std::uint32_t> locate(std::uint32_t id) const {
        ref r = where_[id];
        std::uint32_t m = 0;
        while (ids(r)[m] != id) ++m;
        return {r, m};
    }
    ref parent(ref r, unsigned h) const { return h == 0 ? leaf(r).parent : inner(r).parent; }
    std::uint32_t width(ref r, unsigned h) const { return h == 0 ? leaf(r).n : inner(r).n; }
    static std::uint32_t max_width(unsigned h) { return h == 0 ? Leaf : Fan; }
    std::uint32_t slot_of(ref r, unsigned h) const { return h == 0 ? leaf(r).slot : inner(r).slot; }

    // Room for this many entries in leaves at least half full, and ids below most, set aside
    // at once: what is not used costs address space, not memory. Inner nodes at least half
    // full number less than one for every Fan / 2 - 1 leaves. Ids kept apart take room only
    // while they are given.
    void reserve(std::size_t entries, std::size_t most_ids) {
        const std::size_t leaves = 2 * entries / Leaf + 2;
        if (!leaves_.reserve(leaves) || !inners_.reserve(leaves / (Fan / 2 - 1) + 2))
            throw std::bad_alloc();
        if (!where_.resize(most_ids) || (Apart && ids_ && !ids_of_.reserve(leaves)))
            throw std::bad_alloc();
    }

    static bool in_order(const leaf_node &l) {
        bool ordered = l.n == 0 || (reals::number(l.a[0]) && reals::number(l.b[0]));
        for (std::uint32_t i = 1; i < l.n; ++i)
            ordered &= l.a[i - 1] <= l.a[i] && l.b[i - 1] <= l.b[i];
        return ordered;
    }
    // After values of leaf r changed otherwise than through this part.
    void reorder(ref r) { leaf(r).ordered = order_ && in_order(leaf(r)); }
    // Whether leaves say when they are in order; before any is made.
    void keep_order(bool on) { order_ = on; }

  protected:
    // Turns tracking on, giving the entries of the leaves chained from first the ids 0, 1, ...
    // in order, and returns how many; or off, from when on the ids the entries have are of no
    // meaning.
    std::uint32_t track_from(ref first, bool on) {
        ids_ = on;
        std::uint32_t id = 0;
        if (!on) return 0;
        if (Apart && !ids_of_.resize(leaves_.size())) throw std::bad_alloc();
        for (ref r = first; r; r = leaf(r).next)
            for (std::uint32_t i = 0; i < leaf(r).n; ++i) ids(r)[i] = id, where_[id++] = r;
        return id;
    }

    // A new node, unset but for its links. May move a pool: no reference to a node is held
    // across it. Index 0 stays unused, so that 0 can mean none.
    ref make_leaf() {
        ref r = make(leaves_, free_leaves_);
        while (Apart && ids_ && r >= ids_of_.size())
            if (!ids_of_.extend()) throw std::bad_alloc();
        leaf(r).prev = leaf(r).next = 0;
        leaf(r).ordered = order_;
        return r;
    }
    ref make_inner() { return make(inners_, free_inners_); }
    void free_leaf(ref r) { free_leaves_.push_back(r); }
    void free_inner(ref r) { free_inners_.push_back(r); }
    void clear_nodes() {
        leaves_.clear();
        inners_.clear();
        free_leaves_.clear();
        free_inners_.clear();
    }

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

    // Whether the ids of leaf r lead back to it (fault "2").
    void check_ids(ref r, std::string &fault) const {
        if (ids_)
            for (std::uint32_t i = 0; i < leaf(r).n; ++i)
                if (ids(r)[i] >= where_.size() || where_[ids(r)[i]] != r)
                    fault = "2: an id does not lead to its leaf";
    }

  private:
    big_array<leaf_node> leaves_;
    big_array<inner_node> inners_;
    std::vector<ref> free_leaves_, free_inners_;
    big_array<ref> where_;
    big_array<std::array<std::uint32_t, Leaf>> ids_of_;
    bool ids_ = true;
    bool order_ = false;

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
};
