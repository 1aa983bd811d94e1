#!/usr/bin/env bash
# Makes a release: the i686 Windows program signed (the `sign` target, with the certificate and
# key of KESTREL_SIGN_CERT and KESTREL_SIGN_KEY, as cache variables of build-win32 or in the
# environment), the Debian package of the Linux program (cpack), and SHA256SUMS over both, in
# one folder. Builds in build-win32 and build, configured as tools/run-tests.sh configures them.
#   tools/make-release.sh [release folder, default: release]
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:-release}
jobs=$(nproc)
# The commit's time dates the package's files and the man page, as in every build of it.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi

# What an earlier release of another version left in the build folders is no part of this one.
rm -rf build-win32/release build/release
cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build-win32 -j"$jobs" --target sign
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs" --target kestrel-installer kestrel_man_page
cpack --config build/CPackConfig.cmake -G DEB >/dev/null

rm -rf "$release"
mkdir -p "$release"
cp build-win32/release/kestrel-installer-*.exe build/release/kestrel-installer_*.deb "$release/"
(cd "$release" && sha256sum -- * >SHA256SUMS)
ls -l "$release"
