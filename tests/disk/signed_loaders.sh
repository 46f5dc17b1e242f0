#!/bin/bash
# Fetches Debian's Microsoft-signed shim and Debian's signed GRUB into a cache folder, for booting
# with Secure Boot enforced, and prints the two files' paths (shim first). Quick when cached.
#
#   signed_loaders.sh CACHE
#
# The packages are only unpacked, never installed: their install scripts would put a boot loader
# on this machine.
set -u
[ $# -eq 1 ] || { echo "usage: $0 CACHE" >&2; exit 2; }
cache=$1
shim=$cache/usr/lib/shim/shimx64.efi.signed
grub=$cache/usr/lib/grub/x86_64-efi-signed/gcdx64.efi.signed
packages=(shim-signed grub-efi-amd64-signed)

if [ ! -s "$shim" ] || [ ! -s "$grub" ]; then
    mkdir -p "$cache" && work=$(mktemp -d "$cache/fetch.XXXXXX") || exit 1
    trap 'rm -rf "$work"' EXIT
    # apt's download user cannot write to a private folder; as root, apt then fetches as root and
    # says so on every run.
    sandbox=()
    [ "$(id -u)" -ne 0 ] || sandbox=(-o APT::Sandbox::User=root)
    download() {
        (cd "$work" && apt-get "${sandbox[@]}" download "${packages[@]}") >"$work/apt.log" 2>&1
    }
    # A fresh machine may have no package lists yet.
    download || { [ "$(id -u)" -eq 0 ] && apt-get update -qq >>"$work/apt.log" 2>&1 && download; } || {
        cat "$work/apt.log" >&2
        echo "cannot download ${packages[*]}" >&2
        exit 1
    }
    for deb in "$work"/*.deb; do
        dpkg-deb -x "$deb" "$work/root" || exit 1
    done
    for file in "$shim" "$grub"; do
        from=$work/root/${file#"$cache"/}
        [ -s "$from" ] || { echo "no ${file#"$cache"} in ${packages[*]}" >&2; exit 1; }
        mkdir -p "$(dirname "$file")" && mv "$from" "$file" || exit 1
    done
fi
printf '%s\n' "$shim" "$grub"
