// A sorted list of disjoint closed intervals, merged into one interval at a time.
#pragma once

#include <cstddef>
#include <memory>

struct interval_bounds {
    double lo;
    double hi;
};

struct interval_list {
    std::size_t count = 0;
    // Both have room for the capacity. They are left unset, so that pages a list never
    // reaches are never touched.
    std::unique_ptr<double[]> start;
    std::unique_ptr<double[]> end;

    // interval_list_push keeps intervals with lo <= hi and no NaN bound in start and end,
    // unmerged, while count stays 0; the sweep then merges them in place.
    std::size_t gathered = 0;
    bool merged = false; // start and end hold the list; from now on every add is literal
    bool zero_lo_seen = false;
    bool zero_hi_seen = false;
    double first_zero_lo = 0; // the first lo, and the first hi, that compared equal to 0
    double first_zero_hi = 0;
};

// capacity is the largest number of intervals that will ever be added.
interval_list interval_list_create(std::size_t capacity);

// Merges [lo, hi] into the list. Nothing requires lo <= hi; the same rules apply regardless,
// and with NaN bounds every comparison is simply false.
void interval_list_add(interval_list &list, double lo, double hi);

// Same result as interval_list_add, bit for bit. While each interval has lo <= hi and no NaN
// bound they are only gathered, and merged by one sort and one sweep, in O(n log n) for all
// of them, when interval_list_finish is called or an interval of another kind arrives; from
// then on every interval goes through interval_list_add. Call interval_list_finish before
// reading the entries.
void interval_list_push(interval_list &list, double lo, double hi);
void interval_list_finish(interval_list &list);
