# passchain end to end: which passes run, what each one receives, what is left on disk, and
# the combined status. Scripted morphs, written into a folder ahead of the built programs on
# PATH, record their arguments on standard error and fail on demand; the built stand-in
# answers when no scripted one is in place.
. "$(dirname "$0")/lib.sh"
PROG=passchain
U='Usage: passchain <input> <output> <operation> <iterations>\n operation: [+|-][5|7|9|19|27]\n'
M='morph: usage: morph <source> <output> [+|-][5|7|9|19|27] 2\n'
STUBS=$TMPROOT/stubs
NL='
'
W=$TMPROOT/w
mkdir "$STUBS"
PATH=$STUBS:$PATH

# stub BODY: from now on morph is this shell script. unstub: the built stand-in again.
stub() {
    printf '#!/bin/sh\n%s\n' "$1" >"$STUBS/morph"
    chmod +x "$STUBS/morph"
}
unstub() { rm -f "$STUBS/morph"; }
# An empty work folder holding only in.dat, so that ls -A shows what a run left behind.
fresh() {
    cd "$TMPROOT" && rm -rf "$W" && mkdir "$W" && cd "$W" && printf 'abc\n' >in.dat
}
# Records "<arg>..." and what the work folder holds while the pass runs.
REC='printf "<%s>" "$@" >&2; printf " : %s\n" "$(ls -A | paste -sd " " -)" >&2'
# Copies the source to the output with one x more, so the output counts the passes.
COPY='{ cat "$1"; printf x; } >"$2"'

# the built stand-in itself
fresh
printf '....o\n.....\n..o....\n.ooooo.\n' >m.dat
: >empty.dat
PROG=morph t 0 'm.dat o.dat +5 2' '' '' ''
PROG=cat t 0 'o.dat' '' '..ooo\n.....\nooooo..\nooooooo\n' ''
PROG=morph t 0 'm.dat o.dat -5 2' '' '' ''
PROG=cat t 0 'o.dat' '' '.....\n.....\n.......\n...o...\n' ''
PROG=morph t 0 'empty.dat o.dat -9 2' '' '' ''
PROG=cat t 0 'o.dat' '' '' ''
PROG=morph t 1 'm.dat o.dat +5'      '' '' "$M"
PROG=morph t 1 'm.dat o.dat +5 3'    '' '' "$M"
PROG=morph t 1 'm.dat o.dat +4 2'    '' '' "$M"
PROG=morph t 1 'm.dat o.dat 5 2'     '' '' "$M"
PROG=morph t 1 'nosuch.dat o.dat +5 2' '' '' 'morph: cannot open nosuch.dat: No such file or directory\n'

# argument checks, in order; when one fails nothing runs and nothing is created
fresh
stub "$REC; $COPY"
t 1 ''                               '' '' "$U"
t 1 'in.dat out.dat +5'              '' '' "$U"
t 1 'in.dat out.dat +5 1 x'          '' '' "$U"
t 1 'in.dat out.dat +5 x'            '' '' "$U"
t 1 'in.dat out.dat +5 x3'           '' '' "$U"
t 1 "in.dat out.dat +5 ''"           '' '' "$U"
t 1 'in.dat out.dat +5 nan'          '' '' "$U"
t 1 'in.dat out.dat +5 inf'          '' '' "$U"
t 1 'in.dat out.dat +5 -inf'         '' '' "$U"
t 1 'in.dat out.dat +5 2147483648'   '' '' "$U"
t 1 'in.dat out.dat +5 -2147483649'  '' '' "$U"
t 1 'in.dat out.dat +5 99999999999999999999' '' '' "$U"
t 1 'in.dat abc +5 1'                '' '' "$U"
t 1 "in.dat '' +5 1"                 '' '' "$U"
t 1 'in.dat abc +5 x'                '' '' "$U"
PROG=perl t 1 "-e 'exec {\$ARGV[0]} ()' '$BINDIR/passchain'" '' '' "$U"
PROG=ls t 0 '-A' '' 'in.dat\n' ''

# how many passes run: none for a count of 0 or less, and the count is read like "%d"
t 0 'in.dat out.dat +5 0'            '' '' ''
t 0 'in.dat out.dat +5 -3'           '' '' ''
t 0 'in.dat out.dat +5 -2147483648'  '' '' ''
t 0 'in.dat out.dat +5 0x10'         '' '' ''
PROG=ls t 0 '-A' '' 'in.dat\n' ''
t 0 'in.dat out.dat +5 1' '' '' '<in.dat><out.dat><+5><2> : in.dat\n'
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
fresh
P1='<in.dat><out.dat><-27><2> : in.dat\n'
P2='<out_morphTEMP.dat><out.dat><-27><2> : in.dat out_morphTEMP.dat\n'
t 0 'in.dat out.dat -27 3' '' '' "$P1$P2$P2"
PROG=cat t 0 'out.dat' '' 'abc\nxxx' ''
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
fresh
t 0 'in.dat out.dat -27 3x' '' '' "$P1$P2$P2"
PROG=cat t 0 'out.dat' '' 'abc\nxxx' ''
fresh
t 0 "in.dat out.dat -27 ' +2.9'" '' '' "$P1$P2"
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''

# the temporary name: "_morphTEMP" before the last four characters of the output name
fresh
t 0 'in.dat abcd +7 2' '' '' '<in.dat><abcd><+7><2> : in.dat\n<_morphTEMPabcd><abcd><+7><2> : _morphTEMPabcd in.dat\n'
PROG=ls t 0 '-A' '' 'abcd\nin.dat\n' ''
fresh
mkdir sub
t 0 'in.dat sub/o.dat +9 2' '' '' '<in.dat><sub/o.dat><+9><2> : in.dat sub\n<sub/o_morphTEMP.dat><sub/o.dat><+9><2> : in.dat sub\n'
PROG=ls t 0 '-A sub' '' 'o.dat\n' ''
fresh
mkdir 'sub dir'
t 0 "in.dat 'sub dir/ab' +9 2" '' '' '<in.dat><sub dir/ab><+9><2> : in.dat sub dir\n<sub dir/_morphTEMPab><sub dir/ab><+9><2> : in.dat sub dir\n'
PROG=cat t 0 "'sub dir/ab'" '' 'abc\nxx' ''

# the output must exist before every pass after the first, and after the last; a later pass
# that leaves none gets the result it started from put back, and the run stops before the next
fresh
stub "$REC"
t 1 'in.dat out.dat +5 1' '' '' '<in.dat><out.dat><+5><2> : in.dat\npasschain failed at iteration 1\n'
t 1 'in.dat out.dat +5 3' '' '' '<in.dat><out.dat><+5><2> : in.dat\npasschain failed at iteration 1\n'
stub "$REC; exit 4"
t 1 'in.dat out.dat +5 2' '' '' '<in.dat><out.dat><+5><2> : in.dat\npasschain failed at iteration 1\n'
stub "$REC; case \$1 in *TEMP*) exit 6;; *) $COPY;; esac"
t 1 'in.dat out.dat +5 9' '' '' '<in.dat><out.dat><+5><2> : in.dat\n<out_morphTEMP.dat><out.dat><+5><2> : in.dat out_morphTEMP.dat\npasschain failed at iteration 2\n'
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
stub "$REC; case \$1 in *TEMP*) ;; *) $COPY;; esac"
t 1 'in.dat out.dat +5 2' '' '' '<in.dat><out.dat><+5><2> : in.dat out_morphTEMP.dat\n<out_morphTEMP.dat><out.dat><+5><2> : in.dat out_morphTEMP.dat\npasschain failed at iteration 2\n'
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
stub "case \$1 in *TEMP*) rm \"\$1\";; *) $COPY;; esac"
t 1 'in.dat out.dat +5 2' '' '' 'passchain: cannot rename out_morphTEMP.dat to out.dat: No such file or directory\n'
# An output left by an earlier run is moved aside before the first pass, and put back when
# that pass leaves none; one that does leave an output replaces it, even after a failure.
fresh
printf 'old' >out.dat
stub "$REC"
t 1 'in.dat out.dat +5 1' '' '' '<in.dat><out.dat><+5><2> : in.dat out_morphTEMP.dat\npasschain failed at iteration 1\n'
stub "$REC; exit 3"
t 1 'in.dat out.dat +5 2' '' '' '<in.dat><out.dat><+5><2> : in.dat out_morphTEMP.dat\npasschain failed at iteration 1\n'
PROG=cat t 0 'out.dat' '' 'old' ''
stub "$COPY; exit 3"
t 3 'in.dat out.dat +5 1' '' '' ''
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''

# the status: the OR of every pass's, and a failed pass does not stop the run; what a failed
# later pass wrote is undone, and the next pass starts from the result before it
fresh
stub "$COPY; case \$1 in *TEMP*) exit 2;; esac; exit 1"
t 3 'in.dat out.dat +5 2' '' '' ''
fresh
t 3 'in.dat out.dat +5 4' '' '' ''
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
PROG=env t 3 '--ignore-signal=CHLD passchain in.dat out.dat +5 2' '' '' ''
fresh
stub "case \$1 in *TEMP*) wc -c <\"\$1\" >&2; head -c 2 \"\$1\" >\"\$2\"; exit 2;; *) $COPY;; esac"
t 2 'in.dat out.dat +5 3' '' '' '5\n5\n'
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
K='passchain: morph ended by signal 9 (Killed)\n'
stub "$COPY; kill -9 \$\$"
t 137 'in.dat out.dat +5 1' '' '' "$K"
fresh
stub "case \$1 in *TEMP*) $COPY; kill -9 \$\$;; esac; $COPY; exit 3"
t 139 'in.dat out.dat +5 2' '' '' "$K"
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
stub "$COPY; exit 255"
t 255 'in.dat out.dat +5 3' '' '' ''
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
# Interrupted while morph runs: the signal is passed on to it, the result before the pass is
# put back, and passchain ends by that signal. (The shell's own note of a process ended by a
# signal is kept out of the log.)
fresh
stub "case \$1 in *TEMP*) printf part >\"\$2\"; kill -TERM \$PPID; exec sleep 60;; *) $COPY;; esac"
t 143 'in.dat out.dat +5 3' '' '' 'passchain: morph ended by signal 15 (Terminated)\n' 2>/dev/null
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
PROG=cat t 0 'out.dat' '' 'abc\nx' ''
# Killed alone, passchain passes the signal on to what morph started too, even in a session of
# its own, and puts the file back only once the last of them (here one ignoring it) has ended.
fresh
stub "setsid sh -c 'trap \"\" TERM; sleep 1; : >\"\$1\"' sh \"\$2\" & kill -TERM \$PPID; wait"
t 143 'in.dat in.dat +5 2' '' '' 'passchain: morph ended by signal 15 (Terminated)\n' 2>/dev/null
check 'sleep 1; [ "$(ls -A; cat in.dat)" = "in.dat${NL}abc" ]'
# Any signal that ends a process is taken so; one that morph ignores gets SIGKILL after it.
stub "printf ab >\"\$2\"; trap '' QUIT; kill -QUIT \$PPID; sleep 30"
t 131 'in.dat in.dat +5 2' '' '' 'passchain: morph ended by signal 9 (Killed)\n' 2>/dev/null
PROG=cat t 0 'in.dat' '' 'abc\n' ''

# in place (one file, by whatever names), the first pass too reads a file moved aside, so a
# morph that empties its output before reading its source loses nothing; a symbolic link
# given as the output is replaced, and the file it led to kept
fresh
chmod 751 in.dat
stub "$REC; tr a b <\"\$1\" >\"\$2\""
t 0 'in.dat ./in.dat +5 2' '' '' '<./in_morphTEMP.dat><./in.dat><+5><2> : in_morphTEMP.dat\n<./in_morphTEMP.dat><./in.dat><+5><2> : in_morphTEMP.dat\n'
PROG=cat t 0 'in.dat' '' 'bbc\n' ''
check '[ "$(stat -c %a in.dat)" = 751 ]'
# Only a regular file is moved aside: a device (a FIFO where none can be made) is refused.
mknod null.dat c 1 3 2>/dev/null || mkfifo null.dat
t 1 'in.dat null.dat +5 2' '' '' 'passchain: null.dat: not a regular file\n'
check '[ -e null.dat ] && [ ! -f null.dat ]'
fresh
ln -s in.dat l.dat
t 0 'in.dat l.dat +5 1' '' '' '<l_morphTEMP.dat><l.dat><+5><2> : in.dat l_morphTEMP.dat\n'
PROG=cat t 0 'in.dat l.dat' '' 'abc\nbbc\n' ''

# a file by the temporary name, even the input or a dangling link, is never replaced: with one
# there from the start nothing runs, and one made later stops the run
fresh
mv in.dat out_morphTEMP.dat
t 1 'out_morphTEMP.dat out.dat +5 2' '' '' 'passchain: out_morphTEMP.dat: File exists (a run that was killed leaves the last good out.dat there: move it back, or remove it)\n'
PROG=ls t 0 '-A' '' 'out_morphTEMP.dat\n' ''
fresh
ln -s nowhere in_morphTEMP.dat
t 1 'in.dat in.dat +5 1' '' '' 'passchain: in_morphTEMP.dat: File exists (a run that was killed leaves the last good in.dat there: move it back, or remove it)\n'
PROG=cat t 0 'in.dat' '' 'abc\n' ''
fresh
stub "$COPY; case \$1 in *TEMP*) ;; *) printf mine >out_morphTEMP.dat;; esac"
t 1 'in.dat out.dat +5 2' '' '' 'passchain: cannot rename out.dat to out_morphTEMP.dat: File exists\n'
PROG=cat t 0 'out_morphTEMP.dat out.dat' '' 'mineabc\nx' ''

# finding morph as a shell would: through PATH, past entries that cannot be executed
ISO=$TMPROOT/iso
mkdir -p "$ISO/a" "$ISO/b"
printf '#!/bin/sh\nPATH=%s exec %s "$@"\n' "'$ISO/a:$ISO/b'" "'$BINDIR/passchain'" >"$TMPROOT/isolated"
chmod +x "$TMPROOT/isolated"
NF='passchain: cannot run morph: No such file or directory\n'
NX='passchain: cannot run morph: Permission denied\n'
fresh
PROG=$TMPROOT/isolated t 127 'in.dat out.dat +5 1' '' '' "$NF"
PROG=$TMPROOT/isolated t 1   'in.dat out.dat +5 2' '' '' "${NF}passchain failed at iteration 1\n"
printf '#!/bin/sh\nexit 0\n' >"$ISO/a/morph"
chmod 644 "$ISO/a/morph"
PROG=$TMPROOT/isolated t 126 'in.dat out.dat +5 1' '' '' "$NX"
printf '#!/bin/sh\nexit 5\n' >"$ISO/b/morph"
chmod 755 "$ISO/b/morph"
PROG=$TMPROOT/isolated t 5 'in.dat out.dat +5 1' '' '' ''
printf 'exit 6\n' >"$ISO/b/morph"
PROG=$TMPROOT/isolated t 6 'in.dat out.dat +5 1' '' '' ''
rm "$ISO/a/morph"
mkdir "$ISO/a/morph"
PROG=$TMPROOT/isolated t 6 'in.dat out.dat +5 1' '' '' ''
# No process at all: every bit of the status is set. With only the standard streams open and
# room for one more descriptor, the pipe that reports a failed start cannot be made.
cat >"$TMPROOT/fdlimit" <<'END'
#!/bin/bash
for f in /proc/$$/fd/*; do
    f=${f##*/}
    [ "$f" -gt 2 ] && [ "$f" -ne 255 ] && eval "exec $f>&-"
done
ulimit -n 4 && exec "$@"
END
chmod +x "$TMPROOT/fdlimit"
fresh
PROG=$TMPROOT/fdlimit t 255 'passchain in.dat out.dat +5 1' '' '' 'passchain: cannot run morph: Too many open files\n'

# names reach morph as they are: nothing in them is split, expanded or run
fresh
stub "$REC; $COPY"
t 0 "in.dat 'o; touch pwned.dat' +5 2" '' '' '<in.dat><o; touch pwned.dat><+5><2> : in.dat\n<o; touch pwned_morphTEMP.dat><o; touch pwned.dat><+5><2> : in.dat o; touch pwned_morphTEMP.dat\n'
PROG=ls t 0 '-A' '' 'in.dat\no; touch pwned.dat\n' ''
fresh
mv in.dat 'my $(touch p1.dat) `touch p2.dat` in.dat'
t 0 "'my \$(touch p1.dat) \`touch p2.dat\` in.dat' 'out \$HOME|x>y.dat' '* &' 1" '' '' '<my $(touch p1.dat) `touch p2.dat` in.dat><out $HOME|x>y.dat><* &><2> : my $(touch p1.dat) `touch p2.dat` in.dat\n'
PROG=ls t 0 '-A' '' 'my $(touch p1.dat) `touch p2.dat` in.dat\nout $HOME|x>y.dat\n' ''
PROG=cat t 0 "'out \$HOME|x>y.dat'" '' 'abc\nx' ''
fresh
t 0 "'' out.dat +5 1" '' '' '<><out.dat><+5><2> : in.dat\ncat: \047\047: No such file or directory\n'

# very long names and operations are passed whole; a name too long for the system fails
# the existence check like a missing file, and a temporary name too long fails the rename
fresh
stub 'printf "%s %s %s\n" ${#1} ${#2} ${#3} >&2; cp "$1" "$2" 2>/dev/null'
long=$(printf '%05000d' 0 | tr 0 a)
t 1 "in.dat $long +5 2" '' '' '6 5000 2\npasschain failed at iteration 1\n'
t 1 "in.dat ${long:0:250} +5 2" '' '' "6 250 2\npasschain: cannot rename ${long:0:250} to ${long:0:246}_morphTEMPaaaa: File name too long\n"
t 0 "in.dat out.dat ${long}${long} 2" '' '' '6 7 10000\n17 7 10000\n'

# the built stand-in: three passes are three applications, and its failures come through
fresh
unstub
printf '..o..........ooo...........oooooooo.......\n' >in.dat
t 0 'in.dat out.dat +5 3' '' '' ''
PROG=ls t 0 '-A' '' 'in.dat\nout.dat\n' ''
PROG=cat t 0 'out.dat' '' 'ooooooooooooooooooooooooooooooooooooooooo.\n' ''
PROG=morph t 0 'in.dat p1.dat +5 2' '' '' ''
PROG=morph t 0 'p1.dat p2.dat +5 2' '' '' ''
PROG=morph t 0 'p2.dat p3.dat +5 2' '' '' ''
PROG=cmp t 0 'out.dat p3.dat' '' '' ''
t 0 'in.dat out.dat -5 1' '' '' ''
PROG=cat t 0 'out.dat' '' '.............................oooo.........\n' ''
t 1 'in.dat out.dat +4 1' '' '' "$M"
cp in.dat same.dat
t 1 'same.dat same.dat +4 2' '' '' "${M}passchain failed at iteration 1\n"
PROG=cmp t 0 'same.dat in.dat' '' '' ''
mkdir d.dir
NI='morph: cannot open nosuch.dat: No such file or directory\n'
t 1 'nosuch.dat out.dat +5 1' '' '' "$NI"
t 1 'nosuch.dat new.dat +5 2' '' '' "${NI}passchain failed at iteration 1\n"
t 1 'd.dir out.dat +5 1' '' '' 'morph: cannot read d.dir: Is a directory\n'
t 1 'in.dat d.dir +5 1' '' '' 'morph: cannot create d.dir: Is a directory\n'
# In place on a full disk, every pass fails part way and is undone. Needs a small tmpfs.
FULL=$TMPROOT/full
mkdir "$FULL"
if mount -t tmpfs -o size=64k tmpfs "$FULL" 2>/dev/null; then
    trap 'umount "$FULL"; rm -rf "$TMPROOT"' EXIT
    cd "$FULL"
    awk 'BEGIN { for (i = 0; i < 500; i++) printf "%079d\n", i }' >data.txt
    cp data.txt "$TMPROOT/data.txt"
    F='morph: cannot write data.txt: No space left on device\n'
    t 1 'data.txt data.txt +5 2' '' '' "$F$F"
    PROG=ls t 0 '-A' '' 'data.txt\n' ''
    PROG=cmp t 0 "data.txt $TMPROOT/data.txt" '' '' ''
else
    echo "passchain: the full disk is not tried here: no tmpfs can be mounted"
fi

# passchain itself writes nothing to the standard streams, so closed or full ones do no harm
fresh
OUT=/dev/full t 0 'in.dat out.dat +5 3' '' '' ''
OUT=- t 0 'in.dat out.dat +5 3' '' '' ''
IN=- t 0 'in.dat out.dat +5 3' '' '' ''
OUT=- t 1 'in.dat abc +5 3' '' '' "$U"
PROG=cat t 0 'out.dat' '' 'ccc\n' ''

done_testing
