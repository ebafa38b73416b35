#include "interrupts.hpp"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <sys/wait.h>

namespace {
sigset_t original;
sigset_t held;   // the interrupts held back
sigset_t waited; // those and SIGCHLD
} // namespace

void hold_interrupts() {
    // A SIGCHLD ignored by whoever started us would reap the passes before their status is read.
    std::signal(SIGCHLD, SIG_DFL);
    sigprocmask(SIG_SETMASK, nullptr, &original);
    sigemptyset(&held);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        // An ignored signal stays ignored, in passchain and in morph (as a shell leaves
        // SIGINT ignored for a job in the background); a blocked one stays blocked.
        struct sigaction now;
        sigaction(sig, nullptr, &now);
        if (now.sa_handler != SIG_IGN && !sigismember(&original, sig)) sigaddset(&held, sig);
    }
    waited = held;
    // Linux keeps a blocked SIGCHLD pending even though its default action is to ignore it.
    sigaddset(&waited, SIGCHLD);
    sigprocmask(SIG_BLOCK, &waited, nullptr);
}

void restore_signal_mask() {
    sigprocmask(SIG_SETMASK, &original, nullptr);
}

bool wait_passing_on(pid_t pid, int &wstatus, int &interrupt) {
    interrupt = 0;
    for (;;) {
        pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return false;
        // A SIGCHLD sent after the check above stays pending, so this never sleeps past the
        // end of the child; and until it is reaped, its pid cannot name another process.
        int sig = sigwaitinfo(&waited, nullptr);
        if (sig > 0 && sig != SIGCHLD) {
            kill(pid, sig);
            if (interrupt == 0) interrupt = sig;
        }
    }
}

void end_by(int sig) {
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
