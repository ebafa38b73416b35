// A sorted list of disjoint closed intervals, merged into one interval at a time.
#pragma once

#include <cstddef>
#include <vector>

struct interval_list {
    std::size_t count = 0;
    std::vector<double> start; // sized once to the capacity
    std::vector<double> end;
};

// capacity is the largest number of intervals that will ever be added.
interval_list interval_list_create(std::size_t capacity);

// Merges [lo, hi] into the list. Nothing requires lo <= hi; the same rules apply regardless,
// and with NaN bounds every comparison is simply false.
void interval_list_add(interval_list &list, double lo, double hi);
