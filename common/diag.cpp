#include "diag.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bk {

namespace {
const char *name = "";
int status = 1;
} // namespace

void diag_init(const char *progname, int failure_status) {
    name = progname;
    status = failure_status;
}

const char *progname() {
    return name;
}

#ifdef BATCHKIT_FUZZ_NO_EXIT
void die(const char *text) {
    throw exit_request{status, text};
}

void die_errno(const char *context, int err) {
    throw exit_request{status,
                       std::string(name) + ": " + context + ": " + std::strerror(err) + "\n"};
}
#else
void die(const char *text) {
    std::fputs(text, stderr);
    std::exit(status);
}

void die_errno(const char *context, int err) {
    std::fprintf(stderr, "%s: %s: %s\n", name, context, std::strerror(err));
    std::exit(status);
}
#endif

} // namespace bk
