#include "interval_list_bound_ranks.hpp"
#include "reals.hpp"

#include <algorithm>
#include <bit>
#include <vector>

namespace {

constexpr std::size_t none = SIZE_MAX;

// A bound's key and its id.
struct keyed_id {
    std::uint64_t key;
    std::uint32_t id;
};

// An unsigned integer that orders as the double does: the bits of a positive one with the sign
// bit set, and of a negative one all flipped. +0 stands for -0, as the two are equal.
std::uint64_t key_of(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x + 0.0);
    const auto negative = static_cast<std::uint64_t>(std::bit_cast<std::int64_t>(bits) >> 63);
    return bits ^ (negative | std::uint64_t{1} << 63);
}

// Sorts by key; equal keys end in any order.
void sort_keyed(keyed_id *a, std::size_t n) {
    std::sort(a, a + n, [](const keyed_id &x, const keyed_id &y) { return x.key < y.key; });
}

// Sorts ids by the keys of their values; equal keys end in any order.
template <class Value> void sort_by_value(std::uint32_t *ids, std::size_t n, Value value) {
    std::sort(ids, ids + n, [&](std::uint32_t a, std::uint32_t b) {
        return key_of(value(a)) < key_of(value(b));
    });
}

// Buckets by value, evenly between the least and greatest finite value given; infinities and
// values beyond go to the first and last.
class linear_buckets {
  public:
    linear_buckets(double least, double greatest, std::size_t count)
        : least_(least), count_(count), scale_(static_cast<double>(count) / (greatest - least)) {
        if (!(scale_ > 0 && scale_ < reals::inf)) scale_ = 0;
    }
    std::size_t operator()(double x) const {
        const double at = (x - least_) * scale_;
        if (!(at >= 1)) return 0;
        return at < static_cast<double>(count_) ? static_cast<std::size_t>(at) : count_ - 1;
    }

  private:
    double least_;
    std::size_t count_;
    double scale_;
};

// A bucket dealt again, into parts by value; starts[d] is where part d begins, and, once
// dealt, where it ends.
struct second_deal {
    linear_buckets part{0, 0, 1};
    std::vector<std::size_t> starts;
};

} // namespace

template <unsigned Width>
std::size_t rank_bounds(const interval_bounds *v, std::size_t count, std::size_t old,
                        std::uint32_t *scratch, packed_ids<Width> &place,
                        packed_ids<Width> &above) {
    // Id i is the lower bound of v[i], and count + i its upper bound.
    std::uint32_t *ids = scratch;
    // Chosen by arithmetic, not a branch, as lower and upper bounds come in no order a branch
    // could foresee.
    auto value = [&](std::uint32_t id) {
        const std::size_t upper = id >= count;
        return (&v[id - upper * count].lo)[upper];
    };
    auto each_bound = [&](auto f) {
        for (std::size_t i = 0; i < count; ++i)
            if (reals::number(v[i].lo)) f(static_cast<std::uint32_t>(i), v[i].lo);
        for (std::size_t i = old; i < count; ++i)
            if (reals::number(v[i].lo)) f(static_cast<std::uint32_t>(count + i), v[i].hi);
    };

    // The ids are dealt into buckets by value, reading v in order, evenly between the least
    // and greatest finite bounds. Each bucket is then sorted with the keys beside its ids,
    // read from v at once rather than one after another, if it fits the room for them. One
    // that does not is dealt again in the same way between its own least and greatest,
    // reading v in order once more; what still does not fit is sorted by reading keys as the
    // sort needs them.
    // The range is taken from a sample of the intervals: the buckets stay in order whatever
    // it is, as values beyond it go to the first and last.
    double least = reals::inf, greatest = -reals::inf;
    for (std::size_t i = 0; i < count; i += 16)
        for (double x : {v[i].lo, v[i].hi})
            if (x - x == 0) least = std::min(least, x), greatest = std::max(greatest, x);
    const std::size_t buckets =
        std::size_t{1} << (std::clamp<std::size_t>(std::bit_width(2 * count), 11, 22) - 10);
    const linear_buckets bucket(least, greatest, buckets);
    std::vector<std::size_t> starts(buckets + 1);
    std::vector<double> lows(buckets, reals::inf), highs(buckets, -reals::inf);
    each_bound([&](std::uint32_t, double x) {
        const std::size_t b = bucket(x);
        ++starts[b + 1];
        if (x - x == 0) lows[b] = std::min(lows[b], x), highs[b] = std::max(highs[b], x);
    });
    for (std::size_t b = 1; b <= buckets; ++b) starts[b] += starts[b - 1];
    const std::size_t n = starts[buckets];
    {
        std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
        each_bound([&](std::uint32_t id, double x) { ids[next[bucket(x)]++] = id; });
    }

    const std::size_t room = std::max<std::size_t>(4096, n / 64);
    std::vector<std::size_t> second(buckets, none);
    std::vector<second_deal> deals;
    for (std::size_t b = 0; b < buckets; ++b)
        if (starts[b + 1] - starts[b] > room) second[b] = deals.size(), deals.emplace_back();
    if (!deals.empty()) {
        auto each_second = [&](auto f) {
            each_bound([&](std::uint32_t id, double x) {
                if (const std::size_t j = second[bucket(x)]; j != none) f(id, deals[j], x);
            });
        };
        const std::size_t parts = 4096;
        for (std::size_t b = 0; b < buckets; ++b) {
            if (second[b] == none) continue;
            second_deal &d = deals[second[b]];
            d.part = linear_buckets(lows[b], highs[b], parts);
            d.starts.assign(parts + 1, 0);
            d.starts[0] = starts[b];
        }
        each_second([](std::uint32_t, second_deal &d, double x) { ++d.starts[d.part(x) + 1]; });
        for (second_deal &d : deals)
            for (std::size_t p = 1; p <= parts; ++p) d.starts[p] += d.starts[p - 1];
        each_second(
            [&](std::uint32_t id, second_deal &d, double x) { ids[d.starts[d.part(x)]++] = id; });
    }

    // Among equal values, lower bounds come before upper ones, and each kind in order of id: a
    // lower bound's place then follows every one of equal value added before it, and an upper
    // bound counts every lower bound of equal value. The interval at each place is written
    // over the ids already read.
    std::size_t places = 0;
    auto rank_run = [&](std::uint32_t *run, std::size_t length) {
        if (length > 1) {
            std::uint32_t *uppers =
                std::partition(run, run + length, [&](std::uint32_t id) { return id < count; });
            std::sort(run, uppers);
        }
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint32_t id = run[i];
            const bool lower = id < count;
            (lower ? place : above)
                .set(lower ? id : id - count, static_cast<std::uint32_t>(places));
            ids[places] = id; // taken only by a lower bound; the next place writes over it
            places += lower;
        }
    };
    std::vector<keyed_id> keyed(room);
    auto rank_bucket = [&](std::uint32_t *bucket, std::size_t m) {
        if (m <= room) {
            for (std::size_t i = 0; i < m; ++i) keyed[i] = {key_of(value(bucket[i])), bucket[i]};
            sort_keyed(keyed.data(), m);
            for (std::size_t i = 0; i < m;) {
                std::size_t j = i;
                for (; j < m && keyed[j].key == keyed[i].key; ++j) bucket[j] = keyed[j].id;
                rank_run(bucket + i, j - i);
                i = j;
            }
        } else {
            sort_by_value(bucket, m, value);
            for (std::size_t i = 0; i < m;) {
                std::size_t j = i + 1;
                while (j < m && key_of(value(bucket[j])) == key_of(value(bucket[i]))) ++j;
                rank_run(bucket + i, j - i);
                i = j;
            }
        }
    };
    for (std::size_t b = 0; b < buckets; ++b) {
        if (second[b] == none) {
            rank_bucket(ids + starts[b], starts[b + 1] - starts[b]);
            continue;
        }
        const std::vector<std::size_t> &ends = deals[second[b]].starts;
        for (std::size_t p = 0, from = starts[b]; p + 1 < ends.size(); from = ends[p++])
            rank_bucket(ids + from, ends[p] - from);
    }

    // Each place's upper bound, eight bytes over the four of its id: from the last place down,
    // each id is read before it is written over.
    auto *ends = reinterpret_cast<unsigned char *>(scratch);
    for (std::size_t p = places; p-- > 0;) {
        const double hi = v[ids[p]].hi;
        std::memcpy(ends + p * sizeof hi, &hi, sizeof hi);
    }
    return places;
}

template std::size_t rank_bounds<3>(const interval_bounds *, std::size_t, std::size_t,
                                    std::uint32_t *, packed_ids<3> &, packed_ids<3> &);
template std::size_t rank_bounds<4>(const interval_bounds *, std::size_t, std::size_t,
                                    std::uint32_t *, packed_ids<4> &, packed_ids<4> &);
