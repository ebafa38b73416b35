#include "interrupts.hpp"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <sys/resource.h>

namespace {
sigset_t original;
sigset_t held;   // the interrupts held back
sigset_t waited; // those and SIGCHLD

void hold(int sig) {
    // An ignored signal stays ignored, in passchain and in morph (as a shell leaves SIGINT
    // ignored for a job in the background); a blocked one stays blocked.
    struct sigaction now;
    if (sigaction(sig, nullptr, &now) != 0) return;
    if (now.sa_handler != SIG_IGN && !sigismember(&original, sig)) sigaddset(&held, sig);
}
} // namespace

void hold_interrupts() {
    // A SIGCHLD ignored by whoever started us would reap the passes before their status is read.
    std::signal(SIGCHLD, SIG_DFL);
    sigprocmask(SIG_SETMASK, nullptr, &original);
    sigemptyset(&held);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXCPU,
                    SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO})
        hold(sig);
#ifdef SIGPWR
    hold(SIGPWR);
#endif
#ifdef SIGSTKFLT
    hold(SIGSTKFLT);
#endif
    // SIGRTMIN, not the kernel's first real-time signal: the C library keeps the ones below it.
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) hold(sig);
    waited = held;
    // Linux keeps a blocked SIGCHLD pending even though its default action is to ignore it.
    sigaddset(&waited, SIGCHLD);
    sigprocmask(SIG_BLOCK, &waited, nullptr);
}

void restore_signal_mask() {
    sigprocmask(SIG_SETMASK, &original, nullptr);
}

int wait_for_event(long milliseconds) {
    int sig;
    if (milliseconds < 0) {
        sig = sigwaitinfo(&waited, nullptr);
    } else {
        const timespec limit = {milliseconds / 1000, milliseconds % 1000 * 1000000};
        sig = sigtimedwait(&waited, nullptr, &limit);
    }
    return sig > 0 && sig != SIGCHLD ? sig : 0;
}

void end_by(int sig) {
    // A core of passchain re-raising a signal passed on shows nothing of use, and would be
    // left in the user's folder.
    const rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    std::signal(sig, SIG_DFL);
    raise(sig);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    sigprocmask(SIG_UNBLOCK, &one, nullptr);
    // Not reached: the default action of each interrupt ends the process.
    std::_Exit(128 + sig);
}

void end_if_interrupted() {
    const timespec no_wait = {0, 0}; // only asks whether one is pending
    int sig = sigtimedwait(&held, nullptr, &no_wait);
    if (sig > 0) end_by(sig);
}
