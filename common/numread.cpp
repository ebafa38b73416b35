#include "numread.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace bk {

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool parse_real(const char *s, double &value, const char **end)
{
    char *stop = nullptr;
    double v = std::strtod(s, &stop);
    if (stop == s) return false;
    value = v;
    if (end) *end = stop;
    return true;
}

bool parse_int(const char *s, int &value, const char **end)
{
    char *stop = nullptr;
    int saved = errno;
    errno = 0;
    long v = std::strtol(s, &stop, 10);
    bool overflow = errno == ERANGE;
    errno = saved;
    if (stop == s || overflow || v < INT_MIN || v > INT_MAX) return false;
    value = static_cast<int>(v);
    if (end) *end = stop;
    return true;
}

NumberReader::NumberReader(int fd) : fd_(fd), buf_((1 << 16) + 1) {}

// Reads more bytes after len_, growing the buffer only when one token fills it.
bool NumberReader::refill()
{
    if (eof_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, len_ - pos_);
        len_ -= pos_;
        pos_ = 0;
    }
    if (len_ + 1 == buf_.size()) buf_.resize(buf_.size() * 2);
    for (;;) {
        ssize_t n = ::read(fd_, buf_.data() + len_, buf_.size() - 1 - len_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            eof_ = true;
            buf_[len_] = '\0';
            return false;
        }
        len_ += static_cast<std::size_t>(n);
        buf_[len_] = '\0';
        return true;
    }
}

// Skips white space and makes sure the whole token up to the next white space (or the end
// of input) is in the buffer, so that a number is never cut at a block boundary.
bool NumberReader::fill_token()
{
    for (;;) {
        while (pos_ < len_ && is_space(buf_[pos_])) ++pos_;
        if (pos_ < len_) break;
        pos_ = len_ = 0;
        if (!refill()) return false;
    }
    std::size_t scan = pos_;
    for (;;) {
        while (scan < len_ && !is_space(buf_[scan])) ++scan;
        if (scan < len_ || eof_) return true;
        std::size_t offset = scan - pos_;
        if (!refill()) return true;
        scan = pos_ + offset;
    }
}

bool NumberReader::real(double &value)
{
    if (!fill_token()) return false;
    const char *end = nullptr;
    if (!parse_real(buf_.data() + pos_, value, &end)) return false;
    pos_ = static_cast<std::size_t>(end - buf_.data());
    return true;
}

bool NumberReader::integer(int &value)
{
    if (!fill_token()) return false;
    const char *end = nullptr;
    if (!parse_int(buf_.data() + pos_, value, &end)) return false;
    pos_ = static_cast<std::size_t>(end - buf_.data());
    return true;
}

} // namespace bk
