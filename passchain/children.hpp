// The processes morph starts. passchain is their reaper, so that after a pass that failed or
// was interrupted it can end every one of them before it puts a result back: one still running
// could write over it.
#pragma once

#include <sys/types.h>

// Makes passchain the parent of every process orphaned below it: what morph starts and leaves
// running, even after setsid or a double fork.
void become_reaper();

// How long the children have after the signal before they get SIGKILL.
constexpr long grace_milliseconds = 3000;

// Waits for the child pid to end and stores its wait status, reaping any other child that ends
// meanwhile. An interrupt that arrives meanwhile is passed on as end_children does. Returns
// that interrupt (else 0), or -1 if the wait fails.
int wait_child(pid_t pid, int &wstatus);

// Sends sig once to every child, with SIGCONT for one that is stopped, and to each orphan as it
// comes up to passchain, and reaps them until none is left; those still there when the grace
// period has passed get SIGKILL. When watched (if not 0) is reaped, its wait status goes to
// watched_status. Never signals a process group. Returns the first interrupt that arrived
// meanwhile, or 0.
int end_children(int sig, pid_t watched, int &watched_status);
