#include "numread.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

struct Input {
    explicit Input(const std::string &text) : file(std::tmpfile()) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fflush(file);
        std::rewind(file);
    }
    ~Input() { std::fclose(file); }
    int fd() const { return fileno(file); }
    FILE *file;
};

TEST(ParseReal, TakesTheLongestLeadingNumber) {
    double v = 0;
    const char *end = nullptr;
    const char *s = "  3x";
    ASSERT_TRUE(bk::parse_real(s, v, &end));
    EXPECT_EQ(v, 3.0);
    EXPECT_EQ(end, s + 3);
    EXPECT_FALSE(bk::parse_real("x3", v));
    EXPECT_FALSE(bk::parse_real("", v));
    EXPECT_FALSE(bk::parse_real("-", v));
    EXPECT_FALSE(bk::parse_real(".", v));
    ASSERT_TRUE(bk::parse_real("0x1p4", v));
    EXPECT_EQ(v, 16.0);
    ASSERT_TRUE(bk::parse_real("-inf", v));
    EXPECT_EQ(v, -INFINITY);
    ASSERT_TRUE(bk::parse_real("nan", v));
    EXPECT_TRUE(std::isnan(v));
    ASSERT_TRUE(bk::parse_real("1e999", v));
    EXPECT_EQ(v, INFINITY);
    ASSERT_TRUE(bk::parse_real("-0", v));
    EXPECT_TRUE(std::signbit(v));
    ASSERT_TRUE(bk::parse_real("5e+", v, &end));
    EXPECT_EQ(v, 5.0);
    EXPECT_STREQ(end, "e+");
}

TEST(ParseInt, RefusesWhatDoesNotFitIn32Bits) {
    int v = 7;
    EXPECT_TRUE(bk::parse_int("2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(bk::parse_int("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    v = 7;
    EXPECT_FALSE(bk::parse_int("2147483648", v));
    EXPECT_FALSE(bk::parse_int("4294967297", v));
    EXPECT_FALSE(bk::parse_int("-2147483649", v));
    EXPECT_FALSE(bk::parse_int("99999999999999999999999", v));
    EXPECT_EQ(v, 7);
    const char *end = nullptr;
    ASSERT_TRUE(bk::parse_int(" +12.5", v, &end));
    EXPECT_EQ(v, 12);
    EXPECT_STREQ(end, ".5");
    ASSERT_TRUE(bk::parse_int("0x10", v, &end));
    EXPECT_EQ(v, 0);
    EXPECT_STREQ(end, "x10");
    EXPECT_FALSE(bk::parse_int("+", v));
    EXPECT_FALSE(bk::parse_int("x1", v));
}

TEST(NumberReader, NextNumberStartsRightAfterTheLast) {
    Input in("3x 4\n");
    bk::NumberReader r(in.fd());
    int i = 0;
    ASSERT_TRUE(r.integer(i));
    EXPECT_EQ(i, 3);
    EXPECT_FALSE(r.integer(i));

    Input in2("1.5.25\t\n-7");
    bk::NumberReader r2(in2.fd());
    double d = 0;
    ASSERT_TRUE(r2.real(d));
    EXPECT_EQ(d, 1.5);
    ASSERT_TRUE(r2.real(d));
    EXPECT_EQ(d, 0.25);
    ASSERT_TRUE(r2.integer(i));
    EXPECT_EQ(i, -7);
    EXPECT_FALSE(r2.integer(i));
    EXPECT_FALSE(r2.real(d));
}

TEST(NumberReader, TokensAcrossBlockBoundariesAndLongerThanABlock) {
    // Numbers placed so that each straddles a 64 KiB block edge, and one of 200000 digits.
    std::string text;
    std::vector<double> want;
    for (int k = 1; k <= 4; ++k) {
        text.append(65536 * k - text.size() - 3, ' ');
        text += "123.456e-2 ";
        want.push_back(123.456e-2);
    }
    text += std::string(200000, '0') + "42.5 ";
    want.push_back(42.5);
    text += "0x1.8p1";
    want.push_back(3.0);

    Input in(text);
    bk::NumberReader r(in.fd());
    for (double w : want) {
        double d = 0;
        ASSERT_TRUE(r.real(d));
        EXPECT_EQ(d, w);
    }
    double d;
    EXPECT_FALSE(r.real(d));
}

// The reader keeps at most max_token bytes of one token, so endless text without white space
// cannot exhaust memory; a number it cannot tell within them does not read.
TEST(NumberReader, TokensPastTheLimit) {
    const std::size_t big = bk::NumberReader::max_token * 2;
    struct Case {
        std::string text;
        bool reads;
        double value;
    };
    const Case cases[] = {
        {std::string(big, 'x'), false, 0},
        {std::string(big, '\0'), false, 0},
        {"1.5" + std::string(big, 'x'), true, 1.5},
        {"-inf" + std::string(big, 'x'), true, -INFINITY},
        {"0x1p4" + std::string(big, 'g'), true, 16},
        {std::string(bk::NumberReader::max_token - 8, '0') + "42.5 ", true, 42.5},
        {std::string(big, '0') + "1 ", false, 0}, // strtod would take it
        {"1." + std::string(big, '0') + " ", false, 0},
        {"nan(" + std::string(big, 'a') + ") ", false, 0},
    };
    for (const Case &c : cases) {
        Input in(c.text + " 7");
        bk::NumberReader r(in.fd());
        double d = 0;
        ASSERT_EQ(r.real(d), c.reads) << c.text.substr(0, 20);
        if (c.reads) {
            EXPECT_EQ(d, c.value) << c.text.substr(0, 20);
        }
    }
    Input in(std::string(big, '0') + "7 ");
    bk::NumberReader r(in.fd());
    int i;
    EXPECT_FALSE(r.integer(i));
}

TEST(NumberReader, ReadErrorCountsAsEnd) {
    bk::NumberReader r(-1);
    int i;
    EXPECT_FALSE(r.integer(i));
}

} // namespace
