// The merge of a list that is inside out throughout: every interval has lo >= hi, or both
// bounds NaN, as a negative factor makes them. Such a list is only ever inserted into, and is
// merged from the whole input at once.
#pragma once

#include "interval_list.hpp"

#include <cstddef>

// Speed only: built with SPANFUSE_WITHOUT_INSIDE_OUT, such lists are merged as any other.
#ifdef SPANFUSE_WITHOUT_INSIDE_OUT
inline constexpr bool inside_out_merge = false;
#else
inline constexpr bool inside_out_merge = true;
#endif

// True when every interval has lo >= hi or both bounds NaN, unless the sort and sweep takes
// them all (a run of NaN intervals, then intervals with lo == hi).
bool interval_list_inside_out(const interval_bounds *iv, std::size_t n);

// What the merge weighs when it chooses to rank the bounds. Measured on lists of inside-out
// entries: the literal passes take at least 0.6 ns for each entry on each add (bridging alone),
// the plain passes 0.45 ns for each entry an insertion moves or passes, and the ranked merge,
// all told, up to 400 ns an interval at ten million.
struct inside_out_costs {
    // Ranking and merging, an interval, in entries visited by the literal passes.
    double ranked = 650;
    // Twice the same, in entries visited by the plain passes.
    double ranked_add = 1800;
};

// interval_list_merge for intervals that are inside out throughout: the same entries, bit for
// bit, left in iv[0], ..., iv[count - 1]; returns count.
std::size_t interval_list_merge_inside_out(interval_bounds *iv, std::size_t n,
                                           inside_out_costs costs = {});
