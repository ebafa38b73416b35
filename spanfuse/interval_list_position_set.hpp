// A set of positions 0 to size - 1, held as bits, with a word of summary bits above every 64
// words of them (one bit for each word that is not empty), and so on up to a single word; the
// next or previous member is then found in a few word operations however far away it lies.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

class position_set {
  public:
    static constexpr std::size_t none = SIZE_MAX;

    // Empty, for positions below size.
    explicit position_set(std::size_t size) : size_(size) {
        std::size_t words = size;
        do {
            words = (words + 63) / 64;
            level_.push_back(bits_.size());
            bits_.resize(bits_.size() + words);
        } while (words > 1);
    }

    void insert(std::size_t p) {
        for (std::size_t l = 0; l < level_.size(); ++l, p /= 64) {
            std::uint64_t &w = bits_[level_[l] + p / 64];
            const bool was_empty = w == 0;
            w |= bit(p);
            if (!was_empty) return;
        }
    }

    void erase(std::size_t p) {
        for (std::size_t l = 0; l < level_.size(); ++l, p /= 64) {
            std::uint64_t &w = bits_[level_[l] + p / 64];
            w &= ~bit(p);
            if (w != 0) return;
        }
    }

    bool contains(std::size_t p) const { return bits_[p / 64] & bit(p); }

    // The least member at or above p, or none.
    std::size_t next(std::size_t p) const {
        if (p >= size_) return none;
        for (std::size_t l = 0;; ++l) {
            std::uint64_t w = bits_[level_[l] + p / 64] & (~std::uint64_t{0} << p % 64);
            if (w != 0) return down(l, p / 64 * 64 + std::countr_zero(w), false);
            p = p / 64 + 1;
            if (l + 1 == level_.size() || p / 64 >= words(l + 1)) return none;
        }
    }

    // The greatest member below p, or none.
    std::size_t prev(std::size_t p) const {
        if (p > size_) p = size_;
        if (p == 0) return none;
        --p;
        for (std::size_t l = 0;; ++l) {
            std::uint64_t w = bits_[level_[l] + p / 64] & (~std::uint64_t{0} >> (63 - p % 64));
            if (w != 0) return down(l, p / 64 * 64 + 63 - std::countl_zero(w), true);
            if (p / 64 == 0 || l + 1 == level_.size()) return none;
            p = p / 64 - 1;
        }
    }

  private:
    static std::uint64_t bit(std::size_t p) { return std::uint64_t{1} << p % 64; }
    std::size_t words(std::size_t l) const {
        return (l + 1 < level_.size() ? level_[l + 1] : bits_.size()) - level_[l];
    }

    // From member p of level l down to the least (or greatest) member of level 0 under it.
    std::size_t down(std::size_t l, std::size_t p, bool greatest) const {
        while (l-- > 0) {
            std::uint64_t w = bits_[level_[l] + p];
            p = p * 64 + (greatest ? 63 - std::countl_zero(w) : std::countr_zero(w));
        }
        return p;
    }

    std::size_t size_;
    std::vector<std::size_t> level_; // where each level's words begin in bits_
    std::vector<std::uint64_t> bits_;
};
