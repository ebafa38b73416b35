// Diagnostics shared by the tools: one line on standard error, then exit.
#pragma once

#ifdef BATCHKIT_FUZZ_NO_EXIT
#include <string>
#endif

namespace bk {

#ifdef BATCHKIT_FUZZ_NO_EXIT
// A fuzz target runs a program's main many times in one process, so there die and die_errno
// throw this, holding what would have gone to standard error, instead of ending the process.
struct exit_request {
    int status;
    std::string message;
};
#endif

// Names the program in messages and fixes the status that every failure exits with.
void diag_init(const char *progname, int failure_status);

const char *progname();

// Writes text unchanged to standard error and exits with the failure status.
[[noreturn]] void die(const char *text);

// Writes "prog: context: <system text for err>" and exits with the failure status.
[[noreturn]] void die_errno(const char *context, int err);

} // namespace bk
