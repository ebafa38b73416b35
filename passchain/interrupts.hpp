// SIGINT, SIGTERM and SIGHUP, the signals that ask passchain to end. They are held back for
// the whole run, so that none can end it while the output is moved aside or back, and taken
// only where passchain can act on them: while morph runs they are passed on to it, and
// between passes they end the run at once.
#pragma once

#include <sys/types.h>

// Holds back those of the three that the caller neither ignores nor blocks, and SIGCHLD,
// which the wait takes to learn that morph has ended. Comes before every other call here.
void hold_interrupts();

// For a child about to exec morph: the signal mask that passchain was started with.
void restore_signal_mask();

// Waits for the child pid to end and stores its wait status. An interrupt that arrives
// meanwhile is passed on to the child, and the first one is stored in interrupt (else 0).
// Returns false if the wait fails.
bool wait_passing_on(pid_t pid, int &wstatus, int &interrupt);

// Ends the process by sig, as if it had never been held back, so that the caller sees it.
[[noreturn]] void end_by(int sig);

// Ends the process by an interrupt that arrived since the last wait, if one did.
void end_if_interrupted();
