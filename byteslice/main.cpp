// byteslice: copy one range of bytes from a file or standard input to standard output.
#include "diag.hpp"
#include "numread.hpp"
#include "slice_copy.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

static std::uint64_t copied_total = 0;

// Reports how the copy ended, the system's reason first when it failed, and exits.
[[noreturn]] static void finish(int status) {
    if (status != 0) std::fprintf(stderr, "%s: %s\n", bk::progname(), std::strerror(errno));
    std::fprintf(stderr, "%llu bytes copied\n", static_cast<unsigned long long>(copied_total));
    std::exit(status);
}

int main(int argc, char **argv) {
    // An exec with no arguments at all leaves no invocation name to show.
    bk::diag_init(argc > 0 && argv[0] ? argv[0] : "byteslice", 1);
    double chunk_offset, chunk_size;
    if (argc < 3 || argc > 5 || !bk::parse_real(argv[1], chunk_offset) ||
        !bk::parse_real(argv[2], chunk_size) || (argc == 5 && std::strcmp(argv[4], "-e") != 0)) {
        std::fprintf(stderr, "Usage: %s chunk_offset chunk_size [file [-e]]\n", bk::progname());
        return 1;
    }
    bool from_end = argc == 5;

    int in = STDIN_FILENO;
    if (argc >= 4) {
        // Like a binary fopen: a directory opens, and its read fails later.
        in = open(argv[3], O_RDONLY);
        if (in < 0) {
            std::fprintf(stderr, "Can't open %s\n", argv[3]);
            return 1;
        }
    }

    // Even a distance of 0 is sought, so a source that cannot seek never gets copied from.
    std::int64_t distance;
    if (!seek_distance(chunk_offset, from_end, distance) ||
        lseek(in, distance, from_end ? SEEK_END : SEEK_CUR) == -1)
        bk::die("seek error\n");

    std::uint64_t wanted = limit_to_own_output(in, STDOUT_FILENO, bytes_wanted(chunk_size));
    if (!copy_range(in, STDOUT_FILENO, wanted, copied_total)) finish(1);
    finish(0);
}
