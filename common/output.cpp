#include "output.hpp"

#include "diag.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unistd.h>

namespace bk {

namespace {
char buffer[1 << 16];
std::size_t used = 0;

void drain() {
    if (write_all(STDOUT_FILENO, buffer, used) != used) die_errno("write error", errno);
    used = 0;
}
} // namespace

std::size_t write_all(int fd, const void *data, std::size_t size) {
    const char *p = static_cast<const char *>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) {
            errno = EIO;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void out_write(std::string_view bytes) {
    if (bytes.size() > sizeof buffer - used) {
        drain();
        if (bytes.size() >= sizeof buffer) {
            if (write_all(STDOUT_FILENO, bytes.data(), bytes.size()) != bytes.size())
                die_errno("write error", errno);
            return;
        }
    }
    std::memcpy(buffer + used, bytes.data(), bytes.size());
    used += bytes.size();
}

char *format_whole(char *out, double v) {
    const char *special = nullptr;
    if (std::isnan(v))
        special = std::signbit(v) ? "-nan" : "nan";
    else if (std::isinf(v))
        special = v < 0 ? "-inf" : "inf";
    if (special) {
        std::size_t n = std::strlen(special);
        std::memcpy(out, special, n);
        return out + n;
    }
    // Below 2^63 the rounded value fits in 64 bits, and rint rounds halves to even in the
    // default rounding mode, as printf does; above 2^53 every double is whole already.
    if (std::fabs(v) < 0x1p63) {
        if (std::signbit(v)) *out++ = '-';
        auto whole = static_cast<std::uint64_t>(std::fabs(std::rint(v)));
        return std::to_chars(out, out + 20, whole).ptr;
    }
    return std::to_chars(out, out + whole_text_size, v, std::chars_format::fixed, 0).ptr;
}

void out_flush() {
    if (used > 0) drain();
}

} // namespace bk
