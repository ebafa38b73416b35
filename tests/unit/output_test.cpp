// format_whole against snprintf's "%.0f", byte for byte.
#include "output.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string want(double v) {
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%.0f", v);
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string got(double v) {
    char buf[bk::whole_text_size];
    return std::string(buf, bk::format_whole(buf, v));
}

TEST(FormatWhole, EdgeValuesPrintAsPrintfDoes) {
    const double inf = std::numeric_limits<double>::infinity();
    const double edges[] = {
        0.0, -0.0, 0.4, -0.4, 0.5, -0.5, 0.5000000000000001, 0.49999999999999994, 1.5, -1.5, 2.5,
        -2.5, 3.5, 65534.5, 65535.5, 0x1p52 - 0.5, 0x1p52 + 1, 0x1p53, 0x1p53 + 2, 0x1p63 - 1024,
        // where the digits go eight at a time
        99999999.5, 99999999.49999999, 1e8, 100000001, 1e15 + 1, 9999999999999998.0, 1e16, 1e16 + 2,
        1e18 + 0x1p7, 0x1p62 + 0x1p10, 0x1p63, -0x1p63, 0x1p64, 1e15 + 0.5, 1e300, -1e300, 1e23,
        DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, inf, -inf, std::nan(""),
        -std::nan(""), std::nan("0x123"), std::bit_cast<double>(std::uint64_t{0xfff0000000000001})};
    for (double v : edges) EXPECT_EQ(got(v), want(v)) << std::hexfloat << v;
}

TEST(FormatWhole, RandomValuesPrintAsPrintfDoes) {
    std::mt19937_64 rng(42);
    for (int i = 0; i < 300000; ++i) {
        double v;
        switch (i % 4) {
        case 0: // any bits: every exponent, NaN payloads, denormals
            v = std::bit_cast<double>(static_cast<std::uint64_t>(rng()));
            break;
        case 1: // halves, where rounding to even shows
            v = static_cast<double>(static_cast<std::int64_t>(rng() >> 12) - (1LL << 51)) + 0.5;
            break;
        case 2: // the range spanfuse mostly prints
            v = std::uniform_real_distribution<double>(-1e7, 1e7)(rng);
            break;
        default: // every magnitude whose digits are all written, each length of them
            v = std::ldexp(std::uniform_real_distribution<double>(1, 2)(rng),
                           static_cast<int>(rng() % 66)) *
                (rng() % 2 ? 1 : -1);
            break;
        }
        ASSERT_EQ(got(v), want(v)) << std::hexfloat << v;
    }
}

} // namespace
