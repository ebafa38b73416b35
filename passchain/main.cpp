// passchain: apply morph to a file a number of times, each pass reading what the last wrote.
#include "diag.hpp"
#include "numread.hpp"
#include "pass.hpp"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

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
    for (int i = 0; i < iterations; ++i) {
        if (i == 0) {
            status |= run_pass(input, output, operation);
            continue;
        }
        struct stat st;
        if (stat(output, &st) != 0) {
            char msg[64];
            std::snprintf(msg, sizeof msg, "passchain failed at iteration %d\n", i);
            bk::die(msg);
        }
        std::rename(output, temp.c_str());
        status |= run_pass(temp.c_str(), output, operation);
        unlink(temp.c_str());
    }
    // The exit keeps the low eight bits, so a pass status of -1 leaves every bit set.
    return status;
}
