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

// What a pipe is grown to for a long copy: the usual limit for any user.
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

std::uint64_t limit_to_own_output(int in, int out, std::uint64_t wanted) {
    struct stat from, to;
    if (fstat(in, &from) != 0 || fstat(out, &to) != 0 || !S_ISREG(from.st_mode) ||
        from.st_dev != to.st_dev || from.st_ino != to.st_ino)
        return wanted;
    off_t at = lseek(in, 0, SEEK_CUR);
    if (at < 0 || at >= from.st_size) return 0;
    return std::min(wanted, static_cast<std::uint64_t>(from.st_size - at));
}

// Writes the bytes waiting in the pipe at fd through the buffer, for when out refuses them by
// splice. False, with errno set, when a write fails.
static bool drain(int fd, int out, std::size_t left, std::uint64_t &copied) {
    while (left > 0) {
        ssize_t got = read(fd, buffer, std::min(left, sizeof buffer));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            // The pipe gave back less than it holds, which it should never do.
            if (got == 0) errno = EIO;
            return false;
        }
        auto size = static_cast<std::size_t>(got);
        std::size_t put = bk::write_all(out, buffer, size);
        copied += put;
        if (put < size) return false;
        left -= size;
    }
    return true;
}

// Moves bytes to a regular file through a pipe of its own: page references go in, and each
// splice out copies up to a megabyte at once, where sendfile's inner pipe takes 64 KiB. Stops
// at the first refusal or 0 on the way in and leaves the rest of wanted to the caller; false,
// with errno set, only when bytes already taken from in cannot be written.
static bool relay(int in, int out, std::uint64_t &wanted, std::uint64_t &copied) {
    int p[2];
    if (pipe2(p, O_CLOEXEC) == -1) return true;
    fcntl(p[1], F_SETPIPE_SZ, pipe_size);
    int capacity = fcntl(p[1], F_GETPIPE_SZ);
    bool ok = capacity > 0, refused = !ok;
    while (wanted > 0 && !refused) {
        auto ask = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, capacity));
        ssize_t n = splice(in, nullptr, p[1], nullptr, ask, 0);
        if (n <= 0) break;
        wanted -= static_cast<std::uint64_t>(n);
        auto left = static_cast<std::size_t>(n);
        while (left > 0) {
            ssize_t m = splice(p[0], nullptr, out, nullptr, left, 0);
            if (m <= 0) break;
            copied += static_cast<std::uint64_t>(m);
            left -= static_cast<std::size_t>(m);
        }
        if (left > 0) {
            refused = true;
            ok = drain(p[0], out, left, copied);
        }
    }
    int err = errno;
    close(p[0]);
    close(p[1]);
    errno = err;
    return ok;
}

bool copy_range(int in, int out, std::uint64_t wanted, std::uint64_t &copied) {
    // The kernel moves the bytes itself where it can: through a pipe of our own for a long copy
    // to a regular file, by sendfile otherwise. Any refusal, or a 0 that may only mean "not
    // this way", hands the rest to read and write, which then give the true end or error.
    struct stat st;
    bool known = fstat(out, &st) == 0;
    if (known && S_ISREG(st.st_mode) && wanted > sizeof buffer) {
        if (!relay(in, out, wanted, copied)) return false;
    } else if (known) {
        // A 64 KiB pipe makes the copy wait for its reader every 16 pages. It is only ever
        // grown, and a refusal changes nothing.
        int capacity = S_ISFIFO(st.st_mode) ? fcntl(out, F_GETPIPE_SZ) : 0;
        if (capacity > 0 && capacity < pipe_size && wanted > static_cast<std::uint64_t>(capacity))
            fcntl(out, F_SETPIPE_SZ, pipe_size);
        while (wanted > 0) {
            auto ask = static_cast<std::size_t>(std::min(wanted, kernel_step));
            ssize_t n = sendfile(out, in, nullptr, ask);
            if (n <= 0) break;
            copied += static_cast<std::uint64_t>(n);
            wanted -= static_cast<std::uint64_t>(n);
        }
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
