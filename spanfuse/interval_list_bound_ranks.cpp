#include "interval_list_bound_ranks.hpp"
#include "radix_sort.hpp"
#include "real_key.hpp"
#include "reals.hpp"

#include <algorithm>
#include <bit>
#include <vector>

namespace {

constexpr std::size_t none = SIZE_MAX;

// The key of a bound: +0 stands for -0, as the two are equal.
std::uint64_t key_of(double x) {
    return real_key(x + 0.0);
}

// A bound's key and its id.
struct keyed_id {
    std::uint64_t key;
    std::uint32_t id;
};

// Buckets by value, in order; values beyond the two given go to the first and last. Either
// evenly between two values, which suits bounds spread evenly, or evenly between two keys,
// which suits bounds spread over many binades, as a key's leading bits follow the exponent.
class bucket_map {
  public:
    static bucket_map by_value(double least, double greatest, std::size_t count) {
        bucket_map m;
        m.count_ = count, m.least_ = least;
        m.scale_ = static_cast<double>(count) / (greatest - least);
        if (!(m.scale_ > 0 && m.scale_ < reals::inf)) m.scale_ = 0;
        return m;
    }
    static bucket_map by_key(double least, double greatest, std::size_t count) {
        bucket_map m;
        m.count_ = count, m.by_key_ = true, m.least_key_ = key_of(least);
        const auto span = static_cast<unsigned>(std::bit_width(key_of(greatest) - m.least_key_));
        const auto bits = static_cast<unsigned>(std::bit_width(count) - 1);
        m.shift_ = span > bits ? span - bits : 0;
        return m;
    }

    std::size_t count() const { return count_; }

    std::size_t operator()(double x) const {
        if (by_key_) {
            const std::uint64_t k = key_of(x);
            if (k <= least_key_) return 0;
            return std::min<std::size_t>((k - least_key_) >> shift_, count_ - 1);
        }
        const double at = (x - least_) * scale_;
        if (!(at >= 1)) return 0;
        return at < static_cast<double>(count_) ? static_cast<std::size_t>(at) : count_ - 1;
    }

  private:
    std::size_t count_ = 1;
    bool by_key_ = false;
    double least_ = 0, scale_ = 0;
    std::uint64_t least_key_ = 0;
    unsigned shift_ = 0;
};

// The ranking of the bounds of v[0], ..., v[count - 1] (see rank_bounds). Id i is the lower
// bound of v[i], and count + i its upper bound.
template <unsigned Width> class ranking {
  public:
    ranking(const interval_bounds *v, std::size_t count, std::size_t old, std::uint32_t *ids,
            packed_ids<Width> &place, packed_ids<Width> &above, std::size_t room)
        : v_(v), count_(count), old_(old), ids_(ids), place_(place), above_(above), room_(room) {}

    std::size_t run() {
        // The ids are dealt into buckets by value, reading v in order. Each bucket is then
        // sorted with the keys beside its ids, read from v at once rather than one after
        // another, if it fits the room for them. One that does not is dealt again, evenly
        // between its own least and greatest value, reading v in order once more; what still
        // does not fit is sorted by reading keys as the sort needs them.
        const bucket_map bucket = choose(
            std::size_t{1} << (std::clamp<std::size_t>(std::bit_width(2 * count_), 10, 22) - 9));
        std::vector<std::size_t> starts(bucket.count() + 1);
        std::vector<double> lows(bucket.count(), reals::inf), highs(bucket.count(), -reals::inf);
        each_bound([&](std::uint32_t, double x) {
            const std::size_t b = bucket(x);
            ++starts[b + 1];
            if (x - x == 0) lows[b] = std::min(lows[b], x), highs[b] = std::max(highs[b], x);
        });
        for (std::size_t b = 1; b < starts.size(); ++b) starts[b] += starts[b - 1];
        deal(bucket, starts);

        const std::size_t room = room_ ? room_ : std::max<std::size_t>(4096, starts.back() / 64);
        std::vector<std::size_t> big(bucket.count(), none);
        std::vector<std::vector<std::size_t>> parts;
        for (std::size_t b = 0; b < bucket.count(); ++b)
            if (starts[b + 1] - starts[b] > room) big[b] = parts.size(), parts.emplace_back();
        if (!parts.empty()) deal_again(bucket, starts, lows, highs, big, parts);

        keyed_.resize(room);
        for (std::size_t b = 0; b < bucket.count(); ++b) {
            if (big[b] == none) {
                rank_bucket(starts[b], starts[b + 1]);
                continue;
            }
            const std::vector<std::size_t> &ends = parts[big[b]];
            for (std::size_t p = 0, from = starts[b]; p + 1 < ends.size(); from = ends[p++])
                rank_bucket(from, ends[p]);
        }

        // Each place's upper bound, eight bytes over the four of its id: from the last place
        // down, each id is read before it is written over.
        auto *ends = reinterpret_cast<unsigned char *>(ids_);
        for (std::size_t p = places_; p-- > 0;) {
            const double hi = v_[ids_[p]].hi;
            std::memcpy(ends + p * sizeof hi, &hi, sizeof hi);
        }
        return places_;
    }

  private:
    // Chosen by arithmetic, not a branch, as lower and upper bounds come in no order a branch
    // could foresee.
    double value(std::uint32_t id) const {
        const std::size_t upper = id >= count_;
        return (&v_[id - upper * count_].lo)[upper];
    }

    template <class F> void each_bound(F f) const {
        for (std::size_t i = 0; i < count_; ++i)
            if (reals::number(v_[i].lo)) f(static_cast<std::uint32_t>(i), v_[i].lo);
        for (std::size_t i = old_; i < count_; ++i)
            if (reals::number(v_[i].lo)) f(static_cast<std::uint32_t>(count_ + i), v_[i].hi);
    }

    // Of the two ways to bucket, the one whose largest bucket is the smaller on every
    // sixteenth interval. The range is that of the same sample: the buckets stay in order
    // whatever it is.
    bucket_map choose(std::size_t buckets) const {
        const std::size_t step = 16;
        double least = reals::inf, greatest = -reals::inf;
        for (std::size_t i = 0; i < count_; i += step)
            for (double x : {v_[i].lo, v_[i].hi})
                if (x - x == 0) least = std::min(least, x), greatest = std::max(greatest, x);
        const bucket_map maps[2] = {bucket_map::by_value(least, greatest, buckets),
                                    bucket_map::by_key(least, greatest, buckets)};
        std::size_t largest[2] = {};
        for (int m = 0; m < 2; ++m) {
            std::vector<std::size_t> size(buckets);
            for (std::size_t i = 0; i < count_; i += step)
                if (reals::number(v_[i].lo))
                    for (double x : {v_[i].lo, v_[i].hi})
                        largest[m] = std::max(largest[m], ++size[maps[m](x)]);
        }
        return maps[largest[1] < largest[0]];
    }

    // Deals the ids into their buckets, bucket b from starts[b] on.
    void deal(const bucket_map &bucket, const std::vector<std::size_t> &starts) {
        std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
        each_bound([&](std::uint32_t id, double x) { ids_[next[bucket(x)]++] = id; });
    }

    // Deals each bucket b with big[b] set again, into 4096 parts evenly between lows[b] and
    // highs[b]; leaves in parts[big[b]][d] where part d ends.
    void deal_again(const bucket_map &bucket, const std::vector<std::size_t> &starts,
                    const std::vector<double> &lows, const std::vector<double> &highs,
                    const std::vector<std::size_t> &big,
                    std::vector<std::vector<std::size_t>> &parts) {
        const std::size_t count = 4096;
        std::vector<bucket_map> part(parts.size());
        for (std::size_t b = 0; b < big.size(); ++b) {
            if (big[b] == none) continue;
            part[big[b]] = bucket_map::by_value(lows[b], highs[b], count);
            parts[big[b]].assign(count + 1, 0);
            parts[big[b]][0] = starts[b];
        }
        auto each_again = [&](auto f) {
            each_bound([&](std::uint32_t id, double x) {
                if (const std::size_t j = big[bucket(x)]; j != none) f(id, parts[j], part[j](x));
            });
        };
        each_again([](std::uint32_t, std::vector<std::size_t> &at, std::size_t d) { ++at[d + 1]; });
        for (std::vector<std::size_t> &at : parts)
            for (std::size_t d = 1; d <= count; ++d) at[d] += at[d - 1];
        each_again([&](std::uint32_t id, std::vector<std::size_t> &at, std::size_t d) {
            ids_[at[d]++] = id;
        });
    }

    // Sorts and ranks the ids from ids[from] to ids[to].
    void rank_bucket(std::size_t from, std::size_t to) {
        std::uint32_t *bucket = ids_ + from;
        const std::size_t m = to - from;
        if (m <= keyed_.size()) {
            for (std::size_t i = 0; i < m; ++i) keyed_[i] = {key_of(value(bucket[i])), bucket[i]};
            radix_sort(keyed_.data(), m, [](const keyed_id &k) { return k.key; });
            for (std::size_t i = 0, j; i < m; i = j) {
                for (j = i; j < m && keyed_[j].key == keyed_[i].key; ++j) bucket[j] = keyed_[j].id;
                rank_run(bucket + i, j - i);
            }
        } else {
            radix_sort(bucket, m, [&](std::uint32_t id) { return key_of(value(id)); });
            for (std::size_t i = 0, j; i < m; i = j) {
                for (j = i + 1; j < m && key_of(value(bucket[j])) == key_of(value(bucket[i]));) ++j;
                rank_run(bucket + i, j - i);
            }
        }
    }

    // Ranks a run of equal bounds. Lower bounds come before upper ones, and of those only the
    // lower in order of id: a lower bound's place then follows every one of equal value added
    // before it, and an upper bound counts every lower bound of equal value. The interval at
    // each place is written over the ids already read.
    void rank_run(std::uint32_t *run, std::size_t length) {
        if (length > 1) {
            std::uint32_t *uppers =
                std::partition(run, run + length, [&](std::uint32_t id) { return id < count_; });
            radix_sort(run, static_cast<std::size_t>(uppers - run),
                       [](std::uint32_t id) { return std::uint64_t{id}; });
        }
        for (std::size_t i = 0; i < length; ++i) {
            const std::uint32_t id = run[i];
            const bool lower = id < count_;
            (lower ? place_ : above_)
                .set(lower ? id : id - count_, static_cast<std::uint32_t>(places_));
            ids_[places_] = id; // kept only for a lower bound: the next place writes over it
            places_ += lower;
        }
    }

    const interval_bounds *v_;
    std::size_t count_, old_;
    std::uint32_t *ids_;
    packed_ids<Width> &place_, &above_;
    std::size_t room_;
    std::vector<keyed_id> keyed_;
    std::size_t places_ = 0;
};

} // namespace

template <unsigned Width>
std::size_t rank_bounds(const interval_bounds *v, std::size_t count, std::size_t old,
                        std::uint32_t *scratch, packed_ids<Width> &place, packed_ids<Width> &above,
                        std::size_t room) {
    return ranking<Width>(v, count, old, scratch, place, above, room).run();
}

template std::size_t rank_bounds<3>(const interval_bounds *, std::size_t, std::size_t,
                                    std::uint32_t *, packed_ids<3> &, packed_ids<3> &, std::size_t);
template std::size_t rank_bounds<4>(const interval_bounds *, std::size_t, std::size_t,
                                    std::uint32_t *, packed_ids<4> &, packed_ids<4> &, std::size_t);
