// For spanfuse_literal: every interval goes straight through the literal passes.
#include "interval_list.hpp"

std::size_t interval_list_merge(interval_bounds *iv, std::size_t n) {
    interval_list list = interval_list_create(n);
    for (std::size_t i = 0; i < n; ++i) interval_list_add(list, iv[i].lo, iv[i].hi);
    for (std::size_t i = 0; i < list.count; ++i) iv[i] = {list.start[i], list.end[i]};
    return list.count;
}
