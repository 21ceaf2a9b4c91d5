#!/bin/sh
# Installs the build tree into a scratch prefix, then builds and runs a C consumer
# (through pkg-config), a C++ consumer (through find_package) and the installed bmptool.
#   run_install_test.sh SOURCE_DIR BUILD_DIR WORK_DIR CMAKE GENERATOR CC CXX [SANITIZE]
set -eu
source_dir=$1
build_dir=$2
work=$3
cmake=$4
generator=$5
cc=$6
cxx=$7
sanitize=${8:-}

# A sanitized library needs its runtime in every program that links it.
flags=
if [ -n "$sanitize" ]; then
    flags="-fsanitize=$sanitize"
fi

prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
"$cmake" --install "$build_dir" --prefix "$prefix" >"$work/install.log"

libdir=$(dirname "$(find "$prefix" -name ZororazORADode.pc)")/..
cd "$work"

echo "C consumer, through pkg-config"
command -v pkg-config >/dev/null || { echo "pkg-config not found (Debian package pkg-config)"; exit 1; }
export PKG_CONFIG_PATH="$libdir/pkgconfig"
version=$(pkg-config --modversion ZororazORADode)
[ "$version" = 1.0.0.1 ] || { echo "pkg-config gives version $version"; exit 1; }
# shellcheck disable=SC2046
"$cc" $flags -std=c11 -Wall -Werror "$source_dir/tests/export/install/consumer.c" \
    $(pkg-config --cflags --libs ZororazORADode) -Wl,-rpath,"$libdir" -o c_consumer
./c_consumer

echo "C++ consumer, through find_package"
"$cmake" -S "$source_dir/tests/export/install" -B cxx -G "$generator" \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_BUILD_TYPE=Release >cxx-configure.log
"$cmake" --build cxx >cxx-build.log
./cxx/cxx_consumer

echo "The installed bmptool finds the installed module"
"$prefix/bin/bmptool" crop c-in.bmp tool-out.bmp 1 1 1 0
cmp tool-out.bmp c-out.bmp
echo "all consumers passed"
