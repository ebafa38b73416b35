#include "slice_copy.hpp"

#include "output.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that the system-call cost vanishes, small enough to stay in cache.
char buffer[1 << 17];

// The most a kernel copy is asked for in one call; it may move less.
constexpr std::uint64_t kernel_step = 1 << 30;

// What a pipe on standard output is grown to for a long copy: the usual limit for any user.
constexpr int pipe_size = 1 << 20;

constexpr double two_63 = 9223372036854775808.0;
constexpr double two_64 = 18446744073709551616.0;

} // namespace

std::uint64_t bytes_wanted(double size) {
    if (!(size >= 0.5)) return 0;
    if (size >= two_64) return UINT64_MAX;
    double whole = std::trunc(size);
    auto n = static_cast<std::uint64_t>(whole);
    // Exact: the fraction of a double is itself a double.
    if (size - whole >= 0.5) ++n;
    return n;
}

bool seek_distance(double offset, bool from_end, std::int64_t &distance) {
    // Strict on both sides so that the negation for from_end cannot overflow.
    if (!(offset > -two_63 && offset < two_63)) return false;
    auto whole = static_cast<std::int64_t>(offset);
    distance = from_end ? -whole : whole;
    return true;
}

bool copy_range(int in, int out, std::uint64_t wanted, std::uint64_t &copied) {
    // The kernel moves the bytes itself where it can: copy_file_range between regular files,
    // sendfile to anything else. Any refusal, or a 0 that may only mean "not this way", hands
    // the rest to read and write, which then give the true end of input or the true error.
    enum { file_range, send_file, read_write } way = read_write;
    struct stat st;
    if (fstat(out, &st) == 0) way = S_ISREG(st.st_mode) ? file_range : send_file;
    // A 64 KiB pipe makes the copy wait for its reader every 16 pages. It is only ever grown,
    // and a refusal changes nothing.
    if (way == send_file && S_ISFIFO(st.st_mode)) {
        int capacity = fcntl(out, F_GETPIPE_SZ);
        if (capacity > 0 && capacity < pipe_size && wanted > static_cast<std::uint64_t>(capacity))
            fcntl(out, F_SETPIPE_SZ, pipe_size);
    }
    while (wanted > 0 && way != read_write) {
        auto ask = static_cast<std::size_t>(std::min(wanted, kernel_step));
        ssize_t n = way == file_range ? copy_file_range(in, nullptr, out, nullptr, ask, 0)
                                      : sendfile(out, in, nullptr, ask);
        if (n <= 0) {
            way = way == file_range ? send_file : read_write;
            continue;
        }
        copied += static_cast<std::uint64_t>(n);
        wanted -= static_cast<std::uint64_t>(n);
    }
    while (wanted > 0) {
        auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, sizeof buffer));
        ssize_t got = read(in, buffer, ask);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        auto size = static_cast<std::size_t>(got);
        std::size_t put = bk::write_all(out, buffer, size);
        copied += put;
        if (put < size) return false;
        wanted -= size;
    }
    return true;
}
