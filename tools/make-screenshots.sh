#!/usr/bin/env bash
# Remakes docs/screenshots/*.png from the real program on a fresh Xvfb. Run as root on Debian 12
# (it installs what the build needs, and holds the installation with fanotify for one picture).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target wizard_screenshots
server=$(mktemp -d)
trap 'bash tests/support/xserver.sh stop bare "$server"; rm -rf "$server"' EXIT
bash tests/support/xserver.sh start bare "$server"
mkdir -p docs/screenshots
KESTREL_TEST_XSERVER="$server" KESTREL_SCREENSHOT_DIR="$PWD/docs/screenshots" \
  ./build/tests/wizard_screenshots
