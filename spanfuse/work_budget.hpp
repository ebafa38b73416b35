// What keeps the tree from ever costing much more than the literal passes it replaces, by a
// bound that holds on every input. The literal passes spend on an add to a list of s entries
// at least s + 1 steps, the bridging pass alone testing every link, and a step more for every
// entry moved when a link folds; a step is one unit. Every add, whichever way it is made, earns
// half of what the tree knows that it would have cost them (in the flat array, (s + 1) / 2), and so
// does each interval of a first run merged at once by sorting (which pays for its sort); the tree's
// adds, and each move of the list between the tree and a flat array, are paid from them. When the
// balance is spent, the list goes flat, where an add costs what the literal passes' add costs, and
// back into the tree once the balance pays for building it and for a reserve, which doubles each
// time the tree ran out soon after it was built and the list has not changed much since, so that a
// list the tree does not suit is not moved to and fro. The merge so never costs more than one and a
// half times what the literal passes cost, and one add and one move.
//
// The tree's work is counted in nodes entered or made again, and a fixed cost an add; what
// each costs in units, and what moving an entry and sorting an interval cost, were measured on
// this project's machines (bench/budget.cpp prints them) and rounded up.
#pragma once

#include <cstddef>

struct budget_costs {
    double per_add = 60;         // units
    double per_node = 30;        // in a tree of at most cached entries, which stays in
    double per_node_beyond = 80; // the cache, and beyond
    std::size_t cached = 1 << 14;
    double per_entry_moved = 30; // into or out of the tree
    double per_sorted = 120;     // an interval of a first run merged by sorting
    std::size_t least_tree = 64; // below that, the tree never pays
    double reserve = 1 << 14;    // units, at first
};
// For benchmarks and tests: costs under which the list stays in the tree, whatever it costs.
inline constexpr budget_costs tree_always{.per_add = 0,
                                          .per_node = 0,
                                          .per_node_beyond = 0,
                                          .cached = 0,
                                          .per_entry_moved = 0,
                                          .per_sorted = 0,
                                          .least_tree = 0,
                                          .reserve = 0};

class work_budget {
  public:
    explicit work_budget(budget_costs c = {}) : c_(c), reserve_(c.reserve) {}

    // Credit for a first run of intervals merged at once into count entries: the literal
    // passes spent s + 1 at least at each add, and reaching count entries took adds at every
    // size below it.
    void sorted(std::size_t intervals, std::size_t count) {
        const double n = static_cast<double>(intervals), k = static_cast<double>(count);
        balance_ += (n + k * (k - 1) / 2) / 2 - c_.per_sorted * n;
    }
    // An add to a list of size entries, and steps more that the literal passes would have
    // spent on it.
    void earn(std::size_t size) { balance_ += (static_cast<double>(size) + 1) / 2; }
    void earn_steps(double steps) { balance_ += steps / 2; }
    // An add to a tree of size entries, which took nodes work.
    void spend(std::size_t size, std::size_t nodes) {
        const double per = size <= c_.cached ? c_.per_node : c_.per_node_beyond;
        balance_ -= c_.per_add + per * static_cast<double>(nodes);
        ++tree_adds_;
    }
    bool spent() const { return balance_ < 0; }

    // The list of size entries left the tree, or may enter it, or did. The reserve doubles
    // when the tree ran out soon after it was entered, and is as at first again once the list
    // has grown or shrunk by half since.
    void left_tree(std::size_t size) {
        balance_ -= c_.per_entry_moved * static_cast<double>(size);
        reserve_ = tree_adds_ < 4 * size ? 2 * reserve_ : c_.reserve;
        left_at_ = size;
    }
    bool affords_tree(std::size_t size) {
        if (2 * size < left_at_ || size > 2 * left_at_) reserve_ = c_.reserve, left_at_ = size;
        return size >= c_.least_tree &&
               balance_ >= reserve_ + c_.per_entry_moved * static_cast<double>(size);
    }
    void entered_tree(std::size_t size) {
        balance_ -= c_.per_entry_moved * static_cast<double>(size);
        tree_adds_ = 0;
    }

  private:
    budget_costs c_;
    double balance_ = 0;
    double reserve_;
    std::size_t tree_adds_ = 0;
    std::size_t left_at_ = 0; // the list's size when it last left the tree
};
