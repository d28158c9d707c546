#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks that every file lands
# where man, bash-completion and the desktop look for it.
# Usage: check_install.sh BUILD_DIR HAVE_WINDOW(0|1)
set -euo pipefail
build=$1
have_window=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
failures=0
expect() {
    if [ -e "$usr/$1" ]; then echo "ok: $1"; else echo "MISSING: $1"; failures=$((failures + 1)); fi
}

expect bin/keyvale-cli
expect share/man/man1/keyvale-cli.1.gz
expect share/bash-completion/completions/keyvale-cli
if [ "$have_window" = 1 ]; then
    expect bin/keyvale
    expect share/man/man1/keyvale.1.gz
    expect share/applications/keyvale.desktop
    expect share/icons/hicolor/scalable/apps/keyvale.svg
fi

# man finds the page by name under the installed manual tree.
found=$(man -M "$usr/share/man" -w keyvale-cli 2>/dev/null || true)
if [ "$found" != "$usr/share/man/man1/keyvale-cli.1.gz" ] ||
    ! MANPAGER=cat man -M "$usr/share/man" keyvale-cli 2>/dev/null | grep -q "^KEYVALE-CLI(1)"; then
    echo "man does not find keyvale-cli(1) under share/man"
    failures=$((failures + 1))
fi
# bash-completion loads completions on demand from this folder, by command name.
completions=$(pkg-config --variable=completionsdir bash-completion 2>/dev/null || echo /usr/share/bash-completion/completions)
if [ "$completions" != /usr/share/bash-completion/completions ]; then
    echo "bash-completion looks in $completions"
    failures=$((failures + 1))
fi
"$usr/bin/keyvale-cli" --version | grep -q '^keyvale-cli ' || { echo "installed program does not run"; failures=$((failures + 1)); }

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
[ "$failures" -eq 0 ]
