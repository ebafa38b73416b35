# Installs the build into a scratch prefix and packs it as a .deb; checks that each program
# and its man page are where users look for them, that the pages render without a warning
# (groff and mandoc), and that the programs run from the unpacked package. On an optimised,
# hardened build it also checks that lintian finds nothing in the package: no error, no warning
# and no hardening or other informational tag. Usage: bash install.sh BUILDDIR
set -u
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
tools="spanfuse passchain byteslice frontpick"
passed=0
failed=0
ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }

cmake --install "$build" --prefix "$tmp/p" >/dev/null || bad "cmake --install"
for t in $tools; do
    [ -x "$tmp/p/bin/$t" ] && ok || bad "bin/$t not installed"
    page=$tmp/p/share/man/man1/$t.1
    if [ -f "$page" ]; then
        warnings=$(groff -man -ww -z "$page" 2>&1)
        [ -z "$warnings" ] && ok || bad "$t.1: $warnings"
        warnings=$(mandoc -Tlint -W warning "$page" 2>&1)
        [ -z "$warnings" ] && ok || bad "$t.1: $warnings"
        MANWIDTH=80 man -l "$page" 2>&1 | grep -q "^NAME" && ok || bad "man -l $t.1"
    else
        bad "man page $t.1 not installed"
    fi
done
extra=$(cd "$tmp/p" && find . -type f | grep -v -E '^\./(bin/('"$(echo $tools | tr ' ' '|')"')|share/man/man1/('"$(echo $tools | tr ' ' '|')"')\.1)$')
[ -z "$extra" ] && ok || bad "installed beyond the programs and pages: $extra"

(cd "$build" && cpack -G DEB -B "$tmp/deb" >/dev/null 2>&1) || bad "cpack"
deb=$(ls "$tmp"/deb/*.deb 2>/dev/null | head -n 1)
if [ -n "$deb" ] && dpkg-deb -x "$deb" "$tmp/root"; then
    ok
    r=$tmp/root/usr/bin
    out=$(printf '1 10 5 1 0' | "$r/spanfuse" f 1) && [ "$out" = " 5 15" ] && ok || bad "deb spanfuse: $out"
    out=$("$r/frontpick" A B 0 5 1 0.5) && [ "$out" = "B
best: A" ] && ok || bad "deb frontpick: $out"
    printf 'abcdefgh' >"$tmp/bytes"
    out=$("$r/byteslice" 2 3 "$tmp/bytes" 2>&1) && [ "$out" = "cde3 bytes copied" ] &&
        ok || bad "deb byteslice: $out"
    mkdir "$tmp/pc" && printf '#!/bin/sh\ncp "$1" "$2"\n' >"$tmp/pc/morph" && chmod +x "$tmp/pc/morph"
    echo data >"$tmp/pc/in"
    (cd "$tmp/pc" && PATH=$tmp/pc:$PATH "$r/passchain" in out.dat +5 2) && cmp -s "$tmp/pc/in" "$tmp/pc/out.dat" &&
        ok || bad "deb passchain"
    for f in $(for t in $tools; do echo "man/man1/$t.1.gz"; done) doc/batchkit/copyright \
        doc/batchkit/changelog.gz; do
        [ -f "$tmp/root/usr/share/$f" ] && ok || bad "deb lacks /usr/share/$f"
    done
    if grep -q '^BATCHKIT_HARDEN:BOOL=ON$' "$build/CMakeCache.txt"; then
        # Only lintian's note on running as root is let through.
        found=$(lintian --fail-on error,warning -I "$deb" 2>&1 |
            grep -v '^running with root privileges is not recommended!$')
        [ -z "$found" ] && ok || bad "lintian: $found"
    else
        echo "install: lintian not run: $build is not a hardened (optimised) build"
    fi
else
    bad "no .deb built or it does not unpack"
fi
echo "install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
