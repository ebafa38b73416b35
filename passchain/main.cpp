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

[[noreturn]] static void failed_at(int iteration) {
    char msg[64];
    std::snprintf(msg, sizeof msg, "passchain failed at iteration %d\n", iteration);
    bk::die(msg);
}

[[noreturn]] static void cannot_rename(const char *from, const char *to, int err) {
    bk::die_errno((std::string("cannot rename ") + from + " to " + to).c_str(), err);
}

// Whether both names lead to one existing file: f, ./f, a hard link or a symbolic link to it.
static bool same_file(const char *a, const char *b) {
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
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

    // Handed one file as source and output, a morph that creates its output before reading
    // its source would empty it; so in place the first pass, too, reads a file moved aside.
    const bool in_place = same_file(input, output);
    // Moving the output aside would replace a file by the temporary name (the input itself,
    // maybe), which the pass would then delete. Checked before anything runs, so that a
    // refused run changes nothing.
    struct stat st;
    if ((iterations > 1 || (iterations == 1 && in_place)) && lstat(temp.c_str(), &st) == 0)
        bk::die_errno(temp.c_str(), EEXIST);

    // A SIGCHLD ignored by whoever started us would reap the passes before their status is read.
    std::signal(SIGCHLD, SIG_DFL);

    int status = 0;
    // Whether the last pass left a file named output, before any result was put back.
    bool left = true;
    for (int i = 0; i < iterations; ++i) {
        // After a pass that left nothing, the result put back is not that pass's.
        if (i > 0 && (!left || stat(output, &st) != 0)) failed_at(i);
        const bool aside = i > 0 || in_place;
        // Past a failed rename, morph would read a source that is not there.
        if (aside) {
            if (int err = move_aside(output, temp.c_str()))
                cannot_rename(output, temp.c_str(), err);
        }
        int pass_status = run_pass(aside ? temp.c_str() : input, output, operation);
        status |= pass_status;
        left = stat(output, &st) == 0;
        // The result the pass started from is kept until the pass has succeeded.
        if (aside && pass_status == 0 && left) {
            unlink(temp.c_str());
        } else if (aside && std::rename(temp.c_str(), output) != 0) {
            cannot_rename(temp.c_str(), output, errno);
        }
    }
    // Whatever morph said, a run that leaves no output has not succeeded.
    if (!left && status == 0) failed_at(iterations);
    // The exit keeps the low eight bits, so a pass status of -1 leaves every bit set.
    return status;
}
