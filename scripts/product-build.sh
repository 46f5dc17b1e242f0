#!/usr/bin/env bash
# Configures and builds Tarnvik.exe and TarnvikDisk.exe alone, with the commands the README gives
# Windows users, the mingw-w64 cross compiler standing in for a Windows one. Everything only the
# tests use is out of reach meanwhile: GoogleTest's sources, headers, libraries and CMake package,
# and the tree's tests/ and bench/ folders are hidden in a mount namespace of this script's own, so
# the build fails if the product needs any of them. Exits non-zero when the product does not build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/product
test_packages=(googletest libgtest-dev libgmock-dev)

if [ -z "${TARNVIK_TEST_DEPENDENCIES_HIDDEN:-}" ]; then
    # Mounts made in the namespace vanish with it; a user namespace lends the rights when not root.
    namespace=(--mount)
    [ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
    exec unshare "${namespace[@]}" env TARNVIK_TEST_DEPENDENCIES_HIDDEN=1 bash "$0" "$@"
fi

hide() {
    if [ -d "$1" ]; then
        mount -t tmpfs -o ro,size=4k tarnvik-hidden "$1"
    elif [ -e "$1" ]; then
        mount --bind /dev/null "$1"
    fi
}
# Folders first: an empty folder is what a missing dependency looks like to CMake.
for folder in /usr/src/googletest /usr/include/gtest /usr/include/gmock \
    /usr/lib/x86_64-linux-gnu/cmake/GTest "$PWD/tests" "$PWD/bench"; do
    hide "$folder"
done
mapfile -t package_files < <(dpkg -L "${test_packages[@]}" 2>/dev/null || true)
for file in "${package_files[@]}"; do
    if [ -f "$file" ]; then hide "$file"; fi
done
# A package that grows a file the lines above do not reach would make this check prove nothing.
for file in "${package_files[@]}"; do
    if [ -f "$file" ] && [ -s "$file" ] && [[ $file != /usr/share/doc/* ]]; then
        echo "product-build: $file is still readable" >&2
        exit 1
    fi
done
if [ -n "$(ls -A tests)" ]; then
    echo "product-build: tests/ is still visible" >&2
    exit 1
fi

# A fresh cache, so nothing a configure with the tests found earlier carries over; the objects stay
# and only what changed is compiled again.
mkdir -p "$build"
rm -f "$build/CMakeCache.txt"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTARNVIK_TESTS=OFF >"$build.log" 2>&1 ||
    { cat "$build.log" >&2; exit 1; }
cmake --build "$build"

for program in Tarnvik.exe TarnvikDisk.exe; do
    if [ ! -s "$build/$program" ]; then
        echo "product-build: $build/$program was not built" >&2
        exit 1
    fi
done
# A test program in the default build would need what is hidden here only once it is compiled.
if ninja -C "$build" -t targets all | grep -iE 'gtest|_tests|harness' >&2; then
    echo "product-build: test targets are part of the product build" >&2
    exit 1
fi
