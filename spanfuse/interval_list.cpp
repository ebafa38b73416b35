#include "interval_list.hpp"
#include "reals.hpp"

interval_list interval_list_create(std::size_t capacity) {
    interval_list list;
    list.start = std::make_unique_for_overwrite<double[]>(capacity);
    list.end = std::make_unique_for_overwrite<double[]>(capacity);
    return list;
}

// x op y, given as r, but where x or y is NaN: then the first of them that is, quieted, as
// x86-64 gives it when x is its first operand. The compiler may hand a commutative operation
// its operands in either order, which would leave the sign of a NaN result to chance. An
// invalid operation on numbers (inf * 0, inf - inf) keeps the default NaN the hardware gives.
static double first_nan(double x, double y, double r) {
    if (!reals::number(x)) return x + 0.0;
    if (!reals::number(y)) return y + 0.0;
    return r;
}

interval_bounds interval_of(double center, double spread, int flag, double factor) {
    double w = first_nan(factor, spread, factor * spread);
    double lo = first_nan(center, w, center - w);
    double hi = first_nan(center, w, center + w);
    if (flag == -1 && lo > 0)
        lo = 0;
    else if (flag == 1 && hi < 65535)
        hi = 65535;
    return {lo, hi};
}

static void remove_entry(interval_list &list, std::size_t i) {
    for (std::size_t j = i; j + 1 < list.count; ++j) {
        list.start[j] = list.start[j + 1];
        list.end[j] = list.end[j + 1];
    }
    --list.count;
}

void interval_list_add(interval_list &list, double lo, double hi) {
    // Bridging: fold every entry that the new interval reaches across into the one before it.
    std::size_t u = 0;
    while (u + 1 < list.count) {
        if (list.end[u] >= lo && list.start[u + 1] <= hi) {
            list.end[u] = list.end[u + 1];
            remove_entry(list, u + 1);
        } else {
            ++u;
        }
    }

    // Overlap: widen the entries the new interval touches; stop early if one already holds it.
    bool changed = false;
    for (std::size_t t = 0; t < list.count; ++t) {
        if (list.start[t] <= lo && list.end[t] >= hi) return;
        if (lo < list.start[t] && list.start[t] <= hi) {
            list.start[t] = lo;
            changed = true;
        }
        if (lo <= list.end[t] && list.end[t] < hi) {
            list.end[t] = hi;
            changed = true;
        }
    }
    if (changed) return;

    // Insertion at the first entry that starts above hi.
    std::size_t m = 0;
    while (m < list.count && !(list.start[m] > hi)) ++m;
    for (std::size_t j = list.count; j > m; --j) {
        list.start[j] = list.start[j - 1];
        list.end[j] = list.end[j - 1];
    }
    list.start[m] = lo;
    list.end[m] = hi;
    ++list.count;
}
