#include "children.hpp"

#include "interrupts.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Orphans come up to passchain without a SIGCHLD, so the children are looked at this often.
constexpr long poll_milliseconds = 50;

long long now_milliseconds() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

// The children of this process: the kernel's list, or where it has none, every process whose
// parent this one is. A child is not reaped here, so its pid names it until it is.
std::vector<pid_t> children() {
    std::vector<pid_t> found;
    const std::string self = std::to_string(getpid());
    long pid;
    if (FILE *list = std::fopen(("/proc/self/task/" + self + "/children").c_str(), "r")) {
        while (std::fscanf(list, "%ld", &pid) == 1) found.push_back(static_cast<pid_t>(pid));
        std::fclose(list);
        return found;
    }
    DIR *proc = opendir("/proc");
    if (proc == nullptr) return found;
    while (const dirent *entry = readdir(proc)) {
        FILE *stat = std::fopen(("/proc/" + std::string(entry->d_name) + "/stat").c_str(), "r");
        if (stat == nullptr) continue;
        // "pid (name) state ppid ...", where the name may hold blanks and parentheses.
        char line[512];
        std::size_t n = std::fread(line, 1, sizeof line - 1, stat);
        std::fclose(stat);
        line[n] = '\0';
        const char *close = std::strrchr(line, ')');
        long parent;
        if (close != nullptr && std::sscanf(close + 1, " %*c %ld", &parent) == 1 &&
            std::to_string(parent) == self && std::sscanf(line, "%ld", &pid) == 1)
            found.push_back(static_cast<pid_t>(pid));
    }
    closedir(proc);
    return found;
}

// Reaps every child that has ended. Returns false once no child is left.
bool reap(pid_t watched, int &watched_status, bool &watched_reaped, std::vector<pid_t> &signalled) {
    for (;;) {
        int wstatus;
        pid_t done = waitpid(-1, &wstatus, WNOHANG | __WALL);
        if (done == 0) return true;
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (done == watched) {
            watched_status = wstatus;
            watched_reaped = true;
        }
        signalled.erase(std::remove(signalled.begin(), signalled.end(), done), signalled.end());
    }
}

} // namespace

void become_reaper() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

int wait_child(pid_t pid, int &wstatus) {
    for (;;) {
        int status;
        pid_t done = waitpid(-1, &status, WNOHANG | __WALL);
        if (done == pid) {
            wstatus = status;
            return 0;
        }
        if (done < 0 && errno != EINTR) return -1;
        if (done != 0) continue; // another child, orphaned below passchain, or EINTR
        // A SIGCHLD sent after the check above stays pending, so this never sleeps past the
        // end of the child; and until it is reaped, its pid cannot name another process.
        if (int sig = wait_for_event(-1)) {
            // The first interrupt is the one passchain ends by.
            end_children(sig, pid, wstatus);
            return sig;
        }
    }
}

int end_children(int sig, pid_t watched, int &watched_status) {
    int interrupt = 0;
    bool watched_reaped = watched == 0;
    const long long deadline = now_milliseconds() + grace_milliseconds;
    std::vector<pid_t> signalled;
    const pid_t self = getpid();
    while (reap(watched, watched_status, watched_reaped, signalled)) {
        const long long left = deadline - now_milliseconds();
        std::vector<pid_t> alive = children();
        // Without a list of children, the one passchain started is still known.
        if (!watched_reaped) alive.push_back(watched);
        for (pid_t pid : alive) {
            // A pid of 0 or less would name a process group, passchain's own among them.
            if (pid <= 0 || pid == self) continue;
            if (left <= 0) {
                kill(pid, SIGKILL);
            } else if (std::find(signalled.begin(), signalled.end(), pid) == signalled.end()) {
                kill(pid, sig);
                kill(pid, SIGCONT);
                signalled.push_back(pid);
            }
        }
        const long long wait =
            left > 0 ? std::min<long long>(left, poll_milliseconds) : poll_milliseconds;
        int got = wait_for_event(wait);
        if (interrupt == 0) interrupt = got;
    }
    return interrupt;
}
