#include "pass.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TempName, GoesBeforeTheLastFourCharacters) {
    EXPECT_EQ(temp_name("out.img"), "out_morphTEMP.img");
    EXPECT_EQ(temp_name("abcd"), "_morphTEMPabcd");
    EXPECT_EQ(temp_name("abcde"), "a_morphTEMPbcde");
    EXPECT_EQ(temp_name("o; touch pwned.dat"), "o; touch pwned_morphTEMP.dat");
}

// Only the file name after the last '/' is cut, so the temporary file stays in the output's
// folder; within it, a multi-byte character near the end is split like any other bytes.
TEST(TempName, CutsTheFileNameOnly) {
    EXPECT_EQ(temp_name("dir/file.dat"), "dir/file_morphTEMP.dat");
    EXPECT_EQ(temp_name("a/bcd"), "a/_morphTEMPbcd");
    EXPECT_EQ(temp_name("sub dir/ab"), "sub dir/_morphTEMPab");
    EXPECT_EQ(temp_name("/a/b/c"), "/a/b/_morphTEMPc");
    EXPECT_EQ(temp_name("out/"), "out/_morphTEMP");
    EXPECT_EQ(temp_name("x\xc3\xa9xyz"), "x\xc3_morphTEMP\xa9xyz");
    EXPECT_EQ(temp_name(std::string("ab\0de", 5)), std::string("a_morphTEMPb\0de", 15));
}

TEST(TempName, IsTenLonger) {
    std::string name(5000, 'n');
    std::string temp = temp_name(name);
    EXPECT_EQ(temp.size(), name.size() + 10);
    EXPECT_EQ(temp.compare(0, 4996, name, 0, 4996), 0);
    EXPECT_EQ(temp.compare(5006, 4, "nnnn"), 0);
}

TEST(TempName, ShortNamesGetThePrefix) {
    EXPECT_EQ(temp_name("abc"), "_morphTEMPabc");
    EXPECT_EQ(temp_name(""), "_morphTEMP");
}

} // namespace
