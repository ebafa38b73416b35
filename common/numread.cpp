#include "numread.hpp"

#include "short_decimal.hpp"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace bk {

namespace {

// Built with BATCHKIT_PLAIN_NUMBERS, every number is read by the general path alone, so that
// what the short path gains can be measured.
#ifdef BATCHKIT_PLAIN_NUMBERS
constexpr bool short_path = false;
#else
constexpr bool short_path = true;
#endif

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

const char *skip_space(const char *s) {
    while (is_space(*s)) ++s;
    return s;
}

// No number goes past white space, so its text ends at the end of the token at most.
const char *token_end(const char *s) {
    while (*s != '\0' && !is_space(*s)) ++s;
    return s;
}

// from_chars agrees with strtod on plain decimal text: an optional '-', digits with an
// optional point, an optional exponent, rounded correctly. It differs on a leading '+', on
// hex, inf and nan forms (it takes "0" of "0x1p4", and drops a NaN's payload), and on values
// beyond the range of a double, where it reports an error and strtod returns infinity, zero
// or a denormal. For those this returns nullptr so that the caller asks strtod; otherwise
// the end of the number.
const char *quick_real(const char *s, const char *end, double &value) {
    const char *p = s;
    if (p < end && *p == '-') ++p;
    if (p == end || !(is_digit(*p) || *p == '.')) return nullptr;
    double v;
    auto [stop, ec] = std::from_chars(s, end, v);
    if (ec != std::errc() || (stop < end && (*stop == 'x' || *stop == 'X'))) return nullptr;
    value = v;
    return stop;
}

// Likewise for strtol in base 10 with the 32-bit limit, where only a leading '+' reads
// differently; failures are left to strtol as well.
const char *quick_int(const char *s, const char *end, int &value) {
    if (s == end || !(is_digit(*s) || *s == '-')) return nullptr;
    int v;
    auto [stop, ec] = std::from_chars(s, end, v, 10);
    if (ec != std::errc()) return nullptr;
    value = v;
    return stop;
}

// s points at no white space, and the whole text of the number lies before end, where a NUL
// or white space stops strtod and strtol. These return the end of the number, or nullptr.
const char *real_at(const char *s, const char *end, double &value) {
    if (const char *stop = quick_real(s, end, value)) return stop;
    char *stop = nullptr;
    double v = std::strtod(s, &stop);
    if (stop == s) return nullptr;
    value = v;
    return stop;
}

const char *int_at(const char *s, const char *end, int &value) {
    if (const char *stop = quick_int(s, end, value)) return stop;
    char *stop = nullptr;
    int saved = errno;
    errno = 0;
    long v = std::strtol(s, &stop, 10);
    bool overflow = errno == ERANGE;
    errno = saved;
    if (stop == s || overflow || v < INT_MIN || v > INT_MAX) return nullptr;
    value = static_cast<int>(v);
    return stop;
}

} // namespace

bool parse_real(const char *s, double &value, const char **end) {
    s = skip_space(s);
    const char *stop = short_path ? short_decimal::real(s, value) : nullptr;
    if (!stop) stop = real_at(s, token_end(s), value);
    if (!stop) return false;
    if (end) *end = stop;
    return true;
}

bool parse_int(const char *s, int &value, const char **end) {
    s = skip_space(s);
    const char *stop = short_path ? short_decimal::integer(s, value) : nullptr;
    if (!stop) stop = int_at(s, token_end(s), value);
    if (!stop) return false;
    if (end) *end = stop;
    return true;
}

NumberReader::NumberReader(int fd, std::size_t block) : fd_(fd), buf_(block + 1) {}

// Reads more bytes after len_, growing the buffer only when one token fills it. The byte
// after the data is always NUL, so that strtod stops there at the latest.
bool NumberReader::refill() {
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

// Skips white space; false at the end of input.
bool NumberReader::skip_space() {
    for (;;) {
        // The NUL after the data stops the scan. In a local, the position is not stored back
        // at every byte.
        const char *data = buf_.data();
        std::size_t pos = pos_;
        while (is_space(data[pos])) ++pos;
        pos_ = pos;
        if (pos < len_) return true;
        pos_ = len_ = 0;
        if (!refill()) return false;
    }
}

// Makes sure the token at pos_, up to the next white space or the end of input, is in the
// buffer, so that a number is never cut at a block boundary. Returns false when the token
// is longer than max_token and only that much of it was gathered.
bool NumberReader::fill_token() {
    std::size_t scan = pos_;
    for (;;) {
        while (scan < len_ && !is_space(buf_[scan])) ++scan;
        if (scan < len_ || eof_) return true;
        if (scan - pos_ >= max_token) return false;
        std::size_t offset = scan - pos_;
        if (!refill()) return true;
        scan = pos_ + offset;
    }
}

// Whether strtod may look beyond what it takes up to a ')' arbitrarily far on.
static bool opens_nan_group(const char *s) {
    if (*s == '+' || *s == '-') ++s;
    return (s[0] | 0x20) == 'n' && (s[1] | 0x20) == 'a' && (s[2] | 0x20) == 'n' && s[3] == '(';
}

// On a token cut at max_token, strtod's answer stands only for a number that ends well
// before the cut: past what it takes it looks a few bytes on at most ("e+", "inity"),
// except within a NaN's "(...)".
static bool decided(const char *s, const char *stop, const char *end, bool whole) {
    return whole || (end - stop >= 8 && !opens_nan_group(s));
}

// The short path decides alone when white space follows the number, or a NUL within the data
// (which ends the text for strtod too), or the end of input. Otherwise the quick parse of the
// buffered text decides alone when the number is followed by three more buffered bytes (the
// longest text that may still turn out not to continue it is an exponent's "e+") or by the
// end of input. Anything else, and every failure, is decided again on the whole token, or on
// as much of it as the reader keeps.
bool NumberReader::real(double &value) {
    if (!skip_space()) return false;
    double v;
    if (short_path && take_short(short_decimal::real(buf_.data() + pos_, v))) {
        value = v;
        return true;
    }
    return general_real(value);
}

// Moves past the number that the short path read, where it decides alone.
bool NumberReader::take_short(const char *stop) {
    if (!stop || (stop == buf_.data() + len_ && !eof_)) return false;
    pos_ = static_cast<std::size_t>(stop - buf_.data());
    return true;
}

bool NumberReader::general_real(double &value) {
    const char *s = buf_.data() + pos_;
    const char *end = buf_.data() + len_;
    double v;
    const char *stop = quick_real(s, end, v);
    if (!stop || (end - stop < 3 && !eof_)) {
        bool whole = fill_token();
        s = buf_.data() + pos_;
        end = buf_.data() + len_;
        stop = real_at(s, end, v);
        if (!stop || !decided(s, stop, end, whole)) return false;
    }
    value = v;
    pos_ = static_cast<std::size_t>(stop - buf_.data());
    return true;
}

bool NumberReader::integer(int &value) {
    if (!skip_space()) return false;
    int v;
    if (short_path && take_short(short_decimal::integer(buf_.data() + pos_, v))) {
        value = v;
        return true;
    }
    return general_integer(value);
}

bool NumberReader::general_integer(int &value) {
    const char *s = buf_.data() + pos_;
    const char *end = buf_.data() + len_;
    int v;
    const char *stop = quick_int(s, end, v);
    if (!stop || (stop == end && !eof_)) {
        bool whole = fill_token();
        s = buf_.data() + pos_;
        end = buf_.data() + len_;
        stop = int_at(s, end, v);
        if (!stop || !decided(s, stop, end, whole)) return false;
    }
    value = v;
    pos_ = static_cast<std::size_t>(stop - buf_.data());
    return true;
}

} // namespace bk
