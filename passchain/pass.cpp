#include "pass.hpp"

#include "children.hpp"
#include "diag.hpp"
#include "interrupts.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

std::string temp_name(std::string_view output) {
    // Cutting inside the folder part would name a folder that may not exist.
    std::size_t slash = output.rfind('/');
    std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    std::size_t cut = output.size() - base >= 4 ? output.size() - 4 : base;
    std::string name(output.substr(0, cut));
    name += "_morphTEMP";
    name += output.substr(cut);
    return name;
}

int move_aside(const char *from, const char *to) {
    // The system call rather than glibc's wrapper, which versions before 2.28 lack.
    if (syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A kernel or file system without the exclusive rename: the check leaves a short window.
    struct stat st;
    if (lstat(to, &st) == 0) return EEXIST;
    return std::rename(from, to) == 0 ? 0 : errno;
}

static void cannot_keep(const char *what, const char *output, int err) {
    std::fprintf(stderr, "%s: cannot keep the %s of %s: %s\n", bk::progname(), what, output,
                 std::strerror(err));
}

void keep_permissions(const char *output, const struct stat &old) {
    // Not through a link that morph may have left in its place.
    int fd = open(output, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat now;
    if (fd < 0 || fstat(fd, &now) != 0) {
        cannot_keep("owner and mode", output, errno);
        if (fd >= 0) close(fd);
        return;
    }
    mode_t mode = old.st_mode & 07777;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
        fchown(fd, old.st_uid, old.st_gid) != 0) {
        cannot_keep("owner", output, errno);
        // Set-user-ID and set-group-ID are not handed to an owner they were not given to.
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    // The mode after the owner, whose change clears set-user-ID.
    if (fchmod(fd, mode) != 0) cannot_keep("mode", output, errno);
    close(fd);
}

static void cannot_run(int err) {
    std::fprintf(stderr, "%s: cannot run morph: %s\n", bk::progname(), std::strerror(err));
}

int run_pass(const char *source, const char *output, const char *operation, int &interrupt) {
    interrupt = 0;
    char *const argv[] = {const_cast<char *>("morph"), const_cast<char *>(source),
                          const_cast<char *>(output),  const_cast<char *>(operation),
                          const_cast<char *>("2"),     nullptr};

    // The child sends the reason through this pipe if exec fails; a successful exec closes
    // it, so the parent reads either an errno value or nothing, and alone writes the message.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        cannot_run(errno);
        return -1;
    }
    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        close(report[0]);
        close(report[1]);
        cannot_run(err);
        return -1;
    }
    if (pid == 0) {
        restore_signal_mask();
        execvp("morph", argv);
        int err = errno;
        ssize_t unused = write(report[1], &err, sizeof err);
        (void)unused;
        // _exit: the parent's stdio buffers must not be flushed a second time from here.
        _exit(127);
    }
    close(report[1]);
    int err = 0;
    ssize_t n;
    do n = read(report[0], &err, sizeof err);
    while (n < 0 && errno == EINTR);
    close(report[0]);

    int wstatus = 0;
    interrupt = wait_child(pid, wstatus);
    if (interrupt < 0) {
        interrupt = 0;
        return -1;
    }
    if (n == static_cast<ssize_t>(sizeof err)) {
        cannot_run(err);
        return err == ENOENT || err == ENOTDIR ? 127 : 126;
    }
    if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) {
        // Otherwise a status such as 139 would be the only trace of a crash.
        int sig = WTERMSIG(wstatus);
        std::fprintf(stderr, "%s: morph ended by signal %d (%s)\n", bk::progname(), sig,
                     strsignal(sig));
        return 128 + sig;
    }
    return -1;
}
