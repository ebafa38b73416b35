// The signals that ask passchain to end: SIGINT, SIGTERM, SIGHUP and every other one whose
// default action ends a process and that another process may send (SIGQUIT, SIGUSR1, SIGALRM,
// SIGPIPE, the real-time ones, ...), but not the faults of passchain's own, such as SIGSEGV.
// They are held back for the whole run, so that none can end it while the output is moved
// aside or back, and taken only where passchain can act on them: while morph runs they are
// passed on to it and to what it started, and between passes they end the run at once.
#pragma once

#include <csignal>

// Holds back those the caller neither ignores nor blocks, and SIGCHLD, which the waits take to
// learn that a child has ended. Comes before every other call here.
void hold_interrupts();

// For a child about to exec morph: the signal mask that passchain was started with.
void restore_signal_mask();

// Waits up to the given time for SIGCHLD or an interrupt (a negative time: as long as it
// takes). Returns the interrupt, or 0 for SIGCHLD or when the time ran out.
int wait_for_event(long milliseconds);

// Ends the process by sig, as if it had never been held back, so that the caller sees it.
[[noreturn]] void end_by(int sig);

// Ends the process by an interrupt that arrived since the last wait, if one did.
void end_if_interrupted();
