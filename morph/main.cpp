// morph (stand-in): a one-dimensional grey-level filter over the bytes of each line.
// "+N" replaces every byte with the largest, "-N" with the smallest, of the N bytes centred
// on it; windows stop at a newline and at the ends of the file, and newlines stay as they are.
#include "diag.hpp"
#include "output.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

static const char usage[] = "morph: usage: morph <source> <output> [+|-][5|7|9|19|27] 2\n";

int main(int argc, char **argv) {
    bk::diag_init("morph", 1);
    if (argc != 5 || std::strcmp(argv[4], "2") != 0) bk::die(usage);
    const char *op = argv[3];
    static const char *const widths[] = {"5", "7", "9", "19", "27"};
    bool known = false;
    for (const char *w : widths)
        if ((op[0] == '+' || op[0] == '-') && std::strcmp(op + 1, w) == 0) known = true;
    if (!known) bk::die(usage);
    bool grow = op[0] == '+';
    std::size_t reach = static_cast<std::size_t>(std::atoi(op + 1) / 2);

    std::string source = argv[1];
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0) bk::die_errno(("cannot open " + source).c_str(), errno);
    std::vector<unsigned char> in;
    unsigned char block[1 << 16];
    for (;;) {
        ssize_t n = read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) bk::die_errno(("cannot read " + source).c_str(), errno);
        if (n == 0) break;
        in.insert(in.end(), block, block + n);
    }
    close(fd);

    std::vector<unsigned char> out(in.size());
    std::size_t line = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '\n') {
            out[i] = '\n';
            line = i + 1;
            continue;
        }
        std::size_t lo = std::max(line, i >= reach ? i - reach : 0);
        unsigned char v = in[i];
        for (std::size_t j = lo; j <= i + reach && j < in.size() && in[j] != '\n'; ++j)
            v = grow ? std::max(v, in[j]) : std::min(v, in[j]);
        out[i] = v;
    }

    std::string target = argv[2];
    fd = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) bk::die_errno(("cannot create " + target).c_str(), errno);
    if (bk::write_all(fd, out.data(), out.size()) != out.size())
        bk::die_errno(("cannot write " + target).c_str(), errno);
    if (close(fd) != 0) bk::die_errno(("cannot write " + target).c_str(), errno);
    return 0;
}
