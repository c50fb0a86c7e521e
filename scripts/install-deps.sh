#!/usr/bin/env bash
# Installs the Debian packages the build and the test suites need, once.
# Idempotent: packages already present are left alone; nothing is fetched
# from anywhere but Debian's own archive.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# Native tools and the cross toolchain; wine32 needs the i386 architecture.
packages=(
  build-essential cmake ninja-build ccache pkg-config
  zlib1g-dev libgtest-dev googletest
  mingw-w64 g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32 xvfb xauth x11-utils imagemagick
  clang libclang-rt-14-dev python3
)

have_all=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || { have_all=0; break; }
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then have_all=0; fi
[ "$have_all" = 1 ] && exit 0

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${packages[@]}"
