// The ranked merge of a list that is inside out throughout (interval_list_inside_out.cpp
// gives the argument).
#pragma once

#include "interval_list.hpp"

#include <cstddef>
#include <cstdint>

// The most intervals it takes: both bounds of each need an id below 2^32.
inline constexpr std::size_t ranked_merge_most = (std::size_t{1} << 31) - 2;

// v[0], ..., v[count - 1] each have lo >= hi or both bounds NaN. The first old of them are the
// list's entries so far, in the order they were added, and order[0], ..., order[old - 1] their
// indices in list order; the others are added in turn. Leaves the list's entries in v[0], ...
// and returns how many. count is at most ranked_merge_most.
std::size_t interval_list_merge_ranked(interval_bounds *v, std::size_t count, std::size_t old,
                                       const std::uint32_t *order);
