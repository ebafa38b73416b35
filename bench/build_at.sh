#!/bin/sh
# Builds the benchmark programs of an earlier commit, hardened as the release build is, so that
# a change can be timed against the code before it in one run.
# Usage: sh bench/build_at.sh COMMIT DIR    (the programs land in DIR/build/bin)
set -eu
[ $# -eq 2 ] || { echo "usage: sh bench/build_at.sh COMMIT DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
commit=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
rm -rf "$dir/src"
git -C "$here" worktree add --detach "$dir/src" "$commit" >/dev/null 2>&1 ||
    { git clone -q "$here" "$dir/src" && git -C "$dir/src" checkout -q "$commit"; }
cmake -S "$dir/src" -B "$dir/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBATCHKIT_BENCH=ON \
    -DBATCHKIT_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong -fstack-clash-protection -fcf-protection -fPIE" \
    -DCMAKE_EXE_LINKER_FLAGS="-pie -Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build "$dir/build" >/dev/null
git -C "$here" worktree remove --force "$dir/src" >/dev/null 2>&1 || rm -rf "$dir/src"
echo "$dir/build/bin"
