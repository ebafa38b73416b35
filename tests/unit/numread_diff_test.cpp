// The number reader against strtod and strtol on the same text: every value (to the bit),
// every count of characters taken and every failure must agree.
#include "numread.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Result {
    bool ok = false;
    std::uint64_t bits = 0; // the value's bits, or the int
    std::size_t taken = 0;
    bool operator==(const Result &) const = default;
};

std::ostream &operator<<(std::ostream &os, const Result &r) {
    return os << (r.ok ? "ok " : "fail ") << std::hex << r.bits << std::dec << " taken " << r.taken;
}

Result want_real(const char *s) {
    char *stop;
    double v = std::strtod(s, &stop);
    if (stop == s) return {};
    return {true, std::bit_cast<std::uint64_t>(v), static_cast<std::size_t>(stop - s)};
}

Result want_int(const char *s) {
    char *stop;
    errno = 0;
    long v = std::strtol(s, &stop, 10);
    if (stop == s || errno == ERANGE || v < INT_MIN || v > INT_MAX) return {};
    return {true, static_cast<std::uint64_t>(v), static_cast<std::size_t>(stop - s)};
}

Result got_real(const char *s) {
    double v;
    const char *stop;
    if (!bk::parse_real(s, v, &stop)) return {};
    return {true, std::bit_cast<std::uint64_t>(v), static_cast<std::size_t>(stop - s)};
}

Result got_int(const char *s) {
    int v;
    const char *stop;
    if (!bk::parse_int(s, v, &stop)) return {};
    return {true, static_cast<std::uint64_t>(long{v}), static_cast<std::size_t>(stop - s)};
}

const std::vector<std::string> awkward = {
    "", "+", "-", ".", "+.", "-.", "e", "e5", ".e1", "-.e1", "1e", "1e+", "1e-", "1E+5", "1e+5x",
    "1.", "-1.", ".5", "-.5", "+.5", "1..2", "1.2.3", "1e5e5", "1e0005", "00001", "-0", "+0",
    "-0.0e-5", "0x", "-0x", "+0x", "0x1", "0X1P4", "0x1p", "0x1p-", "0x.8p1", "0x1.8p1x", "-0x10",
    "+0x10", "0xg", "00x1", "0.5x1", "1x", "x1", "inf", "-inf", "+inf", "INF", "infinity",
    "-Infinity", "infinit", "infx", "in", "i", "nan", "-nan", "+nan", "NaN", "nan(", "nan()",
    "nan(abc)", "nan(0x12)", "-nan(123)x", "nan(a-b)", "nanx", "na", "n",
    // Range edges: overflow, underflow to zero and to denormals.
    "1e400", "-1e400", "1e-400", "-1e-400", "4.9e-324", "2.4703282292062327e-324",
    "2.4703282292062328e-324", "2.5e-324", "1e-310", "2.2250738585072011e-308",
    "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623158e308",
    "1.797693134862315807e308", "1.7976931348623159e308", "0e999999", "1e-99999999999",
    "1e99999999999", "9007199254740993", "9007199254740992.5", "0.1", "0.30000000000000004",
    // Integer edges.
    "2147483647", "2147483648", "-2147483648", "-2147483649", "+2147483647", "+2147483648",
    "4294967296", "9223372036854775807", "9223372036854775808", "-9223372036854775809",
    "99999999999999999999", "+-1", "-+1", "--1", "++1", "- 1", "1 2", "\t 7", "\n\v\f\r-3",
    // The limits of the exact short decimals: a mantissa of 2^53, and powers of ten to 22.
    "9007199254740992", "-9007199254740993", "900719925474099.3", "9007199254740992e22",
    "9007199254740992e-22", "9007199254740993e-22", "1e22", "1e23", "-1e-22", "1e-23", "10e21",
    "0.1e23", "100e-24", "123456789.12345678e-10", "1234567890123456789", "12345678901234567890",
    "-0.00000000000000000001", "0000000000000000000012.5", "+0.0e-0", "-0e-99", "1.e5", "+.5e-3",
    "5e0022", "5e00022", "1e+000", "4869041.394", "0.000", "18446744073709551617",
    "-1844674407370955161.7e-2",
    // Long digit strings, where exact rounding needs all the digits.
    std::string(800, '9'), "0." + std::string(400, '0') + "1", std::string(500, '0') + "1.5",
    "1." + std::string(700, '0') + "1e-5",
    "2.47032822920623272088284396434110686182529901307"
    "16292e-324"};

TEST(NumberText, AwkwardTokensAgreeWithStrtodAndStrtol) {
    for (const std::string &t : awkward) {
        for (const std::string &s : {t, " " + t, t + " 5", t + "\n"}) {
            EXPECT_EQ(got_real(s.c_str()), want_real(s.c_str())) << "'" << s << "'";
            EXPECT_EQ(got_int(s.c_str()), want_int(s.c_str())) << "'" << s << "'";
        }
    }
}

// Tokens built from the pieces of a number, each piece present or not, well formed or not.
std::string random_token(std::mt19937_64 &rng) {
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    auto digits = [&](std::size_t n) {
        std::string d;
        for (std::size_t i = 0; i < n; ++i) d += static_cast<char>('0' + pick(10));
        return d;
    };
    std::string t;
    switch (pick(9)) {
    case 0: { // any characters that may take part in a number
        static const char alphabet[] = "0123456789+-.eExXpPinfatyINFATY()";
        for (std::size_t n = pick(12); n > 0; --n) t += alphabet[pick(sizeof alphabet - 1)];
        return t;
    }
    case 1: { // the exact text of a random double, or a hex one
        double v = std::bit_cast<double>(static_cast<std::uint64_t>(rng()));
        char buf[64];
        static const char *const formats[] = {"%.17g", "%a", "%.3f", "%.0e", "%.25e"};
        std::snprintf(buf, sizeof buf, formats[pick(5)], v);
        return buf;
    }
    case 2: // integers near the 32-bit edges
        return std::to_string((pick(2) ? INT_MAX : INT_MIN) + static_cast<long long>(pick(5)) - 2);
    case 3: { // decimals around the limits of the exact short ones: 16 to 20 digits, a
              // mantissa near 2^53, powers of ten near 22 either way, and subnormals
        static const char *const signs[] = {"", "-", "+"};
        t += signs[pick(3)];
        std::string m;
        switch (pick(4)) {
        case 0:
            m = std::to_string((1ULL << 53) + pick(5) - 2);
            break;
        case 1:
            m = digits(1 + pick(20));
            break;
        case 2:
            m = std::to_string(rng() >> pick(64));
            break;
        default: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.*g", static_cast<int>(1 + pick(17)),
                          std::ldexp(static_cast<double>(rng() >> 11),
                                     -1074 - 53 + static_cast<int>(pick(60))));
            return t + buf;
        }
        }
        std::size_t point = pick(m.size() + 2);
        if (point <= m.size()) m.insert(m.begin() + static_cast<std::ptrdiff_t>(point), '.');
        t += m;
        if (pick(3)) {
            t += 'e';
            t += std::to_string(static_cast<int>(pick(51)) - 25);
        }
        return t;
    }
    default:
        break;
    }
    static const char *const signs[] = {"", "", "+", "-"};
    t += signs[pick(4)];
    t += digits(pick(25));
    if (pick(2)) t += '.';
    if (pick(2)) t += digits(pick(25));
    if (pick(2)) {
        t += "eE"[pick(2)];
        if (pick(2)) t += "+-"[pick(2)];
        t += digits(pick(5));
    }
    if (pick(4) == 0) t += "x.e+-0"[pick(6)];
    return t;
}

TEST(NumberText, RandomTokensAgreeWithStrtodAndStrtol) {
    std::mt19937_64 rng(1234);
    for (int i = 0; i < 200000; ++i) {
        std::string s = random_token(rng);
        ASSERT_EQ(got_real(s.c_str()), want_real(s.c_str())) << "'" << s << "'";
        ASSERT_EQ(got_int(s.c_str()), want_int(s.c_str())) << "'" << s << "'";
    }
}

// A whole stream read through the reader in blocks of every small size, so that tokens are
// cut at every place, against strtod and strtol stepping through the same text.
TEST(NumberReader, StreamsAgreeWithStrtodAndStrtolAtAnyBlockSize) {
    std::mt19937_64 rng(99);
    static const char *const spaces[] = {" ", "\n", "\t", "  \r\n", "\v\f", " \0 "};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = 0; i < 60; ++i) {
            std::size_t which = rng() % 3;
            text += which == 0 ? awkward[rng() % awkward.size()] : random_token(rng);
            std::size_t sp = rng() % (round % 10 == 0 ? 6 : 5); // sometimes a NUL byte
            text.append(spaces[sp], sp == 5 ? 3 : std::char_traits<char>::length(spaces[sp]));
        }
        std::vector<bool> as_real;
        for (int i = 0; i < 200; ++i) as_real.push_back(rng() % 3 != 0);

        std::vector<Result> want;
        std::size_t pos = 0;
        for (bool real : as_real) {
            while (pos < text.size() && std::strchr(" \t\n\v\f\r", text[pos]) && text[pos] != 0)
                ++pos;
            Result r = real ? want_real(text.c_str() + pos) : want_int(text.c_str() + pos);
            pos += r.taken;
            want.push_back(r);
        }

        for (std::size_t block : {1, 2, 3, 5, 8, 13, 64, 1 << 16}) {
            std::FILE *file = std::tmpfile();
            std::fwrite(text.data(), 1, text.size(), file);
            std::fflush(file);
            std::rewind(file);
            bk::NumberReader reader(fileno(file), block);
            // What each read takes shows in where the next one starts.
            for (std::size_t i = 0; i < as_real.size(); ++i) {
                Result r;
                if (as_real[i]) {
                    double v;
                    if (reader.real(v)) r = {true, std::bit_cast<std::uint64_t>(v)};
                } else {
                    int v;
                    if (reader.integer(v)) r = {true, static_cast<std::uint64_t>(long{v})};
                }
                ASSERT_EQ(r, (Result{want[i].ok, want[i].bits}))
                    << "read " << i << " block " << block << " of:\n"
                    << text;
            }
            std::fclose(file);
        }
    }
}

} // namespace
