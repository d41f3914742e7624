#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of Ocellus on Debian 12 and checks it. A Release build
# without tests in build-package/, `cpack -G DEB`, then the package's files unpacked
# into build-package/root: the installed program must give its version without a
# display, the desktop entry, the AppStream metainfo and the man page must pass their
# validators without an error or a warning, and lintian must find no error in the
# package. Installs with apt-get what is missing (sudo when not root).
set -euo pipefail
cd "$(dirname "$0")/.."
umask 022
SECONDS=0

bash scripts/setup-debian.sh
tools=(desktop-file-utils appstream lintian man-db dpkg-dev file)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Debian's build flags with every hardening feature, as a Debian package is built.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
build=build-package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOCELLUS_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/ocellus_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/ocellus_*.deb)
deb=${debs[0]}
root="$build/root"
rm -rf "$root"
dpkg-deb -x "$deb" "$root"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Runs a validator; anything it prints on a line that `pattern` matches is a failure.
validate() {
    local name=$1 pattern=$2 out
    shift 2
    out=$("$@" 2>&1) || fail "$name exited with status $?"
    echo "== $name: ${out:-(nothing reported)}"
    if grep -qE "$pattern" <<<"$out"; then fail "$name reported problems"; fi
}

# The program, the newest AppStream release and the Debian changelog agree with the
# package's version (upstream version - Debian revision).
version=$(dpkg-deb -f "$deb" Version)
upstream=${version%-*}
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/ocellus" --version) ||
    fail "ocellus --version exited with status $?"
echo "== ocellus --version: $shown"
[ "$shown" = "ocellus $upstream" ] || fail "ocellus --version gave \"$shown\", the package is $version"
changelog=$(zcat "$root/usr/share/doc/ocellus/changelog.Debian.gz" | head -n 1)
[[ "$changelog" == "ocellus ($version) "* ]] || fail "the Debian changelog starts at \"$changelog\", not $version"
metainfo="$root/usr/share/metainfo/example.ocellus.Ocellus.metainfo.xml"
grep -m 1 '<release ' "$metainfo" | grep -qF "version=\"$upstream\"" ||
    fail "the newest release in the metainfo is not $upstream"

for size in 16 22 24 32 48 64 128 256; do
    icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/example.ocellus.Ocellus.png"
    file "$icon" | grep -qF "PNG image data, $size x $size," || fail "no $size x $size icon: $icon"
done
[ -f "$root/usr/share/icons/hicolor/scalable/apps/example.ocellus.Ocellus.svg" ] || fail "no scalable icon"
file "$root/usr/bin/ocellus" | grep -q ", stripped" || fail "the packaged executable is not stripped"
# Owner root, folders and the executable 0755, every other file 0644.
odd=$(dpkg-deb -c "$deb" | awk '$2 != "root/root" ||
    ($1 ~ /^d/ && $1 != "drwxr-xr-x") ||
    ($1 ~ /^-/ && $NF == "./usr/bin/ocellus" && $1 != "-rwxr-xr-x") ||
    ($1 ~ /^-/ && $NF != "./usr/bin/ocellus" && $1 != "-rw-r--r--")')
[ -z "$odd" ] || fail "owner or permissions not as Debian asks: $odd"

validate desktop-file-validate . \
    desktop-file-validate "$root/usr/share/applications/example.ocellus.Ocellus.desktop"
validate "appstreamcli validate" '^[EW]:' appstreamcli validate --no-net "$metainfo"
validate "man --warnings" . \
    bash -c 'MANWIDTH=80 man --warnings -l "$1" > /dev/null' man "$root/usr/share/man/man1/ocellus.1.gz"
validate lintian '^E:' lintian --fail-on error --display-info "$deb"

echo "== package: $deb, $(stat -c %s "$deb") bytes, Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "== Depends: $(dpkg-deb -f "$deb" Depends)"
echo "== $SECONDS s"
if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
