#!/usr/bin/env bash
# Installs every Debian 12 package the build, the installer and the tests need. Run as root.
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  libx11-dev libxext-dev libxtst-dev libxrandr-dev libxdamage-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-dejavu-core
  fonts-liberation2 fonts-crosextra-carlito fonts-wqy-microhei xclip
  googletest libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  xvfb xauth openbox x11-utils zenity
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  lldb
  # The machine-readable output of the command-line mode (header-only).
  nlohmann-json3-dev
  # Screen readers: the ATK bridge to build with, the AT-SPI bus and registry, and the test's
  # client (pyatspi, for Debian's own python3) in a D-Bus session of its own.
  libatk1.0-dev libatk-bridge2.0-dev at-spi2-core python3-pyatspi dbus-x11
  # useradd and userdel: the sudo tests make throw-away users to attack and to be attacked.
  passwd
  # The Windows builds: mingw-w64 (the -posix compilers have std::thread), and Wine for both
  # bitnesses (wine32 comes from the i386 architecture) with Wine's own fonts (Tahoma, the system
  # dialogs' font) for their tests.
  wine wine64 wine32:i386 fonts-wine mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  # The release: Authenticode signing of the Windows program; the Debian package's man page, and
  # the check of its desktop entry.
  osslsigncode help2man desktop-file-utils
)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
