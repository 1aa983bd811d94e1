#!/usr/bin/env bash
# Sets up, builds and starts the installer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_TESTS=OFF -DKESTREL_BENCH=OFF
cmake --build build -j"$(nproc)" --target kestrel-installer
exec ./build/kestrel-installer "$@"
