// passchain: apply morph to a file a number of times, each pass reading what the last wrote.
#include "diag.hpp"
#include "numread.hpp"
#include "pass.hpp"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Renames from to to, or stops the run with the reason.
static void move(const char *from, const char *to) {
    if (std::rename(from, to) == 0) return;
    int err = errno;
    bk::die_errno((std::string("cannot rename ") + from + " to " + to).c_str(), err);
}

int main(int argc, char **argv) {
    bk::diag_init("passchain", 1);
    static const char usage[] = "Usage: passchain <input> <output> <operation> <iterations>\n"
                                " operation: [+|-][5|7|9|19|27]\n";
    if (argc != 5) bk::die(usage);
    int iterations;
    if (!bk::parse_int(argv[4], iterations)) bk::die(usage);
    const char *input = argv[1];
    const char *output = argv[2];
    const char *operation = argv[3];
    if (std::strlen(output) < 4) bk::die(usage);
    const std::string temp = temp_name(output);

    // A SIGCHLD ignored by whoever started us would reap the passes before their status is read.
    std::signal(SIGCHLD, SIG_DFL);

    int status = 0;
    // Set when a pass left no output and the result before it was put back in its place:
    // that file is not the pass's output, so the run stops before the next pass.
    bool restored = false;
    for (int i = 0; i < iterations; ++i) {
        if (i == 0) {
            status |= run_pass(input, output, operation);
            continue;
        }
        struct stat st;
        if (restored || stat(output, &st) != 0) {
            char msg[64];
            std::snprintf(msg, sizeof msg, "passchain failed at iteration %d\n", i);
            bk::die(msg);
        }
        // Past a failed rename, morph would read a source that is not there.
        move(output, temp.c_str());
        status |= run_pass(temp.c_str(), output, operation);
        if (stat(output, &st) == 0) {
            unlink(temp.c_str());
        } else {
            // A pass that wrote nothing must not cost the user the result it started from.
            move(temp.c_str(), output);
            restored = true;
        }
    }
    // The exit keeps the low eight bits, so a pass status of -1 leaves every bit set.
    return status;
}
