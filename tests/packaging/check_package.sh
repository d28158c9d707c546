#!/usr/bin/env bash
# Makes the .deb from the build and checks it as Debian and the desktop do:
# lintian without error or warning, the menu entry and the software-centre
# entry validated, and, unpacked into a scratch root, every file in place
# and the database file type known to the MIME database built there.
# Usage: check_package.sh BUILD_DIR      (exit 77 when a tool is missing)
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate appstreamcli \
    update-mime-database update-desktop-database; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is missing (scripts/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

deb=$(bash "$source_dir/scripts/make-deb.sh" "$build" "$work/out")
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# lintian: errors and warnings fail; info and pedantic tags are shown.
# (Run as root it says it should not be; that note is not about the package.)
if ! lintian --fail-on error,warning --display-info --pedantic "$deb" 2>"$work/lintian.err" \
    >"$work/lintian.out"; then
    fail "lintian"
fi
cat "$work/lintian.out"
grep -v -e "running with root privileges" -e "^$" "$work/lintian.err" || true

# Every file root-owned, in the place the desktop and man look.
if dpkg-deb -c "$deb" | awk '{print $2}' | grep -v '^root/root$'; then
    fail "files not owned by root"
fi
root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
expected=(
    bin/keyvale bin/keyvale-cli
    share/man/man1/keyvale.1.gz share/man/man1/keyvale-cli.1.gz
    share/bash-completion/completions/keyvale-cli
    share/applications/keyvale.desktop
    share/metainfo/keyvale.metainfo.xml
    share/mime/packages/keyvale.xml
    share/doc/keyvale/copyright share/doc/keyvale/changelog.gz
    share/icons/hicolor/scalable/apps/keyvale.svg
    share/icons/hicolor/scalable/mimetypes/application-x-keyvale-database.svg
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/keyvale.png"
        "share/icons/hicolor/${size}x${size}/mimetypes/application-x-keyvale-database.png")
done
for file in "${expected[@]}"; do
    [ -s "$usr/$file" ] || fail "missing: /usr/$file"
done
for size in 16 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/keyvale.png
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$width $height" = "$size $size" ] || fail "$png is ${width}x${height}"
done

desktop-file-validate "$usr/share/applications/keyvale.desktop" | grep -v ': hint: ' || true
desktop-file-validate "$usr/share/applications/keyvale.desktop" >/dev/null ||
    fail "desktop-file-validate"
grep -qx 'Exec=keyvale %f' "$usr/share/applications/keyvale.desktop" || fail "Exec takes no file"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/keyvale.metainfo.xml" ||
    fail "appstreamcli validate"

# The file type, as the desktop learns it after installing.
XDG_DATA_DIRS=$usr/share update-mime-database "$usr/share/mime"
grep -q '^[0-9]*:application/x-keyvale-database:\*\.kvdb$' "$usr/share/mime/globs2" ||
    fail "*.kvdb is not application/x-keyvale-database"
grep -q 'Keyvale password database' "$usr/share/mime/application/x-keyvale-database.xml" ||
    fail "the file type has no comment"
grep -qx 'application/x-keyvale-database:x-office-document' "$usr/share/mime/generic-icons" ||
    fail "the file type has no generic icon"

# ...and the program it opens with, as the menu's cache lists it.
update-desktop-database "$usr/share/applications"
grep -qx 'application/x-keyvale-database=keyvale.desktop;' \
    "$usr/share/applications/mimeinfo.cache" || fail "no program opens *.kvdb"

# The installed programs run, and answer without a display.
env -u DISPLAY -u WAYLAND_DISPLAY "$usr/bin/keyvale" --version | grep -q '^keyvale ' ||
    fail "keyvale --version"
"$usr/bin/keyvale-cli" --version | grep -q '^keyvale-cli ' || fail "keyvale-cli --version"

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
