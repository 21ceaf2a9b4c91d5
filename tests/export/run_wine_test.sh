#!/bin/sh
# Cross-builds the DLL and its Windows host with mingw-w64 into WORK/mingw and runs the
# host under Wine, in a Wine prefix of its own. Exits 77 (skipped) when the cross
# compiler or Wine is missing.
#   run_wine_test.sh SOURCE_DIR WORK_DIR CMAKE GENERATOR
set -eu
source_dir=$1
work=$2
cmake=$3
generator=$4

skip() {
    echo "SKIPPED: $1"
    exit 77
}
have() { command -v "$1" >/dev/null 2>&1; }

have x86_64-w64-mingw32-g++ || skip "x86_64-w64-mingw32-g++ not found (Debian package g++-mingw-w64-x86-64)"
have x86_64-w64-mingw32-windres || skip "x86_64-w64-mingw32-windres not found (Debian package binutils-mingw-w64-x86-64)"
have x86_64-w64-mingw32-widl || have widl || skip "widl not found (Debian package mingw-w64-tools)"
wine=
for candidate in wine wine64 /usr/lib/wine/wine64; do
    if have "$candidate"; then
        wine=$candidate
        break
    fi
done
[ -n "$wine" ] || skip "wine not found (Debian packages wine and wine64)"

tree=$work/mingw
"$cmake" -S "$source_dir/tests/export/windows" -B "$tree" -G "$generator" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZORO_WERROR=ON >"$work/mingw-configure.log" 2>&1 || {
    cat "$work/mingw-configure.log"
    exit 1
}
"$cmake" --build "$tree" --target ZororazORADode module_host

run=$work/wine-run
rm -rf "$run"
mkdir -p "$run"
cd "$run"
# The prefix is made on the first run, which takes a while; no display is needed.
WINEPREFIX=$work/wineprefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    DISPLAY= "$wine" "$tree/zoro/module_host.exe"
