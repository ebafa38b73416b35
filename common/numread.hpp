// Number reading shared by the tools. A number is the longest leading text, after white
// space, that strtod (reals) or strtol in base 10 (integers) takes; what follows it is left
// for the next read. So "3x" reads 3 and "x3" fails. Integers must fit in 32 bits: a value
// outside that range does not read, rather than silently wrapping.
#pragma once

#include <cstddef>
#include <vector>

namespace bk {

// s must be NUL-terminated. On success stores the value, sets *end (if given) just past the
// number and returns true; on failure returns false and leaves value alone.
bool parse_real(const char *s, double &value, const char **end = nullptr);
bool parse_int(const char *s, int &value, const char **end = nullptr);

// Reads numbers from a file descriptor in large blocks, with the same results as parse_real
// and parse_int on the whole text, in bounded memory: of a token (a run of text without
// white space) it keeps the first max_token bytes at most, and a number that cannot be told
// within them, such as one written with more digits, does not read. Any read error counts
// as the end.
class NumberReader {
  public:
    // block is the size of each read; the buffer grows beyond it only for a longer token.
    explicit NumberReader(int fd, std::size_t block = 1 << 16);
    bool real(double &value);
    bool integer(int &value);

    static constexpr std::size_t max_token = 1 << 20;

  private:
    bool skip_space();
    bool take_short(const char *stop);
    bool general_real(double &value);
    bool general_integer(int &value);
    bool fill_token();
    bool refill();

    int fd_;
    std::vector<char> buf_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
};

} // namespace bk
