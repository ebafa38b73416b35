// libFuzzer target: parse_real and parse_int must agree with strtod and strtol (and the 32-bit
// range) on the same text: the same value to the bit (for NaN: NaN with the same sign), the
// same number of characters taken, the same failures. The NumberReader, fed the same bytes
// through a file in blocks of a size the input picks, must give what strtod and strtol give
// stepping through the text.
//
// Input: byte 0 picks the reader's block size, bytes 1 to 4 are 32 bits that say, read by read,
// whether to ask for a real or an integer; the rest is the text. Keep inputs well below the
// reader's token limit (-max_len).
#include "numread.hpp"

#include <bit>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct result {
    bool ok = false;
    double real = 0;
    int integer = 0;
    std::size_t taken = 0;
};

bool same_real(double a, double b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool same(const result &a, const result &b, bool real) {
    if (a.ok != b.ok) return false;
    if (!a.ok) return true;
    return real ? same_real(a.real, b.real) : a.integer == b.integer;
}

result want(const char *s, bool real) {
    result r;
    char *stop;
    if (real) {
        r.real = std::strtod(s, &stop);
    } else {
        errno = 0;
        long v = std::strtol(s, &stop, 10);
        if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return {};
        r.integer = static_cast<int>(v);
    }
    if (stop == s) return {};
    r.ok = true;
    r.taken = static_cast<std::size_t>(stop - s);
    return r;
}

result got(const char *s, bool real) {
    result r;
    const char *stop = nullptr;
    r.ok = real ? bk::parse_real(s, r.real, &stop) : bk::parse_int(s, r.integer, &stop);
    if (r.ok) r.taken = static_cast<std::size_t>(stop - s);
    return r;
}

void check_text(const char *s) {
    for (bool real : {true, false}) {
        result w = want(s, real), g = got(s, real);
        if (!same(w, g, real) || w.taken != g.taken) std::abort();
    }
}

int text_file() {
    static int fd = memfd_create("fuzz_numread", 0);
    if (fd < 0) std::abort();
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 5) return 0;
    static const std::size_t blocks[] = {1, 2, 3, 4, 5, 7, 8, 16, 31, 64, 100, 4096, 1 << 16};
    std::size_t block = blocks[data[0] % (sizeof blocks / sizeof blocks[0])];
    std::uint32_t kinds;
    std::memcpy(&kinds, data + 1, 4);
    std::string text(reinterpret_cast<const char *>(data + 5), size - 5);

    // Every start within the first bytes, so that each token is tried alone too.
    for (std::size_t i = 0; i < text.size() && i < 64; ++i) check_text(text.c_str() + i);

    int fd = text_file();
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
    bk::NumberReader reader(fd, block);
    // After a failure both sides stay where they were, so reading goes on with the other kind;
    // the loop ends at the end of the text or after a few failures in a row.
    std::size_t pos = 0;
    for (int read = 0, failures = 0; failures < 4; ++read) {
        bool real = kinds >> (read % 32) & 1;
        result w = want(text.c_str() + pos, real);
        result g;
        g.ok = real ? reader.real(g.real) : reader.integer(g.integer);
        if (!same(w, g, real)) std::abort();
        if (w.ok) {
            pos += w.taken;
            failures = 0;
        } else {
            ++failures;
        }
    }
    return 0;
}
