// The common case of number reading: decimals short enough to be read exactly without the
// general algorithm. A decimal mantissa m of at most 2^53 is a double exactly, as is 10^k for
// k up to 22, so m * 10^k and m / 10^k, each one correctly rounded operation, are what strtod
// gives. Everything else (longer mantissas, larger exponents, hex, inf, nan, a number that
// white space or a NUL does not follow) is declined, for the general path to read.
//
// The scans go a byte at a time: the end of a number depends on its digits, and a loop whose
// exit the processor predicts lets it start on the next number before this one is done, which
// a count of the digits taken from a whole word at once does not.
#pragma once

#include <climits>
#include <cstdint>

namespace bk::short_decimal {

// A mantissa of at most 19 digits fits in 64 bits.
inline constexpr int max_digits = 19;

// Adds the digits at p to m and their count to digits, taking at most max_digits + 1 of them,
// enough to tell a mantissa too long; returns the end of what it took.
inline const char *digit_run(const char *p, std::uint64_t &m, int &digits) {
    const char *start = p;
#pragma GCC unroll 20
    for (int i = 0; i <= max_digits; ++i) {
        unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (d >= 10) break;
        m = m * 10 + d;
        ++p;
    }
    digits += static_cast<int>(p - start);
    return p;
}

// A number's sign and its first run of digits.
struct Lead {
    const char *end;
    bool negative;
    std::uint64_t m;
    int digits;
};

inline Lead lead(const char *s) {
    Lead l{s, *s == '-', 0, 0};
    if (*s == '-' || *s == '+') ++l.end;
    l.end = digit_run(l.end, l.m, l.digits);
    return l;
}

inline bool ends_number(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == '\0';
}

inline constexpr double pow10_exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int max_exact_power = 22;

// Reads a decimal at s: an optional sign, digits with an optional point, an optional exponent,
// followed by white space or a NUL. Returns the end of the number, or nullptr where it
// declines: where no such number is there, or it is not one of the short ones.
inline const char *real(const char *s, double &value) {
    auto [p, negative, m, digits] = lead(s);
    int fraction = 0;
    if (*p == '.') {
        int whole = digits;
        p = digit_run(p + 1, m, digits);
        fraction = digits - whole;
    }
    if (digits == 0 || digits > max_digits) return nullptr;
    int exponent = 0;
    if ((*p | 0x20) == 'e') {
        ++p;
        bool down = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        // Four digits are more than any exponent read here needs; more go to the general path.
        int n = 0;
        for (; static_cast<unsigned>(*p - '0') < 10; ++p, ++n) {
            if (n == 4) return nullptr;
            exponent = exponent * 10 + (*p - '0');
        }
        if (n == 0) return nullptr;
        if (down) exponent = -exponent;
    }
    if (!ends_number(*p)) return nullptr;
    exponent -= fraction;
    if (m > (std::uint64_t{1} << 53) || exponent < -max_exact_power || exponent > max_exact_power)
        return nullptr;
    // The sign goes on before the one rounding, as strtod rounds the signed value.
    double v = negative ? -static_cast<double>(m) : static_cast<double>(m);
    value = exponent < 0 ? v / pow10_exact[-exponent] : v * pow10_exact[exponent];
    return p;
}

// Reads a decimal integer at s as strtol does, followed by white space or a NUL, when it has
// at most 10 digits and fits in 32 bits; otherwise nullptr.
inline const char *integer(const char *s, int &value) {
    auto [p, negative, m, digits] = lead(s);
    if (digits == 0 || digits > 10 || !ends_number(*p)) return nullptr;
    if (m > std::uint64_t{INT_MAX} + negative) return nullptr;
    auto signed_m = static_cast<std::int64_t>(m);
    value = static_cast<int>(negative ? -signed_m : signed_m);
    return p;
}

} // namespace bk::short_decimal
