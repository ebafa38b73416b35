#include "output.hpp"

#include "diag.hpp"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace bk {

namespace {
char buffer[1 << 16];
std::size_t used = 0;

void drain()
{
    if (write_all(STDOUT_FILENO, buffer, used) != used) die_errno("write error", errno);
    used = 0;
}
} // namespace

std::size_t write_all(int fd, const void *data, std::size_t size)
{
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

void out_write(std::string_view bytes)
{
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

void out_flush()
{
    if (used > 0) drain();
}

} // namespace bk
