#include "output.hpp"

#include "diag.hpp"

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unistd.h>

namespace bk {

namespace {
char buffer[1 << 16];
std::size_t used = 0;

void drain() {
    if (write_all(STDOUT_FILENO, buffer, used) != used) die_errno("write error", errno);
    used = 0;
}

// Built with BATCHKIT_PLAIN_WHOLE, whole numbers are written by to_chars, so that what
// writing their digits eight at a time gains can be measured.
#ifdef BATCHKIT_PLAIN_WHOLE
constexpr bool digit_words = false;
#else
constexpr bool digit_words = true;
#endif

// The eight decimal digits of n < 10^8, leading zeros included, as the values 0 to 9 of the
// bytes of a word, the first digit in the lowest byte. The halves are split in lanes of one
// word, each multiplication dividing every lane at once: by 100 (10486 / 2^20 is exact below
// 10^4), then by 10 (103 / 2^10 is exact below 100).
std::uint64_t eight_digits(std::uint32_t n) {
    std::uint64_t halves = n / 10000 | std::uint64_t{n % 10000} << 32;
    std::uint64_t hundreds = (halves * 10486 >> 20) & 0x0000007f0000007f;
    std::uint64_t pairs = (halves - 100 * hundreds) << 16 | hundreds;
    std::uint64_t tens = (pairs * 103 >> 10) & 0x000f000f000f000f;
    return (pairs - 10 * tens) << 8 | tens;
}

// Stores the 8 bytes of w, the lowest first.
void store8(char *out, std::uint64_t w) {
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    std::memcpy(out, &w, sizeof w);
}

constexpr std::uint64_t ascii_zeros = 0x3030303030303030;

// n < 10^8 without leading zeros. Writes 8 bytes whatever the length.
char *digits_up_to_8(char *out, std::uint32_t n) {
    std::uint64_t d = eight_digits(n);
    int zeros = n == 0 ? 7 : std::countr_zero(d) / 8;
    store8(out, (d + ascii_zeros) >> (8 * zeros));
    return out + 8 - zeros;
}

char *digits_8(char *out, std::uint32_t n) {
    store8(out, eight_digits(n) + ascii_zeros);
    return out + 8;
}

// The decimal digits of n, eight at a time.
char *whole_digits(char *out, std::uint64_t n) {
    constexpr std::uint64_t e8 = 100000000;
    if (n < e8) return digits_up_to_8(out, static_cast<std::uint32_t>(n));
    if (n < e8 * e8) {
        out = digits_up_to_8(out, static_cast<std::uint32_t>(n / e8));
        return digits_8(out, static_cast<std::uint32_t>(n % e8));
    }
    out = digits_up_to_8(out, static_cast<std::uint32_t>(n / (e8 * e8)));
    n %= e8 * e8;
    out = digits_8(out, static_cast<std::uint32_t>(n / e8));
    return digits_8(out, static_cast<std::uint32_t>(n % e8));
}
} // namespace

std::size_t write_all(int fd, const void *data, std::size_t size) {
    const char *p = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) {
            errno = EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void out_write(std::string_view bytes) {
    if (bytes.size() > sizeof buffer - used) {
        drain();
        if (bytes.size() >= sizeof buffer) {
            if (write_all(STDOUT_FILENO, bytes.data(), bytes.size()) != bytes.size())
                die_errno("write error", errno);
            return;
        }
    }
    std::memcpy(buffer + used, bytes.data(), bytes.size());
    used += bytes.size();
}

char *format_whole(char *out, double v) {
    const char *special = nullptr;
    if (std::isnan(v))
        special = std::signbit(v) ? "-nan" : "nan";
    else if (std::isinf(v))
        special = v < 0 ? "-inf" : "inf";
    if (special) {
        std::size_t n = std::strlen(special);
        std::memcpy(out, special, n);
        return out + n;
    }
    // Below 2^63 the rounded value fits in 64 bits, and rint rounds halves to even in the
    // default rounding mode, as printf does; above 2^53 every double is whole already.
    if (std::fabs(v) < 0x1p63) {
        if (std::signbit(v)) *out++ = '-';
        auto whole = static_cast<std::uint64_t>(std::fabs(std::rint(v)));
        if constexpr (digit_words) return whole_digits(out, whole);
        return std::to_chars(out, out + 20, whole).ptr;
    }
    return std::to_chars(out, out + whole_text_size, v, std::chars_format::fixed, 0).ptr;
}

void out_flush() {
    if (used > 0) drain();
}

} // namespace bk
