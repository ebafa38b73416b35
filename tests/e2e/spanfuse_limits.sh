# spanfuse end to end on input too large to hold: endless or huge tokens must end in a read
# failure in bounded time and memory, never in a crash.
. "$(dirname "$0")/lib.sh"
PROG=spanfuse
R='read failure\n'

# A reader that kept whole tokens would run out of this address space (AddressSanitizer
# needs far more for itself, so there only the time limit watches).
if ! ldd "$BINDIR/spanfuse" 2>/dev/null | grep -q libasan; then ulimit -v 300000; fi

# A sparse file claims 64 GiB of NUL bytes after the count.
printf '3 ' >sparse
truncate -s 64G sparse
IN=sparse t 255 'f 1' '' '' "$R"

# Megabytes of text with no white space: before a number, after one, and as digits.
head -c 3000000 /dev/zero | tr '\0' x >xs
head -c 3000000 /dev/zero | tr '\0' 0 >zeros
{ printf '1 10 '; cat xs; } >garbage_spread
IN=garbage_spread t 255 'f 1' '' '' "$R"
{ printf '1 10 5'; cat xs; } >garbage_after
IN=garbage_after t 255 'f 1' '' '' "$R"
{ printf '1 10 5 1 0 '; cat xs; } >garbage_trailing
IN=garbage_trailing t 0 'f 1' '' ' 5 15\n' ''
# strtod would read these digits as 1; a number longer than the reader keeps does not read.
{ printf '1 10 5 '; cat zeros; printf '1 0'; } >long_split
IN=long_split t 255 'f 1' '' '' "$R"

# More than the memory left holds, for the records or for the list: a message and the
# failure status, not a crash.
if ! ldd "$BINDIR/spanfuse" 2>/dev/null | grep -q libasan; then
    mkdir limited
    printf '#!/bin/sh\nulimit -v 40000\nexec spanfuse "$@"\n' >limited/spanfuse40m
    chmod +x limited/spanfuse40m
    PATH=$PWD/limited:$PATH
    { echo 3000000; yes '1 2' | head -n 3000000; } >big
    PROG=spanfuse40m IN=big t 255 'f 1' '' '' 'spanfuse: records: Cannot allocate memory\n'
    awk 'BEGIN { n = 1500000; print n; for (i = 1; i <= n; i++) print i * 10, 1; print n
                 for (i = 0; i < n; i++) print 0 }' >inside_out
    PROG=spanfuse40m IN=inside_out t 255 'f -1' '' '' 'spanfuse: intervals: Cannot allocate memory\n'
    # What the list may come to need is set aside as address space; no more than that, so
    # that runs which need little memory fit in a small address space.
    awk 'BEGIN { n = 200000; print n; for (i = 0; i < n; i++) print 5, 1; print n
                 for (i = 0; i < n; i++) print 0 }' >held
    PROG=spanfuse40m IN=held t 0 'f -1' '' ' 6 4\n' ''
fi

# Many records through the sort-and-sweep path, then a NaN one that hands the list to the
# tree, which puts it last.
awk 'BEGIN { print 2001; for (i = 0; i < 2000; i++) print i * 10, 2; print "nan 1"; print 2001
             for (i = 0; i < 2001; i++) print 0 }' >many
awk 'BEGIN { printf " 0 2"; for (i = 1; i < 2000; i++) printf " %d %d", i * 10 - 2, i * 10 + 2
             print " nan nan" }' >many_want
IN=many t 0 'f 1' '' "$(cat many_want)\n" ''

done_testing
