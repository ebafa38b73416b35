// A sorted list of disjoint closed intervals, merged into one interval at a time.
#pragma once

#include <cstddef>
#include <memory>

struct interval_bounds {
    double lo;
    double hi;
};

// The list as three literal passes over two arrays build it: the rules that define every
// result, and the reference that the fast merge below is held to.
struct interval_list {
    std::size_t count = 0;
    // Both have room for the capacity. They are left unset, so that pages a list never
    // reaches are never touched.
    std::unique_ptr<double[]> start;
    std::unique_ptr<double[]> end;
};

// capacity is the largest number of intervals that will ever be added.
interval_list interval_list_create(std::size_t capacity);

// Merges [lo, hi] into the list. Nothing requires lo <= hi; the same rules apply regardless,
// and with NaN bounds every comparison is simply false.
void interval_list_add(interval_list &list, double lo, double hi);

// The interval of one record: center - factor * spread to center + factor * spread, opened
// down to 0 by flag -1 and up to 65535 by flag 1. A NaN bound takes the sign of the first NaN
// among the operands, in the order written (factor, spread; center, then the product), and an
// invalid operation on numbers gives the hardware's default NaN (-nan on x86-64).
interval_bounds interval_of(double center, double spread, int flag, double factor);

// Adds iv[0], ..., iv[n - 1] in that order to an empty list, leaves the list's entries in
// iv[0], ..., iv[count - 1] and returns count: the same entries as interval_list_add gives,
// bit for bit. Well-formed intervals (lo <= hi, no NaN) are merged by one sort and one sweep
// in place, in O(n log n); from the first interval of another kind on, the list is held in a
// tree in which each add finds its changes without visiting every entry.
std::size_t interval_list_merge(interval_bounds *iv, std::size_t n);

// The sort and sweep alone, for intervals that are all well formed.
std::size_t interval_list_sweep(interval_bounds *iv, std::size_t n);
