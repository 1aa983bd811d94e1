#!/usr/bin/env bash
# Makes a release with a throw-away self-signed certificate (tools/make-release.sh) and checks it
# as a user, a package manager and a release manager meet it:
# - SHA256SUMS names every artefact, and each matches it;
# - the Windows program's Authenticode signature is SHA-256 and verifies against the certificate
#   (which chains to nothing else: it is its own CA), the program without its signature is the
#   build's own, and the signed program still runs under Wine;
# - the Debian package depends on the package of every library the program links, holds the
#   program, its man page, the desktop entry and the icons; it installs into a throw-away dpkg
#   root, runs from there (--help, and --list against a test prefix) and removes without a trace.
# Nothing is installed on this machine.
#   tools/check-release.sh <release folder> <Wine prefix template (tests/support/wine.sh make)>
set -euo pipefail
cd "$(dirname "$0")/.."
release=$1
wine_template=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-release-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "check-release: $*" >&2
  exit 1
}

openssl req -x509 -newkey rsa:3072 -sha256 -days 2 -nodes -subj "/CN=Kestrel release check" \
  -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
KESTREL_SIGN_CERT=$scratch/cert.pem KESTREL_SIGN_KEY=$scratch/key.pem \
  bash tools/make-release.sh "$release"

exe=$(find "$release" -maxdepth 1 -name 'kestrel-installer-*.exe')
deb=$(find "$release" -maxdepth 1 -name 'kestrel-installer_*_amd64.deb')
[ -n "$exe" ] && [ -n "$deb" ] || fail "the release lacks the Windows program or the package"

# Checksums: exactly the artefacts, each as it is.
(cd "$release" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
listed=$(awk '{print $2}' "$release/SHA256SUMS" | sed 's/^\*//' | sort)
present=$(cd "$release" && ls | grep -vx SHA256SUMS | sort)
[ "$listed" = "$present" ] || fail "SHA256SUMS lists [$listed], the folder holds [$present]"

# Signature.
osslsigncode verify -CAfile "$scratch/cert.pem" -in "$exe" >"$scratch/verify.txt" 2>&1 ||
  { cat "$scratch/verify.txt" >&2; fail "the signature does not verify"; }
grep -q 'Message digest algorithm *: SHA256' "$scratch/verify.txt" ||
  { cat "$scratch/verify.txt" >&2; fail "the signature is not SHA-256"; }
osslsigncode remove-signature -in "$exe" -out "$scratch/unsigned.exe" >/dev/null
cmp -s "$scratch/unsigned.exe" build-win32/kestrel-installer.exe ||
  fail "without its signature the program is not the build's"
version=$(bash tests/support/wine.sh run "$wine_template" "$exe" --version | tr -d '\r')
expected=$(build/kestrel-installer --version)
[ "$version" = "$expected" ] || fail "the signed program said \"$version\", not \"$expected\""

# The package's fields and files.
fields=$(dpkg-deb --field "$deb" Package Version Depends)
grep -qx 'Package: kestrel-installer' <<<"$fields" || fail "package name: $fields"
depends=$(dpkg-deb --field "$deb" Depends)
# The package that holds a library, whether dpkg knows its file under /lib or /usr/lib.
owner_of() {
  local path found variant
  path=$(ldconfig -p | awk -v l="$1" '$1 == l && /x86-64/ {print $NF; exit}')
  for found in "$path" "$(readlink -f "$path")"; do
    for variant in "$found" "/usr${found#/usr}" "${found#/usr}"; do
      dpkg -S "$variant" 2>/dev/null | head -1 | cut -d: -f1 && return
    done
  done
}
for library in $(objdump -p build/kestrel-installer | awk '/NEEDED/ {print $2}'); do
  owner=$(owner_of "$library")
  [ -n "$owner" ] || fail "no package holds $library"
  grep -Eq "(^|, )$owner( |,|$)" <<<"$depends" ||
    fail "the program links $library of $owner, which Depends ($depends) does not name"
done
contents=$(dpkg-deb --contents "$deb" | awk '{print $NF}')
for file in ./usr/bin/kestrel-installer ./usr/share/man/man1/kestrel-installer.1.gz \
  ./usr/share/applications/kestrel-installer.desktop \
  ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/kestrel-installer.png; do
  grep -qx -- "$file" <<<"$contents" || fail "the package lacks $file"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/kestrel-installer.desktop \
  >"$scratch/kestrel-installer.desktop"
desktop-file-validate "$scratch/kestrel-installer.desktop" || fail "the desktop entry is not valid"
zcat <(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/kestrel-installer.1.gz) |
  grep -q -- '--silent' || fail "the man page does not describe --silent"

# Installed into a root of its own, run from there, removed.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The root holds no other package, so the dependencies are this machine's.
dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root -i "$deb" \
  >"$scratch/dpkg.txt" 2>&1 || { cat "$scratch/dpkg.txt" >&2; fail "dpkg could not install it"; }
installed=$root/usr/bin/kestrel-installer
"$installed" --help | grep -q '^Usage: kestrel-installer' || fail "the installed --help"
prefix=$scratch/prefix
mkdir -p "$prefix/dosdevices" "$prefix/drive_c"
ln -s ../drive_c "$prefix/dosdevices/c:"
printf '%s\n' 'WINE REGISTRY Version 2' '#arch=win64' '' \
  '[Software\\Adobe\\After Effects\\11] 1700000000' \
  '"PluginInstallPath"="C:\\Adobe\\CS6\\Plug-ins"' >"$prefix/system.reg"
listing=$(WINEPREFIX=$prefix "$installed" --list)
[ "$listing" = "$(printf 'CS6\tC:\\Adobe\\CS6\\Plug-ins')" ] ||
  fail "the installed --list said \"$listing\""
dpkg --root="$root" --force-script-chrootless --force-not-root -r kestrel-installer >/dev/null
left=$(cd "$root" && find . -mindepth 1 -not -path './var' -not -path './var/lib' \
  -not -path './var/lib/dpkg' -not -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "removing the package left: $left"

echo "release checked: $(ls "$release" | tr '\n' ' ')"
