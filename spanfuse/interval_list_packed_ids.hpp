// A fixed number of ids, each held in Width bytes: three where every id is below 2^24, so
// that at ten million intervals an array of ids costs three bytes an interval, not four.
#pragma once

#include "big_array.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

template <unsigned Width> class packed_ids {
    static_assert(Width == 3 || Width == 4);
    static_assert(std::endian::native == std::endian::little); // the low bytes come first

  public:
    // The largest id that fits.
    static constexpr std::uint32_t most = Width == 4 ? UINT32_MAX : (std::uint32_t{1} << 24) - 1;

    // Room for count ids, left unset: pages are taken only as they are written.
    explicit packed_ids(std::size_t count) {
        // One byte past the last id, so that each is read as four.
        if (!bytes_.reserve(count * Width + 1)) throw std::bad_alloc();
    }

    std::uint32_t operator[](std::size_t i) const {
        std::uint32_t v;
        std::memcpy(&v, bytes_.data() + i * Width, 4);
        return v & most;
    }

    void set(std::size_t i, std::uint32_t id) {
        std::memcpy(bytes_.data() + i * Width, &id, Width);
    }

    const void *address(std::size_t i) const { return bytes_.data() + i * Width; }

  private:
    big_array<unsigned char> bytes_;
};
