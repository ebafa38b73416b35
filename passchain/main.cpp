// passchain: apply morph to a file a number of times, each pass reading what the last wrote.
#include "children.hpp"
#include "diag.hpp"
#include "interrupts.hpp"
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

// Reports a failed rename and ends the run: by the interrupt being acted on, if there is one,
// so that the caller still sees it, else with the failure status.
[[noreturn]] static void cannot_rename(const char *from, const char *to, int err, int interrupt) {
    std::string context = std::string("cannot rename ") + from + " to " + to;
    if (interrupt == 0) bk::die_errno(context.c_str(), err);
    std::fprintf(stderr, "%s: %s: %s\n", bk::progname(), context.c_str(), std::strerror(err));
    end_by(interrupt);
}

// A device, a FIFO or a folder by the output's name would be replaced by a regular file.
[[noreturn]] static void not_regular(const char *output) {
    bk::die((std::string("passchain: ") + output + ": not a regular file\n").c_str());
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
    // An earlier output (a regular file, not a link to write through) is moved aside too, so
    // that a first pass that leaves nothing cannot pass it off as its own.
    struct stat st;
    const bool first_aside = in_place || (lstat(output, &st) == 0 && S_ISREG(st.st_mode));
    // Checked before anything runs, so that a refused run changes nothing.
    if ((iterations > 1 || (iterations == 1 && in_place)) && stat(output, &st) == 0 &&
        !S_ISREG(st.st_mode))
        not_regular(output);
    // Moving the output aside would replace a file by the temporary name (the input itself,
    // maybe), which the pass would then delete.
    if ((iterations > 1 || (iterations == 1 && first_aside)) && lstat(temp.c_str(), &st) == 0) {
        bk::die((std::string("passchain: ") + temp +
                 ": File exists (a run that was killed leaves the last good " + output +
                 " there: move it back, or remove it)\n")
                    .c_str());
    }

    become_reaper();
    hold_interrupts();
    int status = 0;
    // Whether the last pass left a file named output, before any result was put back.
    bool left = true;
    for (int i = 0; i < iterations; ++i) {
        end_if_interrupted();
        // After a pass that left nothing, the result put back is not that pass's.
        if (i > 0 && (!left || stat(output, &st) != 0)) failed_at(i);
        if (i > 0 && !S_ISREG(st.st_mode)) not_regular(output);
        const bool aside = i > 0 || first_aside;
        struct stat old;
        bool have_old = false;
        if (aside) {
            // Past a failed rename, morph would read a source that is not there.
            if (int err = move_aside(output, temp.c_str()))
                cannot_rename(output, temp.c_str(), err, 0);
            // Through a link moved aside, it is the file it leads to that the output replaces.
            have_old = stat(temp.c_str(), &old) == 0;
        }
        int interrupt;
        const char *source = i > 0 || in_place ? temp.c_str() : input;
        int pass_status = run_pass(source, output, operation, interrupt);
        status |= pass_status;
        left = stat(output, &st) == 0;
        // What a pass that failed started may still be writing, over the result put back.
        if ((pass_status != 0 || !left) && interrupt == 0) {
            int unused;
            interrupt = end_children(SIGTERM, 0, unused);
        }
        // The result the pass started from is kept until the pass has succeeded. The first
        // pass, not in place, keeps whatever it leaves; an earlier output is not this run's.
        const bool keep = interrupt == 0 && left && (pass_status == 0 || (i == 0 && !in_place));
        if (aside && keep) {
            if (have_old) keep_permissions(output, old);
            unlink(temp.c_str());
        } else if (aside && std::rename(temp.c_str(), output) != 0) {
            cannot_rename(temp.c_str(), output, errno, interrupt);
        }
        if (interrupt != 0) end_by(interrupt);
    }
    end_if_interrupted();
    // Whatever morph said, a run that leaves no output has not succeeded.
    if (!left && status == 0) failed_at(iterations);
    // The exit keeps the low eight bits, so a pass status of -1 leaves every bit set.
    return status;
}
