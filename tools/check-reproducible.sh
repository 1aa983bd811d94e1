#!/usr/bin/env bash
# Builds what a release is made of once more, from a copy of the sources at another path into
# fresh build folders, and compares it byte for byte with what the usual build folders hold: the
# i686 and x86_64 Windows programs (build-win32, build-win64) and the Debian package
# (build/release, from tools/make-release.sh). Only the programs are built, not the tests. Run
# after those (tools/run-tests.sh builds them in a fresh clone, so there both builds are clean).
#   tools/check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && epoch=$(git log -1 --format=%ct 2>/dev/null); then
  export SOURCE_DATE_EPOCH=$epoch
fi
start=$SECONDS

# Another path, of another length: neither folder's name may reach the files.
copy=$PWD/build-reproducible/sources-built-elsewhere
rm -rf build-reproducible
mkdir -p "$copy"
# The sources as they are, new files not yet committed included.
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$copy"

cmake -S "$copy" -B "$copy/build-win32" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$copy/build-win32" -j"$jobs" --target kestrel-installer >/dev/null
cmake -S "$copy" -B "$copy/build-win64" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$copy/build-win64" -j"$jobs" --target kestrel-installer >/dev/null
cmake -S "$copy" -B "$copy/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$copy/build" -j"$jobs" --target kestrel-installer kestrel_man_page >/dev/null
cpack --config "$copy/build/CPackConfig.cmake" -G DEB >/dev/null

status=0
compare() {
  local first=$1 second=$2
  if cmp -s "$first" "$second"; then
    printf '%-44s %9d bytes  sha256 %s  identical\n' "${first#"$PWD"/}" "$(stat -c %s "$first")" \
      "$(sha256sum "$first" | cut -c1-16)"
  else
    echo "check-reproducible: $first and $second differ" >&2
    cmp "$first" "$second" >&2 || true
    status=1
  fi
}
compare build-win32/kestrel-installer.exe "$copy/build-win32/kestrel-installer.exe"
compare build-win64/kestrel-installer.exe "$copy/build-win64/kestrel-installer.exe"
for package in build/release/kestrel-installer_*.deb; do
  compare "$package" "$copy/build/release/$(basename "$package")"
done
echo "rebuilt and compared in $((SECONDS - start)) s"
exit $status
