#include "slice_copy.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double two_63 = 9223372036854775808.0;
constexpr double two_64 = 18446744073709551616.0;

TEST(BytesWanted, AFractionOfOneHalfOrMoreIsOneMoreByte) {
    EXPECT_EQ(bytes_wanted(10.6), 11u);
    EXPECT_EQ(bytes_wanted(10.4), 10u);
    EXPECT_EQ(bytes_wanted(0.5), 1u);
    EXPECT_EQ(bytes_wanted(0.49), 0u);
    EXPECT_EQ(bytes_wanted(1.5), 2u);
    EXPECT_EQ(bytes_wanted(2.5), 3u);
    EXPECT_EQ(bytes_wanted(7.0), 7u);
    // Adding one half first would round this up to 1.
    EXPECT_EQ(bytes_wanted(0.49999999999999994), 0u);
    EXPECT_EQ(bytes_wanted(4503599627370495.5), 4503599627370496u);
}

TEST(BytesWanted, CountsPastThirtyTwoBits) {
    EXPECT_EQ(bytes_wanted(5e9), 5000000000u);
    EXPECT_EQ(bytes_wanted(4294967296.7), 4294967297u);
    EXPECT_EQ(bytes_wanted(std::nextafter(two_64, 0)), 18446744073709549568u);
}

TEST(BytesWanted, NothingForNaNAndBelowOneHalf) {
    EXPECT_EQ(bytes_wanted(nan), 0u);
    EXPECT_EQ(bytes_wanted(-nan), 0u);
    EXPECT_EQ(bytes_wanted(0.0), 0u);
    EXPECT_EQ(bytes_wanted(-0.0), 0u);
    EXPECT_EQ(bytes_wanted(-5), 0u);
    EXPECT_EQ(bytes_wanted(-inf), 0u);
}

TEST(BytesWanted, EverythingForInfinityAndBeyondSixtyFourBits) {
    EXPECT_EQ(bytes_wanted(inf), UINT64_MAX);
    EXPECT_EQ(bytes_wanted(two_64), UINT64_MAX);
    EXPECT_EQ(bytes_wanted(1e300), UINT64_MAX);
}

std::int64_t distance_of(double offset, bool from_end) {
    std::int64_t d = 12345;
    EXPECT_TRUE(seek_distance(offset, from_end, d)) << offset;
    return d;
}

TEST(SeekDistance, TruncatesTowardZero) {
    EXPECT_EQ(distance_of(2.9, false), 2);
    EXPECT_EQ(distance_of(-0.9, false), 0);
    EXPECT_EQ(distance_of(-1, false), -1);
    EXPECT_EQ(distance_of(-1.9, false), -1);
    EXPECT_EQ(distance_of(3.7, true), -3);
    EXPECT_EQ(distance_of(-0.5, true), 0);
    EXPECT_EQ(distance_of(-5, true), 5);
}

TEST(SeekDistance, ReachesPastThirtyTwoBitsInOneStep) {
    EXPECT_EQ(distance_of(3 * 1073741824.0 + 5, false), 3221225477);
    EXPECT_EQ(distance_of(2147483653, true), -2147483653);
    EXPECT_EQ(distance_of(-2147483649, true), 2147483649);
    EXPECT_EQ(distance_of(std::nextafter(two_63, 0), false), 9223372036854774784);
    EXPECT_EQ(distance_of(-std::nextafter(two_63, 0), true), 9223372036854774784);
}

TEST(SeekDistance, RefusesWhatNoFileOffsetHolds) {
    for (bool from_end : {false, true}) {
        for (double offset : {nan, -nan, inf, -inf, two_63, -two_63, 1e300, -1e300}) {
            std::int64_t d = 12345;
            EXPECT_FALSE(seek_distance(offset, from_end, d)) << offset << " " << from_end;
            EXPECT_EQ(d, 12345);
        }
    }
}

} // namespace
