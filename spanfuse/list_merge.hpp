// The merge of intervals that are not all well formed: a first run merged at once by sorting,
// then the rest one at a time, in the tree while it pays, on a flat array while it does not
// (work_budget.hpp says when).
#pragma once

#include "big_array.hpp"
#include "flat_list.hpp"
#include "interval_list.hpp"
#include "list_rules.hpp"
#include "reals.hpp"
#include "speed_parts.hpp"
#include "work_budget.hpp"

#include <cstddef>

// How a merge is made; tests ask for the index always or never, and for costs that move the
// list to and fro.
template <class Tree> struct merge_setup {
    typename Tree::index_policy index{};
    budget_costs costs{};
};

// interval_list_merge, with the tree type and its setup given, and after_add(tree) called
// after each add made in the tree.
template <class Tree, class AfterAdd>
std::size_t interval_list_merge_with(interval_bounds *iv, std::size_t n, AfterAdd after_add,
                                     merge_setup<Tree> setup = {}) {
    // A leading run of NaN intervals is put first and never touched again: no test passes on
    // an entry whose bounds are NaN, and no insertion comes before one.
    std::size_t nans = 0;
    while (nans < n && !reals::number(iv[nans].lo) && !reals::number(iv[nans].hi)) ++nans;
    std::size_t plain = nans;
    while (plain < n && iv[plain].lo <= iv[plain].hi) ++plain;
    std::size_t count = interval_list_sweep(iv + nans, plain - nans);
    if (plain == n) return nans + count;

    // While the list is flat it lives at the start of the intervals, whose places it never
    // outgrows: it holds no more entries than there were intervals added.
    interval_bounds *const list = iv + nans;
    work_budget budget(setup.costs);
    budget.sorted(plain - nans, count);
    Tree tree(count + (n - plain));
    tree.set_index_policy(setup.index);
    bool in_tree = false;
    // In the tree, the intervals added are read no more: their memory goes back as the adds go
    // on, so that the tree grows into what the intervals gave up.
    const std::size_t chunk = (std::size_t{1} << 21) / sizeof *iv;
    std::size_t done = nans;
    for (std::size_t i = plain; i < n; ++i) {
        const interval_bounds v = iv[i];
        if (!in_tree && budget.affords_tree(count)) {
            tree.build(list, count);
            budget.entered_tree(count);
            in_tree = true, done = nans;
        }
        if (!in_tree) {
            budget.earn(count);
            count = flat_add(list, count, add_rules(v.lo, v.hi));
            continue;
        }
        budget.earn(tree.size());
        if (i + Tree::ahead < n) tree.prefetch(iv[i + Tree::ahead].lo, iv[i + Tree::ahead].hi);
        const auto cost = tree.add(v.lo, v.hi);
        budget.earn_steps(cost.literal);
        budget.spend(tree.size(), cost.work);
        after_add(tree);
        if (speed::page_release && i + 1 - done >= 2 * chunk)
            release_pages(iv + done, iv + i + 1), done = i + 1 - chunk;
        if (budget.spent()) {
            if (speed::page_release) populate_pages(list, list + tree.size());
            count = tree.copy_to(list);
            budget.left_tree(count);
            in_tree = false;
        }
    }
    if (!in_tree) return nans + count;
    // Every interval has been read: the entries may take their place, in pages mapped again.
    if (speed::page_release) populate_pages(list, list + tree.size());
    return nans + tree.copy_to(list);
}
