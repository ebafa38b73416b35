// One pass of passchain: the name the output is moved to, moving it there, running morph once,
// and handing the new output the permissions of the file it replaces.
#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

// The output name with "_morphTEMP" inserted before the last four characters of its file
// name, the part after the last '/' (at its front when that part is shorter), so that out.img
// gives out_morphTEMP.img, abcd gives _morphTEMPabcd and build/out gives build/_morphTEMPout.
std::string temp_name(std::string_view output);

// Renames from to to, unless a file (even a dangling symbolic link) is named to. Returns 0 or
// the reason it failed (EEXIST for that file).
int move_aside(const char *from, const char *to);

// Gives output, opened without following a link, the owner and group (where passchain may set
// them) and then the permission bits of old, the file it replaces. What cannot be set is
// named in a warning on standard error; the permission bits are set even when the owner
// cannot be.
void keep_permissions(const char *output, const struct stat &old);

// Runs "morph source output operation 2", found through PATH, without a shell, and waits for
// it. Returns its exit code; 128 plus the signal number if a signal ended it; 127 if no morph
// was found and 126 if it could not be executed; -1 if no process could be started at all.
// Every case but an exit code comes with a message on standard error. An interrupt that
// arrives meanwhile is passed on to morph and all it started, which are waited for, and is
// stored in interrupt (else 0); hold_interrupts must have been called.
int run_pass(const char *source, const char *output, const char *operation, int &interrupt);
