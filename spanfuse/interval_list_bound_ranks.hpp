// Every bound of a run of intervals put in one order by value, so that the merge compares
// places in it instead of values.
#pragma once

#include "interval_list.hpp"
#include "interval_list_packed_ids.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>

// The intervals v[0], ..., v[count - 1] each have both bounds numbers or neither; those of
// v[0], ..., v[old - 1] are already entries of the list, and only their lower bounds are
// placed. The lower bounds that are numbers, ranked by value and equal ones by index, take the
// places 0, 1, ...: place[i] is that of v[i].lo. For each i from old on, above[i] is the number
// of places whose value is at most v[i].hi: the first place above it. Returns the number of
// places. scratch needs room for 2 * count + 2 ids, and is left holding the upper bound of the
// interval at each place (place_ends reads them). room, if not 0, is how many bounds a bucket
// may hold to be sorted with its keys beside its ids (by default 1 in 64, at least 4096).
template <unsigned Width>
std::size_t rank_bounds(const interval_bounds *v, std::size_t count, std::size_t old,
                        std::uint32_t *scratch, packed_ids<Width> &place, packed_ids<Width> &above,
                        std::size_t room = 0);

// The upper bounds that rank_bounds leaves, by place.
class place_ends {
  public:
    explicit place_ends(const std::uint32_t *scratch)
        : bytes_(reinterpret_cast<const unsigned char *>(scratch)) {}
    double operator[](std::size_t p) const {
        double x;
        std::memcpy(&x, bytes_ + p * sizeof x, sizeof x);
        return x;
    }
    const void *address(std::size_t p) const { return bytes_ + p * sizeof(double); }

  private:
    const unsigned char *bytes_;
};
