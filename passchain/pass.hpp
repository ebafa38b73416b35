// One pass of passchain: the name the output is moved to, moving it there, and running morph
// once.
#pragma once

#include <string>
#include <string_view>

// The output name with "_morphTEMP" inserted before the last four characters of its file
// name, the part after the last '/' (at its front when that part is shorter), so that out.img
// gives out_morphTEMP.img, abcd gives _morphTEMPabcd and build/out gives build/_morphTEMPout.
std::string temp_name(std::string_view output);

// Renames from to to, unless a file (even a dangling symbolic link) is named to. Returns 0 or
// the reason it failed (EEXIST for that file).
int move_aside(const char *from, const char *to);

// Runs "morph source output operation 2", found through PATH, without a shell, and waits for
// it. Returns its exit code; 128 plus the signal number if a signal ended it; 127 if no morph
// was found and 126 if it could not be executed; -1 if no process could be started at all.
// Every case but an exit code comes with a message on standard error. An interrupt that
// arrives meanwhile is passed on to morph and stored in interrupt (else 0); hold_interrupts
// must have been called.
int run_pass(const char *source, const char *output, const char *operation, int &interrupt);
