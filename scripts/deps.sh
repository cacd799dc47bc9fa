#!/usr/bin/env bash
# Installs every build and test dependency from Debian's packages. Safe to run
# again: it does nothing when everything is there.
#
# The 32-bit Wine (wine32, an i386 package) is installed only where this
# machine can execute 32-bit programs: elsewhere the post-install scripts of
# i386 packages fail, and the tests take the 64-bit road without it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

packages=(
  build-essential cmake ninja-build git python3
  googletest libstb-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64
  xvfb xdotool x11-utils imagemagick librsvg2-bin fontconfig
  fonts-ipafont-gothic fonts-liberation fonts-wine
  locales
  nsis zip unzip
  clang-14 libclang-rt-14-dev
)
vt_probe_32bit
i386_packages=()
[ "$VT_CAN_RUN_32BIT" = 1 ] && i386_packages=(wine32:i386)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for package in "${packages[@]}" "${i386_packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "deps: installing ${missing[*]}"
  if [ ${#i386_packages[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  # A mirror caught mid-sync fails an index or two; try again, then go on
  # with what was fetched, since the install itself says what is missing.
  for attempt in 1 2 3; do
    as_root apt-get update -q && break
    echo "deps: apt-get update failed (attempt $attempt)" >&2
    sleep $((attempt * 10))
  done
  install=(env DEBIAN_FRONTEND=noninteractive apt-get install -y -q)
  if ! as_root "${install[@]}" "${missing[@]}"; then
    # An i386 index the mirror failed to give leaves the security updates of
    # one width unknown, and multiarch libraries must match in both widths:
    # take the release's own versions for both instead.
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "deps: installing again at the $codename release's own versions" >&2
    as_root "${install[@]}" -t "$codename" "${missing[@]}"
  fi
fi

# Wine runs the program with a Japanese ANSI code page (932), as on a
# Japanese Windows; that needs the ja_JP.UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  as_root locale-gen >/dev/null
fi
