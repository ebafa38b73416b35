// Runs a program's main in this process, as the fuzz targets do, with standard input and
// output on memory files of this process's own, and gives back what it printed, the message
// it ended with and its status. Needs the shared library built with BATCHKIT_FUZZ_NO_EXIT.
#pragma once

#include "diag.hpp"
#include "output.hpp"

#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

struct outcome {
    int status = 0;
    std::string out;
    std::string err;

    bool operator==(const outcome &) const = default;
};

inline int memory_file(const char *name) {
    int fd = memfd_create(name, 0);
    if (fd < 0) std::abort();
    return fd;
}

inline void refill(int fd, const std::string &text) {
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
}

// args holds argv[0] and the arguments; input is standard input.
inline outcome run_main(int (*main_fn)(int, char **), std::vector<std::string> args,
                        const std::string &input = "") {
    static const int in = memory_file("stdin"), out = memory_file("stdout");
    static const int saved_out = dup(STDOUT_FILENO);
    refill(in, input);
    refill(out, "");
    if (dup2(in, STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0) std::abort();

    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    outcome r;
    try {
        r.status = main_fn(static_cast<int>(args.size()), argv.data());
    } catch (const bk::exit_request &e) {
        r.status = e.status;
        r.err = e.message;
        // Whatever a failed run left buffered must not show in the next one.
        bk::out_flush();
    }
    if (dup2(saved_out, STDOUT_FILENO) < 0) std::abort();
    r.out.resize(static_cast<std::size_t>(lseek(out, 0, SEEK_END)));
    if (pread(out, r.out.data(), r.out.size(), 0) != static_cast<ssize_t>(r.out.size()))
        std::abort();
    return r;
}
